// The text DXF reader: one forward pass over group pairs with a handful of
// mode flags, no parse tree. What it stores is what the file says; the
// geometry passes interpret it later.
#include "model/DxfReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/Feedback.h"
#include "model/FileNames.h"
#include "model/FileProbes.h"
#include "model/HatchGroups.h"
#include "model/TableStorage.h"
#include "model/TextCodec.h"
#include "model/TextCodes.h"

namespace vantrel {

namespace {

constexpr char16_t kCaption[] = u"Quolmark";

// A failure of the file layer; `busy` separates input/output errors of an
// opened file from files that cannot be opened or are not files at all.
struct FileFailure {
  bool busy;
};

// A value that does not convert to the number its group needs.
struct BadValue {};

// A failing line goes into a message box, the status text and the command
// line tool's output; a runaway line of megabytes must not go along whole.
constexpr std::size_t kShownCharacters = 80;
// Enough bytes for kShownCharacters in UTF-8 (four bytes at most each) or
// code page 932, and one more to tell that the line goes on.
constexpr std::size_t kShownBytes = 4 * kShownCharacters + 1;

// The first kShownCharacters characters of a line (a surrogate pair is one)
// and "…" when it has more.
std::u16string ShownLine(std::string_view bytes, TextEncoding encoding) {
  std::u16string text = DecodeText(bytes.substr(0, kShownBytes - 1), encoding);
  std::size_t end = 0;
  for (std::size_t shown = 0; end < text.size() && shown < kShownCharacters; ++shown) {
    const bool pair = text[end] >= 0xD800 && text[end] <= 0xDBFF && end + 1 < text.size() &&
                      text[end + 1] >= 0xDC00 && text[end + 1] <= 0xDFFF;
    end += pair ? 2 : 1;
  }
  if (end == text.size() && bytes.size() < kShownBytes) return text;
  text.resize(end);
  return text + u"…";
}

// Lines of a file, read in large chunks. PERF: lines are handed out as views
// into the chunk, so the pair loop copies and decodes nothing it does not
// keep; a line never outlives the next call. Lines end at CR, LF or CR LF.
class LineSource {
 public:
  // Small files get a buffer of their own size: list images read
  // thousands of them.
  LineSource(int fd, std::size_t fileSize)
      : fd_(fd), buf_(std::clamp<std::size_t>(fileSize + 1, 64, kChunk)) {}

  // Bytes of the file handed out as lines so far.
  std::size_t Consumed() const { return bufferStart_ + beg_; }

  void SkipPrefix(std::string_view prefix) {
    Fill(prefix.size());
    if (end_ - beg_ >= prefix.size() && std::memcmp(buf_.data() + beg_, prefix.data(), prefix.size()) == 0)
      beg_ += prefix.size();
  }

  bool Next(std::string_view& line) {
    for (;;) {
      const char* base = buf_.data();
      const char* first = base + beg_;
      const char* last = base + end_;
      const char* lf = static_cast<const char*>(std::memchr(first, '\n', last - first));
      const char* stop = lf ? lf : last;
      const char* cr = static_cast<const char*>(std::memchr(first, '\r', stop - first));
      const char* eol = cr ? cr : lf;
      if (eol) {
        // A CR as the last byte read may be the first half of CR LF.
        if (eol == cr && cr + 1 == last && !eof_) {
          Refill();
          continue;
        }
        line = std::string_view(first, eol - first);
        std::size_t next = (eol - base) + 1;
        if (eol == cr && cr + 1 < last && cr[1] == '\n') ++next;
        beg_ = next;
        return true;
      }
      if (eof_) {
        if (beg_ == end_) return false;
        line = std::string_view(first, last - first);
        beg_ = end_;
        return true;
      }
      Refill();
    }
  }

 private:
  static constexpr std::size_t kChunk = 1 << 20;

  void Fill(std::size_t want) {
    while (!eof_ && end_ - beg_ < want) Refill();
  }

  // Keeps the unfinished line at the front and reads behind it; a line
  // longer than the buffer doubles it, so memory stays bounded by the file.
  void Refill() {
    if (beg_ > 0) {
      std::memmove(buf_.data(), buf_.data() + beg_, end_ - beg_);
      end_ -= beg_;
      bufferStart_ += beg_;
      beg_ = 0;
    }
    if (end_ == buf_.size()) buf_.resize(buf_.size() * 2);
    for (;;) {
      ssize_t got = ::read(fd_, buf_.data() + end_, buf_.size() - end_);
      if (got > 0) {
        end_ += static_cast<std::size_t>(got);
        return;
      }
      if (got == 0) {
        eof_ = true;
        return;
      }
      if (errno == EINTR) continue;
      throw FileFailure{errno != EISDIR};
    }
  }

  int fd_;
  std::vector<char> buf_;
  std::size_t bufferStart_ = 0;  // file offset of buf_[0]
  std::size_t beg_ = 0;
  std::size_t end_ = 0;
  bool eof_ = false;
};

class FileHandle {
 public:
  explicit FileHandle(int fd) : fd_(fd) {}
  ~FileHandle() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

std::string_view Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return s.substr(b, e - b);
}

int GroupCode(std::string_view s) {
  int value = 0;
  const char* first = s.data();
  const char* last = first + s.size();
  if (first != last && *first == '+') ++first;
  auto [ptr, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || ptr != last || first == last) return -999;
  return value;
}

Integer ToInteger(std::string_view s) {
  const char* first = s.data();
  const char* last = first + s.size();
  if (first != last && *first == '+') ++first;
  Integer value = 0;
  auto [ptr, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || ptr != last || first == last) throw BadValue{};
  return value;
}

// 16-bit fields keep the low 16 bits of the value, as a signed number.
SmallInt ToSmall(std::string_view s) {
  return static_cast<SmallInt>(static_cast<std::uint16_t>(static_cast<std::uint32_t>(ToInteger(s))));
}

// DXF writes reals with "." whatever the user's locale, so the locale is
// never consulted. Infinities and NaNs are refused: no writer produces them
// and the passes cannot place them.
double ToReal(std::string_view s) {
  const char* first = s.data();
  const char* last = first + s.size();
  if (first != last && *first == '+') ++first;
  double value = 0;
  auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
  if (ec != std::errc() || ptr != last || first == last || !std::isfinite(value)) throw BadValue{};
  return value;
}

std::u16string UpperAscii(std::u16string s) {
  for (char16_t& c : s)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  return s;
}

// Groups x0..x6 / y0..y6 / z0..z6 and the extrusion groups 210/220/230.
void SetAxis(TAcadPoint& p, int axis, double value) {
  if (axis == 0)
    p.x = value;
  else if (axis == 1)
    p.y = value;
  else
    p.z = value;
}

enum class Kind : std::uint8_t {
  Line,
  Circle,
  Arc,
  Lwp,
  Poly,
  Text,
  Insert,
  Face,
  Ellipse,
  Solid,
  Leader,
  Spline,
  Dimension,
  Point,
  XLine,
  MLine,
  Mesh,
  MLeader,
  AcadTable,
  ArcDimension,
  Hatch,
  Count
};

enum class TextFlavor : std::uint8_t { Text, Attrib, MText, Attdef };

struct KindName {
  std::string_view name;
  Kind kind;
  bool inBlocks;  // also started inside block definitions
  TextFlavor flavor;
};

constexpr KindName kKindNames[] = {
    {"LINE", Kind::Line, true, TextFlavor::Text},
    {"CIRCLE", Kind::Circle, true, TextFlavor::Text},
    {"ARC", Kind::Arc, true, TextFlavor::Text},
    {"LWPOLYLINE", Kind::Lwp, true, TextFlavor::Text},
    {"POLYLINE", Kind::Poly, true, TextFlavor::Text},
    {"TEXT", Kind::Text, true, TextFlavor::Text},
    {"ATTRIB", Kind::Text, true, TextFlavor::Attrib},
    {"MTEXT", Kind::Text, true, TextFlavor::MText},
    {"INSERT", Kind::Insert, true, TextFlavor::Text},
    {"3DFACE", Kind::Face, true, TextFlavor::Text},
    {"ELLIPSE", Kind::Ellipse, true, TextFlavor::Text},
    {"SOLID", Kind::Solid, true, TextFlavor::Text},
    // A TRACE is stored as a SOLID is, corners and all.
    {"TRACE", Kind::Solid, true, TextFlavor::Text},
    {"LEADER", Kind::Leader, true, TextFlavor::Text},
    {"SPLINE", Kind::Spline, true, TextFlavor::Text},
    {"DIMENSION", Kind::Dimension, true, TextFlavor::Text},
    {"POINT", Kind::Point, true, TextFlavor::Text},
    // Endless lines belong to the model's view; a block has no window to
    // clip them to.
    {"XLINE", Kind::XLine, false, TextFlavor::Text},
    {"RAY", Kind::XLine, false, TextFlavor::Text},
    {"MLINE", Kind::MLine, true, TextFlavor::Text},
    {"MESH", Kind::Mesh, true, TextFlavor::Text},
    {"MULTILEADER", Kind::MLeader, true, TextFlavor::Text},
    {"MLEADER", Kind::MLeader, true, TextFlavor::Text},
    {"ACAD_TABLE", Kind::AcadTable, false, TextFlavor::Text},
    {"ARC_DIMENSION", Kind::ArcDimension, false, TextFlavor::Text},
    // Attribute definitions inside blocks are the inserts' business; one
    // standing in the model shows its tag.
    {"ATTDEF", Kind::Text, false, TextFlavor::Attdef},
    {"HATCH", Kind::Hatch, true, TextFlavor::Text},
};

const KindName* FindKind(std::string_view v) {
  for (const KindName& k : kKindNames)
    if (k.name == v) return &k;
  return nullptr;
}

// Where an open record lives: its table (block definition or ENTITIES),
// its index, and for inserts of a block definition the block.
struct OpenRecord {
  bool open = false;
  bool blk = false;
  std::size_t index = 0;
  std::size_t block = 0;
};

// A text dropped for want of a string gives its slot back; the next text
// of that table reuses the slot and with it the layer and height it had.
struct SpareTextSlot {
  bool held = false;
  SharedName layer;
  double code40 = 0;
};

// Names by their bytes in the file. A drawing uses a few dozen layer,
// linetype and block names over and over; each is decoded once, and every
// record that carries it shares the one handle. A file of countless
// distinct names stops filling the cache, so it costs no more than the
// names themselves.
class NameCache {
 public:
  template <class Decode>
  const SharedName& Get(std::string_view bytes, Decode&& decode) {
    if (last_ != nullptr && bytes == lastBytes_) return *last_;
    auto it = names_.find(bytes);
    if (it == names_.end()) {
      if (names_.size() >= kMostNames) {
        spare_ = SharedName(decode(bytes));
        last_ = nullptr;
        return spare_;
      }
      it = names_.emplace(std::string(bytes), SharedName(decode(bytes))).first;
    }
    lastBytes_ = it->first;
    last_ = &it->second;
    return *last_;
  }

