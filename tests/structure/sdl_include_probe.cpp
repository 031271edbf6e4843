// Must not compile: SDL's headers are private to the platform layer. The structure test
// builds this file with everything a test or the game links and expects SDL.h not to be found.
#include <SDL.h>

int sdlIncludeProbe = SDL_INIT_VIDEO;
