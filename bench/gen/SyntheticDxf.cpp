#include "bench/gen/SyntheticDxf.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "model/TextCodec.h"

namespace vantrel::bench {

namespace {

// splitmix64: tiny, fast, and the same sequence on every platform (the
// standard distributions are not specified bit for bit).
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // [0, 1)
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  double Range(double lo, double hi) { return lo + (hi - lo) * Unit(); }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
  bool Percent(int p) { return Below(100) < p; }

 private:
  std::uint64_t state_;
};

// Group pairs into a buffer that goes to a file in large pieces, or stays in
// memory. Codes are right-aligned in three columns and lines end in CR LF,
// as the CAD programs of the drawings' origin write them.
class PairWriter {
 public:
  PairWriter(std::FILE* file, int decimals) : file_(file), decimals_(decimals) {
    buf_.reserve(kFlushAt + 4096);
  }

  void Pair(int code, std::string_view value) {
    Code(code);
    buf_.append(value);
    buf_.append("\r\n");
    MaybeFlush();
  }

  void Int(int code, long long value) {
    Code(code);
    char tmp[32];
    auto res = std::to_chars(tmp, tmp + sizeof tmp, value);
    buf_.append(tmp, static_cast<std::size_t>(res.ptr - tmp));
    buf_.append("\r\n");
    MaybeFlush();
  }

  void Real(int code, double value) {
    Code(code);
    char tmp[64];
    auto res = std::to_chars(tmp, tmp + sizeof tmp, value, std::chars_format::fixed, decimals_);
    buf_.append(tmp, static_cast<std::size_t>(res.ptr - tmp));
    buf_.append("\r\n");
    MaybeFlush();
  }

  void Point(int code, double x, double y, double z) {
    Real(code, x);
    Real(code + 10, y);
    Real(code + 20, z);
  }

  void Hex(int code, std::uint64_t value) {
    Code(code);
    char tmp[32];
    auto res = std::to_chars(tmp, tmp + sizeof tmp, value, 16);
    for (char* c = tmp; c != res.ptr; ++c)
      if (*c >= 'a' && *c <= 'f') *c = static_cast<char>(*c - 'a' + 'A');
    buf_.append(tmp, static_cast<std::size_t>(res.ptr - tmp));
    buf_.append("\r\n");
    MaybeFlush();
  }

  // Flushes what is left; the in-memory text when there is no file.
  std::string Finish() {
    if (file_ != nullptr) {
      Flush();
      return {};
    }
    return std::move(buf_);
  }

  std::uint64_t bytes() const { return written_ + buf_.size(); }

 private:
  static constexpr std::size_t kFlushAt = 1 << 20;

  void Code(int code) {
    char tmp[16];
    auto res = std::to_chars(tmp, tmp + sizeof tmp, code);
    const std::size_t len = static_cast<std::size_t>(res.ptr - tmp);
    if (len < 3) buf_.append(3 - len, ' ');
    buf_.append(tmp, static_cast<std::size_t>(res.ptr - tmp));
    buf_.append("\r\n");
  }

  void MaybeFlush() {
    if (file_ != nullptr && buf_.size() >= kFlushAt) Flush();
  }

  void Flush() {
    if (buf_.empty()) return;
    if (std::fwrite(buf_.data(), 1, buf_.size(), file_) != buf_.size())
      throw std::runtime_error("cannot write the synthetic drawing");
    written_ += buf_.size();
    buf_.clear();
  }

  std::FILE* file_;
  int decimals_;
  std::string buf_;
  std::uint64_t written_ = 0;
};

const char* const kLinetypes[] = {"CONTINUOUS", "HIDDEN", "CENTER", "DASHED", "PHANTOM"};

class DrawingWriter {
 public:
  DrawingWriter(PairWriter& out, const SyntheticDxfOptions& o)
      : out_(out), o_(o), random_(o.seed) {
    const TextEncoding encoding = EncodingForVersion(Utf8ToU16(o.acadVer));
    const char* const plain[] = {"A-101", "GRID 3", "ROOM 12", "N.T.S.", "W=1200", "LEVEL +3500"};
    for (const char* s : plain) words_.emplace_back(s);
    if (o.japaneseTexts) {
      const char* const japanese[] = {"平面図", "寸法", "ｷｯﾁﾝ", "①通り芯", "縮尺1/100", "設計図面"};
      for (const char* s : japanese) words_.push_back(EncodeText(Utf8ToU16(s), encoding));
    }
    for (int i = 0; i < std::max(1, o.layers); ++i) {
      std::string name = "L";
      name += std::to_string(i);
      layerNames_.push_back(std::move(name));
    }
  }

