// JPEG files for tests, encoded with libjpeg from a 24-bit picture.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/pictures/bitmap.h"

// The bytes of a baseline colour JPEG file of pic (read as blue-green-red rows).
std::vector<uint8_t> EncodeJpeg(const TBitmap& pic, int quality = 95);
