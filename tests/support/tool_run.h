// Runs a command-line tool's entry function as its program would, with captured output.
//
//   ToolRun r = RunTool(RunPackTool, "miravel-pack", {"in.txt", "out.ssf"});
//   EXPECT_EQ(r.status, 0) << r.err;
#pragma once
#include <iosfwd>
#include <string>
#include <vector>

struct ToolRun {
  int status;
  std::string out, err;
};

using ToolMain = int (*)(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

// Calls tool with argv = {program, args...}.
ToolRun RunTool(ToolMain tool, const char* program, const std::vector<std::string>& args);
