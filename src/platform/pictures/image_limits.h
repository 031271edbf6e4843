// The sizes a picture file may claim, shared by the file decoders (pictures/ only).
#pragma once
#include <cstdint>

// Pictures larger than this are refused: a game's pictures are screen-sized, and a hostile header
// must not make us allocate gigabytes.
constexpr int64_t kMaxSide = 16384;
constexpr int64_t kMaxLoadPixels = int64_t(1) << 24;
