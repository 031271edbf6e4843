// The stored records of the game state: one save slot (TSaveData, 2048 bytes), the read-flags
// file (TReadFlagsData, 2051 bytes) and the player's options inside it (TOptionData, 67 bytes).
//
// Each record is the byte image of its file: packed, little-endian, no header; a file's size is
// its format. Strings are CP932 and end at their first zero byte; readers stop there, since a
// field may keep bytes of a longer earlier value behind the terminator.
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little,
              "the stored records are little-endian byte images");

// Bit n of a bit array: bit (n mod 8) of byte n div 8. Numbers outside the array are ignored
// (never written, never set).
namespace bitarray {
inline bool Test(const uint8_t* bits, size_t bytes, int n) {
  if (n < 0 || static_cast<size_t>(n) / 8 >= bytes) return false;
  return (bits[n / 8] & (1u << (n % 8))) != 0;
}
inline void Set(uint8_t* bits, size_t bytes, int n) {
  if (n < 0 || static_cast<size_t>(n) / 8 >= bytes) return;
  bits[n / 8] = static_cast<uint8_t>(bits[n / 8] | (1u << (n % 8)));
}
inline void Toggle(uint8_t* bits, size_t bytes, int n) {
  if (n < 0 || static_cast<size_t>(n) / 8 >= bytes) return;
  bits[n / 8] = static_cast<uint8_t>(bits[n / 8] ^ (1u << (n % 8)));
}
}  // namespace bitarray

#pragma pack(push, 1)

// The player's options (67 bytes). The option screen edits a copy of it.
struct TOptionData {
  uint8_t TextSpeed;      // 0 slow, 1 medium, 2 fast
  uint8_t NoScreenFade;   // 1: transitions skip their animation
  uint8_t NoTextBack;     // 1: the picture behind the message window is not darkened
  uint8_t Reserved1[17];  // zero
  uint8_t TextBackLevel;  // brightness percentage behind the message window (1-149, else 60)
  uint8_t Reserved2[46];  // zero
};

// Number of flags, read marks and character names the records hold.
constexpr int kFlagCount = 1024;      // flags 0-1023
constexpr int kNodeMarkCount = 8192;  // read marks of nodes 0-8191
constexpr int kCharNameCount = 13;    // CharNames entries 0-12 fit in the 2048 bytes
constexpr int kCharNameBytes = 32;
constexpr int kSaveTitleBytes = 80;
constexpr int kBgmFileNameBytes = 256;

// One save slot (2048 bytes): the image of the files orxdf01.svd to orxdf05.svd.
struct TSaveData {
  int16_t SaveYear;
  int16_t SaveMonth;
  int16_t SaveDay;
  int16_t SaveHour;
  int16_t SaveMinute;
  char SaveTitle[kSaveTitleBytes];
  int16_t SaveNodeIndex;
  int16_t SaveLineIndex;                           // lines of the node consumed when saved
  uint8_t Flags[kFlagCount / 8];                   // scenario flags 0-1023
  uint8_t Reserved1[128];                          // zero
  uint8_t SlotReadBits[kNodeMarkCount / 8];        // nodes read during this play
  uint8_t BgmWasPlaying;                           // 1 when the music was playing
  char BgmFileName[kBgmFileNameBytes];             // music file name without folder, zero-filled
  char CharNames[kCharNameCount][kCharNameBytes];  // "$1".."$8" read entries 1-8
  uint8_t Reserved2[1];                            // zero

  bool TestFlag(int n) const { return bitarray::Test(Flags, sizeof Flags, n); }
  void SetFlag(int n) { bitarray::Set(Flags, sizeof Flags, n); }
  void ToggleFlag(int n) { bitarray::Toggle(Flags, sizeof Flags, n); }
  bool SlotRead(int node) const { return bitarray::Test(SlotReadBits, sizeof SlotReadBits, node); }
  void SetSlotRead(int node) { bitarray::Set(SlotReadBits, sizeof SlotReadBits, node); }
  // Character name entry n, or null when the record has no room for it.
  char* CharName(int n) { return (n >= 0 && n < kCharNameCount) ? CharNames[n] : nullptr; }
  const char* CharName(int n) const {
    return (n >= 0 && n < kCharNameCount) ? CharNames[n] : nullptr;
  }
};

// The read-flags file orxrf.svd (2051 bytes): data of the installation rather than of one play.
struct TReadFlagsData {
  uint8_t ReadBits[kNodeMarkCount / 8];  // nodes read at least once on this installation
  int16_t PlayCount;                     // games started or loaded
  TOptionData Options;
  uint8_t Reserved[958];  // zero

  bool IsRead(int node) const { return bitarray::Test(ReadBits, sizeof ReadBits, node); }
  void SetRead(int node) { bitarray::Set(ReadBits, sizeof ReadBits, node); }
};

#pragma pack(pop)

static_assert(sizeof(TOptionData) == 67);
static_assert(offsetof(TOptionData, TextSpeed) == 0);
static_assert(offsetof(TOptionData, NoScreenFade) == 1);
static_assert(offsetof(TOptionData, NoTextBack) == 2);
static_assert(offsetof(TOptionData, Reserved1) == 3);
static_assert(offsetof(TOptionData, TextBackLevel) == 20);
static_assert(offsetof(TOptionData, Reserved2) == 21);

static_assert(sizeof(TSaveData) == 2048);
static_assert(offsetof(TSaveData, SaveYear) == 0);
static_assert(offsetof(TSaveData, SaveMonth) == 2);
static_assert(offsetof(TSaveData, SaveDay) == 4);
static_assert(offsetof(TSaveData, SaveHour) == 6);
static_assert(offsetof(TSaveData, SaveMinute) == 8);
static_assert(offsetof(TSaveData, SaveTitle) == 10);
static_assert(offsetof(TSaveData, SaveNodeIndex) == 90);
static_assert(offsetof(TSaveData, SaveLineIndex) == 92);
static_assert(offsetof(TSaveData, Flags) == 94);
static_assert(offsetof(TSaveData, Reserved1) == 222);
static_assert(offsetof(TSaveData, SlotReadBits) == 350);
static_assert(offsetof(TSaveData, BgmWasPlaying) == 1374);
static_assert(offsetof(TSaveData, BgmFileName) == 1375);
static_assert(offsetof(TSaveData, CharNames) == 1631);
static_assert(offsetof(TSaveData, Reserved2) == 1631 + 32 * kCharNameCount);

static_assert(sizeof(TReadFlagsData) == 2051);
static_assert(offsetof(TReadFlagsData, ReadBits) == 0);
static_assert(offsetof(TReadFlagsData, PlayCount) == 1024);
static_assert(offsetof(TReadFlagsData, Options) == 1026);
static_assert(offsetof(TReadFlagsData, Reserved) == 1093);
