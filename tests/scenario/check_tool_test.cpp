#include "scenario/check.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <string>
#include <vector>

#include "scenario/commands.h"
#include "scenario/pack.h"
#include "screens/ending_file.h"
#include "support/scenario_builder.h"
#include "support/temp_dir.h"
#include "support/tool_run.h"

namespace {

// A game folder with one picture, one piece of music, one sound and one ending file whose roll
// names a picture that is missing.
void writeGame(const TempDir& dir) {
  dir.Write("miravel.ini", "[SYSTEM]\r\nGrpPath=pics\\\r\n[GRP]\r\nEXTB=bmp\r\n");
  dir.Write("pics/BACK.bmp", "x");
  dir.Write("bgm/0001.mid", "x");
  dir.Write("wav/BELL.WAV", "x");
  TEndingFile ending;
  TEndingEntry picture{};
  std::snprintf(picture.EntryText, sizeof picture.EntryText, "GONE");
  ending.Entries.push_back(picture);
  dir.Write("mscs02.esf", EndingFileBytes(ending));
  dir.Write("mscs01.esf", EndingFileBytes(TEndingFile{}));
}

std::vector<TCheckDiagnostic> check(const std::string& utf8, const std::string& game = "") {
  TCheckInput in;
  in.data = utf8;
  in.gameDir = game;
  return CheckScenario(in);
}

struct Case {
  std::vector<std::string_view> lines;
  int line, column;  // column 0: not checked
  bool error;
  const char* phrase;
};

TEST(CheckScenario, ReportsEachFaultAtItsPlace) {
  TempDir dir;
  writeGame(dir);
  const std::string longLine(1100, 'a');
  const Case cases[] = {
      {{"#TIMEWIAT=3"}, 1, 1, true, "did you mean '#TIMEWAIT'"},
      {{"#FOO"}, 1, 1, true, "unknown command '#FOO'"},
      {{"#GOTONODE=x"}, 1, 1, true, "read as '#GOTO'"},
      {{"#MOVESPLITE=1,2"}, 1, 0, true, "expects 3 arguments, got 2"},
      {{"#TEXTWAIT=1,2"}, 1, 13, true, "at most 1"},
      {{"#TIMEWAIT=fast"}, 1, 11, true, "must be a number"},
      {{"a", "#GOTO=Nowhere"}, 2, 7, true, "no node title begins with it"},
      {{"#SETFLG=1024"}, 1, 9, true, "flag 1024 does not exist"},
      {{"#IFWHITCHFLG=1,5,2000", "#ENDIF"}, 1, 18, true, "flag 2000"},
      {{"#SETCHARNAME=13,a,b"}, 1, 14, true, "name entry 13 is outside"},
      {{"#IFFLG=3", "x"}, 1, 1, true, "without an #ENDIF"},
      {{"#DOLOOP", "x"}, 1, 1, true, "#DOLOOP without"},
      {{"#WHILECLICK"}, 1, 1, true, "without a #DOLOOP"},
      {{"#LOADBKGRP=MISSING"}, 1, 12, true, "picture 'pics\\MISSING.bmp' is not in the game folder"},
      {{"#LOADBKJPG=BACK"}, 1, 0, true, "BACK.JPG"},
      {{"#BGMLOAD=2"}, 1, 0, true, "music 'bgm\\0002.mid'"},
      {{"#WAVEPLAYSOUND=RING.WAV"}, 1, 0, true, "sound"},
      {{"#GOENDING=3"}, 1, 0, true, "mscs03.esf"},
      {{"#GOENDING=2"}, 1, 0, true, "ending 2: picture 'pics\\GONE.JPG'"},
      {{"#LOADSPLITE=1,"}, 1, 0, true, "names no file"},
      {{"r ", "#SELECTANSWER=a,b", "\t", "A ", " ", "B ", " ", "C "}, 2, 1, true,
       "gives 2 answers for node 0 'r' with 3 children"},
      {{"r ", "\t", "A ", " ", "B "}, 1, 0, true, "no #SELECTANSWER"},
      {{"#LOADBKGRP=back"}, 1, 12, false, "letter case differs"},
      {{"a $9 b"}, 1, 3, false, "'$9' is no name"},
      {{"#CHARNAME=$0"}, 1, 11, false, "'$0' is no name"},
      {{"r ", "#GOTO=B", "\t", "A ", "\t", "B "}, 3, 0, false, "node 1 'A' is never reached"},
      {{longLine}, 1, 0, false, "1100 bytes"},
      {{"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"
        "あいうえおかきくけこさしすせそたちつてとなにぬねの"},
       1, 0, false, "message window"},
      {{"ok", "한"}, 2, 1, true, ""},
  };
  for (const Case& c : cases) {
    std::string text;
    for (std::string_view l : c.lines) text += std::string(l) + "\r\n";
    SCOPED_TRACE(text.substr(0, 80));
    std::vector<TCheckDiagnostic> found = check(text, dir.Path());
    ASSERT_EQ(found.size(), 1u) << found[0].text << " | " << found.back().text;
    const TCheckDiagnostic& d = found[0];
    EXPECT_EQ(d.line, c.line);
    if (c.column) EXPECT_EQ(d.column, c.column);
    EXPECT_EQ(d.error, c.error);
    EXPECT_NE(d.text.find(c.phrase), std::string::npos) << d.text;
  }
}

TEST(CheckScenario, CleanStoryWithAndWithoutAGame) {
  TempDir dir;
  writeGame(dir);
  const std::string story = ScenarioText({"start ", "#SETCHARNAME=1,姓,星野,2,名,ひかる",
                                          "#CHARNAME=【$2】", "#LOADBKGRP=BACK", "#BGMLOAD=1",
                                          "#DOLOOP", "#WAVEPLAYSOUND=BELL.WAV", "#WHILECOUNT=2",
                                          "#IFFLG=3", "#SETFLG=1023", "#ENDIF", "こんにちは、$1$2。",
                                          "#SELECTANSWER=はい,いいえ", "\t", "yes ", "#GOENDING=1",
                                          " ", "no ", "#GOTO=yes"});
  EXPECT_TRUE(check(story, dir.Path()).empty());
  EXPECT_TRUE(check(story).empty());  // no folder: no file is looked up
}

// A packed file gives the same findings at the same lines as its text.
TEST(CheckScenario, PackedFileReadsAsTheEngineReadsIt) {
  std::string text = ScenarioText({"a", "#SETFLG=5000", "b"});
  std::string packed;
  std::vector<TPackMessage> errors;
  ASSERT_TRUE(PackScenario(text, true, packed, errors));
  TCheckInput in;
  in.data = packed;
  in.packed = true;
  std::vector<TCheckDiagnostic> found = CheckScenario(in);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].line, 2);
}

