#include "model/TextCodec.h"

#include <iconv.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <mutex>

namespace vantrel {

namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr std::uint16_t kUnencodable = 0xFFFF;  // no CP932 sequence has lead byte 0xFF

// Code page 932 as lookup tables, filled once from iconv's "CP932" (glibc's
// "SHIFT_JIS" turns 0x5C into a yen sign and lacks the NEC rows, both of
// which real Japanese drawings use). The reader decodes every kept text
// through them, from worker threads too, hence call_once and no iconv
// handle shared between calls.
struct Cp932Tables {
  char16_t single[256];     // 0 = not a character on its own (lead byte or unmapped)
  char16_t pair[65536];     // indexed lead << 8 | trail; 0 = unmapped
  std::uint16_t encode[65536];  // UTF-16 unit -> byte (< 0x100) or lead << 8 | trail
};

Cp932Tables cp932Tables;
std::once_flag cp932Once;

bool IsLeadByte(unsigned b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrailByte(unsigned b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

// One conversion through an open iconv handle; true when the whole input
// became exactly the expected number of output bytes.
bool ConvertOnce(iconv_t cd, const char* in, std::size_t inLen, char* out, std::size_t outCap,
                 std::size_t& outLen) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* inPtr = const_cast<char*>(in);
  char* outPtr = out;
  std::size_t inLeft = inLen, outLeft = outCap;
  std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  if (r == static_cast<std::size_t>(-1) || inLeft != 0) return false;
  outLen = outCap - outLeft;
  return true;
}

void BuildCp932Tables() {
  Cp932Tables& t = cp932Tables;
  std::memset(t.single, 0, sizeof t.single);
  std::memset(t.pair, 0, sizeof t.pair);
  for (auto& e : t.encode) e = kUnencodable;
  for (unsigned b = 0; b < 0x80; ++b) {
    t.single[b] = static_cast<char16_t>(b);
    t.encode[b] = static_cast<std::uint16_t>(b);
  }

  iconv_t toUtf16 = iconv_open("UTF-16LE", "CP932");
  if (toUtf16 == reinterpret_cast<iconv_t>(-1)) return;  // ASCII only: the rest decodes to U+FFFD
  char out[8];
  std::size_t outLen = 0;
  auto decodeOne = [&](const char* in, std::size_t len) -> char16_t {
    if (!ConvertOnce(toUtf16, in, len, out, sizeof out, outLen) || outLen != 2) return 0;
    return static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                 (static_cast<unsigned char>(out[1]) << 8));
  };
  for (unsigned b = 0x80; b < 0x100; ++b) {
    if (IsLeadByte(b)) continue;
    char in = static_cast<char>(b);
    t.single[b] = decodeOne(&in, 1);
  }
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(lead)) continue;
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      if (!IsTrailByte(trail)) continue;
      char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      t.pair[lead << 8 | trail] = decodeOne(in, 2);
    }
  }
  iconv_close(toUtf16);

  // Several byte pairs decode to the same character (NEC and IBM duplicates);
  // asking iconv for the encoding picks the one Windows writes.
  iconv_t fromUtf16 = iconv_open("CP932", "UTF-16LE");
  if (fromUtf16 == reinterpret_cast<iconv_t>(-1)) return;
  auto encodeOne = [&](char16_t c) {
    if (c == 0 || t.encode[c] != kUnencodable) return;
    char in[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    if (!ConvertOnce(fromUtf16, in, 2, out, sizeof out, outLen)) return;
    if (outLen == 1)
      t.encode[c] = static_cast<unsigned char>(out[0]);
    else if (outLen == 2)
      t.encode[c] = static_cast<std::uint16_t>(static_cast<unsigned char>(out[0]) << 8 |
                                               static_cast<unsigned char>(out[1]));
  };
  for (unsigned b = 0x80; b < 0x100; ++b) encodeOne(t.single[b]);
  for (unsigned i = 0x8100; i < 0x10000; ++i) encodeOne(t.pair[i]);
  iconv_close(fromUtf16);
}

const Cp932Tables& Cp932() {
  std::call_once(cp932Once, BuildCp932Tables);
  return cp932Tables;
}

bool IsAscii(std::string_view bytes) {
  const char* p = bytes.data();
  std::size_t n = bytes.size();
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, p + i, 8);
    if (w & 0x8080808080808080ull) return false;
  }
  for (; i < n; ++i)
    if (static_cast<unsigned char>(p[i]) & 0x80) return false;
  return true;
}

