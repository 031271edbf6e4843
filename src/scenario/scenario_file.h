// The scenario file "mscs.ssf": CP932 text, optionally scrambled, parsed into the node tree.
//
// Layout of the text: nodes in pre-order. The root's lines come first; every further node is
// opened by a marker line: a line beginning with a tab opens a child of the node just written,
// a line beginning with a blank walks one level up for every blank in the line (capped at the
// root) and opens a child there. A node's title is the first line of its block that ends in a
// blank (at least 2 bytes long), without that blank.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "scenario/node_tree.h"

// The seed of the scenario scrambler, shared by the engine and the packer tool.
constexpr uint32_t ScenarioSeed = 0x5A3C9E17u;

// Whether this engine reads scrambled scenario files (the build option MIRAVEL_PLAIN_SCENARIO
// builds one that reads plain text).
#if defined(MIRAVEL_PLAIN_SCENARIO) && MIRAVEL_PLAIN_SCENARIO
constexpr bool kScenarioScrambled = false;
#else
constexpr bool kScenarioScrambled = true;
#endif

// Name of the scenario file in the program folder.
constexpr const char* kScenarioFileName = "mscs.ssf";

// Longest scenario line kept, in bytes (a 1024-byte line buffer holds the line, its "\n" and the
// terminator). Longer lines are cut at a character boundary.
constexpr size_t kMaxScenarioLineBytes = 1022;
// Longest title line, in bytes, including its trailing blank.
constexpr size_t kMaxTitleLineBytes = 254;

// The scrambler's generator: state := state * 1103515245 + 12345 (mod 2^32); returns bits
// 16..30 of the new state, a value 0..32767.
int NextRandom(uint32_t& RandomState);

// XORs count bytes in place with the keystream of a generator seeded with seed (each keystream
// byte is the next NextRandom result shifted right by 8: 0..127, so the top bit of every byte is
// kept). Applying it twice with the same seed restores the data.
void ScrambleBuffer(void* buffer, size_t count, uint32_t seed);

// Something the parser changed or dropped, for the author tools. Lines count from 1.
struct TScenarioNote {
  enum Kind {
    LineCut,      // a line longer than kMaxScenarioLineBytes was cut
    TitleCut,     // a title line longer than kMaxTitleLineBytes was cut
    BodyDropped,  // a marker line became the title of the node it closes, which loses its body
    TextEnded,    // a NUL byte ended the text before the end of the data
  };
  Kind kind;
  int line;             // line number in the text
  int node;             // absolute index of the node concerned
  size_t count = 0;     // LineCut/TitleCut: the original length; BodyDropped: lines dropped
};

// Where a node's lines stand in the text, for the author tools. Lines count from 1.
struct TNodeSource {
  int markerLine = 0;           // the marker line that opened the node (0 for the root)
  int titleLine = 0;            // the line that became its title (0: none)
  std::vector<int> bodyLines;   // the line of every line of its body, in body order
};

// Parses scenario text (already unscrambled) into tree, replacing what it held. The text ends at
// size bytes or at the first NUL byte. Never fails: any bytes give a tree with at least the root.
// notes, when given, receives what was cut or dropped; sources, when given, receives one entry
// per node in absolute index order.
void BuildScenarioTree(const char* text, size_t size, TNodeTree& tree,
                       std::vector<TScenarioNote>* notes = nullptr,
                       std::vector<TNodeSource>* sources = nullptr);

// Reads the scenario file at enginePath (an engine path, see platform/files.h), unscrambles it
// with ScenarioSeed when scrambled is true and builds tree from it. False when the file is
// missing or cannot be read; the tree is then left untouched.
bool LoadScenarioFile(const char* enginePath, bool scrambled, TNodeTree& tree);
