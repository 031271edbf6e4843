#include "support/scenario_builder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "scenario/pack.h"

namespace {

bool pack(std::string_view utf8, bool scrambled, std::string& out) {
  std::vector<TPackMessage> errors;
  if (!PackScenario(utf8, scrambled, out, errors)) {
    std::string why;
    for (const TPackMessage& e : errors) {
      why += std::to_string(e.line) + ":" + std::to_string(e.column) + ": " + e.text + "\n";
    }
    ADD_FAILURE() << "scenario text cannot be packed:\n" << why;
    return false;
  }
  return true;
}

}  // namespace

std::string PackedScenario(std::string_view utf8, bool scrambled) {
  std::string out;
  pack(utf8, scrambled, out);
  return out;
}

bool WriteScenarioFile(const std::string& nativeDir, std::string_view utf8, bool scrambled) {
  std::string bytes;
  if (!pack(utf8, scrambled, bytes)) return false;
  std::string path = nativeDir;
  if (!path.empty() && path.back() != '/') path += '/';
  path += kScenarioFileName;
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  f.close();
  if (!f) {
    ADD_FAILURE() << "cannot write " << path;
    return false;
  }
  return true;
}

std::string ScenarioText(std::initializer_list<std::string_view> lines) {
  std::string s;
  for (std::string_view l : lines) {
    s.append(l.data(), l.size());
    s += "\r\n";
  }
  return s;
}
