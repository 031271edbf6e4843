// Scenario files for tests, made by the same code as the packer tool.
#pragma once
#include <initializer_list>
#include <string>
#include <string_view>

#include "scenario/scenario_file.h"

// The bytes of "mscs.ssf" for UTF-8 scenario text: CP932, scrambled with ScenarioSeed unless
// scrambled is false. The default matches what this build's engine reads. A character without a
// CP932 form fails the calling test and gives "".
std::string PackedScenario(std::string_view utf8, bool scrambled = kScenarioScrambled);

// Writes nativeDir/mscs.ssf from UTF-8 scenario text. False (and a test failure) when the text
// cannot be packed or the file cannot be written.
bool WriteScenarioFile(const std::string& nativeDir, std::string_view utf8,
                       bool scrambled = kScenarioScrambled);

// Joins lines into scenario text, each followed by CR LF.
std::string ScenarioText(std::initializer_list<std::string_view> lines);
