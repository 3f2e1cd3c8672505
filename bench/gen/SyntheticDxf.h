// Synthetic text DXF drawings for the benchmarks: counts of each entity
// kind, block definitions with their contents, model inserts and one level
// of inserts nested in blocks. The same options and seed always give the
// same bytes, so figures of different runs compare.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace vantrel::bench {

// What one block definition holds.
struct BlockContent {
  int lines = 0;
  int arcs = 0;
  int circles = 0;
  int texts = 0;
  int lwpolylines = 0;  // of lwpVertices vertices each
};

struct SyntheticDxfOptions {
  // "AC1015" and older write texts in code page 932, "AC1021" and newer in
  // UTF-8, as the reader expects them.
  std::string acadVer = "AC1015";

  // Model space.
  std::int64_t lines = 0;
  std::int64_t arcs = 0;
  std::int64_t circles = 0;
  std::int64_t texts = 0;  // TEXT, and MTEXT for mtextPercent of them
  std::int64_t lwpolylines = 0;
  std::int64_t ellipses = 0;
  std::int64_t inserts = 0;  // spread round-robin over the blocks

  int lwpVertices = 5;
  int bulgePercent = 20;     // share of polyline vertices with a bulge
  int mtextPercent = 20;
  int extrudedPercent = 0;   // circles and arcs with the extrusion (0, 0, -1)
  bool japaneseTexts = true; // mixes kana and kanji into the texts

  // Block definitions "B0", "B1", ...; block i holds nestedPerBlock inserts
  // of the blocks after it (i + 1, i + 2, ... wrapping round), each through
  // a leaf copy "L1", "L2", ... of it with the same elements and no inserts,
  // so model inserts place exactly one nested level.
  int blocks = 0;
  BlockContent blockContent;
  int nestedPerBlock = 0;

  int layers = 8;
  double extent = 10000;  // model coordinates lie in [0, extent)
  int decimals = 6;       // digits after the point of every real
  // Handles and subclass markers as real writers put them; the reader skips
  // them but they are a good part of a real file's bytes.
  bool writerGroups = true;
  std::uint64_t seed = 1;
};

struct SyntheticDxfStats {
  std::uint64_t bytes = 0;
  std::int64_t modelEntities = 0;   // entity records written to ENTITIES
  std::int64_t blockElements = 0;   // records written inside block definitions
};

// Writes the drawing to path (replacing it); throws std::runtime_error when
// the file cannot be written.
SyntheticDxfStats WriteSyntheticDxf(const std::filesystem::path& path,
                                    const SyntheticDxfOptions& options);
// The same drawing as bytes in memory.
std::string SyntheticDxfText(const SyntheticDxfOptions& options,
                             SyntheticDxfStats* stats = nullptr);

// A mixed drawing (lines, arcs, circles, polylines, texts, a few blocks and
// inserts) of about approxBytes bytes.
SyntheticDxfOptions MixedDrawingOptions(std::uint64_t approxBytes, std::uint64_t seed = 1);

// An R2000 drawing of about 100 MB: 495,000 entities, of them 49,000
// inserts of 200 blocks nested one level, which place about 1.6 million
// records; 320,000 texts in all, as a large architectural sheet has them.
SyntheticDxfOptions BigDrawingOptions();

// Nothing but `inserts` model inserts of blocks of `blockLines` lines each.
// With nested, two blocks each also hold `inserts` inserts of (the leaf copy
// of) the other, so the nested level asks for inserts^2 / 2 * blockLines
// records of each.
SyntheticDxfOptions ExpansionBombOptions(int blockLines, std::int64_t inserts, bool nested);

// One square HATCH of side `size` at the origin, filled with the two line
// families of a crossed pattern at 45 and 135 degrees (3.175 apart, the
// second dashed 3.175 / -1.5875) times patternScale, as the file stores a
// pattern: scaled and turned already.
std::string DenseHatchDxfText(double patternScale, double size);

}  // namespace vantrel::bench
