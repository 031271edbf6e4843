// Ending files "mscsNN.esf": the records the ending screen reads, and their text description,
// which the author tool miravel-ending builds files from and writes back. The engine and the
// tool share these functions, so the two never disagree about the format.
//
// A file is a header record followed by entry records, 128 bytes each, little-endian, no magic
// and no count: reading stops at the first incomplete record. Strings are CP932 and end at their
// first zero byte; a field without one ends at the field's end.
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "scenario/pack.h"

static_assert(std::endian::native == std::endian::little,
              "the ending records are little-endian byte images");

constexpr size_t kEndingRecordBytes = 128;
constexpr size_t kEndingNameBytes = 40;  // BgmName and EntryText, terminator included

#pragma pack(push, 1)

// The first record of the file.
struct TEndingHeader {
  uint8_t Reserved1[40];
  char BgmName[kEndingNameBytes];  // music file name, passed to "#BGMNLOAD="
  int16_t ScrollIntervalMs;        // milliseconds per pixel of scrolling
  int16_t LastStep;                // the roll writes its last scroll step here; not read
  uint8_t Reserved2[44];
};

// Every record after the header: one line of text or one picture.
struct TEndingEntry {
  int16_t EntryY;                    // position in the roll, pixels from its top
  int16_t EntryFontSize;             // points; 0 marks a picture entry
  char EntryText[kEndingNameBytes];  // the line's text, or the picture's base name
  int16_t EntryBold;                 // non-zero: bold
  int16_t EntryItalic;               // non-zero: italic
  uint8_t Reserved[80];
};

#pragma pack(pop)

static_assert(sizeof(TEndingHeader) == kEndingRecordBytes);
static_assert(offsetof(TEndingHeader, BgmName) == 40);
static_assert(offsetof(TEndingHeader, ScrollIntervalMs) == 80);
static_assert(offsetof(TEndingHeader, LastStep) == 82);
static_assert(offsetof(TEndingHeader, Reserved2) == 84);
static_assert(sizeof(TEndingEntry) == kEndingRecordBytes);
static_assert(offsetof(TEndingEntry, EntryY) == 0);
static_assert(offsetof(TEndingEntry, EntryFontSize) == 2);
static_assert(offsetof(TEndingEntry, EntryText) == 4);
static_assert(offsetof(TEndingEntry, EntryBold) == 44);
static_assert(offsetof(TEndingEntry, EntryItalic) == 46);
static_assert(offsetof(TEndingEntry, Reserved) == 48);

// A whole ending file: its header and its complete entry records in file order.
struct TEndingFile {
  TEndingHeader Header{};
  std::vector<TEndingEntry> Entries;
};

// Reads an ending file image. The header is zeroed first and takes what there is of the first
// 128 bytes (a shorter file leaves the rest zero); every complete record after it becomes an
// entry, a trailing incomplete one is ignored. Never reads outside data[0, size).
TEndingFile ReadEndingFile(const uint8_t* data, size_t size);
// The file image of f: the header and the entries, 128 bytes each.
std::string EndingFileBytes(const TEndingFile& f);

// The text of a name field: up to its terminator, or the whole field cut at a character
// boundary when it has none.
std::string EndingFieldText(const char (&field)[kEndingNameBytes]);

// The text description (UTF-8), one statement a line:
//   music "NAME"                          BgmName (absent: empty)
//   interval N                            ScrollIntervalMs (absent: 10)
//   text Y SIZE [bold] [italic] "TEXT"    a line of text: EntryY, EntryFontSize in points
//   picture Y "NAME"                      a picture entry (size 0), the picture's base name
// Blank lines and lines whose first non-blank character is '#' are ignored; after a value a '#'
// starts a comment. A string value runs from the first double quote of the line to the closing
// one: the first later quote followed by nothing but blanks or a comment (without a comment,
// the last quote of the line), so values hold quotes without escapes. A value without blanks
// may be written without quotes. Keywords and flags are
// case-insensitive. Numbers are int16; strings hold at most 39 bytes in CP932.
//
// Parses a description into a file. False when anything is wrong: errors then names every
// faulty line (TPackMessage::line, from 1) and out is left as it was. warnings (optional)
// receives what builds but would not play well (an interval the roll never reaches).
bool ParseEndingText(std::string_view utf8, TEndingFile& out, std::vector<TPackMessage>& errors,
                     std::vector<TPackMessage>* warnings = nullptr);
// The description of a file: music and interval first, then the entries in file order, every
// string quoted. A description written here parses back to the same records (reserved bytes and
// LastStep aside, which the description does not hold). warnings (optional) receives the
// entries whose text cannot be written as UTF-8 text faithfully.
std::string FormatEndingText(const TEndingFile& f, std::vector<TPackMessage>* warnings = nullptr);

// The command line of miravel-ending (argv[0] is the program name). Returns the exit status:
// 0 done, 1 failed (nothing written), 2 usage error.
int RunEndingTool(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
