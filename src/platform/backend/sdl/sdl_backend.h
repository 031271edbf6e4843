// platform/backend/sdl: the host, on SDL2 (window, events, clock) and SDL's audio and BMP code.
//
// The SDL2 backend of the real program: one window with a software-or-better renderer, the
// event queue, the clock. It starts only SDL's video and event parts.
//
// This folder also holds the host services every backend has by default (backend.h): the audio
// output on SDL_mixer (sdl_audio.cpp), which starts SDL's audio on its own at the first call that
// needs sound and is silent when no device opens, and the BMP decoder on SDL's loader
// (sdl_bmp.cpp). The headless backend uses them too.
//
// Full screen is SDL's desktop full screen: the window covers the desktop, the picture is scaled
// to fit with its aspect kept (black bars), and the desktop's mode is never changed.
//
// In a window the picture is scaled by the player's factor (SetWindowScale) and the window is
// resizable: the picture is scaled into it with its aspect kept, by a whole factor while pixels
// stay sharp. The window is HiDPI-aware: the picture is drawn at the drawable's pixel size.
//
// Present path. With a GPU (a render node) the picture goes through an accelerated renderer
// (a streaming texture, scaled by the renderer). Without one, an accelerated renderer would be
// OpenGL drawn by the CPU: the picture is then converted into the window's own surface, and
// only the changed rectangle is converted, scaled and shown. SDL_RENDER_DRIVER forces a
// renderer.
//
// Autoplay. For end-to-end tests the backend can replay an input script, a text file with one
// entry per line:
//
//   <ms> click X Y       left press and release
//   <ms> rclick X Y      right press and release
//   <ms> down X Y        left press
//   <ms> up X Y          left release
//   <ms> move X Y        pointer move
//   <ms> wheel N         the wheel turned by N notches at the pointer (positive: up)
//   <ms> menu M I        click the caption of drop-down M on the menu bar, then its item I
//                        (both counted from 0)
//   <ms> key NAME        key press and release; NAME as KeyFromName (input_script.h) takes it:
//                        RETURN, ESCAPE, SPACE, LEFT, F10, A, alt+f, ...
//   <ms> shift on|off    Shift held or released
//   <ms> text STRING     typed text (UTF-8, the rest of the line), as an input method commits it
//   <ms> compose STRING  the input method's open composition becomes STRING (UTF-8, the rest of
//                        the line, caret at its end); without STRING the composition ends
//   <ms> drop PATH       PATH (the rest of the line) is dropped on the window
//   <ms> shot FILE       writes the window picture as last presented to FILE: PNG when its name
//                        ends in .png, else a 24-bit BMP
//   <ms> expect-state S  a checkpoint: the game must be in state S (names in main_form.h,
//                        CheckpointStateNames); else the run ends with status 3 and a line
//                        "SCRIPT:LINE: expected ..., the game is ..." on stderr
//   <ms> expect-text T   a checkpoint: the message window must show the line T (UTF-8, the rest
//                        of the line, the speaker's name before it or not)
//   <ms> close           a window close request (the close button)
//   <ms> terminate       as a termination signal: the program ends without asking
//   <ms> quit            a close request after which every message box takes its default
//                        (first) button, so the program ends through its clean close path; if it
//                        has not ended 10 s later the process exits with status 3
//
// Command words are read in any case (SHOT, EXPECT-STATE, EXPECT-TEXT as well).
//
// Recording. With a record file (--record) every input event the program receives, the
// player's or the script's, is written to it as a line of such a script (ScriptRecorder in
// input_script.h), with its time on the same clock, so that --autoplay replays the session.
//
// Game controllers play as keys (sdl_gamepad.h).
//
// <ms> is counted from the first event poll; X Y are main-form client coordinates (negative Y
// reaches the menu bar). Blank lines and lines starting with '#' are ignored. While a script is
// loaded the pointer position the program reads is the script's, and Shift is held when either
// the script or the keyboard holds it. Screenshots that cannot be written are reported on stderr.
//
// With SDL_VIDEODRIVER=dummy the backend runs without a window system; under Xvfb it opens a
// real window.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/backend/backend.h"
#include "platform/backend/input_script.h"

// Starts SDL video, creates the backend and installs it as the current backend. With a non-null
// autoplayScript the script file is loaded; with a non-null recordFile the input is recorded
// there; `checkpoint` answers the script's expect- entries. Returns false (with a line on
// stderr) when SDL's video cannot start, the script cannot be read or parsed or the record file
// cannot be created; the previous backend then stays.
bool InstallSdlBackend(const char* autoplayScript = nullptr, const char* recordFile = nullptr,
                       ScriptCheckpoint checkpoint = {});
// Uninstalls and destroys the SDL backend (closes the window, stops SDL video).
void UninstallSdlBackend();

// True once an autoplay script's "quit" entry has been released.
bool SdlAutoplayQuitting();

// Read-backs of what SDL holds, for the backend's own tests.
// Whether SDL's text input (and with it the input method) is on.
bool SdlTextInputActive();
// The window's surface when the backend draws without an accelerated renderer (SDL's dummy
// driver): its size, and a pixel's colour. False when there is no window or it has a renderer,
// whose picture cannot be read back here.
bool SdlWindowSurfaceSize(int32_t* width, int32_t* height);
TColor SdlWindowSurfacePixel(int32_t x, int32_t y);
// Resizes the window as a player dragging its frame would (SDL reports the new size as an
// event), and the view point a window point maps to now.
void SdlResizeWindow(int32_t width, int32_t height);
TPoint SdlWindowPointToView(int32_t x, int32_t y);
// A virtual game controller (the standard buttons and axes) that SDL reports as plugged in, and
// its buttons, for the controller tests. Attach returns its device index or -1; Button presses or
// releases an SDL_GameControllerButton number of the last one attached; Detach unplugs it.
int SdlAttachTestGamepad();
void SdlTestGamepadButton(int button, bool down);
void SdlDetachTestGamepad();
// The number of controllers the backend has open.
int SdlOpenGamepads();
