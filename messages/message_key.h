#pragma once

namespace updater {

// A key of the message catalogue. The catalogue's keys are the constants of namespace msg
// (messages/message_keys.h, which the build makes from the catalogue): a key it lacks does not
// compile.
class MessageKey {
 public:
  explicit constexpr MessageKey(const char* name) : name_(name) {}
  constexpr const char* name() const { return name_; }

 private:
  const char* name_;
};

}  // namespace updater
