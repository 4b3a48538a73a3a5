#include "message_boxes.h"

#include <QMessageBox>

namespace zelvaro::ui {

QString display_text(const std::string &text) {
  QString s = QString::fromStdString(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QChar('\r'), QChar('\n'));
  return s;
}

void show_modal_message(QWidget *parent, const Message &m) {
  QMessageBox box(parent);
  box.setWindowTitle(QString::fromStdString(m.title));
  box.setTextFormat(Qt::PlainText);
  box.setText(display_text(m.text));
  if (!m.informative.empty())
    box.setInformativeText(display_text(m.informative));
  switch (m.icon) {
  case MessageIcon::None:
    box.setIcon(QMessageBox::NoIcon);
    break;
  case MessageIcon::Question:
    box.setIcon(QMessageBox::Question);
    break;
  case MessageIcon::Information:
    box.setIcon(QMessageBox::Information);
    break;
  case MessageIcon::Critical:
    box.setIcon(QMessageBox::Critical);
    break;
  }
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

} // namespace zelvaro::ui