 private:
  static constexpr std::size_t kMostNames = 1 << 16;

  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>()(s); }
  };
  std::unordered_map<std::string, SharedName, Hash, std::equal_to<>> names_;
  std::string_view lastBytes_;  // the key of *last_
  const SharedName* last_ = nullptr;
  SharedName spare_;
};

class Reader {
 public:
  Reader(Drawing& d, TextEncoding encoding) : d_(d), encoding_(encoding) {}

  void Pair(int c, std::string_view v);
  const std::u16string& version() const { return version_; }

  // The file's size, and how much of it the pairs read so far took; the
  // tables' room is projected from them.
  void SetFileSize(std::size_t bytes) { fileSize_ = bytes; }
  void AtByte(std::size_t consumed) { consumed_ = consumed; }

 private:
  std::u16string Text(std::string_view v) const { return DecodeText(v, encoding_); }

  // Layer and block names as they stand in the file; linetype names upper
  // case.
  const SharedName& Name(std::string_view v) {
    return names_.Get(v, [this](std::string_view bytes) { return Text(bytes); });
  }
  const SharedName& UpperName(std::string_view v) {
    return upperNames_.Get(v, [this](std::string_view bytes) { return UpperAscii(Text(bytes)); });
  }

  template <class T>
  T& Append(std::vector<T>& table) {
    if (table.size() == table.capacity()) Grow(table);
    return table.emplace_back();
  }

  // A full table grows to the records still to come at the rate it has
  // filled since its first record (the kinds of a drawing are spread over
  // their section fairly evenly), with a tenth to spare, and by at least
  // the thousand records the format's tables have always grown by. What is
  // projected but never read costs address space only.
  template <class T>
  void Grow(std::vector<T>& table) {
    const std::size_t n = table.size();
    std::size_t start = consumed_;
    auto known = std::find_if(tableStarts_.begin(), tableStarts_.end(),
                              [&](const auto& e) { return e.first == &table; });
    if (known == tableStarts_.end())
      tableStarts_.emplace_back(&table, consumed_);
    else
      start = known->second;
    const double filled = consumed_ > start ? static_cast<double>(consumed_ - start) : 1.0;
    const double ahead = fileSize_ > consumed_ ? static_cast<double>(fileSize_ - consumed_) : 0.0;
    // Held to a record in eight bytes still to come, more than any drawing
    // has; where even less room cannot be had, the table grows by the step.
    const double projected = std::min(static_cast<double>(n) * ahead / filled * 1.1, ahead / 8);
    try {
      ReserveTable(table, n + std::max<std::size_t>(kLeastGrowth, static_cast<std::size_t>(projected)));
    } catch (const std::bad_alloc&) {
      ReserveTable(table, n + kLeastGrowth);
    }
  }

  template <class R>
  void ResolveColor(R& r, bool blk) {
    if (r.color == 256) r.color = ColorOfLayer(r.layer);
    if (blk && (r.layer == u"0" || r.color == 0)) r.color = ColorOfLayer(r.layer);
  }

  // LayerColor, with the layer of the previous record remembered by its
  // handle: records come in runs on one layer, and hashing the name of
  // every record was a good part of the pair loop. The layer found stays
  // the first of its name (layers are only appended), and a renamed one no
  // longer matches.
  SmallInt ColorOfLayer(const SharedName& layer) {
    if (!layer.SameHandle(lastLayer_) || lastLayerIndex_ >= d_.LayerAry.size() ||
        d_.LayerAry[lastLayerIndex_].Name != layer.str()) {
      const SmallInt color = LayerColor(d_, layer);
      const Integer index = LayerIndex(d_, layer);
      if (index < 0) return color;
      lastLayer_ = layer;
      lastLayerIndex_ = static_cast<std::size_t>(index);
    }
    return d_.LayerAry[lastLayerIndex_].color;
  }

  template <class R>
  static R& At(std::vector<R>& blkTable, std::vector<R>& entTable, const OpenRecord& o) {
    return (o.blk ? blkTable : entTable)[o.index];
  }

  void HeaderPair(int c, std::string_view v);
  void LayerPair(int c, std::string_view v);
  void LtypePair(int c, std::string_view v);
  void ViewPair(int c, std::string_view v);
  void StylePair(int c, std::string_view v);
  void BlockHeaderPair(int c, std::string_view v);
  void EntityPair(int c, std::string_view v);
  bool OpenHandlerTakes(int c, std::string_view v);
  void StartRecord(const KindName& k);

  // The groups several kinds share. Which of 62 and 210/220/230 a kind takes
  // is its own: LINE takes no extrusion, LEADER and SPLINE no colour; 8, 6
  // (where the record has a linetype), 60 and 67 all take.
  enum SharedGroups : unsigned { kColour = 1, kExtrusion = 2 };
  template <class R>
  bool SharedGroup(R& r, int c, std::string_view v, unsigned takes) {
    switch (c) {
      case 8:
        r.layer = Name(v);
        return true;
      case 6:
        if constexpr (requires { r.ltype; }) {
          r.ltype = UpperName(v);
          return true;
        }
        return false;
      case 60:
        r.code60 = ToSmall(v);
        return true;
      case 48:
        if constexpr (requires { r.code48; }) {
          r.code48 = static_cast<float>(ToReal(v));
          return true;
        }
        return false;
      case 62:
        if (!(takes & kColour)) return false;
        r.color = ToSmall(v);
        return true;
      case 67:
        r.code67 = ToSmall(v);
        return true;
      case 210:
      case 220:
      case 230:
        if constexpr (requires { r.code210; }) {
          if (!(takes & kExtrusion)) return false;
          SetAxis(r.code210, c / 10 - 21, ToReal(v));
          return true;
        }
        return false;
    }
    return false;
  }
  // Closing at a group 0, with the colour resolved.
  template <class R>
  void Close(R& r, OpenRecord& o) {
    ResolveColor(r, o.blk);
    o.open = false;
  }
  bool PolylineHeaderGroup(TLwpBlk& r, int c, std::string_view v);