  SyntheticDxfStats Write() {
    Header();
    Tables();
    Blocks();
    Entities();
    out_.Pair(0, "EOF");
    stats_.bytes = out_.bytes();
    return stats_;
  }

 private:
  void Header() {
    out_.Pair(0, "SECTION");
    out_.Pair(2, "HEADER");
    out_.Pair(9, "$ACADVER");
    out_.Pair(1, o_.acadVer);
    out_.Pair(9, "$DWGCODEPAGE");
    out_.Pair(3, "ANSI_932");
    out_.Pair(9, "$INSBASE");
    out_.Point(10, 0, 0, 0);
    out_.Pair(0, "ENDSEC");
  }

  void Tables() {
    out_.Pair(0, "SECTION");
    out_.Pair(2, "TABLES");
    out_.Pair(0, "TABLE");
    out_.Pair(2, "LAYER");
    out_.Int(70, static_cast<long long>(layerNames_.size()));
    for (std::size_t i = 0; i < layerNames_.size(); ++i) {
      out_.Pair(0, "LAYER");
      if (o_.writerGroups) {
        out_.Hex(5, handle_++);
        out_.Pair(100, "AcDbSymbolTableRecord");
        out_.Pair(100, "AcDbLayerTableRecord");
      }
      out_.Pair(2, layerNames_[i]);
      out_.Int(70, 0);
      out_.Int(62, static_cast<long long>(1 + i % 7));
      out_.Pair(6, kLinetypes[i % 5]);
    }
    out_.Pair(0, "ENDTAB");
    out_.Pair(0, "ENDSEC");
  }

  void Blocks() {
    out_.Pair(0, "SECTION");
    out_.Pair(2, "BLOCKS");
    const bool nesting = o_.nestedPerBlock > 0 && o_.blocks > 1;
    for (int b = 0; b < o_.blocks; ++b) Block(BlockName(b), b, nesting);
    // The blocks the nested inserts place: the same elements, no inserts.
    if (nesting)
      for (int b = 0; b < o_.blocks; ++b) Block(LeafName(b), b, false);
    out_.Pair(0, "ENDSEC");
  }

  void Block(const std::string& name, int b, bool withNested) {
    const double size = BlockSize();
    out_.Pair(0, "BLOCK");
    if (o_.writerGroups) {
      out_.Hex(5, handle_++);
      out_.Pair(100, "AcDbEntity");
    }
    out_.Pair(8, "0");
    if (o_.writerGroups) out_.Pair(100, "AcDbBlockBegin");
    out_.Pair(2, name);
    out_.Int(70, 0);
    out_.Point(10, 0, 0, 0);
    out_.Pair(3, name);
    out_.Pair(1, "");
    const BlockContent& c = o_.blockContent;
    // Elements on layer "0" and BYBLOCK take the insert's layer; the
    // others keep theirs.
    for (int i = 0; i < c.lines; ++i) Line(size, BlockLayer());
    for (int i = 0; i < c.arcs; ++i) Arc(size, BlockLayer(), false);
    for (int i = 0; i < c.circles; ++i) Circle(size, BlockLayer(), false);
    for (int i = 0; i < c.texts; ++i) Text(size, BlockLayer());
    for (int i = 0; i < c.lwpolylines; ++i) Lwpolyline(size, BlockLayer());
    if (withNested) {
      for (int k = 0; k < o_.nestedPerBlock; ++k) {
        const int target = (b + 1 + k % (o_.blocks - 1)) % o_.blocks;
        Insert(LeafName(target), size, "0");
      }
    }
    stats_.blockElements += c.lines + c.arcs + c.circles + c.texts + c.lwpolylines +
                            (withNested ? o_.nestedPerBlock : 0);
    out_.Pair(0, "ENDBLK");
    if (o_.writerGroups) {
      out_.Hex(5, handle_++);
      out_.Pair(100, "AcDbEntity");
    }
    out_.Pair(8, "0");
    if (o_.writerGroups) out_.Pair(100, "AcDbBlockEnd");
  }

