// The few things core code needs from a user interface: modal messages,
// a progress bar, and letting pending window events run. Windows implement
// them with widgets; tests and the command-line tool with plain recorders.
#pragma once

#include <string>

namespace vantrel {

enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { Ok, YesNo };
enum class MsgResult { Ok, Yes, No };

class Reporter {
 public:
  virtual ~Reporter() = default;
  virtual MsgResult Message(const std::u16string& text, const std::u16string& caption,
                            MsgIcon icon = MsgIcon::None, MsgButtons buttons = MsgButtons::Ok) = 0;
};

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual int Position() const = 0;
  virtual void SetPosition(int position) = 0;
  virtual int Max() const = 0;
  virtual void SetMax(int max) = 0;
};

class EventPump {
 public:
  virtual ~EventPump() = default;
  // Lets pending window messages run; may throw SilentAbort when the user
  // asked to abandon the running command.
  virtual void ProcessMessages() = 0;
};

// A progress bar that only keeps its numbers.
class ProgressCounter : public ProgressSink {
 public:
  int Position() const override { return position_; }
  void SetPosition(int position) override { position_ = position; }
  int Max() const override { return max_; }
  void SetMax(int max) override { max_ = max; }

 private:
  int position_ = 0;
  int max_ = 100;
};

// Answers every message with OK (or No for questions) and forgets it.
class SilentReporter : public Reporter {
 public:
  MsgResult Message(const std::u16string&, const std::u16string&, MsgIcon,
                    MsgButtons buttons) override {
    return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
  }
};

class NoEventPump : public EventPump {
 public:
  void ProcessMessages() override {}
};

}  // namespace vantrel
