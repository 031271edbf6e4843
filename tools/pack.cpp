// miravel-pack: turns a scenario written as UTF-8 text into "mscs.ssf" and back, and lists the
// node tree of a scenario so that an author can check the marker lines.
#include <iostream>

#include "scenario/pack.h"

int main(int argc, char** argv) { return RunPackTool(argc, argv, std::cout, std::cerr); }
