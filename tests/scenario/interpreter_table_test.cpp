// The command table: which handler a "#" line reaches, with which argument text, and what
// ExecuteCommand answers for comments, text and lines no name decides.
#include <gtest/gtest.h>

#include <string>

#include "scenario/command_table.h"
#include "support/interp_story.h"
#include "support/scenario_builder.h"

namespace {

using M = TMainFrm;
using Plain = bool (M::*)(const char*);
using Kinded = bool (M::*)(const char*, int);

struct Case {
  const char* line;
  const char* name;  // null: no name decides
  const char* args;
  Plain plain = nullptr;
  Kinded kinded = nullptr;
  int kind = 0;
};

Case P(const char* line, const char* name, const char* args, Plain h) {
  return Case{line, name, args, h, nullptr, 0};
}
Case K(const char* line, const char* name, const char* args, Kinded h, int kind) {
  return Case{line, name, args, nullptr, h, kind};
}
Case None(const char* line) { return Case{line, nullptr, nullptr}; }

const Case kCases[] = {
    P("#TIMEWAIT=100", "#TIMEWAIT", "=100", &M::cmdTimeWait),
    P("#TEXTWAIT=3", "#TEXTWAIT", "=3", &M::cmdTextWait),
    P("#TEXTDISPLINE", "#TEXTDISPLINE", "", &M::cmdTextDispLine),
    P("#SETCHARNAME=1,a,b,2,c,d", "#SETCHARNAME", "=1,a,b,2,c,d", &M::cmdSetCharName),
    P("#CHARNAME=$1", "#CHARNAME", "=$1", &M::cmdCharName),
    P("#GOTONODESELECT=A", "#GOTONODESELECT", "=A", &M::cmdGotoNodeSelect),
    P("#GOTONODEFIRST=A", "#GOTONODEFIRST", "=A", &M::cmdGotoNodeFirst),
    P("#GOTONODEFIRSTX", "#GOTONODEFIRST", "X", &M::cmdGotoNodeFirst),
    P("#GOTO=A", "#GOTO", "=A", &M::cmdGoto),
    P("#GOTOX", "#GOTO", "X", &M::cmdGoto),
    P("#GOTONODE", "#GOTO", "NODE", &M::cmdGoto),
    P("#DOLOOP", "#DOLOOP", "", &M::cmdDoLoop),
    P("#WHILECOUNT=3", "#WHILECOUNT", "=3", &M::cmdWhileCount),
    P("#WHILECLICK", "#WHILECLICK", "", &M::cmdWhileClick),
    P("#WAIT", "#WAIT", "", &M::cmdWait),
    P("#WAITING", "#WAIT", "ING", &M::cmdWait),
    P("#GOTITLE", "#GOTITLE", "", &M::cmdGoTitle),
    P("#SELECTSTRING=q", "#SELECTSTRING", "=q", &M::cmdSelectString),
    P("#SELECTANSWER=a,b,c", "#SELECTANSWER", "=a,b,c", &M::cmdSelectAnswer),
    P("#NODETITLE=t", "#NODETITLE", "=t", &M::cmdNodeTitle),
    P("#EVENTON", "#EVENTON", "", &M::cmdEventOn),
    P("#EVENTOFF", "#EVENTOFF", "", &M::cmdEventOff),
    P("#SETFLG=1", "#SETFLG", "=1", &M::cmdSetFlg),
    P("#DELFLG=1", "#DELFLG", "=1", &M::cmdDelFlg),
    None("#SETPARAMVALUE=1,2"),
    None("#SETPARAMPLUS=1,2"),
    None("#SETPARAMMINAS=1,2"),
    None("#GETPARAMEQ=1,2"),
    None("#GETPARAMGE=1,2"),
    None("#GETPARAMGT=1,2"),
    None("#GETPARAMLE=1,2"),
    None("#GETPARAMLT=1,2"),
    P("#ENDIF", "#ENDIF", "", &M::cmdEndIf),
    P("#ENDIFX", "#ENDIF", "X", &M::cmdEndIf),
    P("#IFWHITCHFLG=2,5,6", "#IFWHITCHFLG", "=2,5,6", &M::cmdIfWhitchFlg),
    P("#IFFLG=1", "#IFFLG", "=1", &M::cmdIfFlg),
    P("#IFNFLG=1", "#IFNFLG", "=1", &M::cmdIfNFlg),
    P("#IFREAD=A", "#IFREAD", "=A", &M::cmdIfRead),
    P("#IFNREAD=A", "#IFNREAD", "=A", &M::cmdIfNRead),
    P("#LOADSPLITE=3,girl", "#LOADSPLITE", "=3,girl", &M::cmdLoadSplite),
    P("#LOADBKGRP=bg", "#LOADBKGRP", "=bg", &M::cmdLoadBkGrp),
    P("#LOADBKJPG=bg", "#LOADBKJPG", "=bg", &M::cmdLoadBkJpg),
    P("#DRAWBKGRP", "#DRAWBKGRP", "", &M::cmdDrawBkGrp),
    P("#MOVESPLITE=2,-10,5", "#MOVESPLITE", "=2,-10,5", &M::cmdMoveSplite),
    P("#DRAWSPLITE=2,1", "#DRAWSPLITE", "=2,1", &M::cmdDrawSplite),
    P("#DRAWALL=1", "#DRAWALL", "=1", &M::cmdDrawAll),
    P("#PATCHSPLITE=2", "#PATCHSPLITE", "=2", &M::cmdPatchSplite),
    P("#PATCHALLSPLITE", "#PATCHALLSPLITE", "", &M::cmdPatchAllSplite),
    P("#FILLBLACK=1", "#FILLBLACK", "=1", &M::cmdFillBlack),
    P("#FILLWHITE=1", "#FILLWHITE", "=1", &M::cmdFillWhite),
    P("#GOENDING=2", "#GOENDING", "=2", &M::cmdGoEnding),
    P("#CHANGEFADE=2", "#CHANGEFADE", "=2", &M::cmdChangeFade),
    P("#FADEINSPLITE=1", "#FADEINSPLITE", "=1", &M::cmdFadeInSplite),
    P("#FADEOUTSPLITE=1", "#FADEOUTSPLITE", "=1", &M::cmdFadeOutSplite),
    P("#FADETOSPLITE=1,2", "#FADETOSPLITE", "=1,2", &M::cmdFadeToSplite),
    K("#FADEINBLACKCONTRAST=1", "#FADEINBLACKCONTRAST", "=1", &M::cmdFadeInBlack, 6),
    K("#FADEINBLACKRGB=1", "#FADEINBLACKRGB", "=1", &M::cmdFadeInBlack, 8),
    K("#FADEINBLACK=1", "#FADEINBLACK", "=1", &M::cmdFadeInBlack, 2),
    K("#FADEINBLACKRG", "#FADEINBLACK", "RG", &M::cmdFadeInBlack, 2),
    K("#FADEINWHITECONTRAST=1", "#FADEINWHITECONTRAST", "=1", &M::cmdFadeInWhite, 5),
    K("#FADEINWHITERGB=1", "#FADEINWHITERGB", "=1", &M::cmdFadeInWhite, 7),
    K("#FADEINWHITE=1", "#FADEINWHITE", "=1", &M::cmdFadeInWhite, 1),
    K("#FADEOUTBLACKCONTRAST=1", "#FADEOUTBLACKCONTRAST", "=1", &M::cmdFadeOutBlack, 6),
    K("#FADEOUTBLACKRGB=1", "#FADEOUTBLACKRGB", "=1", &M::cmdFadeOutBlack, 8),
    K("#FADEOUTBLACK=1", "#FADEOUTBLACK", "=1", &M::cmdFadeOutBlack, 2),
    K("#FADEOUTWHITECONTRAST=1", "#FADEOUTWHITECONTRAST", "=1", &M::cmdFadeOutWhite, 5),
    K("#FADEOUTWHITERGB=1", "#FADEOUTWHITERGB", "=1", &M::cmdFadeOutWhite, 7),
    K("#FADEOUTWHITE=1", "#FADEOUTWHITE", "=1", &M::cmdFadeOutWhite, 1),
    K("#SLITINLEFT=1", "#SLITINLEFT", "=1", &M::cmdSlitIn, 3),
    K("#SLITINRIGHT=1", "#SLITINRIGHT", "=1", &M::cmdSlitIn, 4),
    K("#SLITOUTLEFT=1", "#SLITOUTLEFT", "=1", &M::cmdSlitOut, 3),
    K("#SLITOUTRIGHT=1", "#SLITOUTRIGHT", "=1", &M::cmdSlitOut, 4),
    P("#TILT=5", "#TILT", "=5", &M::cmdTilt),
    P("#QUAKE=5", "#QUAKE", "=5", &M::cmdQuake),
    P("#BGMLOAD=3", "#BGMLOAD", "=3", &M::cmdBgmLoad),
    P("#BGMNLOAD=song.mid", "#BGMNLOAD", "=song.mid", &M::cmdBgmNLoad),
    P("#BGMPLAY", "#BGMPLAY", "", &M::cmdBgmPlay),
    P("#BGMSTOP", "#BGMSTOP", "", &M::cmdBgmStop),
    P("#BGMPAUSEONLY", "#BGMPAUSEONLY", "", &M::cmdBgmPauseOnly),
    P("#BGMPAUSE", "#BGMPAUSE", "", &M::cmdBgmPause),
    P("#BGMPAUSEON", "#BGMPAUSE", "ON", &M::cmdBgmPause),
    P("#BGMFADEOUT=2", "#BGMFADEOUT", "=2", &M::cmdBgmFadeOut),
    P("#BGMFADEIN=2", "#BGMFADEIN", "=2", &M::cmdBgmFadeIn),
    P("#BGMVOLDEF", "#BGMVOLDEF", "", &M::cmdBgmVolDef),
    P("#WAVEPLAYSOUND=a", "#WAVEPLAYSOUND", "=a", &M::cmdWavePlaySound),
    P("#WAVEPLAYBGM=a", "#WAVEPLAYBGM", "=a", &M::cmdWavePlayBgm),
    P("#WAVESTOP", "#WAVESTOP", "", &M::cmdWaveStop),
    P("#WAVEFADEOUT=2", "#WAVEFADEOUT", "=2", &M::cmdWaveFadeOut),
    P("#WAVEFADEIN=2", "#WAVEFADEIN", "=2", &M::cmdWaveFadeIn),
    P("#WAVEVOLDEF", "#WAVEVOLDEF", "", &M::cmdWaveVolDef),
    // Group prefixes and near misses decide nothing.
    None("#FADE"),
    None("#FADEIN=1"),
    None("#SLIT=1"),
    None("#BGM"),
    None("#BGMPAUS"),
    None("#WAVE"),
    None("#WAVEPLAY=a"),
    None("#GOT"),
    None("#IF=1"),
    None("#timewait=1"),
    None("# TIMEWAIT=1"),
    None("#"),
};

}  // namespace

