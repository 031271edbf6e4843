#include "scenario/commands.h"

#include <climits>
#include <cstring>
#include <iterator>
#include <string>

#include "platform/text/cp932.h"

namespace {

// Every command's name, indexed by its TCommandId.
constexpr TCommandName kNames[] = {
    {"#TIMEWAIT", ciTimeWait},
    {"#TEXTWAIT", ciTextWait},
    {"#TEXTDISPLINE", ciTextDispLine},
    {"#SETCHARNAME", ciSetCharName},
    {"#CHARNAME", ciCharName},
    {"#GOTONODESELECT", ciGotoNodeSelect},
    {"#GOTONODEFIRST", ciGotoNodeFirst},
    {"#GOTO", ciGoto},
    {"#DOLOOP", ciDoLoop},
    {"#WHILECOUNT", ciWhileCount},
    {"#WHILECLICK", ciWhileClick},
    {"#WAIT", ciWait},
    {"#GOTITLE", ciGoTitle},
    {"#SELECTSTRING", ciSelectString},
    {"#SELECTANSWER", ciSelectAnswer},
    {"#NODETITLE", ciNodeTitle},
    {"#EVENTON", ciEventOn},
    {"#EVENTOFF", ciEventOff},
    {"#SETFLG", ciSetFlg},
    {"#DELFLG", ciDelFlg},
    {"#ENDIF", ciEndIf},
    {"#IFWHITCHFLG", ciIfWhitchFlg},
    {"#IFFLG", ciIfFlg},
    {"#IFNFLG", ciIfNFlg},
    {"#IFREAD", ciIfRead},
    {"#IFNREAD", ciIfNRead},
    {"#LOADSPLITE", ciLoadSplite},
    {"#LOADBKGRP", ciLoadBkGrp},
    {"#LOADBKJPG", ciLoadBkJpg},
    {"#DRAWBKGRP", ciDrawBkGrp},
    {"#MOVESPLITE", ciMoveSplite},
    {"#DRAWSPLITE", ciDrawSplite},
    {"#DRAWALL", ciDrawAll},
    {"#PATCHSPLITE", ciPatchSplite},
    {"#PATCHALLSPLITE", ciPatchAllSplite},
    {"#FILLBLACK", ciFillBlack},
    {"#FILLWHITE", ciFillWhite},
    {"#GOENDING", ciGoEnding},
    {"#CHANGEFADE", ciChangeFade},
    {"#FADEINSPLITE", ciFadeInSplite},
    {"#FADEOUTSPLITE", ciFadeOutSplite},
    {"#FADETOSPLITE", ciFadeToSplite},
    {"#FADEINBLACKCONTRAST", ciFadeInBlackContrast},
    {"#FADEINBLACKRGB", ciFadeInBlackRGB},
    {"#FADEINBLACK", ciFadeInBlack},
    {"#FADEINWHITECONTRAST", ciFadeInWhiteContrast},
    {"#FADEINWHITERGB", ciFadeInWhiteRGB},
    {"#FADEINWHITE", ciFadeInWhite},
    {"#FADEOUTBLACKCONTRAST", ciFadeOutBlackContrast},
    {"#FADEOUTBLACKRGB", ciFadeOutBlackRGB},
    {"#FADEOUTBLACK", ciFadeOutBlack},
    {"#FADEOUTWHITECONTRAST", ciFadeOutWhiteContrast},
    {"#FADEOUTWHITERGB", ciFadeOutWhiteRGB},
    {"#FADEOUTWHITE", ciFadeOutWhite},
    {"#SLITINLEFT", ciSlitInLeft},
    {"#SLITINRIGHT", ciSlitInRight},
    {"#SLITOUTLEFT", ciSlitOutLeft},
    {"#SLITOUTRIGHT", ciSlitOutRight},
    {"#TILT", ciTilt},
    {"#QUAKE", ciQuake},
    {"#BGMLOAD", ciBgmLoad},
    {"#BGMNLOAD", ciBgmNLoad},
    {"#BGMPLAY", ciBgmPlay},
    {"#BGMSTOP", ciBgmStop},
    {"#BGMPAUSEONLY", ciBgmPauseOnly},
    {"#BGMPAUSE", ciBgmPause},
    {"#BGMFADEOUT", ciBgmFadeOut},
    {"#BGMFADEIN", ciBgmFadeIn},
    {"#BGMVOLDEF", ciBgmVolDef},
    {"#WAVEPLAYSOUND", ciWavePlaySound},
    {"#WAVEPLAYBGM", ciWavePlayBgm},
    {"#WAVESTOP", ciWaveStop},
    {"#WAVEFADEOUT", ciWaveFadeOut},
    {"#WAVEFADEIN", ciWaveFadeIn},
    {"#WAVEVOLDEF", ciWaveVolDef},
};

constexpr bool namesInIdOrder() {
  if (std::size(kNames) != kCommandCount) return false;
  for (size_t i = 0; i < std::size(kNames); ++i) {
    if (kNames[i].id != static_cast<TCommandId>(i)) return false;
  }
  return true;
}
static_assert(namesInIdOrder(), "kNames holds every command once, in TCommandId order");

// The parameter commands: known names that do nothing.
constexpr TCommandName kParameterNames[] = {
    {"#SETPARAMVALUE", ciNone}, {"#SETPARAMPLUS", ciNone}, {"#SETPARAMMINAS", ciNone},
    {"#GETPARAMEQ", ciNone},    {"#GETPARAMGE", ciNone},   {"#GETPARAMGT", ciNone},
    {"#GETPARAMLE", ciNone},    {"#GETPARAMLT", ciNone},
};

constexpr TCommandName kFadePrefix{"#FADE", ciNone};
constexpr TCommandName kSlitPrefix{"#SLIT", ciNone};
constexpr TCommandName kBgmPrefix{"#BGM", ciNone};
constexpr TCommandName kWavePrefix{"#WAVE", ciNone};

constexpr TCommandTest one(TCommandId id) { return TCommandTest{&kNames[id]}; }
constexpr TCommandTest ignored(const TCommandName& name) { return TCommandTest{&name}; }
// A group prefix with the commands first to last (consecutive ids) as its members.
constexpr TCommandTest group(const TCommandName& prefix, TCommandId first, TCommandId last) {
  return TCommandTest{&prefix, &kNames[first], static_cast<size_t>(last - first + 1)};
}

// The order of the tests matters where one name begins with another: "#GOTONODEFIRST" comes
// before "#GOTO", "#BGMPAUSEONLY" before "#BGMPAUSE", "#FADEINBLACKRGB" before "#FADEINBLACK".
constexpr TCommandTest kTests[] = {
    one(ciTimeWait),
    one(ciTextWait),
    one(ciTextDispLine),
    one(ciSetCharName),
    one(ciCharName),
    one(ciGotoNodeSelect),
    one(ciGotoNodeFirst),
    one(ciGoto),
    one(ciDoLoop),
    one(ciWhileCount),
    one(ciWhileClick),
    one(ciWait),
    one(ciGoTitle),
    one(ciSelectString),
    one(ciSelectAnswer),
    one(ciNodeTitle),
    one(ciEventOn),
    one(ciEventOff),
    one(ciSetFlg),
    one(ciDelFlg),
    ignored(kParameterNames[0]),
    ignored(kParameterNames[1]),
    ignored(kParameterNames[2]),
    ignored(kParameterNames[3]),
    ignored(kParameterNames[4]),
    ignored(kParameterNames[5]),
    ignored(kParameterNames[6]),
    ignored(kParameterNames[7]),
    one(ciEndIf),
    one(ciIfWhitchFlg),
    one(ciIfFlg),
    one(ciIfNFlg),
    one(ciIfRead),
    one(ciIfNRead),
    one(ciLoadSplite),
    one(ciLoadBkGrp),
    one(ciLoadBkJpg),
    one(ciDrawBkGrp),
    one(ciMoveSplite),
    one(ciDrawSplite),
    one(ciDrawAll),
    one(ciPatchSplite),
    one(ciPatchAllSplite),
    one(ciFillBlack),
    one(ciFillWhite),
    one(ciGoEnding),
    one(ciChangeFade),
    group(kFadePrefix, ciFadeInSplite, ciFadeOutWhite),
    group(kSlitPrefix, ciSlitInLeft, ciSlitOutRight),
    one(ciTilt),
    one(ciQuake),
    group(kBgmPrefix, ciBgmLoad, ciBgmVolDef),
    group(kWavePrefix, ciWavePlaySound, ciWaveVolDef),
};

// Every command is reached by exactly one test, alone or as a group member.
constexpr bool everyCommandTestedOnce() {
  int seen[kCommandCount] = {};
  for (const TCommandTest& test : kTests) {
    if (test.name->id != ciNone) ++seen[test.name->id];
    for (size_t i = 0; i < test.memberCount; ++i) {
      if (test.members[i].id != ciNone) ++seen[test.members[i].id];
    }
  }
  for (int n : seen) {
    if (n != 1) return false;
  }
  return true;
}
static_assert(everyCommandTestedOnce(), "a command of kNames is missing from kTests or doubled");

// The length of name when line begins with it, else 0.
size_t prefixLength(const char* line, const char* name) {
  size_t n = std::strlen(name);
  return std::strncmp(line, name, n) == 0 ? n : 0;
}

// Field k of an argument text with every "=" dropped; the fields are separated by ",".
std::string argField(const char* args, int k) {
  std::string field;
  if (!args || k < 0) return field;
  int index = 0;
  for (const char* p = args; *p; ++p) {
    if (*p == '=') continue;
    if (*p == ',') {
      if (++index > k) break;
      continue;
    }
    if (index == k) field += *p;
  }
  return field;
}

}  // namespace

