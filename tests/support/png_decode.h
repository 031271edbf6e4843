// PNG files read back with libpng itself, to check what the engine wrote.
#pragma once
#include <string>

#include "platform/pictures/bitmap.h"

// The picture of a PNG file as a 24-bit bitmap; an empty one (0 x 0) when it cannot be read.
TBitmap DecodePngFile(const std::string& nativePath);
