// A timestamp trace for measuring the pacing of the real program. When the environment variable
// MIRAVEL_TRACE names a file, every Trace call appends one line to it:
//
//   <microseconds since the first call> <event> <value>
//
// The time comes from a steady clock; each line is flushed as it is written, so nothing is lost
// however the program ends. The variable is read once, at the first call. Without it (or when it
// is empty) a call costs one test of a cached flag. A file that cannot be opened is reported once
// on stderr and tracing stays off. Calls are expected from the game's thread only.
#pragma once

namespace trace_detail {
// 0 tracing off, 1 on, 2 the environment not looked at yet.
extern int state;
void Write(const char* event, long value);
}  // namespace trace_detail

inline void Trace(const char* event, long value) {
  if (trace_detail::state != 0) trace_detail::Write(event, value);
}

// Tests: traces to path from now on (appending; the next call becomes the first, time 0), or
// turns tracing off when path is null or empty. The environment is not looked at any more.
void TraceToFile(const char* path);