  void LinePair(int c, std::string_view v);
  void CirclePair(int c, std::string_view v, Kind kind);
  void LwpPair(int c, std::string_view v);
  void PolyPair(int c, std::string_view v);
  void VertexPair(int c, std::string_view v);
  void TextPair(int c, std::string_view v);
  void InsertPair(int c, std::string_view v);
  void FacePair(int c, std::string_view v);
  void EllipsePair(int c, std::string_view v);
  void SolidPair(int c, std::string_view v);
  void LeaderPair(int c, std::string_view v);
  void SplinePair(int c, std::string_view v);
  void DimensionPair(int c, std::string_view v, Kind kind);
  void PointPair(int c, std::string_view v);
  void XLinePair(int c, std::string_view v);
  void MLinePair(int c, std::string_view v);
  void MeshPair(int c, std::string_view v);
  void MLeaderPair(int c, std::string_view v);
  void AcadTablePair(int c, std::string_view v);
  void ObjectPair(int c, std::string_view v);
  void HatchPair(int c, std::string_view v);

  Drawing& d_;
  TextEncoding encoding_;

  bool inHeader_ = false;
  bool inBlocks_ = false;
  bool inEntities_ = false;
  bool inBlockHeader_ = false;
  bool inBlockBody_ = false;

  bool tableHeader_ = false;
  bool layerTable_ = false;
  bool inLayerRecord_ = false;
  bool viewTable_ = false;
  bool inViewRecord_ = false;
  bool styleTable_ = false;
  bool inStyleRecord_ = false;
  bool inStyleAcadData_ = false;
  bool ltypeTable_ = false;
  bool inLtypeRecord_ = false;
  std::size_t layerIndex_ = 0;

  bool acadVerSeen_ = false;
  bool codePageSeen_ = false;
  bool ltScaleSeen_ = false;
  std::u16string version_;

  OpenRecord open_[static_cast<int>(Kind::Count)];
  TextFlavor textFlavor_ = TextFlavor::Text;
  // Past a group 101 ("Embedded Object") of an MTEXT or attribute come the
  // groups of its column or embedded MTEXT data, which reuse 10, 70, 71,
  // 1 ... with other meanings; they must not overwrite the text's own.
  bool textEmbedded_ = false;
  bool vertexMode_ = false;
  // The POLYLINE header the vertices belong to; it stays known after the
  // header closes at its first VERTEX.
  OpenRecord polyHeader_;
  bool polyVertexMade_ = false;
  bool polyVertexBlk_ = false;
  bool lwpVertexMade_ = false;
  int leaderVertex_ = -1;
  // The 41 groups of an MLINE element still to come after its 74, of which
  // only the first (the miter offset) is kept.
  int mlineParamsLeft_ = 0;
  bool mlineFirstParam_ = false;
  // Face list entries (93) of a MESH still to come; vertices are read
  // between its 92 and its 93.
  int meshListLeft_ = 0;
  bool meshVertices_ = false;
  // 0 outside the context data of a MULTILEADER, 1 inside it, 2 in one of
  // its LEADER{ groups, 3 in a LEADER_LINE{.
  int mleaderDepth_ = 0;
  // An ACAD_TABLE's own groups end where its table data begin.
  bool tableData_ = false;
  bool inObjects_ = false;
  bool inMLineStyle_ = false;
  HatchGroupState hatch_;

  bool haveBlock_ = false;
  std::size_t currentBlock_ = 0;
  SharedName currentBlockName_;

  SpareTextSlot spareText_[2];  // [0] ENTITIES, [1] block definitions

  NameCache names_;
  NameCache upperNames_;
  const SharedName noName_;
  SharedName lastLayer_;
  std::size_t lastLayerIndex_ = SIZE_MAX;

  static constexpr std::size_t kLeastGrowth = 1000;
  std::size_t fileSize_ = 0;
  std::size_t consumed_ = 0;
  std::vector<std::pair<const void*, std::size_t>> tableStarts_;
};

OpenRecord& Slot(OpenRecord* open, Kind k) { return open[static_cast<int>(k)]; }

void Reader::Pair(int c, std::string_view v) {
  HeaderPair(c, v);
  if (layerTable_) LayerPair(c, v);
  if (viewTable_) ViewPair(c, v);
  if (styleTable_) StylePair(c, v);
  if (ltypeTable_) LtypePair(c, v);
  if (tableHeader_ && c == 2) {
    if (v == "LAYER")
      layerTable_ = true;
    else if (v == "VIEW")
      viewTable_ = true;
    else if (v == "STYLE") {
      styleTable_ = true;
      // A group 2 "STYLE" later on (a block's name) must not open it again.
      tableHeader_ = false;
    } else if (v == "LTYPE") {
      ltypeTable_ = true;
    }
  }
  if (c == 0 && v == "TABLE") tableHeader_ = true;
  if (inBlocks_ && inBlockHeader_) BlockHeaderPair(c, v);
  if (inBlockBody_ || inEntities_) EntityPair(c, v);
  if (c == 0) {
    if (v == "ENDBLK") {
      inBlockBody_ = false;
    } else if (v == "ENDSEC") {
      inViewRecord_ = false;
      inBlockBody_ = false;
      inEntities_ = false;
      inBlocks_ = false;
    }
  }
  if (inBlocks_ && c == 0 && v == "BLOCK") {
    d_.BlockAry.emplace_back();
    haveBlock_ = true;
    currentBlock_ = d_.BlockAry.size() - 1;
    inBlockHeader_ = true;
  }
  if (!inBlocks_ && c == 2 && v == "BLOCKS") {
    inBlocks_ = true;
    inBlockHeader_ = false;
    return;
  }
  if (!inEntities_ && c == 2 && v == "ENTITIES") inEntities_ = true;
  if (c == 2 && v == "OBJECTS") inObjects_ = true;
  if (inObjects_) ObjectPair(c, v);
}

// Of the objects only the multiline styles are kept: an MLINE whose vertices
// lack their parameters is drawn from its style's offsets.
void Reader::ObjectPair(int c, std::string_view v) {
  if (c == 0) {
    inMLineStyle_ = v == "MLINESTYLE";
    if (inMLineStyle_) d_.MLineStyleAry.emplace_back();
    if (v == "ENDSEC") inObjects_ = false;
    return;
  }
  if (!inMLineStyle_) return;
  TMLineStyle& style = d_.MLineStyleAry.back();
  switch (c) {
    case 2: style.name = Name(v); break;
    case 5: style.handle = Text(v); break;
    case 49: style.code49Ary.push_back(ToReal(v)); break;
  }
}

void Reader::HeaderPair(int c, std::string_view v) {
  if (!inHeader_) {
    if (c == 2 && v == "HEADER") inHeader_ = true;
    return;
  }
  if (version_.empty()) {
    if (c == 9 && v == "$ACADVER")
      acadVerSeen_ = true;
    else if (acadVerSeen_ && c == 1)
      version_ = Text(v);
  }
  // Group 9 names a header variable, its value follows; group 9 also
  // stands in linetype records later on, and a group 0 ends the header.
  if (c == 9 || c == 0) {
    ltScaleSeen_ = c == 9 && v == "$LTSCALE";
  } else if (ltScaleSeen_ && c == 40) {
    d_.LtScale = ToReal(v);
    ltScaleSeen_ = false;
  }
  if (d_.DwgCodePage.empty()) {
    if (c == 9 && v == "$DWGCODEPAGE")
      codePageSeen_ = true;
    else if (codePageSeen_ && c == 3)
      d_.DwgCodePage = Text(v);
  }
}

