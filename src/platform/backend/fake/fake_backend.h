// platform/backend/fake: the test doubles of the host, in the testing library only.
//
// FakeBackend: the backend of the tests. Deterministic, instant, no window system, no sound.
// Installing one swaps every host service at once: clock, input, window, audio output
// (fake_audio.h) and file writes; BMP decoding stays the host's.
//
//   FakeBackend fake;              // installs itself as the current backend; its destructor
//                                  // goes back to the headless one
//   TApplication app;              // becomes the global Application
//   MyForm form;                   // a TForm subclass
//   app.MainForm = &form;
//   form.CreateMenu()->Add(...);   // optional menu bar
//   form.Show();
//
// Clock. A virtual clock: Sleep/Delay advance it at once, timeGetTime reads it. It starts at
// 1000 (SetClock changes the reading, e.g. to 0xFFFFFF00 to test the wrap). Elapsed() counts
// virtual milliseconds since the fake was made and is the time base of the input script. A loop
// that polls messages without ever sleeping (100 polls with nothing due, see SetSpinAdvance)
// moves the clock by 1 ms, so scripted input still arrives.
//
// Input script. Input is released at virtual times. The script cursor says when: At(ms) sets it
// to an elapsed time, Wait(ms) moves it on, AtNow() sets it to the current time; it starts at 0,
// so input scripted before anything runs is released at the first poll. Every scripted call
// returns the fake, so calls chain:
//
//   fake.At(500).Click(100, 200).Wait(50).RightClick(10, 10).Key(VK_RETURN);
//   fake.Key('F', ssAlt);          // Alt+F
//   fake.MenuClick(1, 1);          // the second item of the second drop-down, by the mouse
//   fake.Shift(true).Wait(300).Shift(false);
//   fake.Wheel(1).Wheel(-2);       // one notch up, two down, at the pointer
//   fake.Composition("にほん").Composition("日本", 2, 2).Composition("").Text("日本");
//
// Mouse coordinates are main-form client coordinates (y < 0 reaches the menu bar); the Window*
// variants take window-picture coordinates. They are converted when their time comes, with the
// display mode and form position of that moment. The pointer position (GetCursorPos), the held
// buttons, Shift and Ctrl (GetAsyncKeyState; Ctrl is held from a KeyDown(VK_CONTROL) to its
// KeyUp) follow the script from the moment an entry's time has come, before its event is
// dispatched, as the real input state would. The pointer starts outside the window; WarpMouse
// (SetCursorPos) moves it on from where the program puts it.
//
// Frames. Every Present is counted (FrameCount) and the last 8 pictures are kept
// (SetKeptFrames): LastFrame(), Frame(1) the one before, ClientPixel(x, y) reads the last frame
// at main-form client coordinates. A frame is the view: in full screen the client area only.
//
// Message boxes. Each box is recorded (Boxes(): caption, text, flags in CP932, the answer, how it
// was answered, and the picture that showed it). Answers come from the queue filled by
// AnswerBox(IDOK) ...; when the queue is empty the box waits for scripted keys and clicks (Enter,
// Esc, a click on a button); when no scripted input is left at all it takes its default (first)
// button. Input that arrives while a box is open goes to the box, not to the forms.
//
// Hooks. OnProcessMessages(fn) runs fn at the start of every TApplication::ProcessMessages (not
// re-entered if fn itself processes messages): tests watch state and act there.
//
// Runaway guard. When the virtual time passes the limit (SetTimeLimit, default one virtual hour)
// the fake calls the test's callback once (default: a line on stderr), then asks the window to
// close and answers every later box with its default button, so a game loop runs through its
// normal close path. If the program is still running a virtual minute later, the fake aborts.
//
// Headless runs. The program entry installs a fake as the host of `miravel --headless` (no window,
// no sound device): LoadScript loads an autoplay script (the SDL backend's format, times counted
// from the start of the virtual clock), whose `shot` entries write the last frame (PNG or BMP by
// the name), whose expect- entries go to the checkpoint the entry installs (SetCheckpoint), and
// whose `quit` closes the window with every later box taking its default button. With
// SetCloseWhenScriptEnds a run whose script is used up is closed the same way a second later.
// SetRealTime(true) makes the clock keep pace with the real one (every advance sleeps);
// SetLogBoxes(true) prints each message box and its answer on stderr.
//
// Display. The desktop is 1024x768x24 (SetDesktop); full screen succeeds unless
// AllowFullScreen(false).
//
// Audio. Audio() is the fake's own output: the call recorder, the virtual music stream and the
// fake devices (fake_audio.h, whose FakeAudio* functions act on the installed fake).
//
// File writes. The atomic rewrite's steps go to the host, unless a failure was injected:
// InjectWriteFailure(stage, count) makes the next `count` rewrites fail at that stage (0 none,
// 1 creating the temporary file, 2 writing, 3 flushing, 4 renaming), as a full disk or a
// failing device would.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/windows/app.h"
#include "platform/backend/backend.h"
#include "platform/backend/fake/fake_audio.h"
#include "platform/backend/input_script.h"

