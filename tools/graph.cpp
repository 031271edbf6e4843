// miravel-graph: writes the story of a scenario as a Graphviz DOT graph (or, with dot
// installed, an SVG picture), so that an author sees its choices, jumps and endings at a glance.
#include "scenario/graph.h"

#include <iostream>

int main(int argc, char** argv) { return RunGraphTool(argc, argv, std::cout, std::cerr); }