void Reader::LayerPair(int c, std::string_view v) {
  if (inLayerRecord_) {
    TLayer& layer = d_.LayerAry[layerIndex_];
    switch (c) {
      case 2:
        layer.Name = Text(v);
        // The name index may already hold this record under its old name.
        if (d_.layerIndex.indexed > layerIndex_) LayerNamesChanged(d_);
        break;
      case 6:
        layer.ltype = UpperAscii(Text(v));
        break;
      case 70:
        layer.code70 = ToSmall(v);
        if (layer.code70 & 1) layer.visible = false;
        break;
      case 62:
        layer.color = ToSmall(v);
        if (layer.color < 0) layer.visible = false;
        break;
      case 0:
        inLayerRecord_ = false;
        break;
    }
  }
  if (c != 0) return;
  if (v == "ENDTAB") {
    layerTable_ = false;
    inLayerRecord_ = false;
    tableHeader_ = false;
  } else if (v == "LAYER") {
    d_.LayerAry.emplace_back();
    layerIndex_ = d_.LayerAry.size() - 1;
    inLayerRecord_ = true;
  }
}

// The pattern elements are kept as read; group 73 (their count) is not
// trusted to size anything. The groups of a shape or text in an element
// (75, 340, 46, 50, 44, 45, 9) are passed over.
void Reader::LtypePair(int c, std::string_view v) {
  if (inLtypeRecord_ && !d_.LtypeAry.empty()) {
    TLtypeTbl& t = d_.LtypeAry.back();
    switch (c) {
      case 2: t.name = UpperAscii(Text(v)); break;
      case 3: t.code3 = Text(v); break;
      case 70: t.code70 = ToSmall(v); break;
      case 72: t.code72 = ToSmall(v); break;
      case 73: t.code73 = ToSmall(v); break;
      case 40: t.code40 = ToReal(v); break;
      case 49:
        t.code49Ary.push_back(ToReal(v));
        t.code74Ary.push_back(0);
        break;
      case 74:
        if (!t.code74Ary.empty()) t.code74Ary.back() = ToSmall(v);
        break;
    }
  }
  if (c != 0) return;
  inLtypeRecord_ = false;
  if (v == "ENDTAB") {
    ltypeTable_ = false;
    tableHeader_ = false;
  } else if (v == "LTYPE") {
    d_.LtypeAry.emplace_back();
    inLtypeRecord_ = true;
  }
}

void Reader::ViewPair(int c, std::string_view v) {
  if (inViewRecord_ && !d_.ViewAry.empty()) {
    TViewTbl& view = d_.ViewAry.back();
    switch (c) {
      case 2: view.name = Text(v); break;
      case 10: view.center.x = ToReal(v); break;
      case 20: view.center.y = ToReal(v); break;
      case 40: view.height = ToReal(v); break;
      case 41: view.width = ToReal(v); break;
      case 70: view.code70 = ToSmall(v); break;
    }
  }
  if (c != 0) return;
  inViewRecord_ = false;
  if (v == "ENDTAB") {
    viewTable_ = false;
  } else if (v == "VIEW") {
    d_.ViewAry.emplace_back();
    inViewRecord_ = true;
  }
}

void Reader::StylePair(int c, std::string_view v) {
  if (inStyleRecord_ && !d_.StyleAry.empty()) {
    TStyleTbl& style = d_.StyleAry.back();
    if (c == 1001) inStyleAcadData_ = v == "ACAD";
    if (inStyleAcadData_) {
      if (c == 1000 && style.family.empty()) style.family = Text(v);
      if (c == 1071) style.code1071 = ToInteger(v);
    } else {
      switch (c) {
        case 2: style.name = Text(v); break;
        case 3: style.code3 = Text(v); break;
        case 4: style.code4 = Text(v); break;
        case 40: style.code40 = ToReal(v); break;
        case 41: style.code41 = ToReal(v); break;
        case 50: style.code50 = ToReal(v); break;
        case 70: style.code70 = ToSmall(v); break;
      }
    }
  }
  if (c != 0) return;
  inStyleRecord_ = false;
  inStyleAcadData_ = false;
  if (v == "ENDTAB") {
    styleTable_ = false;
  } else if (v == "STYLE") {
    d_.StyleAry.emplace_back();
    inStyleRecord_ = true;
  }
}

void Reader::BlockHeaderPair(int c, std::string_view v) {
  TBlockBlk& b = d_.BlockAry[currentBlock_];
  switch (c) {
    case 0:
      inBlockHeader_ = false;
      inBlockBody_ = true;
      break;
    case 2:
      b.name = Name(v);
      currentBlockName_ = b.name;
      break;
    case 6: b.ltype = UpperName(v); break;
    case 8: b.layer = Name(v); break;
    case 330: b.code330 = Text(v); break;
    case 10: b.base.x = ToReal(v); break;
    case 20: b.base.y = ToReal(v); break;
    case 30: b.base.z = ToReal(v); break;
  }
}

void Reader::EntityPair(int c, std::string_view v) {
  OpenHandlerTakes(c, v);
  if (vertexMode_) VertexPair(c, v);
  if (c != 0) return;
  const KindName* k = FindKind(v);
  if (!k) return;
  if (inBlockBody_ ? k->inBlocks : true) StartRecord(*k);
}

// Only the first open record in the fixed kind order sees the pair.
bool Reader::OpenHandlerTakes(int c, std::string_view v) {
  for (int i = 0; i < static_cast<int>(Kind::Count); ++i) {
    if (!open_[i].open) continue;
    switch (static_cast<Kind>(i)) {
      case Kind::Line: LinePair(c, v); break;
      case Kind::Circle: CirclePair(c, v, Kind::Circle); break;
      case Kind::Arc: CirclePair(c, v, Kind::Arc); break;
      case Kind::Lwp: LwpPair(c, v); break;
      case Kind::Poly: PolyPair(c, v); break;
      case Kind::Text: TextPair(c, v); break;
      case Kind::Insert: InsertPair(c, v); break;
      case Kind::Face: FacePair(c, v); break;
      case Kind::Ellipse: EllipsePair(c, v); break;
      case Kind::Solid: SolidPair(c, v); break;
      case Kind::Leader: LeaderPair(c, v); break;
      case Kind::Spline: SplinePair(c, v); break;
      case Kind::Dimension: DimensionPair(c, v, Kind::Dimension); break;
      case Kind::Point: PointPair(c, v); break;
      case Kind::XLine: XLinePair(c, v); break;
      case Kind::MLine: MLinePair(c, v); break;
      case Kind::Mesh: MeshPair(c, v); break;
      case Kind::MLeader: MLeaderPair(c, v); break;
      case Kind::AcadTable: AcadTablePair(c, v); break;
      case Kind::ArcDimension: DimensionPair(c, v, Kind::ArcDimension); break;
      case Kind::Hatch: HatchPair(c, v); break;
      case Kind::Count: break;
    }
    return true;
  }
  return false;
}

