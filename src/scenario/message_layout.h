// Where the message window draws a line of the story, shared by the engine and the checker of
// the author tools so that "the line fits" means the same to both.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/types.h"

// The rectangle the text is drawn in (within the darkened window).
constexpr TRect kTextDrawRect = Rect(24, 356, 624, 462);

// With a speaker the text starts after the name and its wrapped lines keep that indent: two
// thirds of the font's point size per byte of the name, rounded down over the whole name.
constexpr int32_t SpeakerIndent(size_t nameBytes, int32_t points) {
  return static_cast<int32_t>(nameBytes) * points * 2 / 3;
}
