// The host's BMP decoder: SDL's loader, the default of every backend (Backend::DecodeBmp).
#include <SDL.h>

#include <cstring>

#include "platform/backend/backend.h"

namespace {

// Copies a surface that SDL has converted to BGR24 into a picture of its size.
void copySurface(SDL_Surface* s, TBitmap& bmp) {
  const bool lock = SDL_MUSTLOCK(s);
  if (lock) SDL_LockSurface(s);
  const auto* pixels = static_cast<const uint8_t*>(s->pixels);
  for (int y = 0; y < s->h; ++y)
    std::memcpy(bmp.ScanLine(y), pixels + size_t(y) * size_t(s->pitch), size_t(s->w) * 3);
  if (lock) SDL_UnlockSurface(s);
}

}  // namespace

bool Backend::DecodeBmp(const uint8_t* data, size_t size, TBitmap& picture) {
  if (data == nullptr || size > size_t(INT32_MAX)) return false;
  SDL_RWops* rw = SDL_RWFromConstMem(data, int(size));
  if (rw == nullptr) return false;
  SDL_Surface* loaded = SDL_LoadBMP_RW(rw, 1);
  if (loaded == nullptr) return false;
  // Alpha in 32-bit files must not blend into the converted colours.
  SDL_SetSurfaceBlendMode(loaded, SDL_BLENDMODE_NONE);
  SDL_Surface* bgr = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_BGR24, 0);
  SDL_FreeSurface(loaded);
  if (bgr == nullptr) return false;
  const bool ok = bgr->w == picture.Width() && bgr->h == picture.Height();
  if (ok) copySurface(bgr, picture);
  SDL_FreeSurface(bgr);
  return ok;
}