TEST(CommandTable, EachLineReachesItsHandlerWithTheRestAsArguments) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.line);
    const char* args = nullptr;
    const TCommandEntry* e = MatchCommand(c.line, &args);
    if (!c.name) {
      EXPECT_EQ(e, nullptr) << e->name;
      continue;
    }
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->name, c.name);
    ASSERT_NE(args, nullptr);
    EXPECT_STREQ(args, c.args);
    EXPECT_TRUE(e->handler == c.plain);
    EXPECT_TRUE(e->kindHandler == c.kinded);
    if (c.kinded) EXPECT_EQ(e->kind, c.kind);
  }
}

TEST(CommandTable, ExecuteCommandAnswers) {
  InterpStory s(ScenarioText({"root", "\t", "x ", "in x"}));
  ASSERT_TRUE(s.ok());
  struct Row {
    const char* line;
    bool result;
  } rows[] = {
      {"", false},
      {";#GOTO=x", true},  // a comment, even when it looks like a command
      {"/#GOTO=x", true},
      {";", true},
      {" #GOTO=x", false},  // a blank first: text
      {"\t#GOTO=x", false},
      {"text", false},
      {"#UNKNOWN=1", false},
      {"#SETPARAMVALUE=1,2", false},
      {"#GETPARAMLT=1,2", false},
      {"#TEXTWAIT=5", true},
      {"#ENDIF", true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.line);
    EXPECT_EQ(s.Exec(r.line), r.result);
    EXPECT_EQ(s.form->NodeIndex, 0) << "no jump may happen";
  }
  EXPECT_FALSE(s.form->ExecuteCommand(nullptr));
  // #GOTITLE is the one recognised command that answers false.
  EXPECT_FALSE(s.Exec("#GOTITLE"));
  EXPECT_EQ(s.form->StepState, ssTitle);
}

TEST(CommandTable, OnlyTheFirst255BytesOfALineRun) {
  InterpStory s(ScenarioText({"root"}));
  ASSERT_TRUE(s.ok());
  // The title field ends where the line buffer ends; a two-byte character across the end goes.
  std::string line = "#NODETITLE=" + std::string(243, 'a') + Cp932("あい");
  ASSERT_EQ(line.size(), 258u);
  EXPECT_TRUE(s.form->ExecuteCommand(line.c_str()));
  EXPECT_EQ(std::string(s.form->NodeTitle), std::string(243, 'a'));
  // ExecuteCommandText takes any text and runs it the same way.
  EXPECT_TRUE(s.form->ExecuteCommandText(line.c_str()));
  EXPECT_EQ(std::string(s.form->NodeTitle), std::string(243, 'a'));
  EXPECT_FALSE(s.form->ExecuteCommandText(nullptr));
}
