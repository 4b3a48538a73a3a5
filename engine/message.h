#pragma once

#include <string>

namespace zelvaro {

enum class MessageIcon { None, Question, Information, Critical };

// A message box the face must show: the core never shows anything itself.
struct Message {
  std::string title;
  std::string text; // line breaks are CR LF
  MessageIcon icon = MessageIcon::None;

  bool operator==(const Message &) const = default;
};

// Where capture sends what it must tell the user (errmsg and friends).
class MessageSink {
public:
  virtual ~MessageSink() = default;
  virtual void show(const Message &message) = 0;
};

} // namespace zelvaro
