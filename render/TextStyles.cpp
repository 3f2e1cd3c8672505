#include "render/TextStyles.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <string_view>
#include <tuple>

#include "model/TextCodec.h"
#include "render/Canvas.h"

namespace vantrel {

namespace {

// The extended-data bits of a TrueType style.
constexpr Integer kItalicFlag = 0x1000000;
constexpr Integer kBoldFlag = 0x2000000;

std::u16string Lower(std::u16string_view s) {
  std::u16string r(s);
  for (char16_t& c : r)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return r;
}

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && Lower(a) == Lower(b);
}

std::u16string FromUtf8(const char* s) { return Utf8ToU16(s ? s : ""); }

std::string ToUtf8(const std::u16string& s) { return U16ToUtf8(s); }

// A font file's name without folders and extension, lower case, and its
// extension.
void SplitFontFile(const std::u16string& file, std::u16string& base, std::u16string& ext) {
  std::u16string name = file;
  const std::size_t slash = name.find_last_of(u"/\\");
  if (slash != std::u16string::npos) name.erase(0, slash + 1);
  // A vertical-writing big font is named with a leading @.
  if (!name.empty() && name[0] == u'@') name.erase(0, 1);
  const std::size_t dot = name.rfind(u'.');
  base = Lower(name.substr(0, dot));
  ext = dot == std::u16string::npos ? u"" : Lower(name.substr(dot + 1));
}

struct KnownFile {
  std::u16string_view base;
  std::u16string_view family;
  bool bold;
  bool italic;
};

// The Windows TrueType files drawings name most, by the file names Windows
// gives the styles of one family.
constexpr KnownFile kKnownFiles[] = {
    {u"arial", u"Arial", false, false},           {u"arialbd", u"Arial", true, false},
    {u"ariali", u"Arial", false, true},           {u"arialbi", u"Arial", true, true},
    {u"arialn", u"Arial Narrow", false, false},   {u"times", u"Times New Roman", false, false},
    {u"timesbd", u"Times New Roman", true, false}, {u"timesi", u"Times New Roman", false, true},
    {u"timesbi", u"Times New Roman", true, true}, {u"cour", u"Courier New", false, false},
    {u"courbd", u"Courier New", true, false},     {u"couri", u"Courier New", false, true},
    {u"courbi", u"Courier New", true, true},      {u"verdana", u"Verdana", false, false},
    {u"verdanab", u"Verdana", true, false},       {u"verdanai", u"Verdana", false, true},
    {u"verdanaz", u"Verdana", true, true},        {u"tahoma", u"Tahoma", false, false},
    {u"tahomabd", u"Tahoma", true, false},        {u"calibri", u"Calibri", false, false},
    {u"calibrib", u"Calibri", true, false},       {u"calibrii", u"Calibri", false, true},
    {u"calibriz", u"Calibri", true, true},        {u"msgothic", u"MS Gothic", false, false},
    {u"msmincho", u"MS Mincho", false, false},    {u"meiryo", u"Meiryo", false, false},
    {u"meiryob", u"Meiryo", true, false},
};

// Families of Japanese Windows fonts, which fontconfig on Debian does not
// alias to a Japanese face.
bool IsJapaneseFamily(std::u16string_view family) {
  for (char16_t c : family)
    if (c >= 0x3000) return true;  // ＭＳ ゴシック and the like
  const std::u16string f = Lower(family);
  for (std::u16string_view start : {u"ms gothic", u"ms pgothic", u"ms ui gothic", u"ms mincho",
                                    u"ms pmincho", u"meiryo", u"yu gothic", u"yu mincho"})
    if (f.rfind(start, 0) == 0) return true;
  return false;
}

// fontconfig's choice for a family, weight and slant, and whether it is that
// family. Queries are cached: every list image of a folder asks again.
struct Match {
  std::u16string family;
  bool exact = false;
};

Match MatchFamily(const std::u16string& family, bool bold, bool italic) {
  static std::mutex lock;
  static std::map<std::tuple<std::u16string, bool, bool>, Match> cache;
  const std::lock_guard<std::mutex> guard(lock);
  const auto key = std::make_tuple(family, bold, italic);
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  Match m;
  if (FcInit()) {
    FcPattern* pattern = FcPatternCreate();
    const std::string name = ToUtf8(family);
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* found = FcFontMatch(nullptr, pattern, &result)) {
      FcChar8* value = nullptr;
      for (int i = 0; FcPatternGetString(found, FC_FAMILY, i, &value) == FcResultMatch; ++i) {
        const std::u16string f = FromUtf8(reinterpret_cast<const char*>(value));
        if (i == 0) m.family = f;
        if (EqualNoCase(f, family)) {
          m.family = f;
          m.exact = true;
          break;
        }
      }
      FcPatternDestroy(found);
    }
    FcPatternDestroy(pattern);
  }
  // Without fontconfig's answer the canvas's own face still draws the text.
  if (m.family.empty()) m.family = kDefaultFontFace;
  cache.emplace(key, m);
  return m;
}

}  // namespace

