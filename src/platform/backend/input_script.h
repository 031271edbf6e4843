// Scripted input shared by the fake backend and the SDL backend's autoplay mode: entries released
// at times on the owner's clock, turned into backend events, with the input state they imply
// (pointer position, buttons, Shift) applied as soon as their time has come.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/windows/app.h"
#include "platform/backend/backend.h"

struct ScriptEntry {
  enum Kind {
    kDown,
    kUp,
    kMove,
    kCursor,  // moves the pointer without an event
    kWheel,   // the wheel turned by `wheel` notches at the pointer
    kKeyDown,
    kKeyUp,
    kText,
    kTextEditing,  // the input method's composition `text`; x = caret (-1: at its end),
                   // y = length of the selected part, in characters
    kShift,  // held = on
    kClose,
    kTerminate,  // a termination signal
    kExpose,
    kMoved,  // the window was moved to (x, y) on the screen
    kDrop,   // a file or folder `text` (UTF-8 path) dropped on the window
    kShot,  // backend-specific: write the window picture to `text`
    kQuit,  // backend-specific: end after a clean close
  };
  uint64_t at = 0;
  Kind kind = kMove;
  TMouseButton button = mbLeft;
  int32_t x = 0, y = 0;
  bool windowCoords = false;  // x, y are window-picture coordinates (else main-form client)
  int menu = -1, item = -1;   // when menu >= 0 the point is the centre of that menu entry
                              // (item -1: its caption on the bar), computed at release
  int boxButton = -1;         // when >= 0 the centre of that button of the open message box
  int key = 0;
  int32_t wheel = 0;  // notches, positive up
  TShiftState mods = 0;
  bool on = false;
  std::string text;
  uint64_t seq = 0;
  TShiftState heldButtons = 0;  // the buttons held once this entry happened (set on release)
};

class InputScript {
 public:
  // Keeps entries ordered by time, then by the order they were added.
  void Add(ScriptEntry e);
  bool Empty() const { return queue_.empty(); }
  size_t Size() const { return queue_.size(); }
  // Time of the next entry not yet taken, UINT64_MAX when none.
  uint64_t NextTime() const;
  // Applies pointer, button and Shift state of every entry due at `now`.
  void ApplyState(uint64_t now);
  // Takes the next entry due at `now` (its state applied). Entries of every kind come out;
  // ToEvent turns the ones that are events into backend events.
  bool TakeDue(uint64_t now, ScriptEntry& out);
  static bool ToEvent(const ScriptEntry& e, TShiftState mods, BackendEvent& ev);

  TPoint cursor{-100, -100};  // view coordinates; starts outside the window
  TShiftState buttons = 0;
  bool shift = false;
  bool ctrl = false;  // held by a key-down entry of VK_CONTROL until its key-up

 private:
  void applyOne(ScriptEntry& e);
  std::deque<ScriptEntry> queue_;
  size_t applied_ = 0;  // entries at the front whose state has been applied
  uint64_t seq_ = 0;
};

// Key names of input scripts: letters and digits, RETURN (ENTER), ESCAPE (ESC), SPACE, TAB,
// BACKSPACE, DELETE, INSERT, HOME, END, PAGEUP, PAGEDOWN, LEFT, RIGHT, UP, DOWN, SHIFT, CTRL, ALT,
// F1..F12, with optional "alt+", "ctrl+", "shift+" prefixes; case does not matter. Returns the
// VK_ code, or 0 for an unknown name.
int KeyFromName(const std::string& name, TShiftState* mods);

// Parses an autoplay script (format in sdl_backend.h). Blank lines and lines starting with '#'
// are skipped. On a bad line returns false with *error naming the line.
bool ParseInputScript(const std::string& text, std::vector<ScriptEntry>& out,
                      std::string* error);