  void Entities() {
    out_.Pair(0, "SECTION");
    out_.Pair(2, "ENTITIES");
    const double e = o_.extent;
    // Kinds interleaved as drawings have them, in proportion to their counts.
    const std::int64_t counts[] = {o_.lines, o_.arcs,     o_.circles, o_.texts,
                                   o_.lwpolylines, o_.ellipses, o_.blocks > 0 ? o_.inserts : 0};
    std::int64_t total = 0;
    for (std::int64_t n : counts) total += n;
    std::int64_t done[7] = {};
    std::int64_t insertIndex = 0;
    for (std::int64_t i = 0; i < total; ++i) {
      // The kind furthest behind its share goes next.
      int kind = 0;
      double worst = 2;
      for (int k = 0; k < 7; ++k) {
        if (done[k] >= counts[k]) continue;
        const double share = static_cast<double>(done[k]) / static_cast<double>(counts[k]);
        if (share < worst) {
          worst = share;
          kind = k;
        }
      }
      ++done[kind];
      const std::string& layer = layerNames_[static_cast<std::size_t>(random_.Below(
          static_cast<int>(layerNames_.size())))];
      switch (kind) {
        case 0: Line(e, layer); break;
        case 1: Arc(e, layer, random_.Percent(o_.extrudedPercent)); break;
        case 2: Circle(e, layer, random_.Percent(o_.extrudedPercent)); break;
        case 3: Text(e, layer); break;
        case 4: Lwpolyline(e, layer); break;
        case 5: Ellipse(e, layer); break;
        default: Insert(BlockName(static_cast<int>(insertIndex++ % o_.blocks)), e, layer); break;
      }
      ++stats_.modelEntities;
    }
    out_.Pair(0, "ENDSEC");
  }

  // Small enough that placed copies stay apart, large enough to be seen.
  double BlockSize() const { return std::max(1.0, o_.extent / 100); }

  static std::string BlockName(int b) {
    std::string name = "B";
    name += std::to_string(b);
    return name;
  }
  static std::string LeafName(int b) {
    std::string name = "L";
    name += std::to_string(b);
    return name;
  }

  std::string BlockLayer() {
    // Mostly layer "0" (takes the insert's layer), some on a named layer.
    return random_.Percent(70) ? std::string("0") : layerNames_[0];
  }

  void Start(const char* kind, const std::string& layer, const char* subclass) {
    out_.Pair(0, kind);
    if (o_.writerGroups) {
      out_.Hex(5, handle_++);
      out_.Pair(100, "AcDbEntity");
    }
    out_.Pair(8, layer);
    // A quarter of the records carry an explicit colour, a few BYBLOCK.
    const int r = random_.Below(100);
    if (r < 20)
      out_.Int(62, 1 + random_.Below(255));
    else if (r < 25)
      out_.Int(62, 0);
    if (o_.writerGroups) out_.Pair(100, subclass);
  }

  void Line(double e, const std::string& layer) {
    Start("LINE", layer, "AcDbLine");
    const double x = random_.Range(0, e), y = random_.Range(0, e);
    out_.Point(10, x, y, 0);
    out_.Point(11, x + random_.Range(-e / 50, e / 50), y + random_.Range(-e / 50, e / 50), 0);
  }

  void Extrusion(bool extruded) {
    if (extruded) out_.Point(210, 0, 0, -1);
  }

  void Circle(double e, const std::string& layer, bool extruded) {
    Start("CIRCLE", layer, "AcDbCircle");
    out_.Point(10, random_.Range(0, e), random_.Range(0, e), 0);
    out_.Real(40, random_.Range(e / 1000, e / 50));
    Extrusion(extruded);
  }

