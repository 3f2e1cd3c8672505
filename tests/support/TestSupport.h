// Shared helpers of the tests: temporary folders, files, the corpus, and a
// reporter that records what would have been shown.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "model/Feedback.h"

namespace vantrel::test {

// The real-world files beside the project; empty when the folder is absent.
std::filesystem::path CorpusDir();
std::filesystem::path SourceDir();

// A fresh folder under the system's temporary folder, removed on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& file, const std::string& bytes);
std::string ReadFileBytes(const std::filesystem::path& file);

// UTF-8 <-> UTF-16 for assertions (test sources are UTF-8).
std::u16string U16(const std::string& utf8);
std::string U8(const std::u16string& text);

struct RecordedMessage {
  std::u16string text;
  std::u16string caption;
  MsgIcon icon;
  MsgButtons buttons;
};

class RecordingReporter : public Reporter {
 public:
  MsgResult Message(const std::u16string& text, const std::u16string& caption, MsgIcon icon,
                    MsgButtons buttons) override;
  std::vector<RecordedMessage> messages;
  MsgResult answer = MsgResult::Yes;  // given to Yes/No questions
};

}  // namespace vantrel::test
