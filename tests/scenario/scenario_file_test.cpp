#include "scenario/scenario_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/scenario_builder.h"
#include "support/temp_dir.h"

namespace {

// What one node should look like: parent index (-1 for the root), title and body (nullopt for
// no body at all).
struct ExpectedNode {
  int parent;
  std::string title;
  std::optional<std::string> body;
};

void expectTree(const TNodeTree& tree, const std::vector<ExpectedNode>& expected) {
  ASSERT_EQ(tree.Count(), static_cast<int>(expected.size()));
  for (int i = 0; i < tree.Count(); ++i) {
    SCOPED_TRACE("node " + std::to_string(i));
    const TScenarioNode* n = tree.Item(i);
    const ExpectedNode& e = expected[static_cast<size_t>(i)];
    EXPECT_EQ(n->Parent() ? n->Parent()->AbsoluteIndex() : -1, e.parent);
    EXPECT_EQ(n->Text(), e.title);
    ASSERT_EQ(n->HasBody(), e.body.has_value());
    if (e.body) {
      EXPECT_EQ(n->BodyText(), *e.body);
    }
  }
}

TNodeTree parse(const std::string& text, std::vector<TScenarioNote>* notes = nullptr) {
  TNodeTree tree;
  BuildScenarioTree(text.data(), text.size(), tree, notes);
  return tree;
}

const std::nullopt_t none = std::nullopt;

struct TreeCase {
  const char* name;
  std::string text;
  std::vector<ExpectedNode> nodes;
};

TEST(ScenarioTree, BuildsTheTreeFromMarkerLines) {
  const std::string kA(1022, 'a');
  const std::string kJa = "\x82\xA0";  // a two-byte character
  const TreeCase cases[] = {
      {"empty file: a root with an empty body", "", {{-1, "", ""}}},
      {"no marker lines: all in the root",
       "one\r\ntwo\r\n#BG 1\r\n",
       {{-1, "", "one\ntwo\n#BG 1\n"}}},
      {"CR, LF and CR LF end lines; a final break adds nothing",
       "a\rb\nc\r\nd",
       {{-1, "", "a\nb\nc\nd\n"}}},
      {"empty lines are kept", "a\n\n\r\r\n", {{-1, "", "a\n\n\n\n"}}},
      {"a lone CR at the end", "a\r", {{-1, "", "a\n"}}},
      {"the first line ending in a blank is the title, later ones are text",
       "hello\r\nTitle \r\nagain \r\n",
       {{-1, "Title", "hello\nagain \n"}}},
      {"a title may end in a lone lead byte", "\x82 \nx\n", {{-1, "\x82", "x\n"}}},
      {"a NUL byte ends the text", std::string("a\nb\0c\n\td\n", 9), {{-1, "", "a\nb\n"}}},
      {"tab markers open a child whatever follows the tab",
       "r\n\tA\nx\nT \n\t  x \ny\n",
       {{-1, "", "r\n"}, {0, "T", "x\n"}, {1, "", "y\n"}}},
      {"blanks walk up one level each, capped at the root",
       "r\n\ta\n\tb\n\tc\nline c\n d\n  e\n     f\nlast\n",
       {{-1, "", "r\n"},
        {0, "", none},
        {1, "", none},
        {2, "", "line c\n"},
        {2, "", none},
        {1, "", none},
        {0, "", "last\n"}}},
      {"a blank marker at the root opens a child of the root",
       "r\n x\ny\n",
       {{-1, "", "r\n"}, {0, "", "y\n"}}},
      {"blanks inside a marker line count too",
       "\ta\n\tb\n\tc\n\td\nT \n a b \nz\n",
       {{-1, "", none},
        {0, "", none},
        {1, "", none},
        {2, "", none},
        {3, "T", none},
        {1, "", "z\n"}}},
      {"blanks inside a marker line stop at the root",
       "\ta\n\tb\nT \n a b \nz\n",
       {{-1, "", none}, {0, "", none}, {1, "T", none}, {0, "", "z\n"}}},
      {"a marker line that ends in a blank titles the node it closes, which loses its body",
       "intro\n\tChapter \nbody\n",
       {{-1, "\tChapter", none}, {0, "", "body\n"}}},
      {"a marker line becomes the title of a node with no lines",
       "\tT \nx\n",
       {{-1, "\tT", none}, {0, "", "x\n"}}},
      {"a line of one blank is a marker line, not a title",
       "\tx\na\n \nb\n",
       {{-1, "", none}, {0, "", "a\n"}, {0, "", "b\n"}}},
      {"an empty line before a marker is the body", "\n\tx\n", {{-1, "", "\n"}, {0, "", ""}}},
      {"the last node gets its body even when it is empty",
       "a\n\tb\n",
       {{-1, "", "a\n"}, {0, "", ""}}},
      {"a line of 1022 bytes is kept whole", kA + "\n", {{-1, "", kA + "\n"}}},
      {"a longer line is cut to 1022 bytes", kA + "bc\n", {{-1, "", kA + "\n"}}},
      {"a cut never splits a two-byte character",
       std::string(1021, 'a') + kJa + "b\n",
       {{-1, "", std::string(1021, 'a') + "\n"}}},
      {"a title line of 254 bytes is kept whole",
       std::string(253, 'T') + " \nx\n",
       {{-1, std::string(253, 'T'), "x\n"}}},
      {"a longer title line is cut at a character boundary",
       std::string(252, 'T') + kJa + " \nx\n",
       {{-1, std::string(252, 'T'), "x\n"}}},
      {"an overlong line that ends in a blank is still a title",
       std::string(3000, 'T') + " \nx\n",
       {{-1, std::string(253, 'T'), "x\n"}}},
      {"blanks beyond the kept 1022 bytes of a marker line still walk up",
       "\ta\n\tb\n\tc\n " + std::string(1100, 'x') + "  x\nz\n",
       {{-1, "", none}, {0, "", none}, {1, "", none}, {2, "", none}, {0, "", "z\n"}}},
  };
  for (const TreeCase& c : cases) {
    SCOPED_TRACE(c.name);
    expectTree(parse(c.text), c.nodes);
  }
}

TEST(ScenarioTree, LinesPassThroughAsBytes) {
  // Bytes that are not valid CP932 pass unchanged; a trail byte 0x5C is no separator.
  std::string text = "\x95\x5C\x80\xFF\xFD\n";
  TNodeTree tree = parse(text);
  EXPECT_EQ(tree.Root()->BodyText(), text);
}

TEST(ScenarioTree, NotesReportWhatWasCutOrDropped) {
  std::vector<TScenarioNote> notes;
  std::string text = "ok\n" + std::string(1500, 'a') + "\n\tT" + std::string(300, 'x') +
                     " \nline\n\tTitle \n" + std::string("tail\0junk", 9);
  TNodeTree tree = parse(text, &notes);
  ASSERT_EQ(tree.Count(), 3);
  struct Want {
    TScenarioNote::Kind kind;
    int line, node;
    size_t count;
  };
  const Want want[] = {
      {TScenarioNote::LineCut, 2, 0, 1500},
      {TScenarioNote::TitleCut, 3, 0, 303},
      {TScenarioNote::BodyDropped, 3, 0, 2},
      // Node 1 had one line ("line") when its closing marker became its title.
      {TScenarioNote::BodyDropped, 5, 1, 1},
      {TScenarioNote::TextEnded, 6, 2, text.size() - 5},
  };
  ASSERT_EQ(notes.size(), std::size(want));
  for (size_t i = 0; i < notes.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(notes[i].kind, want[i].kind);
    EXPECT_EQ(notes[i].line, want[i].line);
    EXPECT_EQ(notes[i].node, want[i].node);
    EXPECT_EQ(notes[i].count, want[i].count);
  }
  EXPECT_EQ(tree.Item(0)->Text().size(), kMaxNodeTitleBytes);
  EXPECT_EQ(tree.Item(2)->BodyText(), "tail\n");
}

TEST(ScenarioTree, RebuildingReplacesTheOldTree) {
  TNodeTree tree = parse("a\n\tb\n\tc\n");
  ASSERT_EQ(tree.Count(), 3);
  BuildScenarioTree("x", 1, tree);
  expectTree(tree, {{-1, "", "x\n"}});
  BuildScenarioTree(nullptr, 5, tree);
  expectTree(tree, {{-1, "", ""}});
}

TEST(Scrambler, GeneratorFollowsTheCStandardExample) {
  // The sample generator of the C standard, started at 1, gives these values.
  uint32_t state = 1;
  const int expected[] = {16838, 5758, 10113, 17515, 31051, 5627, 23010, 7419, 16212, 4086};
  for (int e : expected) EXPECT_EQ(NextRandom(state), e);
  // The state wraps modulo 2^32.
  state = 0xFFFFFFFFu;
  NextRandom(state);
  EXPECT_EQ(state, static_cast<uint32_t>(0xFFFFFFFFull * 1103515245ull + 12345ull));
}

TEST(Scrambler, KeystreamIsBits8To14OfEachValue) {
  unsigned char zeros[4] = {};
  ScrambleBuffer(zeros, sizeof zeros, 1);
  EXPECT_EQ(zeros[0], 16838 >> 8);
  EXPECT_EQ(zeros[1], 5758 >> 8);
  EXPECT_EQ(zeros[2], 10113 >> 8);
  EXPECT_EQ(zeros[3], 17515 >> 8);
}

TEST(Scrambler, TwiceRestoresAndTopBitsStay) {
  std::vector<unsigned char> original(4096);
  for (size_t i = 0; i < original.size(); ++i) original[i] = static_cast<unsigned char>(i * 7);
  for (uint32_t seed : {0u, 1u, ScenarioSeed, 0xFFFFFFFFu}) {
    SCOPED_TRACE(seed);
    std::vector<unsigned char> data = original;
    ScrambleBuffer(data.data(), data.size(), seed);
    EXPECT_NE(data, original);
    size_t changedTopBits = 0;
    for (size_t i = 0; i < data.size(); ++i) changedTopBits += (data[i] ^ original[i]) & 0x80;
    EXPECT_EQ(changedTopBits, 0u);
    ScrambleBuffer(data.data(), data.size(), seed);
    EXPECT_EQ(data, original);
  }
  ScrambleBuffer(nullptr, 0, ScenarioSeed);  // nothing to do, nothing touched
}

TEST(ScenarioFile, LoadsScrambledAndPlainFiles) {
  TempDir dir;
  ASSERT_FALSE(dir.Path().empty());
  const std::string text = "はじまり \r\n本文\r\n\t選択 \r\n";
  const std::string path = dir.Path() + "/mscs.ssf";
  for (bool scrambled : {true, false}) {
    SCOPED_TRACE(scrambled);
    ASSERT_TRUE(WriteScenarioFile(dir.Path(), text, scrambled));
    TNodeTree tree;
    ASSERT_TRUE(LoadScenarioFile(path.c_str(), scrambled, tree));
    ASSERT_EQ(tree.Count(), 2);
    EXPECT_EQ(tree.Item(0)->Text(), "\x82\xCD\x82\xB6\x82\xDC\x82\xE8");  // はじまり
    EXPECT_EQ(tree.Item(0)->BodyText(), "\x96\x7B\x95\xB6\n");           // 本文
  }
  // The engine's own spelling of the path: "\\" separators and any case.
  TNodeTree tree;
  EXPECT_TRUE(LoadScenarioFile((dir.Path() + "\\MSCS.SSF").c_str(), false, tree));
  EXPECT_EQ(tree.Count(), 2);
}

TEST(ScenarioFile, FailuresLeaveTheTreeUntouched) {
  TempDir dir;
  TNodeTree tree;
  BuildScenarioTree("a\n\tb\n", 5, tree);
  ASSERT_EQ(tree.Count(), 2);
  EXPECT_FALSE(LoadScenarioFile((dir.Path() + "/mscs.ssf").c_str(), true, tree));
  std::filesystem::create_directory(dir.Path() + "/mscs.ssf");
  EXPECT_FALSE(LoadScenarioFile((dir.Path() + "/mscs.ssf").c_str(), true, tree));
  EXPECT_FALSE(LoadScenarioFile(nullptr, true, tree));
  EXPECT_EQ(tree.Count(), 2);
  EXPECT_EQ(tree.Item(1)->BodyText(), "");
}

}  // namespace
