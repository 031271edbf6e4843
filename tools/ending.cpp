// miravel-ending: builds an ending file "mscsNN.esf" from a UTF-8 description (music, scroll
// interval, the text lines and pictures of the roll) and writes the description of a file back.
#include <iostream>

#include "screens/ending_file.h"

int main(int argc, char** argv) { return RunEndingTool(argc, argv, std::cout, std::cerr); }
