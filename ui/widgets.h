#pragma once

// The kinds of control the window is made of, with the keyboard, mouse and
// drag behaviour each kind has wherever it is used.

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QMenu>
#include <QPointer>
#include <QRadioButton>

#include <functional>

class QMimeData;

namespace zelvaro::ui {

// True when a key event types a character (not Delete, arrows or function keys).
bool types_a_character(const QString &text);

// Text1: a numeric input. Only digits, Backspace and one decimal point pass.
class NumberBox : public QLineEdit {
  Q_OBJECT
public:
  explicit NumberBox(QWidget *parent = nullptr);

protected:
  void keyPressEvent(QKeyEvent *e) override;
  void inputMethodEvent(QInputMethodEvent *e) override;
};

// Text4: a read-only label box whose text the program changes; it greys
// with its input and discards every typed character.
class LabelBox : public QLineEdit {
  Q_OBJECT
public:
  explicit LabelBox(QWidget *parent = nullptr);

protected:
  void keyPressEvent(QKeyEvent *e) override;
};

// An editable drop-down combo box that announces each opening of its list
// (by mouse or keyboard) before the list is shown, so that it can be built
// from scratch.
class ListCombo : public QComboBox {
  Q_OBJECT
public:
  enum class Typing { NumberFilter, Refused };
  ListCombo(Typing typing, QWidget *parent = nullptr);

  // Replaces the list with `items` and leaves the text field empty.
  void rebuild(const QStringList &items);

  void showPopup() override;

signals:
  void aboutToShowList();
  // A key was typed into a combo that refuses typing.
  void typingRefused();

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  Typing typing_;
};

// Option buttons and check boxes whose caption wraps onto two lines (at an
// ideographic space when there is one), while text() keeps the caption.
class WrapRadioButton : public QRadioButton {
  Q_OBJECT
public:
  using QRadioButton::QRadioButton;

protected:
  void paintEvent(QPaintEvent *) override;
};

class WrapCheckBox : public QCheckBox {
  Q_OBJECT
public:
  using QCheckBox::QCheckBox;

protected:
  void paintEvent(QPaintEvent *) override;
};

// Text2: the read-only result box. Every mouse release selects the whole
// report; a press on the selection drags it out as text (copy only); typed
// characters, the copy shortcut included, do nothing.
class ResultBox : public QPlainTextEdit {
  Q_OBJECT
public:
  explicit ResultBox(QWidget *parent = nullptr);

  // Starts a drag with this data, copy only. Replaceable: under X11 a real
  // drag blocks until the mouse is released.
  static std::function<void(QWidget *source, QMimeData *data)> start_drag;

  // The standard context menu (Copy, Select All) as this box offers it: the
  // keyboard shortcuts, which do nothing here, are not shown. The caller owns it.
  QMenu *contextMenu();

  // Adds the window's own entries after the standard ones.
  std::function<void(QMenu *)> extendMenu;

  // The last context menu opened by the right mouse button, while it is open.
  QMenu *openMenu() const { return openMenu_; }

protected:
  void keyPressEvent(QKeyEvent *e) override;
  void contextMenuEvent(QContextMenuEvent *e) override;
  void mousePressEvent(QMouseEvent *e) override;
  void mouseMoveEvent(QMouseEvent *e) override;
  void mouseReleaseEvent(QMouseEvent *e) override;

private:
  bool pressOnSelection_ = false;
  bool dragged_ = false;
  QPointer<QMenu> openMenu_;
  QPoint pressPos_;
};

// Picture1..5: a shape diagram and a drag source of its bitmap. A press
// starts the drag at once, whatever the button; copy is the only effect.
class DiagramBox : public QLabel {
  Q_OBJECT
public:
  DiagramBox(const QImage &image, QWidget *parent = nullptr);
  const QImage &image() const { return image_; }

  // The drag data of the bitmap: Qt's image data and image/png.
  QMimeData *dragData() const;

  static std::function<void(QWidget *source, QMimeData *data)> start_drag;

protected:
  void mousePressEvent(QMouseEvent *e) override;

private:
  QImage image_;
};

// Line1: a separator line in the application-workspace grey.
class SeparatorLine : public QWidget {
  Q_OBJECT
public:
  using QWidget::QWidget;

protected:
  void paintEvent(QPaintEvent *) override;
};

// Starts a real drag, copy only.
void exec_copy_drag(QWidget *source, QMimeData *data);

} // namespace zelvaro::ui
