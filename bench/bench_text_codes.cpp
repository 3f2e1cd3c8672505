// Decoding the \U+ escapes of one text of ten million characters, in MB/s
// of UTF-16 text: plain escapes one after another, and escapes that overlap
// each other, where each replace-all pass cuts into the next escape.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "model/TextCodes.h"

namespace {

constexpr std::size_t kTextChars = 10'000'000;

std::u16string HexEscape(unsigned code, int digits) {
  static const char16_t hex[] = u"0123456789ABCDEF";
  std::u16string s = u"\\U+";
  for (int i = digits - 1; i >= 0; --i) s.push_back(hex[(code >> (4 * i)) & 0xF]);
  return s;
}

// Four-digit escapes of the CJK ideographs in turn, with a little text between.
std::u16string PlainEscapes() {
  std::u16string s;
  for (unsigned code = 0; s.size() < kTextChars; ++code) s += HexEscape(0x4E00 + code % 0x5000, 4) + u"ab";
  return s;
}

// Each escape has one character after "\U+" and runs into the next
// escape, so its piece is one of thousands and swallows the start of its
// neighbour; a share of backslash and plus codes makes new escapes as it
// decodes. The literal rule takes a pass over the text per piece here.
std::u16string OverlappingEscapes() {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> pick(0, 9);
  std::u16string s;
  for (unsigned code = 0; s.size() < kTextChars; ++code) {
    const int kind = pick(rng);
    if (kind == 0) {
      s += u"\\U+005C";
    } else if (kind == 1) {
      s += u"\\U+002B";
    } else {
      s += u"\\U+";
      s.push_back(static_cast<char16_t>(0x4E00 + code % 20000));
    }
  }
  return s;
}

void Decode(benchmark::State& state, const std::u16string& text) {
  std::vector<vantrel::TTextBlk> table(1);
  for (auto _ : state) {
    state.PauseTiming();
    table[0].str = text;
    state.ResumeTiming();
    vantrel::DecodeUnicodeEscapes(table);
    benchmark::DoNotOptimize(table[0].str.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size() * 2));
}

void BM_DecodePlainEscapes(benchmark::State& state) {
  static const std::u16string text = PlainEscapes();
  Decode(state, text);
}

void BM_DecodeOverlappingEscapes(benchmark::State& state) {
  static const std::u16string text = OverlappingEscapes();
  Decode(state, text);
}

}  // namespace

BENCHMARK(BM_DecodePlainEscapes)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DecodeOverlappingEscapes)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
