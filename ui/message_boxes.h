#pragma once

#include "engine/message.h"

#include <QString>

#include <functional>
#include <memory>

class QMessageBox;

class QWidget;

namespace zelvaro::ui {

// Every message box of the window goes through one replaceable function, so
// that tests can record the boxes instead of blocking on them.
using MessageBoxFn = std::function<void(QWidget *parent, const Message &)>;

// Shows a modal box with the message's title, text, icon and an OK button.
void show_modal_message(QWidget *parent, const Message &m);

// The box show_modal_message shows, not yet shown. It is as wide as its
// longest line needs, up to the screen.
std::unique_ptr<QMessageBox> make_message_box(QWidget *parent, const Message &m);

// Asks whether to save over `path`, a read-only file; true to replace it.
bool ask_replace_read_only(QWidget *parent, const QString &path);

// Whether saving to `path` may go ahead: a file made read-only is replaced
// only when `ask` says so.
bool may_replace(QWidget *parent, const QString &path,
                 const std::function<bool(QWidget *, const QString &)> &ask);

// Text as a message box shows it: CR LF and a lone CR each break the line.
QString display_text(const std::string &text);

} // namespace zelvaro::ui
