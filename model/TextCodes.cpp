#include "model/TextCodes.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <functional>
#include <string_view>
#include <vector>
#include <cmath>
#include <charconv>
#include <system_error>
#include <string>

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

// When no two escapes overlap and no replacement is one of the characters an
// escape is made of, no replace-all pass can create or break another escape,
// and one left-to-right pass gives the same text. Ordinary texts take this
// road; it needs no memory beyond the result.
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

// Stored texts were written against the plain loop "take the first \U+
// piece, replace every occurrence of it left to right, start again": a
// decoded backslash may open a new escape, and a replace-all may cut into an
// overlapping escape further on before that one is reached. Run literally,
// the loop costs a pass over the whole text per piece, which on a text of
// overlapping escapes means hours.
//
// PERF NOTES: the same loop, with each step paying only for what it changes.
// The text becomes a linked list of its characters; a node keeps its
// original position, so list order stays position order after a piece
// collapses into its first node. Every escape is filed under its piece, so a
// replace-all visits just the escapes filed under one piece. A collapse can
// only change the piece of an escape that starts up to six nodes before it,
// or make a new escape there, so it refiles at most seven nodes; the search
// for the first escape moves forward except for two steps back after each
// collapse. Entries go stale when their node's piece changes and are checked
// when taken, never removed.
//
// Allocating and first touching memory is most of the cost of a long text,
// so the characters stay in the text itself and a node is one number (4
// bytes for the usual texts, beating a node with both links and its
// character): a live node's link points right to the next live node, a
// removed node's link points left to a node with nothing live between, and
// the walk back follows those links with path compression. Entries live in
// one pool, chained per piece, and the pieces in an open-addressing table,
// for the same reason.
template <typename Pos>
class EscapeList {
 public:
  explicit EscapeList(std::u16string& t) : t_(t) {
    const Pos size = static_cast<Pos>(t.size());
    link_.reserve(size);
    for (Pos i = 0; i < size; ++i) link_.push_back(i + 1 == size ? kNone : i + 1);
  }

  void Decode(Pos first) {
    std::size_t escapes = 0;
    for (Pos i = first; i != kNone; i = link_[i]) escapes += IsEscapeAt(i);
    entries_.reserve(escapes + escapes / 2);
    for (Pos i = first; i != kNone; i = link_[i])
      if (IsEscapeAt(i)) File(i);
    Pos cursor = first;
    std::vector<Pos> filed, chosen;
    for (;;) {
      while (cursor != kNone && !IsEscapeAt(cursor)) cursor = link_[cursor];
      if (cursor == kNone) break;
      const Piece piece = PieceFrom(cursor);
      const char16_t replacement = EscapeCharacter(piece.View());
      filed.clear();
      Pos& head = HeadOf(piece);
      for (Pos e = head; e != kNone; e = entries_[e].next) filed.push_back(entries_[e].node);
      head = kNone;
      std::sort(filed.begin(), filed.end());
      filed.erase(std::unique(filed.begin(), filed.end()), filed.end());
      // Left to right without overlap, on the text as it was before this
      // pass; an escape overlapped by a chosen one lies inside it and goes.
      chosen.clear();
      Pos coveredTo = 0;
      for (Pos node : filed) {
        if (!chosen.empty() && node <= coveredTo) continue;
        if (!IsEscapeAt(node) || !(PieceFrom(node) == piece)) continue;
        chosen.push_back(node);
        coveredTo = node;
        for (int k = 1; k < piece.length; ++k) coveredTo = link_[coveredTo];
      }
      for (Pos node : chosen) Collapse(node, piece.length, replacement);
      for (Pos node : chosen) Refile(node);
      cursor = chosen.front();
      for (int k = 0; k < 2 && cursor != 0; ++k) cursor = Previous(cursor);
    }
    // Live nodes only move left, so the text compacts in place.
    std::size_t kept = 0;
    for (Pos i = 0; i != kNone; i = link_[i]) t_[kept++] = t_[i];
    t_.resize(kept);
  }

 private:
  static constexpr Pos kNone = static_cast<Pos>(-1);

  struct Piece {
    char16_t text[7] = {};
    int length = 0;
    std::u16string_view View() const { return {text, static_cast<std::size_t>(length)}; }
    bool operator==(const Piece& o) const { return View() == o.View(); }
  };
  // The index is an open-addressing table: the four characters after "\U+"
  // and the length say all of a piece, and a piece once seen keeps its slot.
  struct Slot {
    std::uint64_t bits = 0;
    int length = 0;  // 0: a free slot
    Pos head = kNone;
  };
  // The escapes filed under one piece, newest first, chained through a pool.
  struct Entry {
    Pos node, next;
  };

  bool Removed(Pos i) const { return link_[i] < i; }

  // The live node before live node i (> 0); node 0 is never removed, since
  // only the characters after an escape's backslash are.
  Pos Previous(Pos i) {
    Pos live = i - 1;
    while (Removed(live)) live = link_[live];
    for (Pos n = i - 1; n != live;) {
      const Pos left = link_[n];
      link_[n] = live;
      n = left;
    }
    return live;
  }

