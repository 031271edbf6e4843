#include "scenario/pack.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/tool_run.h"

namespace {

ToolRun runTool(const std::vector<std::string>& args) {
  return RunTool(RunPackTool, "miravel-pack", args);
}

std::string pack(const std::string& utf8, bool scramble) {
  std::string out;
  std::vector<TPackMessage> errors;
  EXPECT_TRUE(PackScenario(utf8, scramble, out, errors));
  return out;
}

TEST(PackScenario, RoundTripsThroughCp932) {
  const std::string texts[] = {
      "",
      "開始 \r\n本文です。\r\n#BGM 1\r\n\t分岐 \r\nはい\r\n",
      "lf only\nline\n\ttab marker\n  two blanks\n",
      "lone\rcarriage\rreturns",
      // trail byte 0x5C, a backslash, NEC and IBM extensions, wave dash, full-width minus
      "表ソ\\①髙～－\n",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    std::string plain = pack(text, false);
    std::string scrambled = pack(text, true);
    ASSERT_EQ(plain.size(), scrambled.size());
    std::string unscrambled = scrambled;
    ScrambleBuffer(unscrambled.data(), unscrambled.size(), ScenarioSeed);
    EXPECT_EQ(unscrambled, plain);

    std::string back;
    std::vector<TPackMessage> errors;
    EXPECT_TRUE(UnpackScenario(scrambled, true, back, errors));
    EXPECT_EQ(back, text);
    EXPECT_TRUE(UnpackScenario(plain, false, back, errors));
    EXPECT_EQ(back, text);
    EXPECT_TRUE(errors.empty());
  }
  EXPECT_EQ(pack("あ表①～\r\n", false), "\x82\xA0\x95\x5C\x87\x40\x81\x60\r\n");
  EXPECT_EQ(pack("\xEF\xBB\xBF" "abc\n", false), "abc\n");  // a byte-order mark is dropped
}

TEST(PackScenario, ReportsEveryCharacterCp932CannotHold) {
  const std::string text = "ok\nab😀c\nx\xFFy\n한\nあい😀\n";
  std::string out = "stale";
  std::vector<TPackMessage> errors;
  EXPECT_FALSE(PackScenario(text, true, out, errors));
  EXPECT_TRUE(out.empty());
  struct Want {
    int line, column;
    const char* contains;
  };
  const Want want[] = {
      {2, 3, "U+1F600"},
      {3, 2, "0xFF is not valid UTF-8"},
      {4, 1, "U+D55C"},
      {5, 3, "U+1F600"},  // columns count characters, not bytes
  };
  ASSERT_EQ(errors.size(), std::size(want));
  for (size_t i = 0; i < errors.size(); ++i) {
    SCOPED_TRACE(errors[i].text);
    EXPECT_EQ(errors[i].line, want[i].line);
    EXPECT_EQ(errors[i].column, want[i].column);
    EXPECT_NE(errors[i].text.find(want[i].contains), std::string::npos);
  }
}

TEST(PackScenario, ManyErrorsAreCapped) {
  std::string text;
  for (int i = 0; i < 30; ++i) text += "😀\n";
  std::string out;
  std::vector<TPackMessage> errors;
  EXPECT_FALSE(PackScenario(text, false, out, errors));
  ASSERT_EQ(errors.size(), 21u);
  EXPECT_EQ(errors[19].line, 20);
  EXPECT_NE(errors[20].text.find("10 more"), std::string::npos);
}

TEST(PackScenario, WarnsAboutWhatTheEngineWouldCutOrDrop) {
  std::string out;
  std::vector<TPackMessage> errors, warnings;
  ASSERT_TRUE(PackScenario("intro\n\tChapter \nbody\n" + std::string(1100, 'a') + "\n", true, out,
                           errors, &warnings));
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[0].line, 2);
  EXPECT_NE(warnings[0].text.find("loses its 1 line"), std::string::npos);
  EXPECT_EQ(warnings[1].line, 4);
  // The warning says what the engine does; the packed file keeps the line whole.
  EXPECT_NE(warnings[1].text.find("the engine reads only its first 1022 bytes"), std::string::npos);
  EXPECT_GT(out.size(), 1100u);
}

