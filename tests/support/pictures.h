// Pictures and picture files for tests.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pictures/bitmap.h"
#include "support/temp_dir.h"

// A picture of one colour.
TBitmap SolidPicture(int32_t w, int32_t h, TColor c, TPixelFormat pf = pf24bit);

// Writes pic as a 24-bit BMP file to dir/name, making folders on the way, and returns its path;
// the test fails and the path is empty when it cannot be written.
std::string WriteBmp(const TempDir& dir, std::string_view name, const TBitmap& pic);

// The bytes of an 8-bit paletted BMP file of one colour (palette entry 0, 256 entries).
std::vector<uint8_t> PalettedBmp(int32_t w, int32_t h, TColor c);
