// The script command language, as the engine reads it and as the author tools check it: what a
// line of a node is by its first byte, the "#" names with the order in which a line is tested
// against them, and the syntax of a command's arguments. Nothing here runs a command and nothing
// needs a window: the interpreter binds a member function of TMainFrm to every TCommandId
// (scenario/command_table.h), the tools use the same rules without one.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Every command that decides a line, in table order. ciNone marks the names that are compared
// and then decide nothing (the parameter commands and the group prefixes).
enum TCommandId : int32_t {
  ciNone = -1,
  ciTimeWait = 0,
  ciTextWait,
  ciTextDispLine,
  ciSetCharName,
  ciCharName,
  ciGotoNodeSelect,
  ciGotoNodeFirst,
  ciGoto,
  ciDoLoop,
  ciWhileCount,
  ciWhileClick,
  ciWait,
  ciGoTitle,
  ciSelectString,
  ciSelectAnswer,
  ciNodeTitle,
  ciEventOn,
  ciEventOff,
  ciSetFlg,
  ciDelFlg,
  ciEndIf,
  ciIfWhitchFlg,
  ciIfFlg,
  ciIfNFlg,
  ciIfRead,
  ciIfNRead,
  ciLoadSplite,
  ciLoadBkGrp,
  ciLoadBkJpg,
  ciDrawBkGrp,
  ciMoveSplite,
  ciDrawSplite,
  ciDrawAll,
  ciPatchSplite,
  ciPatchAllSplite,
  ciFillBlack,
  ciFillWhite,
  ciGoEnding,
  ciChangeFade,
  // the "#FADE" group
  ciFadeInSplite,
  ciFadeOutSplite,
  ciFadeToSplite,
  ciFadeInBlackContrast,
  ciFadeInBlackRGB,
  ciFadeInBlack,
  ciFadeInWhiteContrast,
  ciFadeInWhiteRGB,
  ciFadeInWhite,
  ciFadeOutBlackContrast,
  ciFadeOutBlackRGB,
  ciFadeOutBlack,
  ciFadeOutWhiteContrast,
  ciFadeOutWhiteRGB,
  ciFadeOutWhite,
  // the "#SLIT" group
  ciSlitInLeft,
  ciSlitInRight,
  ciSlitOutLeft,
  ciSlitOutRight,
  ciTilt,
  ciQuake,
  // the "#BGM" group
  ciBgmLoad,
  ciBgmNLoad,
  ciBgmPlay,
  ciBgmStop,
  ciBgmPauseOnly,
  ciBgmPause,
  ciBgmFadeOut,
  ciBgmFadeIn,
  ciBgmVolDef,
  // the "#WAVE" group
  ciWavePlaySound,
  ciWavePlayBgm,
  ciWaveStop,
  ciWaveFadeOut,
  ciWaveFadeIn,
  ciWaveVolDef,
  kCommandCount
};

struct TCommandName {
  const char* name;  // "#TIMEWAIT" ... (plain ASCII, the same bytes in CP932)
  TCommandId id;     // ciNone: compared, then the line goes on to the following names
};

// One test of the table: a name, or a group prefix with its members. A line that begins with a
// group prefix is tested against the members in their order; when none of them matches, the
// prefix decides nothing and the line goes on to the test after the group.
struct TCommandTest {
  const TCommandName* name;
  const TCommandName* members = nullptr;
  size_t memberCount = 0;
};

// The whole table in the order in which a line is tested.
std::span<const TCommandTest> CommandTests();
// The name of a command ("#TIMEWAIT" for ciTimeWait); null for ciNone and numbers outside the
// table.
const char* CommandName(TCommandId id);

// What a line of a node is, by its first byte: nothing, a comment (";" or "/"), a command ("#")
// or text to show (anything else, a blank included).
enum TLineKind : int32_t { lkEmpty, lkComment, lkCommand, lkText };
TLineKind ClassifyLine(const char* line);

// The command that decides a line beginning with "#": names are compared over their full length
// with the start of the line, in table order. Null when no name decides. *args (when given)
// receives the text right after the matched name.
const TCommandName* MatchCommandName(const char* line, const char** args);

// Arguments: the text after the command name is split into fields at ",", and every "=" is
// dropped wherever it stands. Field k (from 0) of args:
// as a number, from its digits alone (no sign; a value too large for an int stays at the
// largest); a missing field is 0.
int ParseIntArg(const char* args, int k);
// as text into dest of size bytes (cut at a character boundary to fit); a missing field is "".
void ParseStrArg(const char* args, char* dest, size_t size, int k);

// ---- argument shapes -------------------------------------------------------------------------
// What the handler of every command reads from its fields (GetIntArg/GetStrArg of field k). The
// handlers of the interpreter read exactly these fields; the checker of the author tools
// compares a line against them. A field beyond what a command reads is ignored by the engine.
enum TArgKind : uint8_t {
  akNumber,       // a number (digits)
  akSwitch,       // a number read as "0 or not 0" (a missing field is 0)
  akText,         // any text
  akTitle,        // a node title, matched as the prefix of a title
  akFlag,         // a flag number, 0..kFlagLimit-1
  akNameEntry,    // an entry of the name record, 0..kNameEntryLimit-1
  akPicture,      // a picture's base name, extension EXTB, in the picture folder
  akJpeg,         // a picture's base name, extension EXTJ, in the picture folder
  akMusicNumber,  // a number n naming "nnnn.mid" in the music folder
  akMusicFile,    // a file name in the music folder
  akSoundFile,    // a file name in the sound folder
  akEnding,       // the number nn of the ending file "mscsNN.esf" in the game folder
};

// Flags 0..1023 exist; the name record holds entries 0..12 ("$1".."$8" show entries 1..8).
constexpr int kFlagLimit = 1024;
constexpr int kNameEntryLimit = 13;

struct TArgShape {
  uint8_t minFields;   // fields a line must give
  uint8_t maxFields;   // fields the handler reads; kAnyFields: a list up to its first 0
  TArgKind kinds[6];   // kind of field k; fields past the array repeat the last one
};
constexpr uint8_t kAnyFields = 255;

// The shape of a command's arguments; null for ciNone and numbers outside the table.
const TArgShape* CommandArgShape(TCommandId id);

// The fields of an argument text as ParseIntArg/ParseStrArg see them, with where each begins in
// args (a byte offset; the "=" dropped). An empty or missing text has no field at all.
struct TArgField {
  size_t offset;
  std::string text;
};
std::vector<TArgField> SplitArgFields(const char* args);

// Every name the table compares (the commands, the parameter commands that do nothing and the
// group prefixes), for suggestions.
std::vector<const char*> AllCommandNames();