StyleFace FaceForFont(const std::u16string& code3, const std::u16string& code4,
                      const std::u16string& family, Integer flags) {
  std::u16string base, ext;
  SplitFontFile(code3, base, ext);
  const bool trueType = ext == u"ttf" || ext == u"ttc" || ext == u"otf";
  StyleFace out;
  std::u16string wanted = family;
  bool bold = (flags & kBoldFlag) != 0, italic = (flags & kItalicFlag) != 0;
  if (wanted.empty() && trueType) {
    const auto known = std::find_if(std::begin(kKnownFiles), std::end(kKnownFiles),
                                    [&](const KnownFile& k) { return k.base == base; });
    if (known != std::end(kKnownFiles)) {
      wanted = known->family;
      bold = known->bold;
      italic = known->italic;
    } else {
      wanted = base;
    }
  }
  if (wanted.empty()) {
    // An SHX font, or none: its double-byte characters come from the big
    // font, which in the drawings we serve is a Japanese one.
    std::u16string bigBase, bigExt;
    SplitFontFile(code4, bigBase, bigExt);
    out.face = bigBase.empty() ? MatchFamily(u"sans-serif", false, false).family : kDefaultFontFace;
    out.substituted = true;
    return out;
  }
  out.bold = bold;
  out.italic = italic;
  if (IsJapaneseFamily(wanted)) {
    out.face = kDefaultFontFace;
    out.substituted = true;
    return out;
  }
  const Match m = MatchFamily(wanted, bold, italic);
  out.face = m.family;
  out.substituted = !m.exact;
  return out;
}

void AssignTextFaces(Drawing& d) {
  for (TStyleTbl& s : d.StyleAry) {
    const StyleFace f = FaceForFont(s.code3, s.code4, s.family, s.code1071);
    s.face = f.face;
    s.bold = f.bold;
    s.italic = f.italic;
    s.substituted = f.substituted;
  }
  // Texts name a handful of styles over and over: the last answer is
  // usually the next one's too.
  std::map<std::u16string, SmallInt> index;
  for (std::size_t i = 0; i < d.StyleAry.size() && i < 0x7FFF; ++i)
    index.emplace(Lower(d.StyleAry[i].name), static_cast<SmallInt>(i));
  const auto standard = index.find(u"standard");
  const SmallInt fallback = standard == index.end() ? SmallInt(-1) : standard->second;
  auto assign = [&](std::vector<TTextBlk>& table) {
    const std::u16string* lastName = nullptr;
    SmallInt last = fallback;
    for (TTextBlk& t : table) {
      const std::u16string& name = t.style;
      if (!lastName || *lastName != name) {
        const auto it = index.find(Lower(name));
        last = it == index.end() ? fallback : it->second;
        lastName = &name;
      }
      t.styleindex = last;
    }
  };
  assign(d.EntTextAry);
  assign(d.BlkTextAry);
}

StyleFace FaceOfText(const Drawing& d, SmallInt styleindex) {
  if (styleindex >= 0 && static_cast<std::size_t>(styleindex) < d.StyleAry.size()) {
    const TStyleTbl& s = d.StyleAry[static_cast<std::size_t>(styleindex)];
    if (!s.face.empty()) return StyleFace{s.face, s.bold, s.italic, s.substituted};
  }
  // No style, or the face pass has not run: the stand-in of an SHX font.
  return FaceForFont(u"", u"", u"", 0);
}

}  // namespace vantrel
