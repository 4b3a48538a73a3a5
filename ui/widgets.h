#pragma once

// The kinds of control the window is made of, with the keyboard, mouse and
// drag behaviour each kind has wherever it is used.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QMimeData;

namespace zelvaro::ui {

// A small form of named texts with OK and Cancel: each row's label and the
// text it edits in place. False, with the texts untouched, when cancelled.
bool ask_texts(QWidget *parent, const QString &title,
               std::initializer_list<std::pair<QString, std::string *>> rows);

// A message of the schedule's reader or the batch as the window says it:
// advice about the command line's options, which the window has not, left out.
QString window_message(std::string_view text);

// Text broken into lines no wider than `width` pixels in `metrics` (a message
// box stays readable, whatever a path or a cell holds).
QString wrapped(const QString &text, const QFontMetrics &metrics, int width);

// A file name typed without an extension gets the one of the file's kind.
QString with_extension(const QString &path, const QString &extension);

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
// with its input and discards every typed character. It always shows the
// start of its text, also when the text is a little wider than the box.
class LabelBox : public QLineEdit {
  Q_OBJECT
public:
  explicit LabelBox(QWidget *parent = nullptr);

protected:
  void keyPressEvent(QKeyEvent *e) override;
};

// An editable drop-down combo box that announces each opening of its list
// (by mouse or keyboard) before the list is shown, so that it can be built
// from scratch. Typed keys reach the combo box itself (it is the focus
// widget), so the key filter sits here; the wheel over a closed box does
// nothing, so that only a pick from the list (or typing) changes a value.
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
  void keyPressEvent(QKeyEvent *e) override;
  void inputMethodEvent(QInputMethodEvent *e) override;
  void wheelEvent(QWheelEvent *e) override;

private:
  // True when `typed` must not reach the text field; announces a refusal.
  bool refuses(const QString &typed);

  Typing typing_;
};

// Frame1..9: a frame whose line runs through the middle of its caption, as
// on the desktop the layout comes from, so that options placed just below
// the caption stay clear of the line. A check box placed on the top edge
// serves as the caption of a frame without one.
class Frame : public QGroupBox {
  Q_OBJECT
public:
  using QGroupBox::QGroupBox;
  // The rectangle the frame line is drawn on, in the frame's coordinates.
  QRect lineRect() const;

protected:
  void paintEvent(QPaintEvent *) override;
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
// report (and offers it as the X11 primary selection); a press on the selection drags it out as text (copy
// only); typed characters, the copy shortcut included, do nothing.
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

  // Shows `text` as setPlainText does (cursor and view at the top, no
  // selection), laying out again only the lines that changed when the new
  // text has as many lines as the shown one: a report calculated again
  // differs in its figures, not in its labels.
  void showText(const QString &text);

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
// The diagram is shown drawn at the screen's device pixel ratio; the bitmap
// dragged out is the one of ratio 1.
class DiagramBox : public QLabel {
  Q_OBJECT
public:
  // `draw` draws the diagram at a device pixel ratio.
  DiagramBox(std::function<QImage(double ratio)> draw, QWidget *parent = nullptr);
  const QImage &image() const { return image_; }

  // The drag data of the bitmap: Qt's image data and image/png.
  QMimeData *dragData() const;

  static std::function<void(QWidget *source, QMimeData *data)> start_drag;

protected:
  void mousePressEvent(QMouseEvent *e) override;
  void paintEvent(QPaintEvent *e) override;

private:
  std::function<QImage(double)> draw_;
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
