// miravel-check: reports what in a scenario would go wrong in play, from the same rules the
// engine reads it with.
#include <iostream>

#include "scenario/check.h"

int main(int argc, char** argv) { return RunCheckTool(argc, argv, std::cout, std::cerr); }