// Every command with fewer fields than its shape asks for is reported, and a line with exactly
// the fields its shape names passes the argument checks.
TEST(CheckScenario, ArgumentShapesCoverEveryCommand) {
  for (int id = 0; id < kCommandCount; ++id) {
    const TArgShape* shape = CommandArgShape(static_cast<TCommandId>(id));
    ASSERT_NE(shape, nullptr);
    std::string line = CommandName(static_cast<TCommandId>(id));
    SCOPED_TRACE(line);
    if (shape->minFields > 0) {
      std::vector<TCheckDiagnostic> found = check(line + "\r\n");
      ASSERT_FALSE(found.empty());
      EXPECT_NE(found[0].text.find("expects"), std::string::npos) << found[0].text;
    }
  }
}

TEST(CheckTool, StatusOutputAndOptions) {
  TempDir dir;
  writeGame(dir);
  dir.Write("story.txt", ScenarioText({"a $9"}));
  dir.Write("bad.txt", ScenarioText({"#GOTO=none"}));
  ToolRun r = RunTool(RunCheckTool, "miravel-check", {dir.File("story.txt")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, dir.File("story.txt") + ":1:3: warning: '$9' is no name: names are $1 to $8 "
                                             "(it is shown as written)\n");
  r = RunTool(RunCheckTool, "miravel-check", {"--werror", dir.File("story.txt")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find(":1:3: error:"), std::string::npos);
  r = RunTool(RunCheckTool, "miravel-check", {"--game", dir.Path(), dir.File("bad.txt")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(RunTool(RunCheckTool, "miravel-check", {}).status, 2);
  EXPECT_EQ(RunTool(RunCheckTool, "miravel-check", {dir.File("none.txt")}).status, 1);
}

}  // namespace