class FakeBackend : public Backend {
 public:
  FakeBackend();
  ~FakeBackend() override;
  FakeBackend(const FakeBackend&) = delete;
  FakeBackend& operator=(const FakeBackend&) = delete;

  // ---- clock ----
  void SetClock(uint32_t ticks);  // what timeGetTime reads now
  uint64_t Elapsed() const { return elapsed_; }
  void Advance(uint64_t ms);
  // Polls with nothing due before the clock moves by 1 ms on its own (0: never).
  void SetSpinAdvance(uint32_t polls) { spinPolls_ = polls; }
  // Local time at the current virtual time; it runs on with the clock. Default 2024-04-01
  // 12:00:00.000, a Monday.
  void SetLocalTime(const SYSTEMTIME& st);

  // ---- input script ----
  FakeBackend& At(uint64_t elapsedMs);
  FakeBackend& Wait(uint64_t ms);
  FakeBackend& AtNow();
  FakeBackend& MouseDown(int32_t x, int32_t y, TMouseButton b = mbLeft);
  FakeBackend& MouseUp(int32_t x, int32_t y, TMouseButton b = mbLeft);
  FakeBackend& MouseMove(int32_t x, int32_t y);
  // Down and up at the same point; holdMs > 0 releases that much later (the cursor moves on).
  FakeBackend& Click(int32_t x, int32_t y, uint64_t holdMs = 0);
  FakeBackend& RightClick(int32_t x, int32_t y);
  FakeBackend& WindowMouseDown(int32_t x, int32_t y, TMouseButton b = mbLeft);
  FakeBackend& WindowMouseUp(int32_t x, int32_t y, TMouseButton b = mbLeft);
  FakeBackend& WindowMouseMove(int32_t x, int32_t y);
  FakeBackend& WindowClick(int32_t x, int32_t y);
  // Moves the pointer without an event (client coordinates).
  FakeBackend& SetCursor(int32_t x, int32_t y);
  // Turns the wheel by notches (positive: up) at the pointer.
  FakeBackend& Wheel(int32_t notches);
  // Clicks the caption of drop-down `menu` on the bar, then its item `item`.
  FakeBackend& MenuClick(size_t menu, size_t item);
  // Clicks button `button` (0 = the first) of the message box open when the click's time comes.
  FakeBackend& ClickBoxButton(size_t button);
  FakeBackend& Key(int vk, TShiftState mods = 0);  // key down and up
  FakeBackend& KeyDown(int vk, TShiftState mods = 0);
  FakeBackend& KeyUp(int vk, TShiftState mods = 0);
  FakeBackend& Text(const std::string& utf8);  // committed text, as an input method sends it
  // The input method's open composition becomes utf8 (empty: it ends), with the caret at
  // character `cursor` (-1: at its end) and `length` characters of it selected.
  FakeBackend& Composition(const std::string& utf8, int32_t cursor = -1, int32_t length = 0);
  FakeBackend& Shift(bool held);
  FakeBackend& CloseRequest();  // the window's close button
  FakeBackend& TerminateRequest();  // a termination signal
  FakeBackend& DropFile(const std::string& utf8Path);  // dropped on the window
  FakeBackend& Expose();        // the window system asks for a repaint
  FakeBackend& WindowMoved(int32_t x, int32_t y);  // the user dragged the window there
  // Entries not yet released.
  size_t ScriptPending() const { return script_.Size(); }
  // Adds the entries of an autoplay script at their times (elapsed ms); false with *error naming
  // the bad line. `name` is the script's name in checkpoint messages.
  bool LoadScript(const std::string& text, const std::string& name, std::string* error);
  void SetCheckpoint(ScriptCheckpoint check) { checkpoint_ = std::move(check); }
  void SetCloseWhenScriptEnds(bool on) { closeAtEnd_ = on; }
  void SetRealTime(bool on) { realTime_ = on; }
  void SetLogBoxes(bool on) { logBoxes_ = on; }
  uint64_t ScriptEnd() const { return lastEntry_; }  // the time of the last entry loaded
  // A `quit` entry (or the end of the script with SetCloseWhenScriptEnds) has closed the window.
  bool Quitting() const { return quitting_; }