void Reader::StartRecord(const KindName& k) {
  const bool blk = inBlockBody_;
  OpenRecord& o = Slot(open_, k.kind);
  o.open = true;
  o.blk = blk;
  const SharedName& bname = blk ? currentBlockName_ : noName_;
  switch (k.kind) {
    case Kind::Line: {
      auto& t = blk ? d_.BlkLineAry : d_.EntLineAry;
      Append(t).bname = bname;
      o.index = t.size() - 1;
      break;
    }
    case Kind::Circle: {
      auto& t = blk ? d_.BlkCircleAry : d_.EntCircleAry;
      Append(t).bname = bname;
      o.index = t.size() - 1;
      break;
    }
    case Kind::Arc: {
      auto& t = blk ? d_.BlkArcAry : d_.EntArcAry;
      Append(t).bname = bname;
      o.index = t.size() - 1;
      break;
    }
    case Kind::Lwp:
    case Kind::Poly: {
      auto& t = blk ? d_.BlkLwpAry : d_.EntLwpAry;
      TLwpBlk& r = Append(t);
      r.bname = bname;
      o.index = t.size() - 1;
      r.ihand = static_cast<Integer>(o.index);
      if (k.kind == Kind::Lwp) {
        lwpVertexMade_ = false;
      } else {
        polyHeader_ = o;
        polyVertexMade_ = false;
      }
      break;
    }
    case Kind::Text: {
      const bool attdef = k.flavor == TextFlavor::Attdef;
      auto& t = attdef ? d_.AttdefAry : blk ? d_.BlkTextAry : d_.EntTextAry;
      TTextBlk& r = Append(t);
      SpareTextSlot& spare = spareText_[blk ? 1 : 0];
      // Attribute definitions have a table of their own, and no slot of a
      // dropped text to take a layer from.
      if (attdef) r.layer = u"0";
      if (spare.held && !attdef) {
        r.layer = std::move(spare.layer);
        r.code40 = spare.code40;
        spare.held = false;
      }
      r.bname = bname;
      r.mtflag = k.flavor == TextFlavor::MText;
      // An MTEXT without group 41 has no reference width to wrap at.
      if (r.mtflag) r.code41 = 0;
      r.atflag = k.flavor == TextFlavor::Attrib || attdef;
      textFlavor_ = k.flavor;
      textEmbedded_ = false;
      o.index = t.size() - 1;
      break;
    }
    case Kind::Insert: {
      std::vector<TInsertBlk>* t = &d_.EntInsertAry;
      if (blk) {
        if (!haveBlock_) {
          o.open = false;
          return;
        }
        o.block = currentBlock_;
        t = &d_.BlockAry[currentBlock_].InsertAry;
      }
      // A block's own inserts grow one table per block; only the model's
      // table is large enough to plan for.
      TInsertBlk& r = blk ? t->emplace_back() : Append(*t);
      r.dimBlkName = currentBlockName_;
      o.index = t->size() - 1;
      break;
    }
    case Kind::Face: {
      auto& t = blk ? d_.BlkFaceAry : d_.EntFaceAry;
      Append(t).bname = bname;
      o.index = t.size() - 1;
      break;
    }
    case Kind::Ellipse: {
      auto& t = blk ? d_.BlkEllipseAry : d_.EntEllipseAry;
      Append(t).bname = bname;
      o.index = t.size() - 1;
      break;
    }
    case Kind::Solid: {
      auto& t = blk ? d_.BlkSolidAry : d_.EntSolidAry;
      Append(t).bname = bname;
      o.index = t.size() - 1;
      break;
    }
    case Kind::Leader: {
      auto& t = blk ? d_.BlkLeaderAry : d_.LeaderAry;
      Append(t).bname = bname;
      o.index = t.size() - 1;
      leaderVertex_ = -1;
      break;
    }
    case Kind::Spline: {
      auto& t = blk ? d_.BlkSplineAry : d_.SplineAry;
      Append(t).bname = bname;
      o.index = t.size() - 1;
      break;
    }
    case Kind::Dimension: {
      auto& t = blk ? d_.BlkDimensionAry : d_.DimensionAry;
      Append(t).bname = bname;
      o.index = t.size() - 1;
      break;
    }
    case Kind::Point: {
      auto& t = blk ? d_.BlkPointAry : d_.EntPointAry;
      Append(t).bname = bname;
      o.index = t.size() - 1;
      break;
    }
    case Kind::XLine: {
      TXLineBlk& r = Append(d_.XLineAry);
      r.ray = k.name == "RAY";
      o.index = d_.XLineAry.size() - 1;
      break;
    }
    case Kind::MLine: {
      auto& t = blk ? d_.BlkMLineAry : d_.EntMLineAry;
      Append(t).bname = bname;
      o.index = t.size() - 1;
      mlineParamsLeft_ = 0;
      break;
    }
    case Kind::Mesh: {
      auto& t = blk ? d_.BlkMeshAry : d_.EntMeshAry;
      Append(t).bname = bname;
      o.index = t.size() - 1;
      meshListLeft_ = 0;
      meshVertices_ = false;
      break;
    }
    case Kind::MLeader: {
      auto& t = blk ? d_.BlkMLeaderAry : d_.MLeaderAry;
      Append(t).bname = bname;
      o.index = t.size() - 1;
      mleaderDepth_ = 0;
      break;
    }
    case Kind::AcadTable: {
      TInsertBlk& r = Append(d_.AcadTableAry);
      r.dimBlkName = currentBlockName_;
      o.index = d_.AcadTableAry.size() - 1;
      tableData_ = false;
      break;
    }
    case Kind::ArcDimension: {
      Append(d_.ArcDimensionAry).bname = bname;
      o.index = d_.ArcDimensionAry.size() - 1;
      break;
    }
    case Kind::Hatch: {
      auto& t = blk ? d_.BlkHatchAry : d_.EntHatchAry;
      Append(t).bname = bname;
      o.index = t.size() - 1;
      hatch_ = HatchGroupState{};
      break;
    }
    case Kind::Count:
      break;
  }
}

void Reader::LinePair(int c, std::string_view v) {
  OpenRecord& o = Slot(open_, Kind::Line);
  TAcadLineBlk& r = At(d_.BlkLineAry, d_.EntLineAry, o);
  if (c == 0) return Close(r, o);
  if (SharedGroup(r, c, v, kColour)) return;
  switch (c) {
    case 10: case 20: case 30: SetAxis(r.st, c / 10 - 1, ToReal(v)); break;
    case 11: case 21: case 31: SetAxis(r.ed, c / 10 - 1, ToReal(v)); break;
  }
}

void Reader::CirclePair(int c, std::string_view v, Kind kind) {
  OpenRecord& o = Slot(open_, kind);
  // Circles and arcs share every group but the two angles.
  auto apply = [&](auto& r) {
    if (c == 0) return Close(r, o);
    if (SharedGroup(r, c, v, kColour | kExtrusion)) return;
    switch (c) {
      case 10: case 20: case 30: SetAxis(r.center, c / 10 - 1, ToReal(v)); break;
      case 40: r.hankei = ToReal(v); break;
      case 50:
        if constexpr (requires { r.ed; }) r.st = ToReal(v);
        break;
      case 51:
        if constexpr (requires { r.ed; }) r.ed = ToReal(v);
        break;
    }
  };
  if (kind == Kind::Circle)
    apply(At(d_.BlkCircleAry, d_.EntCircleAry, o));
  else
    apply(At(d_.BlkArcAry, d_.EntArcAry, o));
}

// Groups of the LWPOLYLINE and POLYLINE headers alike.
bool Reader::PolylineHeaderGroup(TLwpBlk& r, int c, std::string_view v) {
  if (SharedGroup(r, c, v, kColour | kExtrusion)) return true;
  switch (c) {
    case 38: r.code38 = ToReal(v); return true;
    case 70: r.code70 = ToSmall(v); return true;
    case 71: r.code71 = ToSmall(v); return true;
    case 72: r.code72 = ToSmall(v); return true;
    case 73: r.code73 = ToSmall(v); return true;
    case 74: r.code74 = ToSmall(v); return true;
  }
  return false;
}

void Reader::LwpPair(int c, std::string_view v) {
  OpenRecord& o = Slot(open_, Kind::Lwp);
  TLwpBlk& r = At(d_.BlkLwpAry, d_.EntLwpAry, o);
  if (c == 0) {
    o.open = false;
    return;
  }
  if (PolylineHeaderGroup(r, c, v)) return;
  auto& vertices = o.blk ? d_.BlkLwpVerAry : d_.EntLwpVerAry;
  switch (c) {
    case 10: {
      ResolveColor(r, o.blk);
      double x = ToReal(v);
      TLwpVer& ver = Append(vertices);
      ver.ihand = r.ihand;
      ver.code10 = {x, 0, r.code38};
      ver.code40 = ver.code41 = r.code43;
      lwpVertexMade_ = true;
      break;
    }
    case 20:
      if (lwpVertexMade_) vertices.back().code10.y = ToReal(v);
      break;
    case 42:
      if (lwpVertexMade_) vertices.back().code42 = ToReal(v);
      break;
    case 40:
      if (lwpVertexMade_) vertices.back().code40 = ToReal(v);
      break;
    case 41:
      if (lwpVertexMade_) vertices.back().code41 = ToReal(v);
      break;
    case 43:
      r.code43 = ToReal(v);
      break;
  }
}

