// The four dither pattern sets of the transitions, compiled in. Each pattern is written as its
// eight rows of cells, top row first, leftmost character column 0: '1' a white cell, '0' a
// black one. Within a set the patterns darken step by step: pattern 0 has the fewest black cells
// and every black cell of pattern i stays black in pattern i + 1 (checked below at compile time).
#include <array>

#include "paint/paint_internal.h"
#include "paint/splpaint.h"

namespace {

using PatternText = std::array<const char*, 8>;
using SetText = std::array<PatternText, 8>;

// Set 0: scattered dither.
constexpr SetText kSet0 = {{
    {"11111111", "10111011", "11111111", "11111111", "11111111", "10111011", "11111111", "11111111"},
    {"11111111", "10111011", "11111111", "11101110", "11111111", "10111011", "11111111", "11101110"},
    {"11111111", "10101010", "11111111", "10101010", "11111111", "10101010", "11111111", "10101010"},
    {"01010101", "10101010", "01010101", "10101010", "01010101", "10101010", "01010101", "10101010"},
    {"01010101", "10001000", "01010101", "00100010", "01010101", "10001000", "01010101", "00100010"},
    {"01010101", "00000000", "01010101", "00000000", "01010101", "00000000", "01010101", "00000000"},
    {"01000100", "00000000", "00010001", "00000000", "01000100", "00000000", "00010001", "00000000"},
    {"00000000", "00000000", "00010001", "00000000", "00000000", "00000000", "00010001", "00000000"},
}};

// Set 1: a black diamond growing from the centre of each 8 x 8 cell.
constexpr SetText kSet1 = {{
    {"11111111", "11111111", "11111111", "11110111", "11111111", "11111111", "11111111", "11111111"},
    {"11111111", "11111111", "11111111", "11100111", "11100111", "11111111", "11111111", "11111111"},
    {"11111111", "11111111", "11100111", "11000011", "11000011", "11100111", "11111111", "11111111"},
    {"11111111", "11100111", "11000011", "10000001", "10000001", "11000011", "11100111", "11111111"},
    {"11100111", "11000011", "10000001", "00000000", "00000000", "10000001", "11000011", "11100111"},
    {"11000011", "10000001", "00000000", "00000000", "00000000", "00000000", "10000001", "11000011"},
    {"10000001", "00000000", "00000000", "00000000", "00000000", "00000000", "00000000", "10000001"},
    {"00000000", "00000000", "00000000", "00000000", "00000000", "00000000", "00000000", "00000000"},
}};

// Set 2: a diagonal sweep from the bottom-right corner of each cell.
constexpr SetText kSet2 = {{
    {"11111111", "11111111", "11111111", "11111111", "11111111", "11111111", "11111111", "11111110"},
    {"11111110", "11111110", "11111110", "11111110", "11111110", "11111110", "11111110", "00000000"},
    {"11111100", "11111100", "11111100", "11111100", "11111100", "11111100", "00000000", "00000000"},
    {"11111000", "11111000", "11111000", "11111000", "11111000", "00000000", "00000000", "00000000"},
    {"11110000", "11110000", "11110000", "11110000", "00000000", "00000000", "00000000", "00000000"},
    {"11100000", "11100000", "11100000", "00000000", "00000000", "00000000", "00000000", "00000000"},
    {"11000000", "11000000", "00000000", "00000000", "00000000", "00000000", "00000000", "00000000"},
    {"10000000", "00000000", "00000000", "00000000", "00000000", "00000000", "00000000", "00000000"},
}};

// Set 3: vertical bars growing from the left edge of each cell; every row is the same.
constexpr PatternText bars(const char* row) { return {row, row, row, row, row, row, row, row}; }
constexpr SetText kSet3 = {{
    bars("11111111"), bars("01111111"), bars("00111111"), bars("00011111"),
    bars("00001111"), bars("00000111"), bars("00000011"), bars("00000001"),
}};

constexpr uint8_t rowBits(const char* s) {
  uint8_t b = 0;
  for (int i = 0; i < 8; ++i) b = uint8_t((b << 1) | (s[i] == '1' ? 1 : 0));
  return b;
}

using Rows = std::array<uint8_t, 8>;
using SetRows = std::array<Rows, 8>;

constexpr SetRows toRows(const SetText& t) {
  SetRows r{};
  for (int p = 0; p < 8; ++p)
    for (int y = 0; y < 8; ++y) r[p][y] = rowBits(t[p][y]);
  return r;
}

constexpr std::array<SetRows, 4> kSets = {toRows(kSet0), toRows(kSet1), toRows(kSet2),
                                          toRows(kSet3)};

constexpr int blackCells(const Rows& r) {
  int n = 0;
  for (uint8_t b : r)
    for (int i = 0; i < 8; ++i) n += (b >> i) & 1 ? 0 : 1;
  return n;
}

constexpr bool wellFormed(const SetText& t) {
  for (const PatternText& p : t)
    for (const char* row : p) {
      for (int i = 0; i < 8; ++i)
        if (row[i] != '0' && row[i] != '1') return false;
      if (row[8] != '\0') return false;
    }
  return true;
}

// Every black cell of pattern i is black in pattern i + 1.
constexpr bool nested(const SetRows& s) {
  for (int p = 0; p + 1 < 8; ++p)
    for (int y = 0; y < 8; ++y)
      if ((s[p + 1][y] & ~s[p][y]) != 0) return false;
  return true;
}

constexpr bool counts(const SetRows& s, std::array<int, 8> want) {
  for (int p = 0; p < 8; ++p)
    if (blackCells(s[p]) != want[p]) return false;
  return true;
}

static_assert(wellFormed(kSet0) && wellFormed(kSet1) && wellFormed(kSet2) && wellFormed(kSet3));
static_assert(nested(kSets[0]) && nested(kSets[1]) && nested(kSets[2]) && nested(kSets[3]));
static_assert(counts(kSets[0], {4, 8, 16, 32, 40, 48, 56, 60}));
static_assert(counts(kSets[1], {1, 4, 12, 24, 40, 52, 60, 64}));
static_assert(counts(kSets[2], {1, 15, 28, 39, 48, 55, 60, 63}));
static_assert(counts(kSets[3], {0, 8, 16, 24, 32, 40, 48, 56}));

}  // namespace

namespace paint {

const uint8_t* FadePatternRows(int set, int index) {
  if (set < 0 || set > 3 || index < 0 || index > 7) return nullptr;
  return kSets[size_t(set)][size_t(index)].data();
}

}  // namespace paint

// Set 0 is the default; sets 1 to 3 are chosen by the script. Any other number names no pattern
// set, and the current patterns stay in force.
void TSplPaint::ChangeFadeBrush(int set) {
  if (!paint::FadePatternRows(set, 0)) return;
  for (int i = 0; i < 8; ++i) {
    FadeBrush[i] = TBrush::FromBits(paint::FadePatternRows(set, i));
    FadeBrushInv[i] = FadeBrush[i].Inverted();
  }
}
