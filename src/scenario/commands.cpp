#include "scenario/commands.h"

#include <climits>
#include <initializer_list>
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

// ---- argument shapes -------------------------------------------------------------------------

namespace {

constexpr TArgShape none() { return TArgShape{0, 0, {akNumber}}; }
constexpr TArgShape shape(uint8_t min, uint8_t max, std::initializer_list<TArgKind> kinds) {
  TArgShape s{min, max, {}};
  size_t i = 0;
  for (TArgKind k : kinds) s.kinds[i++] = k;
  for (; i < std::size(s.kinds); ++i) s.kinds[i] = s.kinds[i - 1];
  return s;
}

// Indexed by TCommandId. The handlers read these fields (see each cmd* member of TMainFrm): a
// missing number is 0, which is why the transitions' "show at once" switch may be left out.
constexpr TArgShape kShapes[] = {
    shape(1, 1, {akNumber}),                                    // #TIMEWAIT ms
    shape(1, 1, {akNumber}),                                    // #TEXTWAIT ms
    none(),                                                     // #TEXTDISPLINE
    shape(3, 6, {akNameEntry, akText, akText, akNameEntry, akText, akText}),  // #SETCHARNAME
    shape(0, 1, {akText}),                                      // #CHARNAME speaker
    shape(1, 1, {akTitle}),                                     // #GOTONODESELECT
    shape(1, 1, {akTitle}),                                     // #GOTONODEFIRST
    shape(1, 1, {akTitle}),                                     // #GOTO
    none(),                                                     // #DOLOOP
    shape(1, 1, {akNumber}),                                    // #WHILECOUNT times
    none(),                                                     // #WHILECLICK
    none(),                                                     // #WAIT
    none(),                                                     // #GOTITLE
    shape(1, 1, {akText}),                                      // #SELECTSTRING question
    shape(1, 3, {akText}),                                      // #SELECTANSWER answers
    shape(1, 1, {akText}),                                      // #NODETITLE
    none(),                                                     // #EVENTON
    none(),                                                     // #EVENTOFF
    shape(1, 1, {akFlag}),                                      // #SETFLG
    shape(1, 1, {akFlag}),                                      // #DELFLG
    none(),                                                     // #ENDIF
    shape(2, kAnyFields, {akNumber, akFlag}),                   // #IFWHITCHFLG count,flags...
    shape(1, 1, {akFlag}),                                      // #IFFLG
    shape(1, 1, {akFlag}),                                      // #IFNFLG
    shape(1, 1, {akTitle}),                                     // #IFREAD
    shape(1, 1, {akTitle}),                                     // #IFNREAD
    shape(2, 2, {akNumber, akPicture}),                         // #LOADSPLITE slot,name
    shape(1, 1, {akPicture}),                                   // #LOADBKGRP
    shape(1, 1, {akJpeg}),                                      // #LOADBKJPG
    none(),                                                     // #DRAWBKGRP
    shape(3, 3, {akNumber}),                                    // #MOVESPLITE slot,x,y
    shape(1, 2, {akNumber, akSwitch}),                          // #DRAWSPLITE slot[,keep]
    shape(0, 1, {akSwitch}),                                    // #DRAWALL
    shape(1, 1, {akNumber}),                                    // #PATCHSPLITE slot
    none(),                                                     // #PATCHALLSPLITE
    shape(0, 1, {akSwitch}),                                    // #FILLBLACK
    shape(0, 1, {akSwitch}),                                    // #FILLWHITE
    shape(1, 1, {akEnding}),                                    // #GOENDING
    shape(1, 1, {akNumber}),                                    // #CHANGEFADE brush
    shape(1, 1, {akNumber}),                                    // #FADEINSPLITE slot
    shape(1, 1, {akNumber}),                                    // #FADEOUTSPLITE slot
    shape(2, 2, {akNumber}),                                    // #FADETOSPLITE from,to
    shape(0, 1, {akSwitch}), shape(0, 1, {akSwitch}), shape(0, 1, {akSwitch}),  // #FADEIN...
    shape(0, 1, {akSwitch}), shape(0, 1, {akSwitch}), shape(0, 1, {akSwitch}),
    shape(0, 1, {akSwitch}), shape(0, 1, {akSwitch}), shape(0, 1, {akSwitch}),  // #FADEOUT...
    shape(0, 1, {akSwitch}), shape(0, 1, {akSwitch}), shape(0, 1, {akSwitch}),
    shape(0, 1, {akSwitch}), shape(0, 1, {akSwitch}),           // #SLITIN...
    shape(0, 1, {akSwitch}), shape(0, 1, {akSwitch}),           // #SLITOUT...
    shape(0, 1, {akNumber}),                                    // #TILT ms
    shape(0, 1, {akNumber}),                                    // #QUAKE ms
    shape(1, 1, {akMusicNumber}),                               // #BGMLOAD
    shape(1, 1, {akMusicFile}),                                 // #BGMNLOAD
    none(),                                                     // #BGMPLAY
    none(),                                                     // #BGMSTOP
    none(),                                                     // #BGMPAUSEONLY
    none(),                                                     // #BGMPAUSE
    shape(0, 1, {akNumber}),                                    // #BGMFADEOUT seconds
    shape(0, 1, {akNumber}),                                    // #BGMFADEIN seconds
    none(),                                                     // #BGMVOLDEF
    shape(1, 1, {akSoundFile}),                                 // #WAVEPLAYSOUND
    shape(1, 1, {akSoundFile}),                                 // #WAVEPLAYBGM
    none(),                                                     // #WAVESTOP
    shape(0, 1, {akNumber}),                                    // #WAVEFADEOUT seconds
    shape(0, 1, {akNumber}),                                    // #WAVEFADEIN seconds
    none(),                                                     // #WAVEVOLDEF
};
static_assert(std::size(kShapes) == kCommandCount, "kShapes holds one shape per TCommandId");

}  // namespace

const TArgShape* CommandArgShape(TCommandId id) {
  if (id < 0 || id >= kCommandCount) return nullptr;
  return &kShapes[id];
}

std::vector<TArgField> SplitArgFields(const char* args) {
  std::vector<TArgField> fields;
  if (!args) return fields;
  bool any = false;
  for (const char* p = args; *p; ++p) {
    if (*p == '=') continue;
    if (!any) {
      fields.push_back(TArgField{static_cast<size_t>(p - args), {}});
      any = true;
    }
    if (*p == ',') {
      fields.push_back(TArgField{static_cast<size_t>(p + 1 - args), {}});
      continue;
    }
    fields.back().text += *p;
  }
  return fields;
}

std::vector<const char*> AllCommandNames() {
  std::vector<const char*> names;
  for (const TCommandTest& test : kTests) {
    names.push_back(test.name->name);
    for (size_t i = 0; i < test.memberCount; ++i) names.push_back(test.members[i].name);
  }
  return names;
}