void Reader::PolyPair(int c, std::string_view v) {
  OpenRecord& o = Slot(open_, Kind::Poly);
  TLwpBlk& r = At(d_.BlkLwpAry, d_.EntLwpAry, o);
  if (c == 0) {
    ResolveColor(r, o.blk);
    if (v == "VERTEX") {
      o.open = false;
      vertexMode_ = true;
    } else if (v == "SEQEND") {
      o.open = false;
    }
    return;
  }
  if (PolylineHeaderGroup(r, c, v)) return;
  if (c == 40) r.code40 = ToReal(v);
  if (c == 41) r.code41 = ToReal(v);
}

void Reader::VertexPair(int c, std::string_view v) {
  const bool blk = inBlockBody_;
  auto& vertices = blk ? d_.BlkLwpVerAry : d_.EntLwpVerAry;
  // The last vertex made must be this polyline's and in this table; a
  // group before the first group 10 has no point to go to.
  const bool haveVertex = polyVertexMade_ && polyVertexBlk_ == blk && !vertices.empty();
  switch (c) {
    case 10: {
      double x = ToReal(v);
      const auto& headers = polyHeader_.blk ? d_.BlkLwpAry : d_.EntLwpAry;
      TLwpVer& ver = Append(vertices);
      ver.code10 = {x, 0, 0};
      if (polyHeader_.index < headers.size()) {
        const TLwpBlk& header = headers[polyHeader_.index];
        ver.ihand = header.ihand;
        ver.code40 = header.code40;
        ver.code41 = header.code41;
      }
      polyVertexMade_ = true;
      polyVertexBlk_ = blk;
      break;
    }
    case 20:
      if (haveVertex) vertices.back().code10.y = ToReal(v);
      break;
    case 30:
      if (haveVertex) vertices.back().code10.z = ToReal(v);
      break;
    case 42:
      if (haveVertex) vertices.back().code42 = ToReal(v);
      break;
    case 70:
      if (haveVertex) vertices.back().code70 = ToSmall(v);
      break;
    case 71:
      if (haveVertex) vertices.back().code71 = ToSmall(v);
      break;
    case 72:
      if (haveVertex) vertices.back().code72 = ToSmall(v);
      break;
    case 73:
      if (haveVertex) vertices.back().code73 = ToSmall(v);
      break;
    case 74:
      if (haveVertex) vertices.back().code74 = ToSmall(v);
      break;
    case 40:
      if (haveVertex) vertices.back().code40 = ToReal(v);
      break;
    case 41:
      if (haveVertex) vertices.back().code41 = ToReal(v);
      break;
    case 0:
      if (v == "SEQEND") {
        vertexMode_ = false;
        Slot(open_, Kind::Poly).open = false;
      }
      break;
  }
}

void Reader::TextPair(int c, std::string_view v) {
  OpenRecord& o = Slot(open_, Kind::Text);
  const bool attdef = textFlavor_ == TextFlavor::Attdef;
  auto& table = attdef ? d_.AttdefAry : o.blk ? d_.BlkTextAry : d_.EntTextAry;
  TTextBlk& r = table[o.index];
  if (c == 101) textEmbedded_ = true;
  if (textEmbedded_ && c != 0) return;
  if (c == 0) {
    if (!r.str.empty()) return Close(r, o);
    o.open = false;
    if (attdef) {
      table.pop_back();
      return;
    }
    SpareTextSlot& spare = spareText_[o.blk ? 1 : 0];
    spare.held = true;
    spare.layer = std::move(r.layer);
    spare.code40 = r.code40;
    table.pop_back();
    return;
  }
  if (SharedGroup(r, c, v, kColour | kExtrusion)) return;
  // An attribute definition shows its tag (2), not its default (1) or its
  // prompt (3); like an attribute it keeps its field length in 73 and its
  // vertical alignment in 74.
  const bool attribute = textFlavor_ == TextFlavor::Attrib || attdef;
  switch (c) {
    case 1:
    case 3:
      if (!attdef) r.str += Text(v);
      break;
    case 2:
      if (attdef) r.str += Text(v);
      break;
    case 72: r.code72 = ToSmall(v); break;
    case 73:
      if (!attribute) r.code73 = ToSmall(v);
      break;
    case 74:
      if (attribute) r.code73 = ToSmall(v);
      break;
    case 70: r.code70 = ToSmall(v); break;
    case 71: r.code71 = ToSmall(v); break;
    case 10: case 20: case 30: SetAxis(r.pt10, c / 10 - 1, ToReal(v)); break;
    case 11: case 21: case 31: SetAxis(r.pt11, c / 10 - 1, ToReal(v)); break;
    case 40: r.code40 = ToReal(v); break;
    case 41: r.code41 = ToReal(v); break;
    case 44: r.code44 = ToReal(v); break;
    case 50: r.code50 = ToReal(v); break;
    case 51: r.code51 = ToReal(v); break;
    case 7: r.style = Name(v); break;
  }
}

void Reader::InsertPair(int c, std::string_view v) {
  OpenRecord& o = Slot(open_, Kind::Insert);
  TInsertBlk& r = o.blk ? d_.BlockAry[o.block].InsertAry[o.index] : d_.EntInsertAry[o.index];
  if (c == 0) return Close(r, o);
  if (SharedGroup(r, c, v, kColour | kExtrusion)) return;
  switch (c) {
    case 70: r.code70 = ToSmall(v); break;
    case 71: r.code71 = ToSmall(v); break;
    case 44: r.code44 = ToReal(v); break;
    case 45: r.code45 = ToReal(v); break;
    case 2: r.name = Name(v); break;
    case 10: case 20: case 30: SetAxis(r.base, c / 10 - 1, ToReal(v)); break;
    case 41: r.scale.x = ToReal(v); break;
    case 42: r.scale.y = ToReal(v); break;
    case 43: r.scale.z = ToReal(v); break;
    case 50: r.rotate = ToReal(v); break;
    case 66: r.code66 = ToSmall(v); break;
  }
}

void Reader::FacePair(int c, std::string_view v) {
  OpenRecord& o = Slot(open_, Kind::Face);
  TFaceBlk& r = At(d_.BlkFaceAry, d_.EntFaceAry, o);
  if (c == 0) return Close(r, o);
  if (SharedGroup(r, c, v, kColour)) return;
  if (c >= 10 && c <= 33 && c % 10 <= 3) {
    SetAxis(r.pt[c % 10], c / 10 - 1, ToReal(v));
    if (c == 13) r.count = 4;
  } else if (c == 70) {
    r.code70 = ToSmall(v);
  }
}

void Reader::EllipsePair(int c, std::string_view v) {
  OpenRecord& o = Slot(open_, Kind::Ellipse);
  TEllipseBlk& r = At(d_.BlkEllipseAry, d_.EntEllipseAry, o);
  if (c == 0) return Close(r, o);
  if (SharedGroup(r, c, v, kColour | kExtrusion)) return;
  switch (c) {
    case 10: case 20: case 30: SetAxis(r.center, c / 10 - 1, ToReal(v)); break;
    case 11: case 21: case 31: SetAxis(r.endpoint, c / 10 - 1, ToReal(v)); break;
    case 40: r.henpei = ToReal(v); break;
    case 41: r.kaisi = ToReal(v); break;
    case 42: r.owari = ToReal(v); break;
  }
}

void Reader::SolidPair(int c, std::string_view v) {
  OpenRecord& o = Slot(open_, Kind::Solid);
  TSolidBlk& r = At(d_.BlkSolidAry, d_.EntSolidAry, o);
  if (c == 0) return Close(r, o);
  // A filled area shows in its own colour; its corners are in object
  // coordinates.
  if (SharedGroup(r, c, v, kColour | kExtrusion)) return;
  if (c >= 10 && c <= 33 && c % 10 <= 3) {
    TAcadPoint* corners[] = {&r.p1, &r.p2, &r.p3, &r.p4};
    SetAxis(*corners[c % 10], c / 10 - 1, ToReal(v));
    // Any coordinate of the fourth corner gives it.
    if (c % 10 == 3) r.count = 4;
  }
}