  void Arc(double e, const std::string& layer, bool extruded) {
    Start("ARC", layer, "AcDbCircle");
    out_.Point(10, random_.Range(0, e), random_.Range(0, e), 0);
    out_.Real(40, random_.Range(e / 1000, e / 50));
    Extrusion(extruded);
    if (o_.writerGroups) out_.Pair(100, "AcDbArc");
    out_.Real(50, random_.Range(0, 360));
    out_.Real(51, random_.Range(0, 360));
  }

  void Text(double e, const std::string& layer) {
    const std::string& word = words_[static_cast<std::size_t>(random_.Below(static_cast<int>(words_.size())))];
    const double x = random_.Range(0, e), y = random_.Range(0, e);
    const double h = random_.Range(e / 2000, e / 200);
    if (random_.Percent(o_.mtextPercent)) {
      Start("MTEXT", layer, "AcDbMText");
      out_.Point(10, x, y, 0);
      out_.Real(40, h);
      out_.Real(41, h * 20);
      out_.Int(71, 1 + random_.Below(9));
      out_.Int(72, 1);
      out_.Pair(1, "{\\fMS Gothic|b0|i0;" + word + "}\\P" + word);
      return;
    }
    Start("TEXT", layer, "AcDbText");
    out_.Point(10, x, y, 0);
    out_.Real(40, h);
    out_.Pair(1, word);
    if (random_.Percent(30)) out_.Real(50, random_.Range(0, 360));
    if (random_.Percent(20)) {
      out_.Int(72, 1 + random_.Below(2));
      out_.Point(11, x + h * 3, y, 0);
    }
    if (o_.writerGroups) out_.Pair(100, "AcDbText");
  }

  void Lwpolyline(double e, const std::string& layer) {
    Start("LWPOLYLINE", layer, "AcDbPolyline");
    const int n = std::max(2, o_.lwpVertices);
    out_.Int(90, n);
    out_.Int(70, random_.Percent(50) ? 1 : 0);
    double x = random_.Range(0, e), y = random_.Range(0, e);
    for (int i = 0; i < n; ++i) {
      out_.Real(10, x);
      out_.Real(20, y);
      if (random_.Percent(o_.bulgePercent)) out_.Real(42, random_.Range(-1, 1));
      x += random_.Range(-e / 100, e / 100);
      y += random_.Range(-e / 100, e / 100);
    }
  }

  void Ellipse(double e, const std::string& layer) {
    Start("ELLIPSE", layer, "AcDbEllipse");
    out_.Point(10, random_.Range(0, e), random_.Range(0, e), 0);
    const double a = random_.Range(e / 1000, e / 50), turn = random_.Range(0, 6.283185307179586);
    out_.Point(11, a * std::cos(turn), a * std::sin(turn), 0);
    out_.Real(40, random_.Range(0.2, 1));
    out_.Real(41, 0);
    out_.Real(42, random_.Percent(50) ? 6.283185307179586 : random_.Range(1, 6));
  }

  void Insert(const std::string& name, double e, const std::string& layer) {
    Start("INSERT", layer, "AcDbBlockReference");
    out_.Pair(2, name);
    out_.Point(10, random_.Range(0, e), random_.Range(0, e), 0);
    if (random_.Percent(30)) {
      const double s = random_.Range(0.5, 2);
      out_.Real(41, random_.Percent(10) ? -s : s);
      out_.Real(42, s);
      out_.Real(43, 1);
    }
    if (random_.Percent(40)) out_.Real(50, 90.0 * random_.Below(4) + random_.Range(0, 1));
  }

  PairWriter& out_;
  const SyntheticDxfOptions& o_;
  Random random_;
  std::vector<std::string> words_;
  std::vector<std::string> layerNames_;
  std::uint64_t handle_ = 0x100;
  SyntheticDxfStats stats_;
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

SyntheticDxfStats WriteSyntheticDxf(const std::filesystem::path& path,
                                    const SyntheticDxfOptions& options) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) throw std::runtime_error("cannot create " + path.string());
  PairWriter out(file.get(), options.decimals);
  DrawingWriter writer(out, options);
  SyntheticDxfStats stats = writer.Write();
  out.Finish();
  if (std::fclose(file.release()) != 0) throw std::runtime_error("cannot write " + path.string());
  return stats;
}

