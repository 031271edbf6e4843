// The timestamp trace: a file named by MIRAVEL_TRACE, one flushed line per event.
#include "platform/trace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace trace_detail {
int state = 2;
}  // namespace trace_detail

namespace {

using Clock = std::chrono::steady_clock;

std::FILE* traceFile = nullptr;
bool started = false;  // the first line has been written; start holds its time
Clock::time_point start;

void closeTrace() {
  if (traceFile) std::fclose(traceFile);
  traceFile = nullptr;
  trace_detail::state = 0;
}

void openTrace(const char* path) {
  closeTrace();
  started = false;
  if (!path || !*path) return;
  traceFile = std::fopen(path, "a");
  if (!traceFile) {
    std::fprintf(stderr, "miravel: cannot open the trace file %s; tracing is off\n", path);
    return;
  }
  trace_detail::state = 1;
}

}  // namespace

void trace_detail::Write(const char* event, long value) {
  if (state == 2) {
    openTrace(std::getenv("MIRAVEL_TRACE"));
    if (state == 0) return;
  }
  const Clock::time_point now = Clock::now();
  if (!started) {
    started = true;
    start = now;
  }
  const long long us = std::chrono::duration_cast<std::chrono::microseconds>(now - start).count();
  std::fprintf(traceFile, "%lld %s %ld\n", us, event ? event : "", value);
  std::fflush(traceFile);
}

void TraceToFile(const char* path) { openTrace(path); }
