// Loading a large scenario (about 10 MB, 50,000 nodes) against reading and unscrambling the same
// file in the same run. The figure that matters is the ratio printed at the end (goal: <= 3).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/files/files.h"
#include "scenario/scenario_file.h"

namespace {

constexpr int kNodes = 50000;

// A story of kNodes nodes in CP932: marker line, title line, a few commands and text lines each.
// The shape wanders up and down (tab markers and one or two blanks) without drifting deep.
std::string makeScenario() {
  std::string s;
  s.reserve(11u << 20);
  const char* kText =
      "\x82\xB1\x82\xEA\x82\xCD\x83\x65\x83\x58\x83\x67\x82\xCC\x95\xB6\x8F\xCD\x82\xC5\x82\xB7"
      "\x81\x42\x8D\x73\x82\xF0\x91\xB1\x82\xAF\x82\xE9\x81\x42";  // a line of Japanese prose
  uint32_t rng = 12345;
  int depth = 0;
  char buf[128];
  for (int n = 0; n < kNodes; ++n) {
    if (n > 0) {
      int r = NextRandom(rng) % 10;
      if (depth == 0 || r < 6) {
        s += "\t\n";
        ++depth;
      } else {
        int up = 1 + (r & 1);
        if (up > depth) up = depth;
        s.append(static_cast<size_t>(up), ' ');
        s += "\r\n";
        depth -= up - 1;
      }
    }
    std::snprintf(buf, sizeof buf, "scene%05d \r\n#LOADBKGRP bg%03d\r\n#BGM %d\r\n", n, n % 200,
                  n % 30);
    s += buf;
    for (int k = 0; k < 4; ++k) {
      s += kText;
      s += "\r\n";
    }
    s += "#WAIT 30\r\n\x81\x75\x82\xCD\x82\xA2\x81\x76\r\n";
  }
  return s;
}

struct Fixture {
  std::string path;
  std::string plain;
  Fixture() {
    plain = makeScenario();
    std::string scrambled = plain;
    ScrambleBuffer(scrambled.data(), scrambled.size(), ScenarioSeed);
    path = (std::filesystem::temp_directory_path() /
            ("miravel-bench-" + std::to_string(::getpid()) + ".ssf"))
               .string();
    std::ofstream(path, std::ios::binary) << scrambled;
  }
  ~Fixture() { std::remove(path.c_str()); }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void BM_ReadAndUnscramble(benchmark::State& state) {
  Fixture& f = fixture();
  std::vector<uint8_t> bytes;
  for (auto _ : state) {
    ReadWholeFile(f.path.c_str(), bytes);
    ScrambleBuffer(bytes.data(), bytes.size(), ScenarioSeed);
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(f.plain.size()));
}

void BM_LoadScenario(benchmark::State& state) {
  Fixture& f = fixture();
  int nodes = 0;
  for (auto _ : state) {
    TNodeTree tree;
    if (!LoadScenarioFile(f.path.c_str(), true, tree)) state.SkipWithError("load failed");
    nodes = tree.Count();
    state.PauseTiming();  // releasing the tree is not part of loading
    { TNodeTree gone = std::move(tree); }
    state.ResumeTiming();
  }
  state.counters["nodes"] = nodes;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(f.plain.size()));
}

void BM_BuildTreeOnly(benchmark::State& state) {
  Fixture& f = fixture();
  for (auto _ : state) {
    TNodeTree tree;
    BuildScenarioTree(f.plain.data(), f.plain.size(), tree);
    state.PauseTiming();
    { TNodeTree gone = std::move(tree); }
    state.ResumeTiming();
  }
}

BENCHMARK(BM_ReadAndUnscramble)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadScenario)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildTreeOnly)->Unit(benchmark::kMillisecond);

// Prints as the console does and keeps each benchmark's time for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration) continue;
      times[r.benchmark_name()] = r.GetAdjustedRealTime();
      cpuTimes[r.benchmark_name()] = r.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times, cpuTimes;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto io = reporter.times.find("BM_ReadAndUnscramble");
  auto load = reporter.times.find("BM_LoadScenario");
  if (io != reporter.times.end() && load != reporter.times.end() && io->second > 0) {
    std::printf("scenario: %zu bytes, %d nodes\n", fixture().plain.size(), kNodes);
    std::printf("ratio LoadScenario / (read + unscramble) = %.2f real, %.2f cpu (goal <= 3)\n",
                load->second / io->second,
                reporter.cpuTimes["BM_LoadScenario"] / reporter.cpuTimes["BM_ReadAndUnscramble"]);
  }
  benchmark::Shutdown();
  return 0;
}