  // ---- message boxes ----
  enum class Answered { kScript, kInput, kDefault };
  struct Box {
    std::string caption, text;  // CP932
    unsigned flags = 0;
    int answer = 0;
    Answered how = Answered::kInput;
    TBitmap picture;  // the last frame presented while the box was open
  };
  FakeBackend& AnswerBox(int answer);
  size_t AnswersQueued() const { return answers_.size(); }
  // The boxes opened so far, oldest first. A long run keeps its memory bounded: only the last
  // kBoxPicturesKept closed boxes keep their picture, and once kBoxesKept boxes are listed with
  // none open, the older half of the list is dropped (BoxCount() still counts them).
  static constexpr size_t kBoxesKept = 256, kBoxPicturesKept = 8;
  const std::vector<Box>& Boxes() const { return boxes_; }
  uint64_t BoxCount() const { return boxCount_; }
  void ClearBoxes() {
    if (openBoxes_.empty()) boxes_.clear();
  }

  // ---- frames ----
  void SetKeptFrames(size_t n);
  uint64_t FrameCount() const { return frameCount_; }
  // Of those, the presents the layer skipped because nothing on the screen would change.
  uint64_t UnchangedFrameCount() const { return unchangedCount_; }
  const TBitmap& LastFrame() const { return Frame(0); }
  const TBitmap& Frame(size_t back) const;  // 0 = last; an empty picture when not kept
  TColor ClientPixel(int32_t x, int32_t y) const;

  // ---- hooks and guard ----
  void OnProcessMessages(std::function<void()> fn) { hook_ = std::move(fn); }
  uint64_t ProcessMessagesCount() const { return processCount_; }
  void SetTimeLimit(uint64_t elapsedMs, std::function<void()> onExceeded = {});
  bool TimeLimitHit() const { return limitHit_; }

  // ---- running ----
  // Processes messages and waits until ms virtual milliseconds have passed.
  void RunFor(uint64_t ms);
  // Processes messages until no scripted input is left (at most maxMs of virtual time).
  void RunScript(uint64_t maxMs = 60000);

  // ---- display and window ----
  void SetDesktop(int32_t w, int32_t h, int32_t bits);
  void AllowFullScreen(bool allow) { allowFullScreen_ = allow; }
  bool FullScreen() const { return fullScreen_; }
  // The last SetWindowScale: the scale (0 = fit; 1 until set) and the smooth filtering.
  int WindowScale() const { return windowScale_; }
  bool WindowSmooth() const { return windowSmooth_; }
  bool WindowVisible() const { return windowVisible_; }
  const std::string& WindowTitle() const { return title_; }  // CP932
  TPoint WindowPosition() const { return position_; }
  bool WindowBordered() const { return bordered_; }
  bool MouseCaptured() const { return captured_; }
  bool TextInputOn() const { return textInput_; }
  TRect TextInputRect() const { return textInputRect_; }
  // The desktop clipboard (UTF-8).
  FakeBackend& SetClipboard(const std::string& utf8) {
    clipboard_ = utf8;
    return *this;
  }
  const std::string& Clipboard() const { return clipboard_; }

  // ---- file-write faults ----
  void InjectWriteFailure(int stage, int count = 1);

