// JPEG files for tests, encoded with libjpeg from a 24-bit picture.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/pictures/bitmap.h"

// How the picture is stored: baseline colour, progressive colour, one grey channel (the green
// one), or Adobe's inverted CMYK (no black ink).
enum class JpegKind { Colour, Progressive, Grey, Cmyk };

// The bytes of a JPEG file of pic (read as blue-green-red rows).
std::vector<uint8_t> EncodeJpeg(const TBitmap& pic, int quality = 95,
                                JpegKind kind = JpegKind::Colour);