  bool IsEscapeAt(Pos i) const {
    if (Removed(i)) return false;
    Pos n = i;
    for (char16_t c : kEscape) {
      if (n == kNone || t_[n] != c) return false;
      n = link_[n];
    }
    return true;
  }

  Piece PieceFrom(Pos i) const {
    Piece p;
    for (Pos n = i; n != kNone && p.length < 7; n = link_[n]) p.text[p.length++] = t_[n];
    return p;
  }

  // The first entry filed under piece (kNone for none), made when missing.
  Pos& HeadOf(const Piece& piece) {
    if (2 * (used_ + 1) > slots_.size()) Grow();
    std::uint64_t bits = 0;
    for (int i = 3; i < piece.length; ++i) bits = bits << 16 | piece.text[i];
    std::size_t s = Spread(bits, piece.length) & (slots_.size() - 1);
    for (; slots_[s].length != 0; s = (s + 1) & (slots_.size() - 1))
      if (slots_[s].bits == bits && slots_[s].length == piece.length) return slots_[s].head;
    ++used_;
    slots_[s].bits = bits;
    slots_[s].length = piece.length;
    return slots_[s].head;
  }

  // splitmix64's finaliser: the characters sit in the low bits.
  static std::size_t Spread(std::uint64_t bits, int length) {
    std::uint64_t z = bits + 0x9E3779B97F4A7C15ull * static_cast<std::uint64_t>(length);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<std::size_t>(z ^ (z >> 31));
  }

  void Grow() {
    std::vector<Slot> old(std::max<std::size_t>(64, 2 * slots_.size()));
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.length == 0) continue;
      std::size_t s = Spread(slot.bits, slot.length) & (slots_.size() - 1);
      while (slots_[s].length != 0) s = (s + 1) & (slots_.size() - 1);
      slots_[s] = slot;
    }
  }

  void File(Pos i) {
    Pos& head = HeadOf(PieceFrom(i));
    entries_.push_back({i, head});
    head = static_cast<Pos>(entries_.size() - 1);
  }

  void Collapse(Pos node, int length, char16_t replacement) {
    t_[node] = replacement;
    Pos n = link_[node];
    for (int k = 1; k < length; ++k) {
      const Pos after = link_[n];
      link_[n] = node;
      n = after;
    }
    link_[node] = n;
  }

  void Refile(Pos node) {
    for (int k = 0; k <= 6; ++k) {
      if (IsEscapeAt(node)) File(node);
      if (node == 0) break;
      node = Previous(node);
    }
  }

  std::u16string& t_;
  std::vector<Pos> link_;
  std::vector<Slot> slots_;
  std::size_t used_ = 0;
  std::vector<Entry> entries_;
};

// Pos numbers the nodes and the filed entries; there are fewer than four
// entries a character (one per escape, at most seven per collapse, which
// removes at least two characters).
constexpr std::size_t kSmallText = std::numeric_limits<std::uint32_t>::max() / 4;

