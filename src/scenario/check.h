// The scenario checker: reads a story as the engine reads it (the same tree builder, command
// table, argument syntax, path building and file lookup) and reports what would go wrong in
// play. The program miravel-check is a thin main around RunCheckTool; tests call the functions
// directly.
#pragma once
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

struct TCheckDiagnostic {
  int line = 0;    // from 1; 0 for the whole file
  int column = 0;  // in characters, from 1; 0 for the whole line
  bool error = false;
  std::string text;  // UTF-8
};

struct TCheckInput {
  std::string_view data;      // the file's bytes
  bool packed = false;        // a packed "mscs.ssf" rather than UTF-8 story text
  bool scrambled = true;      // for packed data: scrambled with ScenarioSeed
  std::string gameDir;        // native game folder; empty: no file checks
};

// Every finding, sorted by line and column.
std::vector<TCheckDiagnostic> CheckScenario(const TCheckInput& input);

// The command line of miravel-check (argv[0] is the program name). Returns the exit status:
// 0 no error, 1 an error was found (or the file could not be read), 2 usage error.
int RunCheckTool(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
