#include "model/FileProbes.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#include "model/TextCodec.h"

namespace vantrel {

namespace fs = std::filesystem;

namespace {

bool FileMissing(const fs::path& name) {
  // Only a file that is really not there counts as missing; one that cannot
  // be looked at (no permission) fails when it is opened.
  std::error_code ec;
  return fs::status(name, ec).type() == fs::file_type::not_found;
}

// A folder opens as a stream here and simply reads nothing, where Windows
// refuses to open it; the probes treat it as the open failure it is there.
// A pipe or a device would block the probe or never end, so they fail the
// same way before anything opens them.
bool NotARegularFile(const fs::path& name) {
  std::error_code ec;
  return !fs::is_regular_file(name, ec);
}

bool IsTrimmed(char16_t c) { return c <= 32; }

std::u16string Trim(std::u16string_view s) {
  std::size_t begin = 0, end = s.size();
  while (begin < end && IsTrimmed(s[begin])) ++begin;
  while (end > begin && IsTrimmed(s[end - 1])) --end;
  return std::u16string(s.substr(begin, end - begin));
}

// A group code line: optional sign and decimal digits, nothing else.
bool ParseGroupCode(std::u16string_view s, int& code) {
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
  if (i == s.size()) return false;
  std::int64_t value = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < u'0' || s[i] > u'9') return false;
    value = value * 10 + (s[i] - u'0');
    if (value > INT32_MAX) return false;
  }
  code = static_cast<int>(negative ? -value : value);
  return true;
}

// Reads a text file from its start line by line (CR, LF or CR LF) in blocks,
// so a probe of a huge drawing touches only its head. A binary file may have
// no line end for megabytes; a line longer than any DXF line ends the scan
// instead of growing without bound.
class LineReader {
 public:
  static constexpr std::size_t kBlockBytes = 64 * 1024;
  static constexpr std::size_t kMaxLineBytes = 64 * 1024;

  explicit LineReader(const fs::path& name) : in_(name, std::ios::binary) {
    if (!in_) return;
    Fill();
    if (!in_.bad() && end_ >= 3 && block_[0] == '\xEF' && block_[1] == '\xBB' && block_[2] == '\xBF')
      pos_ = 3;  // a UTF-8 byte-order mark would hide the first group code
    open_ = !in_.bad();
  }

  bool open() const { return open_; }
  bool failed() const { return failed_; }
  bool AtEnd() { return failed_ || (pos_ == end_ && !Fill()); }

  // The next line without its line end; empty at the end of the file, as a
  // text-file read gives. False once a line was too long or a read failed.
  bool ReadLine(std::string& line) {
    line.clear();
    if (failed_) return false;
    for (;;) {
      if (pos_ == end_ && !Fill()) return !failed_;
      const char c = block_[pos_++];
      if (c == '\n') return true;
      if (c == '\r') {
        if (pos_ == end_) Fill();
        if (pos_ < end_ && block_[pos_] == '\n') ++pos_;
        return !failed_;
      }
      if (line.size() == kMaxLineBytes) {
        failed_ = true;
        return false;
      }
      line.push_back(c);
    }
  }

 private:
  bool Fill() {
    if (in_.eof() || in_.bad()) return false;
    in_.read(block_.data(), block_.size());
    if (in_.bad()) {
      failed_ = true;
      return false;
    }
    pos_ = 0;
    end_ = static_cast<std::size_t>(in_.gcount());
    return end_ > 0;
  }

  std::ifstream in_;
  std::array<char, kBlockBytes> block_{};
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool open_ = false;
  bool failed_ = false;
};

bool ReadTrimmedLine(LineReader& reader, std::string& raw, std::u16string& text) {
  if (!reader.ReadLine(raw)) return false;
  text = Trim(DecodeText(raw, TextEncoding::Ansi));
  return true;
}

