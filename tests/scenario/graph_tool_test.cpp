#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "scenario/graph.h"
#include "support/scenario_builder.h"
#include "support/temp_dir.h"
#include "support/tool_run.h"

namespace {

// A choice of four (the fourth is never offered), a jump, a jump to no node, an ending, a return
// to the title screen and a node whose only child follows at once.
const std::string kStory = ScenarioText({
    "開始 ", "#SELECTANSWER=右へ,,say \"hi\" a\\b", "どちらへ？",  // n0
    "\t", "右 ", "#GOTONODESELECT=終",                             // n1
    "\t", "右奥 ", "#GOTO=終",                                     // n2, the only child of n1
    "  ", "左 ", "#GOTO=どこにも",                                 // n3: halts
    " ", "終 ", "#GOENDING=2",                                     // n4
    " ", "題 ", "#GOTITLE",                                        // n5
});

const char kGraph[] =
    "digraph scenario {\n"
    "  node [shape=box];\n"
    "  n0 [label=\"開始\"];\n"
    "  n0 -> n1 [label=\"右へ\"];\n"
    "  n0 -> n3 [label=\"左\"];\n"
    "  n0 -> n4 [label=\"say \\\"hi\\\" a\\\\b\"];\n"
    "  n0 -> n5 [label=\"(not offered)\", style=dotted];\n"
    "  n1 [label=\"右\"];\n"
    "  n1 -> n2;\n"
    "  n1 -> n4 [style=dashed, label=\"to its choice\"];\n"
    "  n2 [label=\"右奥\"];\n"
    "  n2 -> n4 [style=dashed];\n"
    "  n3 [label=\"左\\n[halt]\", shape=octagon, style=filled, fillcolor=lightgrey];\n"
    "  m0 [label=\"no node: どこにも\", shape=note, color=red, fontcolor=red];\n"
    "  n3 -> m0 [style=dashed, color=red];\n"
    "  n4 [label=\"終\\n[ending 2]\", shape=doubleoctagon, style=filled, fillcolor=lightpink];\n"
    "  n5 [label=\"題\\n[title screen]\", shape=doubleoctagon, style=filled, "
    "fillcolor=lightblue];\n"
    "}\n";

ToolRun graph(const std::vector<std::string>& args) {
  return RunTool(RunGraphTool, "miravel-graph", args);
}

// Sets PATH for one test and puts the old value back.
class PathFor {
 public:
  explicit PathFor(const std::string& path) : old_(std::getenv("PATH") ? std::getenv("PATH") : "") {
    setenv("PATH", path.c_str(), 1);
  }
  ~PathFor() { setenv("PATH", old_.c_str(), 1); }

 private:
  std::string old_;
};

TEST(GraphTool, TextAndPackedFilesGiveTheSameGraph) {
  TempDir dir;
  ASSERT_TRUE(dir.Write("story.txt", kStory));
  ASSERT_TRUE(dir.Write("mscs.ssf", PackedScenario(kStory, true)));
  ASSERT_TRUE(dir.Write("plain.ssf", PackedScenario(kStory, false)));
  const std::vector<std::string> runs[] = {
      {dir.File("story.txt")},
      {dir.File("mscs.ssf")},
      {"--plain", dir.File("plain.ssf")},
  };
  for (const auto& args : runs) {
    SCOPED_TRACE(args.back());
    ToolRun r = graph(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, kGraph);
    EXPECT_EQ(r.err, "");
  }
}

TEST(GraphTool, SvgRunsDotFromPathOrSaysItIsMissing) {
  TempDir dir;
  ASSERT_TRUE(dir.Write("story.txt", kStory));
  ASSERT_TRUE(dir.MakeDir("empty"));
  {
    PathFor path(dir.File("empty"));
    ToolRun r = graph({dir.File("story.txt"), "--svg", dir.File("out.svg")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("needs the program dot (Graphviz)"), std::string::npos) << r.err;
    EXPECT_FALSE(dir.Exists("out.svg"));
  }
  // A stand-in dot writes its options and the graph it was given into the output file.
  ASSERT_TRUE(dir.Write("bin/dot",
                        "#!/bin/sh\nprintf '%s %s\\n' \"$1\" \"$2\" >\"$3\"\n"
                        "exec /bin/cat \"$4\" >>\"$3\"\n"));
  ASSERT_EQ(chmod(dir.File("bin/dot").c_str(), 0755), 0);
  PathFor path(dir.File("empty") + ":" + dir.File("bin"));
  ToolRun r = graph({dir.File("story.txt"), "--svg", dir.File("out.svg")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(dir.ReadText("out.svg"), std::string("-Tsvg -o\n") + kGraph);
}

TEST(GraphTool, BadCommandLinesAndFiles) {
  TempDir dir;
  struct Case {
    std::vector<std::string> args;
    int status;
  };
  ASSERT_TRUE(dir.Write("bad.txt", "ok\n\xFF\n"));
  const Case cases[] = {
      {{}, 2},
      {{"a.txt", "b.txt"}, 2},
      {{"a.txt", "--svg"}, 2},
      {{"--what", "a.txt"}, 2},
      {{dir.File("missing.txt")}, 1},
      {{dir.File("bad.txt")}, 1},  // not UTF-8: the packer's error, with its line
  };
  for (const Case& c : cases) {
    ToolRun r = graph(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_NE(graph({dir.File("bad.txt")}).err.find("bad.txt:2:1: error:"), std::string::npos);
}

}  // namespace