void Reader::LeaderPair(int c, std::string_view v) {
  OpenRecord& o = Slot(open_, Kind::Leader);
  TLeaderBlk& r = At(d_.BlkLeaderAry, d_.LeaderAry, o);
  if (SharedGroup(r, c, v, 0)) return;
  if (c == 41) {
    r.code41 = ToReal(v);
    return;
  }
  if (c == 76) {
    r.code76 = ToSmall(v);
    leaderVertex_ = 0;
    return;
  }
  if (c != 0 && leaderVertex_ < r.code76) {
    TAcadPoint* kept[] = {&r.p1, &r.p2, &r.p3};
    TAcadPoint* p = leaderVertex_ >= 0 && leaderVertex_ < 3 ? kept[leaderVertex_] : nullptr;
    if (c == 10 || c == 20 || c == 30) {
      const double value = ToReal(v);
      if (p) SetAxis(*p, c / 10 - 1, value);
      if (c == 30) ++leaderVertex_;
    }
    return;
  }
  Close(r, o);
  leaderVertex_ = -1;
}

void Reader::SplinePair(int c, std::string_view v) {
  OpenRecord& o = Slot(open_, Kind::Spline);
  TSplineBlk& r = At(d_.BlkSplineAry, d_.SplineAry, o);
  if (c == 0) return Close(r, o);
  if (SharedGroup(r, c, v, 0)) return;
  switch (c) {
    case 70: r.code70 = ToSmall(v); break;
    case 71: r.code71 = ToSmall(v); break;
    case 72: r.code72 = ToSmall(v); break;
    case 73: r.code73 = ToSmall(v); break;
    case 74: r.code74 = ToSmall(v); break;
    case 10: r.code10Ary.push_back({ToReal(v), 0, 0}); break;
    case 20:
      if (!r.code10Ary.empty()) r.code10Ary.back().y = ToReal(v);
      break;
    case 30:
      if (!r.code10Ary.empty()) r.code10Ary.back().z = ToReal(v);
      break;
    case 40: r.code40Ary.push_back(ToReal(v)); break;
    case 41: r.code41Ary.push_back(ToReal(v)); break;
    case 11: r.code11Ary.push_back({ToReal(v), 0, 0}); break;
    case 21:
      if (!r.code11Ary.empty()) r.code11Ary.back().y = ToReal(v);
      break;
    case 31:
      if (!r.code11Ary.empty()) r.code11Ary.back().z = ToReal(v);
      break;
    case 12: case 22: case 32: SetAxis(r.code12, c / 10 - 1, ToReal(v)); break;
    case 13: case 23: case 33: SetAxis(r.code13, c / 10 - 1, ToReal(v)); break;
  }
}

void Reader::DimensionPair(int c, std::string_view v, Kind kind) {
  OpenRecord& o = Slot(open_, kind);
  TDimensionBlk& r =
      kind == Kind::ArcDimension ? d_.ArcDimensionAry[o.index] : At(d_.BlkDimensionAry, d_.DimensionAry, o);
  if (c == 0) return Close(r, o);
  if (SharedGroup(r, c, v, kColour | kExtrusion)) return;
  if (c >= 10 && c <= 36 && c % 10 <= 6) {
    TAcadPoint* points[] = {&r.p0, &r.p1, &r.p2, &r.p3, &r.p4, &r.P5, &r.P6};
    SetAxis(*points[c % 10], c / 10 - 1, ToReal(v));
    return;
  }
  switch (c) {
    case 2: r.dimblkName = Name(v); break;
    case 40: r.code40 = ToReal(v); break;
    case 50: r.code50 = ToReal(v); break;
    case 51: r.code51 = ToReal(v); break;
    case 70: r.dimtype = ToSmall(v); break;
  }
}

void Reader::PointPair(int c, std::string_view v) {
  OpenRecord& o = Slot(open_, Kind::Point);
  TPointBlk& r = At(d_.BlkPointAry, d_.EntPointAry, o);
  if (c == 0) return Close(r, o);
  if (SharedGroup(r, c, v, kColour)) return;
  if (c == 10 || c == 20 || c == 30) SetAxis(r.pt10, c / 10 - 1, ToReal(v));
}

void Reader::XLinePair(int c, std::string_view v) {
  OpenRecord& o = Slot(open_, Kind::XLine);
  TXLineBlk& r = d_.XLineAry[o.index];
  if (c == 0) return Close(r, o);
  if (SharedGroup(r, c, v, kColour)) return;
  switch (c) {
    case 10: case 20: case 30: SetAxis(r.code10, c / 10 - 1, ToReal(v)); break;
    case 11: case 21: case 31: SetAxis(r.code11, c / 10 - 1, ToReal(v)); break;
  }
}

void Reader::MLinePair(int c, std::string_view v) {
  OpenRecord& o = Slot(open_, Kind::MLine);
  TMLineBlk& r = At(d_.BlkMLineAry, d_.EntMLineAry, o);
  if (c == 0) return Close(r, o);
  if (SharedGroup(r, c, v, kColour)) return;
  TMLineVer* ver = r.verAry.empty() ? nullptr : &r.verAry.back();
  switch (c) {
    case 2: r.style = Name(v); break;
    case 40: r.code40 = ToReal(v); break;
    case 70: r.code70 = ToSmall(v); break;
    case 71: r.code71 = ToSmall(v); break;
    case 73: r.code73 = ToSmall(v); break;
    case 11:
      r.verAry.emplace_back().code11.x = ToReal(v);
      mlineParamsLeft_ = 0;
      break;
    case 21: case 31:
      if (ver) SetAxis(ver->code11, c / 10 - 1, ToReal(v));
      break;
    case 12: case 22: case 32:
      if (ver) SetAxis(ver->code12, c / 10 - 1, ToReal(v));
      break;
    case 13: case 23: case 33:
      if (ver) SetAxis(ver->code13, c / 10 - 1, ToReal(v));
      break;
    case 74:
      if (ver) {
        ver->code41Ary.push_back(0);
        mlineParamsLeft_ = ToInteger(v);
        mlineFirstParam_ = true;
      }
      break;
    case 41: {
      const double value = ToReal(v);
      if (ver && mlineParamsLeft_ > 0) {
        if (mlineFirstParam_) ver->code41Ary.back() = value;
        mlineFirstParam_ = false;
        --mlineParamsLeft_;
      }
      break;
    }
  }
}

void Reader::MeshPair(int c, std::string_view v) {
  OpenRecord& o = Slot(open_, Kind::Mesh);
  TMeshBlk& r = At(d_.BlkMeshAry, d_.EntMeshAry, o);
  if (c == 0) return Close(r, o);
  if (SharedGroup(r, c, v, kColour)) return;
  switch (c) {
    case 92: meshVertices_ = true; break;
    case 93:
      meshVertices_ = false;
      meshListLeft_ = ToInteger(v);
      break;
    case 94: case 95:
      meshVertices_ = false;
      meshListLeft_ = 0;
      break;
    case 10:
      if (meshVertices_) r.code10Ary.push_back({ToReal(v), 0, 0});
      break;
    case 20: case 30:
      if (meshVertices_ && !r.code10Ary.empty()) SetAxis(r.code10Ary.back(), c / 10 - 1, ToReal(v));
      break;
    case 90:
      if (meshListLeft_ > 0) {
        r.code90Ary.push_back(ToInteger(v));
        --meshListLeft_;
      }
      break;
  }
}

