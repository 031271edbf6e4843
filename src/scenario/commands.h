// The script command language, as the engine reads it and as the author tools check it: what a
// line of a node is by its first byte, the "#" names with the order in which a line is tested
// against them, and the syntax of a command's arguments. Nothing here runs a command and nothing
// needs a window: the interpreter binds a member function of TMainFrm to every TCommandId
// (scenario/command_table.h), the tools use the same rules without one.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

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