std::span<const TCommandTest> CommandTests() { return kTests; }

const char* CommandName(TCommandId id) {
  if (id < 0 || id >= kCommandCount) return nullptr;
  return kNames[id].name;
}

TLineKind ClassifyLine(const char* line) {
  if (!line || line[0] == 0) return lkEmpty;
  if (line[0] == ';' || line[0] == '/') return lkComment;
  if (line[0] == '#') return lkCommand;
  return lkText;
}

const TCommandName* MatchCommandName(const char* line, const char** args) {
  if (args) *args = nullptr;
  if (!line || line[0] != '#') return nullptr;
  for (const TCommandTest& test : kTests) {
    size_t n = prefixLength(line, test.name->name);
    if (n == 0) continue;
    if (test.members) {
      for (size_t i = 0; i < test.memberCount; ++i) {
        const TCommandName& m = test.members[i];
        size_t mn = prefixLength(line, m.name);
        if (mn == 0 || m.id == ciNone) continue;
        if (args) *args = line + mn;
        return &m;
      }
      continue;  // the prefix alone decides nothing: on to the test after the group
    }
    if (test.name->id == ciNone) continue;
    if (args) *args = line + n;
    return test.name;
  }
  return nullptr;
}

int ParseIntArg(const char* args, int k) {
  int value = 0;
  for (char c : argField(args, k)) {
    if (c < '0' || c > '9') continue;
    int digit = c - '0';
    value = value > (INT_MAX - digit) / 10 ? INT_MAX : value * 10 + digit;
  }
  return value;
}

void ParseStrArg(const char* args, char* dest, size_t size, int k) {
  if (!dest || size == 0) return;
  std::string field = argField(args, k);
  size_t n = FitToBuffer(field.data(), field.size(), size - 1);
  std::memcpy(dest, field.data(), n);
  dest[n] = 0;
}
