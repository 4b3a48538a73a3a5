#include "ui/widgets.h"

#include "capture/data_in.h"
#include "schedule/list_rows.h"

#include <QAbstractItemView>
#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDrag>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyleHints>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QWheelEvent>

namespace zelvaro::ui {

bool ask_texts(QWidget *parent, const QString &title,
               std::initializer_list<std::pair<QString, std::string *>> rows) {
  QDialog dialog(parent);
  dialog.setWindowTitle(title);
  auto *form = new QFormLayout(&dialog);
  std::vector<QLineEdit *> edits;
  for (const auto &[label, text] : rows) {
    edits.push_back(new QLineEdit(QString::fromStdString(*text), &dialog));
    form->addRow(label, edits.back());
  }
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  form->addRow(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  if (dialog.exec() != QDialog::Accepted)
    return false;
  std::size_t i = 0;
  for (const auto &row : rows)
    *row.second = edits[i++]->text().toStdString();
  return true;
}

QString window_message(std::string_view text) {
  return QString::fromStdString(batch::shown_message(text));
}

QString wrapped(const QString &text, const QFontMetrics &metrics, int width) {
  QString out;
  for (const QString &line : text.split(QLatin1Char('\n'))) {
    if (!out.isEmpty())
      out += QLatin1Char('\n');
    QString part;
    for (QChar c : line) {
      if (!part.isEmpty() && metrics.horizontalAdvance(part + c) > width) {
        out += part + QLatin1Char('\n');
        part.clear();
      }
      part += c;
    }
    out += part;
  }
  return out;
}

QString with_extension(const QString &path, const QString &extension) {
  return path.isEmpty() || !QFileInfo(path).suffix().isEmpty() ? path : path + extension;
}

bool types_a_character(const QString &text) {
  return !text.isEmpty() && text != QStringLiteral("\x7f");
}

namespace {

// Whether key_09 lets every character of `typed` through after `current`.
bool passes_key_09(const QString &typed, QString current) {
  for (QChar ch : typed) {
    std::uint16_t key = ch.unicode();
    key_09(key, current.toStdString());
    if (key == 0)
      return false;
    if (key != 8)
      current += ch;
  }
  return true;
}

// Breaks a caption into lines for its width: at an ideographic space if it
// has one, else wherever the width runs out (Japanese has no spaces).
QString wrapped(const QString &caption, const QFontMetrics &fm, int width) {
  const int ideographic = caption.indexOf(QChar(0x3000));
  if (ideographic >= 0)
    return caption.left(ideographic) + '\n' + caption.mid(ideographic + 1);
  QString out, line;
  for (QChar ch : caption) {
    if (!line.isEmpty() && fm.horizontalAdvance(line + ch) > width) {
      // An opening bracket never ends a line: it moves down with what it opens.
      QString carried;
      while (!line.isEmpty() && QStringLiteral("（(「『【").contains(line.back())) {
        carried.prepend(line.back());
        line.chop(1);
      }
      out += line + '\n';
      line = carried;
    }
    line += ch;
  }
  return out + line;
}

template <class Button>
void paint_wrapped(Button *b, QStyle::ControlElement element, QStyle::SubElement textArea) {
  QStylePainter p(b);
  QStyleOptionButton opt;
  opt.initFrom(b);
  opt.state |= b->isChecked() ? QStyle::State_On : QStyle::State_Off;
  if (b->isDown())
    opt.state |= QStyle::State_Sunken;
  opt.text = b->text();
  const QRect text = b->style()->subElementRect(textArea, &opt, b);
  opt.text = wrapped(b->text(), b->fontMetrics(), b->width() - text.left());
  p.drawControl(element, opt);
}

} // namespace

NumberBox::NumberBox(QWidget *parent) : QLineEdit(parent) {
  setAcceptDrops(false);
  setAttribute(Qt::WA_InputMethodEnabled, false); // half-width input only
}

void NumberBox::keyPressEvent(QKeyEvent *e) {
  if (types_a_character(e->text()) && !passes_key_09(e->text(), text())) {
    e->accept(); // discarded without a message
    return;
  }
  QLineEdit::keyPressEvent(e);
}

void NumberBox::inputMethodEvent(QInputMethodEvent *e) {
  if (!e->commitString().isEmpty() && !passes_key_09(e->commitString(), text())) {
    e->accept();
    return;
  }
  QLineEdit::inputMethodEvent(e);
}

LabelBox::LabelBox(QWidget *parent) : QLineEdit(parent) {
  setReadOnly(true);
  setFrame(false);
  setAcceptDrops(false);
  setFocusPolicy(Qt::ClickFocus);
  setContextMenuPolicy(Qt::NoContextMenu);
  QPalette pal = palette();
  pal.setColor(QPalette::Base, pal.color(QPalette::Window));
  setPalette(pal);
  // A read-only box scrolls to the end of a text wider than itself: the
  // engineer would read "1(cm)=" for "L1(cm)=". The caption starts at the
  // box's left edge, without the edit box's inner margin.
  setTextMargins(-2, 0, 0, 0);
  connect(this, &QLineEdit::textChanged, this, [this] { setCursorPosition(0); });
}

void LabelBox::keyPressEvent(QKeyEvent *e) {
  if (types_a_character(e->text())) {
    e->accept();
    return;
  }
  QLineEdit::keyPressEvent(e);
}

ListCombo::ListCombo(Typing typing, QWidget *parent) : QComboBox(parent), typing_(typing) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  // No inline completion: it would select part of the text behind the
  // user's back and change what the key filter sees.
  setCompleter(nullptr);
  setAcceptDrops(false);
  lineEdit()->setAcceptDrops(false);
  // Half-width input only: the key filter works on typed characters.
  setAttribute(Qt::WA_InputMethodEnabled, false);
  lineEdit()->setAttribute(Qt::WA_InputMethodEnabled, false);
  lineEdit()->installEventFilter(this);
  // Only a pick from the list changes a box that refuses typing: no Delete,
  // no cut or paste through the context menu either.
  lineEdit()->setReadOnly(typing == Typing::Refused);
}

void ListCombo::rebuild(const QStringList &items) {
  clear();
  addItems(items);
  // An editable combo selects its first item when filled; the field stays
  // empty until the user picks one.
  setCurrentIndex(-1);
  clearEditText();
}

void ListCombo::showPopup() {
  emit aboutToShowList();
  QComboBox::showPopup();
}

bool ListCombo::refuses(const QString &typed) {
  if (typing_ == Typing::Refused) {
    emit typingRefused();
    return true;
  }
  return !passes_key_09(typed, lineEdit()->text());
}

void ListCombo::keyPressEvent(QKeyEvent *e) {
  if (types_a_character(e->text()) && refuses(e->text())) {
    e->accept();
    return;
  }
  QComboBox::keyPressEvent(e);
}

void ListCombo::inputMethodEvent(QInputMethodEvent *e) {
  if (!e->commitString().isEmpty() && (typing_ == Typing::Refused || refuses(e->commitString()))) {
    e->accept();
    return;
  }
  QComboBox::inputMethodEvent(e);
}

void ListCombo::wheelEvent(QWheelEvent *e) {
  e->ignore();
}

// Keys sent to the text field directly (it never has the focus on a desktop,
// but nothing forbids it) pass the same filter.
bool ListCombo::eventFilter(QObject *watched, QEvent *event) {
  if (watched == lineEdit() && event->type() == QEvent::KeyPress) {
    auto *e = static_cast<QKeyEvent *>(event);
    if (types_a_character(e->text()) && refuses(e->text()))
      return true;
  }
  if (watched == lineEdit() && event->type() == QEvent::InputMethod) {
    auto *e = static_cast<QInputMethodEvent *>(event);
    if (!e->commitString().isEmpty() && (typing_ == Typing::Refused || refuses(e->commitString())))
      return true;
  }
  return QComboBox::eventFilter(watched, event);
}

QRect Frame::lineRect() const {
  // The line runs through the middle of the caption's line of text.
  return rect().adjusted(0, fontMetrics().height() / 2, 0, 0);
}

void Frame::paintEvent(QPaintEvent *) {
  QPainter p(this);
  const QRect r = lineRect();
  // An etched line: dark, with a light line inside it.
  p.setPen(palette().color(QPalette::Dark));
  p.drawRect(r.adjusted(0, 0, -2, -2));
  p.setPen(palette().color(QPalette::Light));
  p.drawRect(r.adjusted(1, 1, -1, -1));
  if (title().isEmpty())
    return;
  const QFontMetrics fm = fontMetrics();
  const QRect caption(6, 0, fm.horizontalAdvance(title()) + 4, fm.height());
  p.fillRect(caption, palette().color(QPalette::Window));
  p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  p.drawText(caption.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title());
}

void WrapRadioButton::paintEvent(QPaintEvent *) {
  paint_wrapped(this, QStyle::CE_RadioButton, QStyle::SE_RadioButtonContents);
}

void WrapCheckBox::paintEvent(QPaintEvent *) {
  paint_wrapped(this, QStyle::CE_CheckBox, QStyle::SE_CheckBoxContents);
}

void exec_copy_drag(QWidget *source, QMimeData *data) {
  auto *drag = new QDrag(source);
  drag->setMimeData(data);
  drag->exec(Qt::CopyAction, Qt::CopyAction);
}

std::function<void(QWidget *, QMimeData *)> ResultBox::start_drag = exec_copy_drag;
std::function<void(QWidget *, QMimeData *)> DiagramBox::start_drag = exec_copy_drag;

ResultBox::ResultBox(QWidget *parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setAcceptDrops(false);
  setUndoRedoEnabled(false);
}

void ResultBox::showText(const QString &text) {
  // Lines as the document splits them: at CR LF, LF or CR.
  static const QRegularExpression breaks(QStringLiteral("\r\n|\n|\r"));
  const QStringList lines = text.split(breaks);
  QTextDocument *doc = document();
  if (lines.size() != doc->blockCount() || doc->isEmpty()) {
    setPlainText(text);
    return;
  }
  QTextCursor edit(doc);
  QTextBlock block = doc->firstBlock();
  for (const QString &line : lines) {
    const QTextBlock next = block.next();
    if (block.text() != line) {
      // One change at a time: each lays out its own line only.
      edit.setPosition(block.position());
      edit.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
      edit.insertText(line);
    }
    block = next;
  }
  setTextCursor(QTextCursor(doc));
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
}

void ResultBox::keyPressEvent(QKeyEvent *e) {
  if (types_a_character(e->text()) || e->matches(QKeySequence::Copy)) {
    e->accept();
    return;
  }
  QPlainTextEdit::keyPressEvent(e);
}

QMenu *ResultBox::contextMenu() {
  QMenu *menu = createStandardContextMenu();
  for (QAction *a : menu->actions())
    a->setShortcut(QKeySequence());
  if (extendMenu)
    extendMenu(menu);
  return menu;
}

void ResultBox::contextMenuEvent(QContextMenuEvent *e) {
  // The menu comes up with the whole report selected, whenever the platform
  // opens it (on press or on release of the button).
  selectAll();
  QMenu *menu = contextMenu();
  menu->setAttribute(Qt::WA_DeleteOnClose);
  openMenu_ = menu;
  menu->popup(e->globalPos());
  e->accept();
}

void ResultBox::mousePressEvent(QMouseEvent *e) {
  const QTextCursor at = cursorForPosition(e->position().toPoint());
  const QTextCursor sel = textCursor();
  pressOnSelection_ = e->button() == Qt::LeftButton && sel.hasSelection() &&
                      at.position() >= sel.selectionStart() && at.position() <= sel.selectionEnd();
  dragged_ = false;
  pressPos_ = e->position().toPoint();
  if (pressOnSelection_) {
    e->accept(); // keep the selection: it may be dragged out
    return;
  }
  QPlainTextEdit::mousePressEvent(e);
}

void ResultBox::mouseMoveEvent(QMouseEvent *e) {
  if (pressOnSelection_ && !dragged_ && (e->buttons() & Qt::LeftButton) &&
      (e->position().toPoint() - pressPos_).manhattanLength() >=
          QGuiApplication::styleHints()->startDragDistance()) {
    dragged_ = true;
    start_drag(this, createMimeDataFromSelection());
    return;
  }
  if (pressOnSelection_)
    return;
  QPlainTextEdit::mouseMoveEvent(e);
}

void ResultBox::mouseReleaseEvent(QMouseEvent *e) {
  if (!pressOnSelection_)
    QPlainTextEdit::mouseReleaseEvent(e);
  pressOnSelection_ = false;
  // Whatever the button: the whole report is selected, and offered to a
  // middle click in another program as on every X11 desktop.
  selectAll();
  QClipboard *clipboard = QGuiApplication::clipboard();
  if (clipboard->supportsSelection() && !toPlainText().isEmpty())
    clipboard->setText(toPlainText(), QClipboard::Selection);
}

DiagramBox::DiagramBox(std::function<QImage(double)> draw, QWidget *parent)
    : QLabel(parent), draw_(std::move(draw)), image_(draw_(1)) {
  setPixmap(QPixmap::fromImage(image_));
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setAcceptDrops(false);
}

QMimeData *DiagramBox::dragData() const {
  auto *data = new QMimeData;
  data->setImageData(image_);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image_.save(&buffer, "PNG");
  data->setData(QStringLiteral("image/png"), png);
  return data;
}

void DiagramBox::paintEvent(QPaintEvent *e) {
  // Drawn again for the screen the window is on (150 %, 200 %).
  const double ratio = devicePixelRatioF();
  if (pixmap().devicePixelRatio() != ratio) {
    QImage sharp = ratio == 1 ? image_ : draw_(ratio);
    sharp.setDevicePixelRatio(ratio);
    setPixmap(QPixmap::fromImage(sharp));
  }
  QLabel::paintEvent(e);
}

void DiagramBox::mousePressEvent(QMouseEvent *e) {
  e->accept();
  start_drag(this, dragData());
}

void SeparatorLine::paintEvent(QPaintEvent *) {
  QPainter p(this);
  p.fillRect(rect(), QColor(171, 171, 171)); // the application-workspace grey
}

} // namespace zelvaro::ui