void Reader::MLeaderPair(int c, std::string_view v) {
  OpenRecord& o = Slot(open_, Kind::MLeader);
  TMLeaderBlk& r = At(d_.BlkMLeaderAry, d_.MLeaderAry, o);
  if (c == 0) return Close(r, o);
  // The context data reuse the entity's group codes with other meanings,
  // nested as far as the leader lines.
  switch (mleaderDepth_) {
    case 0:
      if (SharedGroup(r, c, v, kColour)) return;
      switch (c) {
        case 300: mleaderDepth_ = 1; break;
        case 170: r.code170 = ToSmall(v); break;
        case 291: r.code291 = ToSmall(v); break;
        case 292: r.code292 = ToSmall(v); break;
        case 91: r.code91 = ToInteger(v); break;
      }
      return;
    case 1:
      switch (c) {
        case 301: mleaderDepth_ = 0; break;
        case 302:
          r.leaderAry.emplace_back();
          mleaderDepth_ = 2;
          break;
        case 40: r.code40 = ToReal(v); break;
        case 41: r.code41 = ToReal(v); break;
        case 140: r.code140 = ToReal(v); break;
        case 145: r.code145 = ToReal(v); break;
        case 290: r.code290 = ToInteger(v) != 0; break;
        case 296: r.code296 = ToInteger(v) != 0; break;
        case 341: r.code341 = Text(v); break;
        case 15: case 25: case 35: SetAxis(r.code15, c / 10 - 1, ToReal(v)); break;
        case 16: case 26: case 36: SetAxis(r.code16, c / 10 - 1, ToReal(v)); break;
        case 46: r.code46 = ToReal(v); break;
        case 93: r.code93 = ToInteger(v); break;
        case 304: r.str += Text(v); break;
        case 12: case 22: case 32: SetAxis(r.code12, c / 10 - 1, ToReal(v)); break;
        case 13: case 23: case 33: SetAxis(r.code13, c / 10 - 1, ToReal(v)); break;
        case 43: r.code43 = ToReal(v); break;
        case 45: r.code45 = ToReal(v); break;
        case 171: r.code171 = ToSmall(v); break;
        case 90: r.code90 = ToInteger(v); break;
      }
      return;
    case 2: {
      TMLeaderLdr& leader = r.leaderAry.back();
      switch (c) {
        case 303: mleaderDepth_ = 1; break;
        case 304:
          leader.lineAry.push_back(0);
          mleaderDepth_ = 3;
          break;
        case 10: case 20: case 30: SetAxis(leader.code10, c / 10 - 1, ToReal(v)); break;
        case 11: case 21: case 31: SetAxis(leader.code11, c / 10 - 1, ToReal(v)); break;
        case 40: leader.code40 = ToReal(v); break;
        case 271: leader.code271 = ToSmall(v); break;
      }
      return;
    }
    default: {
      TMLeaderLdr& leader = r.leaderAry.back();
      switch (c) {
        case 305: mleaderDepth_ = 2; break;
        case 10:
          leader.code10Ary.push_back({ToReal(v), 0, 0});
          ++leader.lineAry.back();
          break;
        case 20: case 30:
          if (leader.lineAry.back() > 0) SetAxis(leader.code10Ary.back(), c / 10 - 1, ToReal(v));
          break;
      }
      return;
    }
  }
}

void Reader::AcadTablePair(int c, std::string_view v) {
  OpenRecord& o = Slot(open_, Kind::AcadTable);
  TInsertBlk& r = d_.AcadTableAry[o.index];
  if (c == 0) return Close(r, o);
  if (c == 100 && v == "AcDbTable") tableData_ = true;
  if (tableData_) return;
  if (SharedGroup(r, c, v, kColour)) return;
  switch (c) {
    case 2: r.name = Name(v); break;
    case 10: case 20: case 30: SetAxis(r.base, c / 10 - 1, ToReal(v)); break;
  }
}

void Reader::HatchPair(int c, std::string_view v) {
  OpenRecord& o = Slot(open_, Kind::Hatch);
  THatchBlk& r = At(d_.BlkHatchAry, d_.EntHatchAry, o);
  if (c == 0) return Close(r, o);
  // Groups 10 to 99 (the colour, visibility and space aside) are the
  // hatch's own and mean different things in its different parts.
  if (c < 10 || c > 99) {
    if (c == 2) {
      r.pattern = Name(v);
      return;
    }
    SharedGroup(r, c, v, kColour | kExtrusion);
    return;
  }
  if (c == 60 || c == 62 || c == 67) {
    SharedGroup(r, c, v, kColour | kExtrusion);
    return;
  }
  if (c < 60)
    HatchGroup(r, hatch_, c, ToReal(v), 0);
  else
    HatchGroup(r, hatch_, c, 0, ToInteger(v));
}

void FinishRead(Drawing& d) {
  if (d.LayerAry.empty()) {
    d.LayerAry.push_back(NewLayer(std::u16string(u"0")));
  }
  if (!d.BlkTextAry.empty()) DecodeUnicodeEscapes(d.BlkTextAry);
  if (!d.EntTextAry.empty()) DecodeUnicodeEscapes(d.EntTextAry);
  if (!d.AttdefAry.empty()) DecodeUnicodeEscapes(d.AttdefAry);
  LayerNamesChanged(d);
}

}  // namespace

void ReadDxf(Drawing& d, const std::filesystem::path& FileName, ProgressSink& ProgressBar,
             Reporter& OwnerWindow, TextEncoding Encoding, std::u16string& Status,
             std::u16string& Version) {
  Status.clear();
  Version.clear();
  EmptyAllTables(d);
  Reader reader(d, Encoding);

  auto finish = [&] {
    FinishRead(d);
    ProgressBar.SetPosition(0);
    Version = reader.version();
  };

  struct stat st {};
  if (::stat(FileName.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
    finish();
    return;
  }

  std::string codeText;
  std::string valueText;
  long long n = 0;
  try {
    // Only regular files: a device or a pipe could block the read or never
    // end it.
    if (!S_ISREG(st.st_mode)) throw FileFailure{false};
    FileHandle file(::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0) throw FileFailure{false};
    if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) throw FileFailure{false};
    LineSource lines(file.get(), static_cast<std::size_t>(st.st_size));
    reader.SetFileSize(static_cast<std::size_t>(st.st_size));
    if (Encoding == TextEncoding::Utf8) lines.SkipPrefix("\xEF\xBB\xBF");

    ProgressBar.SetPosition(0);
    ProgressBar.SetMax(50);
    const long long estimate = static_cast<long long>(st.st_size) * 65 / 1024;
    const long long step = estimate / 50 + 1;

    std::string_view line;
    try {
      while (lines.Next(line)) {
        codeText.assign(Trim(line));
        std::string_view value = lines.Next(line) ? Trim(line) : std::string_view();
        ++n;
        if (n % step == 0) ProgressBar.SetPosition(ProgressBar.Position() + 1);
        const int c = GroupCode(codeText);
        if (c == -999) continue;
        reader.AtByte(lines.Consumed());
        try {
          reader.Pair(c, value);
        } catch (const BadValue&) {
          valueText.assign(value.substr(0, kShownBytes));
          throw;
        } catch (const std::length_error&) {
          valueText.assign(value.substr(0, kShownBytes));
          throw BadValue{};
        }
      }
    } catch (const BadValue&) {
      const std::u16string code = ShownLine(codeText, Encoding);
      const std::u16string value = ShownLine(valueText, Encoding);
      const std::u16string codeLine = DecimalText(2 * n - 1);
      const std::u16string valueLine = DecimalText(2 * n);
      const std::u16string name = PathText(FileName.filename());
      Status = codeLine + u":" + code + u"/" + valueLine + u":" + value;
      finish();
      OwnerWindow.Message(name + u"\n" + codeLine + u" 行=" + code + u"\n" + valueLine + u" 行=" + value,
                          kCaption);
      return;
    }
  } catch (const FileFailure& failure) {
    finish();
    if (failure.busy) {
      Status = u"busy";
      OwnerWindow.Message(u"DXFファイルは使用中です．", kCaption);
    } else {
      Status = u"error";
      OwnerWindow.Message(u"DXFファイル読み込み失敗．", kCaption);
    }
    return;
  }
  finish();
}

void ReadDxfInFileEncoding(Drawing& d, const std::filesystem::path& FileName,
                           ProgressSink& ProgressBar, Reporter& OwnerWindow,
                           std::u16string& Status, std::u16string& Version) {
  std::u16string fileVersion;
  ReadAcadVer(FileName, fileVersion);
  ReadDxf(d, FileName, ProgressBar, OwnerWindow, EncodingForVersion(fileVersion), Status, Version);
}

}  // namespace vantrel
