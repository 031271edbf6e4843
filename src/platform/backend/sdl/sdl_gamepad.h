// platform/backend/sdl: game controllers as keys.
//
// A game controller plays as the keyboard does: its buttons come as the key events of the keys
// they stand for, so that every rule about keys (the focused text field, an open message box,
// the menu bar) holds for them too.
//   A      -> Enter      (a left click)
//   B      -> Escape     (a right click)
//   Start  -> Escape     (a right click: the in-game menu)
//   the pad -> the arrow keys
//   left / right shoulder -> Page Up / Page Down (the backlog)
// Controllers are opened as they are plugged in (SDL reports the ones present at start the same
// way) and closed when they go.
#pragma once
#include <SDL.h>

#include "platform/backend/backend.h"

// Starts SDL's game controller part. False when it cannot start; the program then plays without
// controllers.
bool SdlGamepadStart();
// Closes the open controllers and stops the part.
void SdlGamepadStop();
// Handles a controller event: opens or closes a device, or turns a button into the key event in
// ev. False when there is no event to dispatch.
bool SdlGamepadEvent(const SDL_Event& e, BackendEvent& ev);
