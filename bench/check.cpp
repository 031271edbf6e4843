// miravel-check on a large scenario (about 10 MB) against LoadScenarioFile of the same file.
// Prints both wall times (best of three) and their ratio.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/text/cp932.h"
#include "scenario/check.h"
#include "scenario/scenario_file.h"

namespace {

// A story of nodes in two-answer choices, each with commands and a few lines of text, in CP932.
std::string makeScenario(size_t bytes) {
  std::string s;
  const std::string text = SJ("これはテストの文章です。行を続けて、ウィンドウの幅を少し越えるくらいにします。");
  int n = 0;
  while (s.size() < bytes) {
    s += n == 0 ? "" : "\t\r\n";
    s += "N" + std::to_string(n) + " \r\n#CHARNAME=" + SJ("【ミラ】") + "\r\n#SETFLG=" +
         std::to_string(n % 1024) + "\r\n#IFFLG=3\r\n#TIMEWAIT=10\r\n#ENDIF\r\n";
    for (int k = 0; k < 4; ++k) s += text + "\r\n";
    ++n;
  }
  return s;
}

template <class F>
double bestOfThree(F f) {
  double best = 1e30;
  for (int i = 0; i < 3; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  return best;
}

}  // namespace

int main() {
  std::string plain = makeScenario(10u << 20);
  std::string packed = plain;
  ScrambleBuffer(packed.data(), packed.size(), ScenarioSeed);
  std::filesystem::path file = std::filesystem::temp_directory_path() / "miravel_bench_check.ssf";
  std::ofstream(file, std::ios::binary) << packed;

  double load = bestOfThree([&] {
    TNodeTree tree;
    LoadScenarioFile(file.c_str(), true, tree);
  });
  double check = bestOfThree([&] {
    std::ifstream in(file, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::string data = bytes.str();
    TCheckInput input;
    input.data = data;
    input.packed = true;
    CheckScenario(input);
  });
  std::filesystem::remove(file);
  std::printf("scenario %zu bytes: LoadScenarioFile %.3f s, CheckScenario %.3f s, ratio %.1f\n",
              packed.size(), load, check, check / load);
  return 0;
}
