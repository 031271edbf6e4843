// The pacing trace: line format, times that start at 0 and never go back, appending, and
// silence when tracing is off.
#include "platform/trace.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace {

struct TraceLine {
  long long us;
  std::string event;
  long value;
};

class TraceTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.Write("trace.txt", "")); }
  void TearDown() override { TraceToFile(nullptr); }
  // Parses every line; a line that does not have exactly the three fields fails the test.
  std::vector<TraceLine> Lines() {
    std::ifstream in(path_);
    std::vector<TraceLine> out;
    std::string text;
    while (std::getline(in, text)) {
      std::istringstream fields(text);
      TraceLine l;
      std::string rest;
      EXPECT_TRUE(fields >> l.us >> l.event >> l.value) << text;
      EXPECT_FALSE(fields >> rest) << text;
      out.push_back(l);
    }
    return out;
  }
  TempDir dir_;
  std::string path_ = dir_.File("trace.txt");
};

TEST_F(TraceTest, WritesOneLinePerCallWithTimesFromTheFirstCall) {
  TraceToFile(path_.c_str());
  const std::vector<std::pair<const char*, long>> calls = {
      {"char", 0}, {"char", 2}, {"frame", 7}, {"frame", 7}, {"char", -1}};
  for (const auto& [event, value] : calls) {
    Trace(event, value);
    usleep(2000);
  }
  // Flushed per line: the file is complete while tracing is still on.
  std::vector<TraceLine> lines = Lines();
  ASSERT_EQ(lines.size(), calls.size());
  EXPECT_EQ(lines[0].us, 0);
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].event, calls[i].first) << i;
    EXPECT_EQ(lines[i].value, calls[i].second) << i;
    if (i > 0) EXPECT_GE(lines[i].us - lines[i - 1].us, 2000) << i;  // microseconds
  }
}

TEST_F(TraceTest, ReopeningAppendsAndRestartsTheClock) {
  TraceToFile(path_.c_str());
  Trace("frame", 1);
  usleep(5000);
  Trace("frame", 1);
  TraceToFile(path_.c_str());
  Trace("frame", 2);
  std::vector<TraceLine> lines = Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_GE(lines[1].us, 5000);
  EXPECT_EQ(lines[2].us, 0);
  EXPECT_EQ(lines[2].value, 2);
}

TEST_F(TraceTest, OffOrUnopenableWritesNothing) {
  // Each case first traces to the file, then switches away from it.
  for (const char* target : {static_cast<const char*>(nullptr), "", "/nonexistent-dir/trace"}) {
    TraceToFile(path_.c_str());
    TraceToFile(target);
    Trace("char", 1);
  }
  EXPECT_TRUE(Lines().empty());
}

}  // namespace