  // ---- Backend ----
  uint32_t Ticks() override;
  void Delay(uint32_t ms) override;
  void LocalTime(SYSTEMTIME* st) override;
  bool PollEvent(BackendEvent& ev) override;
  bool WaitEvent(BackendEvent& ev, uint32_t timeoutMs) override;
  void ProcessMessagesStarted() override;
  void Present(const TBitmap& picture) override;
  void PresentUnchanged() override;
  void ShowWindow(bool visible) override { windowVisible_ = visible; }
  void SetWindowTitle(const std::string& cp932) override { title_ = cp932; }
  void SetWindowPosition(int32_t x, int32_t y) override { position_ = TPoint{x, y}; }
  void SetWindowBordered(bool bordered) override { bordered_ = bordered; }
  bool SetFullScreen(bool on) override;
  void SetWindowScale(int scale, bool smooth) override {
    windowScale_ = scale;
    windowSmooth_ = smooth;
  }
  int32_t DesktopWidth() override { return desktopW_; }
  int32_t DesktopHeight() override { return desktopH_; }
  int32_t DesktopBits() override { return desktopBits_; }
  TShiftState Modifiers() override;
  TShiftState MouseButtons() override;
  bool MousePosition(TPoint* view) override;
  void WarpMouse(TPoint view) override;
  void CaptureMouse(bool on) override { captured_ = on; }
  void StartTextInput(const TRect& viewRect) override;
  void StopTextInput() override { textInput_ = false; }
  std::string GetClipboardText() override { return clipboard_; }
  void SetClipboardText(const std::string& utf8) override { clipboard_ = utf8; }
  bool MessageBoxOpened(const MessageBoxRequest& req, int* answer) override;
  bool MessageBoxIdle(int* answer) override;
  void MessageBoxClosed(int answer) override;
  FakeAudio& Audio() override { return audio_; }
  int FileCreate(const std::string& nativePath) override;
  bool FileWrite(int fd, const void* data, size_t size) override;
  bool FileFlush(int fd) override;
  bool FileRename(const std::string& from, const std::string& to) override;

 private:
  FakeBackend& add(ScriptEntry e);
  FakeBackend& mouse(ScriptEntry::Kind k, int32_t x, int32_t y, TMouseButton b, bool window);
  void checkLimit();
  bool scriptAction(const ScriptEntry& e, BackendEvent& ev);
  bool failWriteHere(int stage);

  Backend* previous_ = nullptr;
  uint64_t elapsed_ = 0;
  uint32_t clockBase_ = 1000;  // Ticks() = clockBase_ + elapsed_ (mod 2^32)
  int64_t localBaseMs_ = 0;    // local time at elapsed 0, ms since 1970 (no time zone)
  uint32_t spinPolls_ = 100;
  uint32_t idlePolls_ = 0;

  InputScript script_;
  uint64_t cursorTime_ = 0;
  std::string scriptName_;
  ScriptCheckpoint checkpoint_;
  bool closeAtEnd_ = false, quitting_ = false, realTime_ = false, logBoxes_ = false;
  uint64_t lastEntry_ = 0;  // time of the script's last entry

  std::deque<int> answers_;
  std::vector<Box> boxes_;
  std::vector<size_t> openBoxes_;
  std::vector<int> pendingDefaults_;  // default answer of each open box
  uint64_t boxCount_ = 0;

  size_t keptFrames_ = 8;
  std::deque<TBitmap> frames_;
  uint64_t frameCount_ = 0;
  uint64_t unchangedCount_ = 0;

  std::function<void()> hook_;
  bool inHook_ = false;
  uint64_t processCount_ = 0;

  uint64_t limit_ = 3600000;
  std::function<void()> onLimit_;
  bool limitHit_ = false;

  int32_t desktopW_ = 1024, desktopH_ = 768, desktopBits_ = 24;
  bool allowFullScreen_ = true, fullScreen_ = false;
  int windowScale_ = 1;
  bool windowSmooth_ = false;
  bool windowVisible_ = false, bordered_ = true, captured_ = false, textInput_ = false;
  std::string title_, clipboard_;
  TPoint position_{0, 0};
  TRect textInputRect_;

  FakeAudio audio_;
  int writeFailStage_ = 0;
  int writeFailCount_ = 0;
};

// The installed fake backend's InjectWriteFailure (a test that calls it without one installed is
// stopped with a message).
void InjectWriteFailure(int stage, int count = 1);
