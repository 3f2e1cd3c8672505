#include "model/TextCodes.h"

#include <string_view>

namespace vantrel {

namespace {

constexpr std::u16string_view kEscape = u"\\U+";

void ReplaceAll(std::u16string& s, std::u16string_view from, std::u16string_view to) {
  std::size_t pos = s.find(from);
  if (pos == std::u16string::npos) return;
  std::u16string out;
  out.reserve(s.size());
  std::size_t start = 0;
  while (pos != std::u16string::npos) {
    out.append(s, start, pos - start);
    out.append(to);
    start = pos + from.size();
    pos = s.find(from, start);
  }
  out.append(s, start, std::u16string::npos);
  s.swap(out);
}

bool IsBlank(char16_t c) { return c <= 32; }

std::u16string_view Trimmed(std::u16string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// The character a piece "\U+xxxx" (fewer digits at the end of the text)
// stands for: the low 16 bits of its hexadecimal number, NUL when the
// digits are not a hexadecimal number.
char16_t EscapeCharacter(std::u16string_view piece) {
  std::u16string_view digits = piece.substr(kEscape.size());
  if (digits.empty()) return 0;
  unsigned code = 0;
  for (char16_t c : digits) {
    int d = HexDigit(c);
    if (d < 0) return 0;
    code = code << 4 | static_cast<unsigned>(d);
  }
  return static_cast<char16_t>(code & 0xFFFF);
}

std::u16string_view PieceAt(std::u16string_view t, std::size_t pos) {
  return t.substr(pos, kEscape.size() + 4);
}

// The replace-all-of-the-first-piece loop costs a whole pass over the text
// per distinct escape. When no two escapes of the rest of the text overlap
// and no replacement is one of the characters an escape is made of, no pass
// can create or break another escape, and one left-to-right pass gives the
// same text.
bool EscapesAreIndependent(std::u16string_view t, std::size_t first) {
  std::size_t prevEnd = 0;
  for (std::size_t pos = first; pos != std::u16string_view::npos;
       pos = t.find(kEscape, pos + 1)) {
    if (pos < prevEnd) return false;
    std::u16string_view piece = PieceAt(t, pos);
    char16_t c = EscapeCharacter(piece);
    if (c == u'\\' || c == u'U' || c == u'+') return false;
    prevEnd = pos + piece.size();
  }
  return true;
}

void DecodeIndependentEscapes(std::u16string& t, std::size_t first) {
  std::u16string out;
  out.reserve(t.size());
  out.append(t, 0, first);
  std::size_t start = first;
  for (std::size_t pos = first; pos != std::u16string::npos; pos = t.find(kEscape, start)) {
    out.append(t, start, pos - start);
    std::u16string_view piece = PieceAt(t, pos);
    out.push_back(EscapeCharacter(piece));
    start = pos + piece.size();
  }
  out.append(t, start, std::u16string::npos);
  t.swap(out);
}

// Decodes like the plain loop "take the first \U+ piece, replace every
// occurrence of it, start again", which is what stored texts were written
// against (a decoded backslash may start a new escape).
bool DecodeEscapesInText(std::u16string& t) {
  std::size_t pos = t.find(kEscape);
  if (pos == std::u16string::npos) return false;
  while (pos != std::u16string::npos) {
    if (EscapesAreIndependent(t, pos)) {
      DecodeIndependentEscapes(t, pos);
      break;
    }
    std::u16string piece(PieceAt(t, pos));
    char16_t replacement = EscapeCharacter(piece);
    ReplaceAll(t, piece, std::u16string_view(&replacement, 1));
    // Only the replaced characters can form new escapes, so nothing before
    // two characters ahead of the replaced one needs a second look.
    pos = t.find(kEscape, pos >= 2 ? pos - 2 : 0);
  }
  return true;
}

bool OpensParameterCode(char16_t c) {
  switch (c) {
    case u'A': case u'C': case u'F': case u'H': case u'Q': case u'T': case u'W':
    case u'a': case u'c': case u'f': case u'h': case u'q': case u't': case u'w':
      return true;
    default:
      return false;
  }
}

// A quoted line: the text up to the closing quote (a doubled quote stands
// for one), or everything left when the quote is never closed. pos moves
// past the closing quote.
std::u16string ExtractQuoted(std::u16string_view s, std::size_t& pos) {
  std::u16string out;
  ++pos;  // the opening quote
  while (pos < s.size()) {
    char16_t c = s[pos];
    if (c == u'"') {
      if (pos + 1 < s.size() && s[pos + 1] == u'"') {
        out.push_back(u'"');
        pos += 2;
        continue;
      }
      ++pos;
      return out;
    }
    out.push_back(c);
    ++pos;
  }
  return out;
}

}  // namespace

void DecodeUnicodeEscapes(std::vector<TTextBlk>& table) {
  for (TTextBlk& record : table) {
    if (record.str.find(kEscape) == std::u16string::npos) continue;
    std::u16string t = record.str;
    if (DecodeEscapesInText(t)) record.str.swap(t);
  }
}

std::u16string StripMTextCodes(const std::u16string& s) {
  std::u16string r;
  r.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    if (i > 0 && (c == u'{' || c == u'}') && s[i - 1] != u'\\') continue;
    r.push_back(c);
  }

  ReplaceAll(r, u"\\{", u"{");
  ReplaceAll(r, u"\\}", u"}");
  for (std::u16string_view code : {u"\\O", u"\\o", u"\\L", u"\\l", u"\\~", u"\\S", u"\\s", u"^ ", u"^I"})
    ReplaceAll(r, code, u"");

  std::u16string u;
  u.reserve(r.size());
  bool skip = false;
  for (std::size_t i = 0; i < r.size(); ++i) {
    char16_t c = r[i];
    if (!skip && c == u'\\' && i + 1 < r.size() && OpensParameterCode(r[i + 1])) skip = true;
    if (!skip)
      u.push_back(c);
    else if (c == u';')
      skip = false;
  }

  ReplaceAll(u, u"\\\\", u"\\");
  ReplaceAll(u, u"{", u"");
  return u;
}

int SplitMTextLines(const std::u16string& text, std::vector<std::u16string>& lines) {
  lines.clear();
  std::u16string s = text;
  ReplaceAll(s, u"^J", u"\r");
  ReplaceAll(s, u"\\P", u"\r");
  ReplaceAll(s, u"\\p", u"\r");
  std::size_t nul = s.find(u'\0');
  if (nul != std::u16string::npos) s.resize(nul);

  std::u16string_view v = s;
  std::size_t pos = 0;
  while (pos < v.size()) {
    if (v[pos] == u'"') {
      lines.push_back(ExtractQuoted(v, pos));
    } else {
      std::size_t end = v.find(u'\r', pos);
      if (end == std::u16string_view::npos) end = v.size();
      lines.emplace_back(v.substr(pos, end - pos));
      pos = end;
    }
    if (pos < v.size() && v[pos] == u'\r') {
      if (pos + 1 == v.size()) lines.emplace_back();
      ++pos;
    }
  }

  if (!lines.empty() && Trimmed(lines.back()).empty()) lines.pop_back();
  std::erase_if(lines, [](const std::u16string& line) { return Trimmed(line) == u"}"; });
  return static_cast<int>(lines.size());
}

}  // namespace vantrel
