#pragma once

#include <string>
#include <utility>

namespace zelvaro {

enum class MessageIcon { None, Question, Information, Critical };

// A message box the face must show: the core never shows anything itself.
struct Message {
  Message() = default;
  Message(std::string t, std::string x, MessageIcon i = MessageIcon::None, std::string more = {})
      : title(std::move(t)), text(std::move(x)), icon(i), informative(std::move(more)) {}

  std::string title;
  std::string text; // line breaks are CR LF
  MessageIcon icon = MessageIcon::None;
  // Shown under the text, set apart from it (the changes that would pass,
  // under the advice); line breaks are CR LF.
  std::string informative;

  bool operator==(const Message &) const = default;
};

// Where capture sends what it must tell the user (errmsg and friends):
// Calculate gives it one that records into the outcome's refusal.
class MessageSink {
public:
  virtual ~MessageSink() = default;
  virtual void show(const Message &message) = 0;
};

} // namespace zelvaro