std::string SyntheticDxfText(const SyntheticDxfOptions& options, SyntheticDxfStats* stats) {
  PairWriter out(nullptr, options.decimals);
  DrawingWriter writer(out, options);
  const SyntheticDxfStats s = writer.Write();
  if (stats != nullptr) *stats = s;
  return out.Finish();
}

SyntheticDxfOptions MixedDrawingOptions(std::uint64_t approxBytes, std::uint64_t seed) {
  // One unit of the mix, measured rather than guessed so the size stays
  // right when the record layout changes.
  auto unit = [seed](std::int64_t k) {
    SyntheticDxfOptions o;
    o.seed = seed;
    o.lines = 50 * k;
    o.arcs = 10 * k;
    o.circles = 10 * k;
    o.lwpolylines = 10 * k;
    o.texts = 15 * k;
    o.ellipses = 1 * k;
    o.inserts = 4 * k;
    o.blocks = 10;
    o.blockContent = BlockContent{8, 2, 2, 1, 1};
    o.nestedPerBlock = 1;
    return o;
  };
  SyntheticDxfStats one, two;
  SyntheticDxfText(unit(1), &one);
  SyntheticDxfText(unit(2), &two);
  const double perUnit = static_cast<double>(two.bytes - one.bytes);
  const double fixed = static_cast<double>(one.bytes) - perUnit;
  const double k = std::max(1.0, std::round((static_cast<double>(approxBytes) - fixed) / perUnit));
  return unit(static_cast<std::int64_t>(k));
}

SyntheticDxfOptions BigDrawingOptions() {
  SyntheticDxfOptions o;
  o.acadVer = "AC1015";
  o.decimals = 10;
  o.lines = 230'000;
  o.arcs = 40'000;
  o.circles = 40'000;
  o.texts = 120'000;
  o.lwpolylines = 10'000;
  o.ellipses = 6'000;
  o.inserts = 49'000;
  o.blocks = 200;
  o.blockContent = BlockContent{6, 2, 2, 2, 1};
  o.nestedPerBlock = 1;
  return o;
}

SyntheticDxfOptions ExpansionBombOptions(int blockLines, std::int64_t inserts, bool nested) {
  SyntheticDxfOptions o;
  o.inserts = inserts;
  o.blocks = nested ? 2 : 1;
  o.blockContent = BlockContent{blockLines, 0, 0, 0, 0};
  o.nestedPerBlock = nested ? static_cast<int>(inserts) : 0;
  return o;
}

std::string DenseHatchDxfText(double patternScale, double size) {
  std::string out;
  auto pair = [&out](int code, const std::string& value) {
    out += std::to_string(code) + "\n" + value + "\n";
  };
  auto real = [](double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.12g", v);
    return std::string(buf);
  };
  pair(0, "SECTION");
  pair(2, "ENTITIES");
  pair(0, "HATCH");
  pair(8, "0");
  pair(62, "3");
  for (int c : {10, 20, 30}) pair(c, "0");
  pair(2, "ANSI37");
  pair(70, "0");
  pair(71, "0");
  pair(91, "1");
  pair(92, "3");  // external polyline path
  pair(72, "0");
  pair(73, "1");
  pair(93, "4");
  const double corners[4][2] = {{0, 0}, {size, 0}, {size, size}, {0, size}};
  for (const auto& c : corners) {
    pair(10, real(c[0]));
    pair(20, real(c[1]));
  }
  pair(97, "0");
  pair(75, "0");
  pair(76, "1");
  pair(52, "0");
  pair(41, real(patternScale));
  pair(77, "0");
  pair(78, "2");
  const double d = 3.175 * patternScale, step = d / std::sqrt(2.0);
  // 45 degrees, solid; 135 degrees, dashed.
  pair(53, "45");
  for (int c : {43, 44}) pair(c, "0");
  pair(45, real(-step));
  pair(46, real(step));
  pair(79, "0");
  pair(53, "135");
  for (int c : {43, 44}) pair(c, "0");
  pair(45, real(-step));
  pair(46, real(-step));
  pair(79, "2");
  pair(49, real(d));
  pair(49, real(-d / 2));
  pair(98, "0");
  pair(0, "ENDSEC");
  pair(0, "EOF");
  return out;
}

}  // namespace vantrel::bench