bool DecodeEscapesInText(std::u16string& t) {
  std::size_t pos = t.find(kEscape);
  if (pos == std::u16string::npos) return false;
  if (EscapesAreIndependent(t, pos))
    DecodeIndependentEscapes(t, pos);
  else if (t.size() < kSmallText)
    EscapeList<std::uint32_t>(t).Decode(static_cast<std::uint32_t>(pos));
  else
    EscapeList<std::size_t>(t).Decode(pos);
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
    DecodeEscapesInText(record.str);
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

namespace vantrel {

namespace {

// A code's argument: the text up to the next semicolon (or the end), pos
// moved past it.
std::u16string CodeArgument(std::u16string_view s, std::size_t& pos) {
  const std::size_t end = s.find(u';', pos);
  std::u16string arg(s.substr(pos, end == std::u16string_view::npos ? std::u16string_view::npos : end - pos));
  pos = end == std::u16string_view::npos ? s.size() : end + 1;
  return arg;
}

// A plain decimal number such as the codes carry; false for anything else.
bool CodeNumber(std::u16string_view s, double& value) {
  std::string ascii;
  for (char16_t c : s) {
    if (c > 127) return false;
    ascii.push_back(static_cast<char>(c));
  }
  if (ascii.empty()) return false;
  // from_chars, unlike strtod, reads a point whatever the user's locale.
  const char* first = ascii.data() + (ascii[0] == '+' ? 1 : 0);
  double v = 0;
  const auto [end, error] = std::from_chars(first, ascii.data() + ascii.size(), v);
  if (error != std::errc() || end != ascii.data() + ascii.size() || !std::isfinite(v)) return false;
  value = v;
  return true;
}

// \H2.5; sets, \H0.7x; scales; a factor then applies to the height in force.
void ApplyFactor(std::u16string_view arg, double& target) {
  const bool relative = !arg.empty() && (arg.back() == u'x' || arg.back() == u'X');
  double v = 0;
  if (!CodeNumber(relative ? arg.substr(0, arg.size() - 1) : arg, v) || !(v > 0)) return;
  target = relative ? target * v : v;
}

}  // namespace

std::vector<std::vector<MTextRun>> ParseMTextRuns(const std::u16string& text, const MTextRun& base) {
  std::vector<std::vector<MTextRun>> paragraphs(1);
  std::vector<MTextRun> stack;
  MTextRun format = base;
  format.text.clear();
  auto add = [&](std::u16string_view piece) {
    if (piece.empty()) return;
    std::vector<MTextRun>& runs = paragraphs.back();
    if (!runs.empty()) {
      MTextRun& last = runs.back();
      const MTextRun& f = format;
      if (f.height == last.height && f.widthFactor == last.widthFactor && f.oblique == last.oblique &&
          f.font == last.font && f.aci == last.aci && f.fontIsFile == last.fontIsFile && f.bold == last.bold &&
          f.italic == last.italic && f.underline == last.underline && f.overline == last.overline) {
        last.text.append(piece);
        return;
      }
    }
    runs.push_back(format);
    runs.back().text.assign(piece);
  };
  const std::u16string_view s = text;
  std::size_t i = 0;
  while (i < s.size()) {
    const char16_t c = s[i];
    if (c == u'{') {
      stack.push_back(format);
      ++i;
      continue;
    }
    if (c == u'}') {
      if (!stack.empty()) {
        format = stack.back();
        stack.pop_back();
      }
      ++i;
      continue;
    }
    if (c == u'^' && i + 1 < s.size()) {
      const char16_t n = s[i + 1];
      i += 2;
      if (n == u'J') paragraphs.emplace_back();
      else if (n == u'I') add(u" ");
      else if (n == u' ') add(u"^");
      else if (n >= u'@' && n <= u'_') {}  // a control character: nothing to show
      else add(s.substr(i - 2, 2));
      continue;
    }
    if (c == u'\0') break;  // a text ends at its first NUL, as the line split has it
    if (c != u'\\' || i + 1 >= s.size()) {
      if (c != u'\r' && c != u'\n') add(s.substr(i, 1));
      ++i;
      continue;
    }
    const char16_t code = s[i + 1];
    i += 2;
    switch (code) {
      case u'P':
      case u'N':
        paragraphs.emplace_back();
        break;
      case u'\\':
      case u'{':
      case u'}':
        add(s.substr(i - 1, 1));
        break;
      case u'~': add(u" "); break;
      case u'L': format.underline = true; break;
      case u'l': format.underline = false; break;
      case u'O': format.overline = true; break;
      case u'o': format.overline = false; break;
      case u'K': case u'k': break;  // strike-through is not drawn
      case u'H': case u'h': ApplyFactor(CodeArgument(s, i), format.height); break;
      case u'W': case u'w': ApplyFactor(CodeArgument(s, i), format.widthFactor); break;
      case u'Q': case u'q': {
        double v = 0;
        if (CodeNumber(CodeArgument(s, i), v)) format.oblique = v;
        break;
      }
      case u'C': {
        double v = 0;
        if (CodeNumber(CodeArgument(s, i), v) && v >= 0 && v <= 256) format.aci = static_cast<SmallInt>(v);
        break;
      }
      case u'S': {
        // A stack's own backslash-escaped characters count as text.
        std::u16string stacked;
        while (i < s.size() && s[i] != u';') {
          if (s[i] == u'\\' && i + 1 < s.size()) ++i;
          stacked.push_back(s[i] == u'^' || s[i] == u'#' ? u'/' : s[i]);
          ++i;
        }
        if (i < s.size()) ++i;
        while (!stacked.empty() && (stacked.back() == u'/' || stacked.back() == u' ')) stacked.pop_back();
        add(stacked);
        break;
      }
      case u'f':
      case u'F': {
        const std::u16string arg = CodeArgument(s, i);
        std::size_t bar = arg.find(u'|');
        format.font = arg.substr(0, bar);
        format.fontIsFile = code == u'F';
        format.bold = format.italic = false;
        while (bar != std::u16string::npos) {
          const std::size_t next = arg.find(u'|', bar + 1);
          const std::u16string_view part = std::u16string_view(arg).substr(bar + 1, next == std::u16string::npos ? std::u16string::npos : next - bar - 1);
          if (part == u"b1") format.bold = true;
          if (part == u"i1") format.italic = true;
          bar = next;
        }
        break;
      }
      case u'A': case u'a': case u'T': case u't': case u'p': case u'c': case u'X':
        CodeArgument(s, i);
        break;
      case u'U':
        // An escape the reader could not decode stays as it is.
        add(s.substr(i - 2, 2));
        break;
      case u'M':
        // \M+nXXXX, a double-byte character of a big font by its code.
        i = std::min(s.size(), i + 6);
        break;
      default:
        break;  // an unknown code: its letter goes with it
    }
  }
  return paragraphs;
}

}  // namespace vantrel
