#include "ui/message_boxes.h"

#include "engine/report_text.h"
#include "files/atomic_file.h"

#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace zelvaro::ui {

namespace {

// A message box as wide as its longest line: Qt would wrap at 500 px, which
// breaks Japanese text in mid-word. The message's own line breaks are the
// only ones, unless a line is wider than the screen.
class MessageBox : public QMessageBox {
public:
  using QMessageBox::QMessageBox;

protected:
  // Qt sizes the box again at every layout request, wrapping at 500 px;
  // once fitted, the box keeps its own size.
  bool event(QEvent *e) override {
    if (e->type() == QEvent::LayoutRequest && fitted_)
      return QDialog::event(e);
    return QMessageBox::event(e);
  }

  void showEvent(QShowEvent *e) override {
    QMessageBox::showEvent(e); // sizes the box, wrapping long lines
    auto *label = findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    if (!label || !layout())
      return;
    label->setWordWrap(false);
    layout()->activate();
    const int unwrapped = layout()->totalMinimumSize().width();
    if (unwrapped <= width())
      return; // nothing was wrapped
    // Up to the screen's width; only a line wider than that still breaks.
    const int widest = screen() ? screen()->availableGeometry().width() : unwrapped;
    label->setWordWrap(unwrapped > widest);
    const int w = std::min(unwrapped, widest);
    fitted_ = true;
    setFixedSize(w, layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(w)
                                                  : layout()->totalMinimumSize().height());
  }

private:
  bool fitted_ = false;
};

} // namespace

QString display_text(const std::string &text) {
  QString s = QString::fromStdString(to_lf(text));
  s.replace(QChar('\r'), QChar('\n'));
  return s;
}

std::unique_ptr<QMessageBox> make_message_box(QWidget *parent, const Message &m) {
  auto box = std::make_unique<MessageBox>(parent);
  box->setWindowTitle(QString::fromStdString(m.title));
  box->setTextFormat(Qt::PlainText);
  box->setText(display_text(m.text));
  if (!m.informative.empty())
    box->setInformativeText(display_text(m.informative));
  switch (m.icon) {
  case MessageIcon::None:
    box->setIcon(QMessageBox::NoIcon);
    break;
  case MessageIcon::Question:
    box->setIcon(QMessageBox::Question);
    break;
  case MessageIcon::Information:
    box->setIcon(QMessageBox::Information);
    break;
  case MessageIcon::Critical:
    box->setIcon(QMessageBox::Critical);
    break;
  }
  box->setStandardButtons(QMessageBox::Ok);
  return box;
}

void show_modal_message(QWidget *parent, const Message &m) {
  make_message_box(parent, m)->exec();
}

bool ask_replace_read_only(QWidget *parent, const QString &path) {
  QMessageBox box(parent);
  box.setWindowTitle(QStringLiteral("読み取り専用のファイル"));
  box.setIcon(QMessageBox::Warning);
  box.setText(QStringLiteral("'%1' は読み取り専用です。置き換えて保存しますか？").arg(path));
  QPushButton *replace = box.addButton(QStringLiteral("置き換える"), QMessageBox::DestructiveRole);
  QPushButton *cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
  box.setDefaultButton(cancel);
  box.setEscapeButton(cancel);
  box.exec();
  return box.clickedButton() == replace;
}

bool may_replace(QWidget *parent, const QString &path,
                 const std::function<bool(QWidget *, const QString &)> &ask) {
  return !is_read_only(QFile::encodeName(path).toStdString()) ||
         (ask ? ask : ask_replace_read_only)(parent, path);
}

} // namespace zelvaro::ui
