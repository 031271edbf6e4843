#include "scenario/command_table.h"

#include <array>
#include <iterator>

namespace {

using M = TMainFrm;
using Plain = bool (M::*)(const char*);
using Kinded = bool (M::*)(const char*, int);

struct TBinding {
  TCommandId id;
  Plain handler;
  Kinded kindHandler;
  TFadeKind kind;
};

constexpr TBinding bind(TCommandId id, Plain h) { return TBinding{id, h, nullptr, fkNone}; }
constexpr TBinding bindKind(TCommandId id, Kinded h, TFadeKind kind) {
  return TBinding{id, nullptr, h, kind};
}

// In TCommandId order; the check below keeps it complete.
constexpr TBinding kBindings[] = {
    bind(ciTimeWait, &M::cmdTimeWait),
    bind(ciTextWait, &M::cmdTextWait),
    bind(ciTextDispLine, &M::cmdTextDispLine),
    bind(ciSetCharName, &M::cmdSetCharName),
    bind(ciCharName, &M::cmdCharName),
    bind(ciGotoNodeSelect, &M::cmdGotoNodeSelect),
    bind(ciGotoNodeFirst, &M::cmdGotoNodeFirst),
    bind(ciGoto, &M::cmdGoto),
    bind(ciDoLoop, &M::cmdDoLoop),
    bind(ciWhileCount, &M::cmdWhileCount),
    bind(ciWhileClick, &M::cmdWhileClick),
    bind(ciWait, &M::cmdWait),
    bind(ciGoTitle, &M::cmdGoTitle),
    bind(ciSelectString, &M::cmdSelectString),
    bind(ciSelectAnswer, &M::cmdSelectAnswer),
    bind(ciNodeTitle, &M::cmdNodeTitle),
    bind(ciEventOn, &M::cmdEventOn),
    bind(ciEventOff, &M::cmdEventOff),
    bind(ciSetFlg, &M::cmdSetFlg),
    bind(ciDelFlg, &M::cmdDelFlg),
    bind(ciEndIf, &M::cmdEndIf),
    bind(ciIfWhitchFlg, &M::cmdIfWhitchFlg),
    bind(ciIfFlg, &M::cmdIfFlg),
    bind(ciIfNFlg, &M::cmdIfNFlg),
    bind(ciIfRead, &M::cmdIfRead),
    bind(ciIfNRead, &M::cmdIfNRead),
    bind(ciLoadSplite, &M::cmdLoadSplite),
    bind(ciLoadBkGrp, &M::cmdLoadBkGrp),
    bind(ciLoadBkJpg, &M::cmdLoadBkJpg),
    bind(ciDrawBkGrp, &M::cmdDrawBkGrp),
    bind(ciMoveSplite, &M::cmdMoveSplite),
    bind(ciDrawSplite, &M::cmdDrawSplite),
    bind(ciDrawAll, &M::cmdDrawAll),
    bind(ciPatchSplite, &M::cmdPatchSplite),
    bind(ciPatchAllSplite, &M::cmdPatchAllSplite),
    bind(ciFillBlack, &M::cmdFillBlack),
    bind(ciFillWhite, &M::cmdFillWhite),
    bind(ciGoEnding, &M::cmdGoEnding),
    bind(ciChangeFade, &M::cmdChangeFade),
    bind(ciFadeInSplite, &M::cmdFadeInSplite),
    bind(ciFadeOutSplite, &M::cmdFadeOutSplite),
    bind(ciFadeToSplite, &M::cmdFadeToSplite),
    bindKind(ciFadeInBlackContrast, &M::cmdFadeInBlack, fkBlackContrast),
    bindKind(ciFadeInBlackRGB, &M::cmdFadeInBlack, fkBlackRGB),
    bindKind(ciFadeInBlack, &M::cmdFadeInBlack, fkBlack),
    bindKind(ciFadeInWhiteContrast, &M::cmdFadeInWhite, fkWhiteContrast),
    bindKind(ciFadeInWhiteRGB, &M::cmdFadeInWhite, fkWhiteRGB),
    bindKind(ciFadeInWhite, &M::cmdFadeInWhite, fkWhite),
    bindKind(ciFadeOutBlackContrast, &M::cmdFadeOutBlack, fkBlackContrast),
    bindKind(ciFadeOutBlackRGB, &M::cmdFadeOutBlack, fkBlackRGB),
    bindKind(ciFadeOutBlack, &M::cmdFadeOutBlack, fkBlack),
    bindKind(ciFadeOutWhiteContrast, &M::cmdFadeOutWhite, fkWhiteContrast),
    bindKind(ciFadeOutWhiteRGB, &M::cmdFadeOutWhite, fkWhiteRGB),
    bindKind(ciFadeOutWhite, &M::cmdFadeOutWhite, fkWhite),
    bindKind(ciSlitInLeft, &M::cmdSlitIn, fkSlitLeft),
    bindKind(ciSlitInRight, &M::cmdSlitIn, fkSlitRight),
    bindKind(ciSlitOutLeft, &M::cmdSlitOut, fkSlitLeft),
    bindKind(ciSlitOutRight, &M::cmdSlitOut, fkSlitRight),
    bind(ciTilt, &M::cmdTilt),
    bind(ciQuake, &M::cmdQuake),
    bind(ciBgmLoad, &M::cmdBgmLoad),
    bind(ciBgmNLoad, &M::cmdBgmNLoad),
    bind(ciBgmPlay, &M::cmdBgmPlay),
    bind(ciBgmStop, &M::cmdBgmStop),
    bind(ciBgmPauseOnly, &M::cmdBgmPauseOnly),
    bind(ciBgmPause, &M::cmdBgmPause),
    bind(ciBgmFadeOut, &M::cmdBgmFadeOut),
    bind(ciBgmFadeIn, &M::cmdBgmFadeIn),
    bind(ciBgmVolDef, &M::cmdBgmVolDef),
    bind(ciWavePlaySound, &M::cmdWavePlaySound),
    bind(ciWavePlayBgm, &M::cmdWavePlayBgm),
    bind(ciWaveStop, &M::cmdWaveStop),
    bind(ciWaveFadeOut, &M::cmdWaveFadeOut),
    bind(ciWaveFadeIn, &M::cmdWaveFadeIn),
    bind(ciWaveVolDef, &M::cmdWaveVolDef),
};

// Every command of the core has exactly one handler, and the table is in TCommandId order.
constexpr bool bindingsComplete() {
  if (std::size(kBindings) != kCommandCount) return false;
  for (size_t i = 0; i < std::size(kBindings); ++i) {
    const TBinding& b = kBindings[i];
    if (b.id != static_cast<TCommandId>(i)) return false;
    if ((b.handler == nullptr) == (b.kindHandler == nullptr)) return false;
  }
  return true;
}
static_assert(bindingsComplete(), "a command of scenario/commands.h has no handler here");

// The limits the checker applies are the save record's.
static_assert(kFlagLimit == kFlagCount && kNameEntryLimit == kCharNameCount);

// The entries with their names, made on first use.
const std::array<TCommandEntry, kCommandCount>& entries() {
  static const std::array<TCommandEntry, kCommandCount> table = [] {
    std::array<TCommandEntry, kCommandCount> t{};
    for (const TBinding& b : kBindings)
      t[b.id] = TCommandEntry{CommandName(b.id), b.handler, b.kindHandler, b.kind};
    return t;
  }();
  return table;
}

}  // namespace

const TCommandEntry* MatchCommand(const char* line, const char** args) {
  const TCommandName* command = MatchCommandName(line, args);
  if (!command) return nullptr;
  return &entries()[command->id];
}