// The HEADER scan shared by $ACADVER and $DWGCODEPAGE: the value of the
// pair that follows the variable's name, when it has the expected code.
bool ScanHeaderVariable(const fs::path& name, std::u16string_view variable, int valueCode,
                        std::u16string& result) {
  result.clear();
  if (FileMissing(name)) return true;
  if (NotARegularFile(name)) return false;
  LineReader reader(name);
  if (!reader.open()) return false;

  std::string raw;
  std::u16string codeText, valueText;
  bool inHeader = false;
  while (!reader.AtEnd()) {
    if (!ReadTrimmedLine(reader, raw, codeText) || !ReadTrimmedLine(reader, raw, valueText)) break;
    int code = 0;
    if (!ParseGroupCode(codeText, code)) break;
    if (inHeader && valueText == variable) {
      int nextCode = 0;
      if (ReadTrimmedLine(reader, raw, codeText) && ReadTrimmedLine(reader, raw, valueText) &&
          ParseGroupCode(codeText, nextCode) && nextCode == valueCode)
        result = valueText;
      break;
    }
    if (code == 2) {
      if (valueText == u"HEADER") inHeader = true;
      if (valueText == u"ENTITIES" || valueText == u"BLOCKS") break;
    }
  }
  return true;
}

struct VersionLabel {
  std::u16string_view version;
  std::u16string_view dwg;
  std::u16string_view dxf;
};

constexpr VersionLabel kVersionLabels[] = {
    {u"AC1004", u"EX-\u2161", u"EX-?"}, {u"AC1005", u"GX-\u2162", u"GX-?"},
    {u"AC1006", u"GX-5", u"GX-3"},      {u"AC1009", u"R12J", u"GX-5/R12J"},
    {u"AC1012", u"R13J", u"R13J"},      {u"AC1013", u"R14", u"R14"},
    {u"AC1014", u"R14", u"R14"},        {u"AC1015", u"2000", u"2000"},
    {u"AC1018", u"2004", u"2004"},      {u"AC1021", u"2007", u"2007"},
    {u"AC1024", u"2010", u"2010"},      {u"AC1027", u"2013", u"2013"},
    {u"AC1032", u"2018", u"2018"},
};

const VersionLabel* FindLabel(const std::u16string& version) {
  for (const VersionLabel& l : kVersionLabels)
    if (l.version == version) return &l;
  return nullptr;
}

}  // namespace

bool ReadFileSignature(const fs::path& FileName, std::u16string& Signature) {
  Signature.clear();
  if (FileMissing(FileName)) return true;
  if (NotARegularFile(FileName)) return false;
  std::ifstream in(FileName, std::ios::binary);
  if (!in) return false;
  char head[7] = {};
  in.read(head, sizeof head);
  if (in.bad()) return false;
  const auto got = static_cast<std::size_t>(in.gcount());
  if (got < 6) return true;
  std::string_view bytes(head, got);
  bytes = bytes.substr(0, bytes.find('\0'));
  std::u16string text = DecodeText(bytes, TextEncoding::Ansi);
  if (text.size() > 6) text.resize(6);
  Signature = std::move(text);
  return true;
}

bool ReadAcadVer(const fs::path& FileName, std::u16string& Version) {
  return ScanHeaderVariable(FileName, u"$ACADVER", 1, Version);
}

bool ReadDwgCodePage(const fs::path& FileName, std::u16string& CodePage) {
  return ScanHeaderVariable(FileName, u"$DWGCODEPAGE", 3, CodePage);
}

std::u16string DwgVersionLabel(const std::u16string& Version) {
  const VersionLabel* l = FindLabel(Version);
  return l != nullptr ? std::u16string(l->dwg) : Version;
}

std::u16string DxfVersionLabel(const std::u16string& Version) {
  const VersionLabel* l = FindLabel(Version);
  if (l != nullptr) return std::u16string(l->dxf);
  return Version.empty() ? u"----" : Version;
}

bool IsForeignHead(const std::u16string& Signature) {
  return (Signature.size() == 6 && Signature.starts_with(u"AC1")) ||
         Signature.find(u"Auto") != std::u16string::npos;
}

}  // namespace vantrel