std::u16string WidenAscii(std::string_view bytes) {
  std::u16string out(bytes.size(), u'\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) out[i] = static_cast<unsigned char>(bytes[i]);
  return out;
}

std::u16string DecodeCp932(std::string_view bytes) {
  const Cp932Tables& t = Cp932();
  std::u16string out;
  out.reserve(bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n;) {
    unsigned b = p[i];
    if (b < 0x80) {
      out.push_back(static_cast<char16_t>(b));
      ++i;
    } else if (IsLeadByte(b)) {
      // A lead byte whose follower cannot be a trail byte stands alone, so a
      // broken character never swallows the line end or the next ASCII byte.
      if (i + 1 < n && IsTrailByte(p[i + 1])) {
        char16_t c = t.pair[b << 8 | p[i + 1]];
        out.push_back(c ? c : kReplacement);
        i += 2;
      } else {
        out.push_back(kReplacement);
        ++i;
      }
    } else {
      char16_t c = t.single[b];
      out.push_back(c ? c : kReplacement);
      ++i;
    }
  }
  return out;
}

void AppendCodePoint(std::u16string& out, char32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(cp));
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

std::u16string Utf8ToU16(std::string_view utf8) {
  if (IsAscii(utf8)) return WidenAscii(utf8);
  std::u16string out;
  out.reserve(utf8.size());
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  std::size_t n = utf8.size();
  for (std::size_t i = 0; i < n;) {
    unsigned b = p[i];
    if (b < 0x80) {
      out.push_back(static_cast<char16_t>(b));
      ++i;
      continue;
    }
    // Well-formed sequences only (no overlongs, surrogates or values beyond
    // U+10FFFF); an ill-formed one gives one U+FFFD per maximal subpart.
    int len;
    char32_t cp;
    unsigned lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      len = 2;
      cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      len = 3;
      cp = b & 0x0F;
      if (b == 0xE0) lo = 0xA0;
      if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      len = 4;
      cp = b & 0x07;
      if (b == 0xF0) lo = 0x90;
      if (b == 0xF4) hi = 0x8F;
    } else {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    bool ok = true;
    for (int k = 1; k < len; ++k, ++j) {
      if (j >= n) {
        ok = false;
        break;
      }
      unsigned c = p[j];
      unsigned min = k == 1 ? lo : 0x80, max = k == 1 ? hi : 0xBF;
      if (c < min || c > max) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (c & 0x3F);
    }
    if (ok)
      AppendCodePoint(out, cp);
    else
      out.push_back(kReplacement);
    i = j;
  }
  return out;
}

std::u16string DecimalText(long long n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

std::string U16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = kReplacement;  // a lone surrogate has no UTF-8 form
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::u16string DecodeText(std::string_view bytes, TextEncoding encoding) {
  if (IsAscii(bytes)) return WidenAscii(bytes);
  return encoding == TextEncoding::Utf8 ? Utf8ToU16(bytes) : DecodeCp932(bytes);
}

std::string EncodeText(std::u16string_view text, TextEncoding encoding) {
  if (encoding == TextEncoding::Utf8) return U16ToUtf8(text);
  const Cp932Tables& t = Cp932();
  std::string out;
  out.reserve(text.size() * 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000)
      ++i;  // one character outside the code page: one '?'
    std::uint16_t e = t.encode[c];
    if (e == kUnencodable) {
      out.push_back('?');
    } else if (e < 0x100) {
      out.push_back(static_cast<char>(e));
    } else {
      out.push_back(static_cast<char>(e >> 8));
      out.push_back(static_cast<char>(e & 0xFF));
    }
  }
  return out;
}

int Cp932ByteCount(std::u16string_view text) {
  const Cp932Tables& t = Cp932();
  int count = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c < 0x80) {
      ++count;
      continue;
    }
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000)
      ++i;
    std::uint16_t e = t.encode[c];
    count += (e == kUnencodable || e < 0x100) ? 1 : 2;
  }
  return count;
}

TextEncoding EncodingForVersion(std::u16string_view version) {
  return version < std::u16string_view(u"AC1021") ? TextEncoding::Ansi : TextEncoding::Utf8;
}

}  // namespace vantrel
