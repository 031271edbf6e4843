// The story graph for authors: the node tree of a scenario as a Graphviz DOT graph, with the
// choices, the jumps and the ends of the story the engine would play. The program
// miravel-graph is a thin main around RunGraphTool; tests call the functions directly.
#pragma once
#include <iosfwd>
#include <string>

#include "scenario/node_tree.h"

// The DOT text (UTF-8) of tree: node nK for the node of absolute index K, labelled with its
// title; a solid edge to each child, labelled with the answer the choice shows for it; a dashed
// edge for each jump (#GOTO, #GOTONODEFIRST, #GOTONODESELECT) to the node it lands on; the nodes
// that end the story (#GOENDING, #GOTITLE, or a halt: no child and no jump) drawn as octagons
// with what ends them in the label. A jump to a title no node begins with goes to a red note
// node mK (K counting those jumps from 0).
std::string FormatScenarioGraph(const TNodeTree& tree);

// The command line of miravel-graph (argv[0] is the program name). Returns the exit status:
// 0 done, 1 failed (a file that cannot be read or converted, no dot for --svg, dot failed),
// 2 usage error.
int RunGraphTool(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
