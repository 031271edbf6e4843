// The scenario packer: UTF-8 scenario text <-> CP932 "mscs.ssf" (scrambled with ScenarioSeed or
// plain), and a listing of the node tree for authors. The program miravel-pack is a thin main
// around RunPackTool; tests and the test game builders call the functions directly.
#pragma once
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "scenario/node_tree.h"
#include "scenario/scenario_file.h"

// A message about a place in a text. line and column count from 1 (column in characters); 0
// means the whole line or the whole file.
struct TPackMessage {
  int line = 0;
  int column = 0;
  std::string text;
};

// Converts UTF-8 scenario text to CP932 and scrambles it with ScenarioSeed when scramble is set.
// A leading byte-order mark is dropped; line ends are kept as written. False when a character
// has no CP932 form or the text is not valid UTF-8: errors then lists every such place and out
// is left empty. warnings (optional) receives what the engine would cut or drop when it reads
// the result (over-long lines and titles, a marker line that swallows a body, a NUL).
bool PackScenario(std::string_view utf8, bool scramble, std::string& out,
                  std::vector<TPackMessage>& errors, std::vector<TPackMessage>* warnings = nullptr);

// The reverse: unscrambles (when scrambled is set) and converts CP932 to UTF-8. False when some
// bytes are not CP932 text (errors lists them, with a hint when the scrambling choice looks
// wrong); out is then left empty.
bool UnpackScenario(std::string_view packed, bool scrambled, std::string& out,
                    std::vector<TPackMessage>& errors);

// One line per node: index, depth, line count ("-" for no body), child count, the title (UTF-8,
// quoted, indented by depth) and the indices of the children.
std::string FormatScenarioTree(const TNodeTree& tree);

// Author-readable text of a parser note.
std::string DescribeScenarioNote(const TScenarioNote& note);

// The command line of miravel-pack (argv[0] is the program name). Returns the exit status:
// 0 done, 1 failed (nothing written), 2 usage error.
int RunPackTool(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

// Reads the whole file at a native path into data; false with why (the system's reason) when it
// cannot be read. The author tools read their input files with it.
bool ReadNativeFile(const std::string& path, std::string& data, std::string& why);
