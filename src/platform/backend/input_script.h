// Scripted input shared by the fake backend and the SDL backend's autoplay mode: entries released
// at times on the owner's clock, turned into backend events, with the input state they imply
// (pointer position, buttons, Shift) applied as soon as their time has come.
#pragma once
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
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
    kShot,  // backend-specific: write the window picture to `text` (PNG when it ends in .png)
    kQuit,  // backend-specific: end after a clean close
    kExpectState,  // a checkpoint: the game is in state `text` (ScriptCheckpoint)
    kExpectText,   // a checkpoint: the message window shows line `text` (UTF-8)
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
  int line = 0;  // the script line it came from (0: made by a test)
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

// The script's checkpoints (EXPECT-STATE, EXPECT-TEXT) ask the game where it is. The program
// entry installs the answer in the backend, since the platform knows nothing of the game: called
// with a due checkpoint entry, it returns true when the game is there, else false with *actual
// saying where it is instead.
using ScriptCheckpoint = std::function<bool(const ScriptEntry& e, std::string* actual)>;
// Runs a due checkpoint entry against `check`. When the game is elsewhere, prints
// "SCRIPT:LINE: expected ..., the game is ..." on stderr and ends the process with status 3.
void RunScriptCheckpoint(const ScriptEntry& e, const ScriptCheckpoint& check,
                         const std::string& scriptName);

// Writes a picture for the script's `shot`: PNG when the name ends in ".png" (any case), else a
// 24-bit BMP. False when it cannot be written.
bool WriteScriptShot(const std::string& nativePath, const TBitmap& picture);

// The script line that replays a key press (key NAME), the inverse of KeyFromName; empty for a
// key that has no name there.
std::string KeyName(int vk, TShiftState mods);

// Writes the input a program receives as an autoplay script (--record): each event becomes the
// line that replays it, with its time on the script clock, and every line is flushed at once so
// that a crash keeps what came before. Left presses and releases are `down`/`up`, moves are kept
// only while the left button is held (at most one per kMoveSampleMs), a right press and release
// is one `rclick`, keys are `key NAME` (Shift as `shift on|off`, Ctrl and Alt as prefixes of the
// key they go with), typed and composed text, the wheel, drops and close requests follow as
// they came. Points are main-form client coordinates, as the script reads them.
class ScriptRecorder {
 public:
  static constexpr uint64_t kMoveSampleMs = 20;
  ScriptRecorder() = default;
  ~ScriptRecorder();
  ScriptRecorder(const ScriptRecorder&) = delete;
  ScriptRecorder& operator=(const ScriptRecorder&) = delete;
  // Creates (or empties) the file; false when it cannot.
  bool Open(const std::string& nativePath);
  bool IsOpen() const { return file_ != nullptr; }
  // Records one event that happened at `ms` on the script clock. `client` is the event's point
  // in main-form client coordinates.
  void Record(uint64_t ms, const BackendEvent& ev, TPoint client);

 private:
  void line(uint64_t ms, const std::string& text);
  std::FILE* file_ = nullptr;
  bool leftHeld_ = false, shiftHeld_ = false, movedSinceDown_ = false;
  uint64_t lastMove_ = 0;
};

// The state names expect-state takes (the program entry sets the game's list): once set, a
// script naming another is refused when it is parsed.
void SetScriptStateNames(std::vector<std::string> names);

// Parses an autoplay script (format in sdl_backend.h). Blank lines and lines starting with '#'
// are skipped. On a bad line returns false with *error naming the line.
bool ParseInputScript(const std::string& text, std::vector<ScriptEntry>& out,
                      std::string* error);