TEST(UnpackScenario, RejectsBytesThatAreNotText) {
  std::string out;
  std::vector<TPackMessage> errors;
  EXPECT_FALSE(UnpackScenario("ok\n\x82\xA0\x80\n", false, out, errors));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].line, 2);
  EXPECT_EQ(errors[0].column, 2);
  EXPECT_TRUE(out.empty());

  // A plain file taken for a scrambled one (and the other way round) is recognised.
  const std::string text = "This is a plain scenario line.\nAnother line of text here.\n";
  for (bool packedScrambled : {false, true}) {
    errors.clear();
    EXPECT_FALSE(UnpackScenario(pack(text, packedScrambled), !packedScrambled, out, errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].text.find("--plain"), std::string::npos) << errors[0].text;
  }
}

TEST(PackTool, PacksUnpacksAndWritesNothingOnError) {
  TempDir dir;
  const std::string text = "開始 \r\n本文\r\n\t次 \r\n続き\r\n";
  ASSERT_TRUE(dir.Write("in.txt", text));

  ToolRun r = runTool({dir.File("in.txt"), dir.File("mscs.ssf")});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string packed = dir.ReadText("mscs.ssf");
  TNodeTree tree;
  ASSERT_TRUE(LoadScenarioFile(dir.File("mscs.ssf").c_str(), true, tree));
  ASSERT_EQ(tree.Count(), 2);
  EXPECT_EQ(tree.Item(1)->BodyText(), "\x91\xB1\x82\xAB\n");  // 続き

  r = runTool({"--plain", dir.File("in.txt"), dir.File("plain.ssf")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.ReadText("plain.ssf"), pack(text, false));

  r = runTool({"--unpack", dir.File("mscs.ssf"), dir.File("back.txt")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.ReadText("back.txt"), text);
  r = runTool({"--unpack", "--plain", dir.File("plain.ssf"), dir.File("back2.txt")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.ReadText("back2.txt"), text);

  // An unconvertible character: the old output stays as it was and no new file appears.
  ASSERT_TRUE(dir.Write("bad.txt", "ok\nab😀\n"));
  r = runTool({dir.File("bad.txt"), dir.File("mscs.ssf")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(dir.File("bad.txt") + ":2:3: "), std::string::npos) << r.err;
  EXPECT_EQ(dir.ReadText("mscs.ssf"), packed);
  r = runTool({dir.File("bad.txt"), dir.File("new.ssf")});
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(std::filesystem::exists(dir.File("new.ssf")));

  // Unreadable input, unwritable output.
  r = runTool({dir.File("missing.txt"), dir.File("x.ssf")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot read"), std::string::npos);
  r = runTool({dir.File("in.txt"), dir.File("no/such/dir/x.ssf")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot write"), std::string::npos);
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

TEST(PackTool, UsageErrorsExitWithTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"a.txt"},
      {"a.txt", "b.ssf", "c"},
      {"--tree"},
      {"--tree", "a", "b"},
      {"--unpack", "a.ssf"},
      {"--unpack", "--tree", "a.ssf"},
      {"--bogus", "a.txt", "b.ssf"},
      {"", "b.ssf"},
  };
  for (const auto& args : cases) {
    ToolRun r = runTool(args);
    EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
    EXPECT_NE(r.err.find("usage:"), std::string::npos);
  }
  ToolRun help = runTool({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--unpack"), std::string::npos);
}

TEST(PackTool, TreeListsTheSameNodesForTextAndPackedFiles) {
  TempDir dir;
  const std::string text = "#BG 1\n\t\"A\" \n選択肢A \nA\n \n選択肢B \nB\n\tB-1\nb1\n";
  ASSERT_TRUE(dir.Write("s.txt", text));
  ASSERT_TRUE(dir.Write("s.ssf", pack(text, true)));
  ASSERT_TRUE(dir.Write("p.ssf", pack(text, false)));

  const std::string expected =
      "index depth lines children  title\n"
      "    0     0     -        2  \"\\t\\\"A\\\"\"  -> 1 2\n"
      "    1     1     1        0    \"選択肢A\"\n"
      "    2     1     1        1    \"選択肢B\"  -> 3\n"
      "    3     2     1        0      \"\"\n";
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--tree", dir.File("s.txt")},
        std::vector<std::string>{"--tree", dir.File("s.ssf")},
        std::vector<std::string>{"--plain", "--tree", dir.File("p.ssf")}}) {
    ToolRun r = runTool(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected) << args.back();
    // The root's closing marker line ends in a blank and became its title: "#BG 1" is lost.
    EXPECT_NE(r.err.find(args.back() + ":2: warning: "), std::string::npos) << r.err;
  }
}

}  // namespace
