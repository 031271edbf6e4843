#include "platform/backend/fake/fake_backend.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/text/cp932.h"

namespace {

constexpr uint64_t kAbortGraceMs = 60000;

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian calendar).
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + int64_t(doe) - 719468;
}

void civilFromDays(int64_t z, int64_t* y, unsigned* m, unsigned* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = int64_t(yoe) + era * 400 + (*m <= 2);
}

int64_t toMs(const SYSTEMTIME& st) {
  int64_t days = daysFromCivil(st.wYear, st.wMonth, st.wDay);
  return ((days * 24 + st.wHour) * 60 + st.wMinute) * 60000 + int64_t(st.wSecond) * 1000 +
         st.wMilliseconds;
}

}  // namespace

FakeBackend::FakeBackend() : previous_(&CurrentBackend()) {
  SYSTEMTIME st{2024, 4, 1, 1, 12, 0, 0, 0};
  localBaseMs_ = toMs(st);
  SetBackend(this);
}

FakeBackend::~FakeBackend() {
  if (&CurrentBackend() == this) SetBackend(previous_ == &HeadlessBackend() ? nullptr : previous_);
}

// ---- file writes ----------------------------------------------------------------------------
void FakeBackend::InjectWriteFailure(int stage, int count) {
  writeFailStage_ = stage;
  writeFailCount_ = stage == 0 ? 0 : count;
}

// True when the rewrite is to fail at this stage; consumes one injected failure.
bool FakeBackend::failWriteHere(int stage) {
  if (writeFailCount_ <= 0 || writeFailStage_ != stage) return false;
  if (--writeFailCount_ == 0) writeFailStage_ = 0;
  errno = EIO;
  return true;
}

int FakeBackend::FileCreate(const std::string& nativePath) {
  return failWriteHere(1) ? -1 : Backend::FileCreate(nativePath);
}

bool FakeBackend::FileWrite(int fd, const void* data, size_t size) {
  return !failWriteHere(2) && Backend::FileWrite(fd, data, size);
}

bool FakeBackend::FileFlush(int fd) { return !failWriteHere(3) && Backend::FileFlush(fd); }

bool FakeBackend::FileRename(const std::string& from, const std::string& to) {
  return !failWriteHere(4) && Backend::FileRename(from, to);
}

void InjectWriteFailure(int stage, int count) {
  auto* fake = dynamic_cast<FakeBackend*>(&CurrentBackend());
  if (fake == nullptr) {
    std::fprintf(stderr, "InjectWriteFailure: no FakeBackend is installed\n");
    std::abort();
  }
  fake->InjectWriteFailure(stage, count);
}

// ---- clock ----------------------------------------------------------------------------------
void FakeBackend::SetClock(uint32_t ticks) { clockBase_ = ticks - uint32_t(elapsed_); }

uint32_t FakeBackend::Ticks() { return clockBase_ + uint32_t(elapsed_); }

void FakeBackend::Advance(uint64_t ms) {
  if (ms == 0) return;
  if (realTime_) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  elapsed_ += ms;
  idlePolls_ = 0;
  checkLimit();
}

void FakeBackend::Delay(uint32_t ms) { Advance(ms); }

void FakeBackend::checkLimit() {
  if (!limitHit_ && elapsed_ >= limit_) {
    limitHit_ = true;
    if (onLimit_) {
      onLimit_();
    } else {
      std::fprintf(stderr, "FakeBackend: virtual time limit of %llu ms reached; closing\n",
                   static_cast<unsigned long long>(limit_));
    }
    ScriptEntry e;
    e.at = elapsed_;
    e.kind = ScriptEntry::kClose;
    script_.Add(e);
  }
  if (limitHit_ && elapsed_ >= limit_ + kAbortGraceMs) {
    std::fprintf(stderr, "FakeBackend: still running %llu ms after the time limit; aborting\n",
                 static_cast<unsigned long long>(kAbortGraceMs));
    std::abort();
  }
}

void FakeBackend::SetTimeLimit(uint64_t elapsedMs, std::function<void()> onExceeded) {
  limit_ = elapsedMs;
  onLimit_ = std::move(onExceeded);
}

void FakeBackend::SetLocalTime(const SYSTEMTIME& st) {
  localBaseMs_ = toMs(st) - int64_t(elapsed_);
}

void FakeBackend::LocalTime(SYSTEMTIME* st) {
  int64_t ms = localBaseMs_ + int64_t(elapsed_);
  int64_t days = ms >= 0 ? ms / 86400000 : -((-ms + 86399999) / 86400000);
  int64_t rest = ms - days * 86400000;
  int64_t y;
  unsigned m, d;
  civilFromDays(days, &y, &m, &d);
  st->wYear = uint16_t(y);
  st->wMonth = uint16_t(m);
  st->wDay = uint16_t(d);
  st->wDayOfWeek = uint16_t(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  st->wHour = uint16_t(rest / 3600000);
  st->wMinute = uint16_t(rest / 60000 % 60);
  st->wSecond = uint16_t(rest / 1000 % 60);
  st->wMilliseconds = uint16_t(rest % 1000);
}

// ---- script ---------------------------------------------------------------------------------
FakeBackend& FakeBackend::At(uint64_t elapsedMs) {
  cursorTime_ = elapsedMs;
  return *this;
}

FakeBackend& FakeBackend::Wait(uint64_t ms) {
  cursorTime_ += ms;
  return *this;
}

FakeBackend& FakeBackend::AtNow() {
  cursorTime_ = elapsed_;
  return *this;
}

FakeBackend& FakeBackend::add(ScriptEntry e) {
  e.at = cursorTime_;
  script_.Add(std::move(e));
  return *this;
}

FakeBackend& FakeBackend::mouse(ScriptEntry::Kind k, int32_t x, int32_t y, TMouseButton b,
                                bool window) {
  ScriptEntry e;
  e.kind = k;
  e.x = x;
  e.y = y;
  e.button = b;
  e.windowCoords = window;
  return add(e);
}

FakeBackend& FakeBackend::MouseDown(int32_t x, int32_t y, TMouseButton b) {
  return mouse(ScriptEntry::kDown, x, y, b, false);
}
FakeBackend& FakeBackend::MouseUp(int32_t x, int32_t y, TMouseButton b) {
  return mouse(ScriptEntry::kUp, x, y, b, false);
}
FakeBackend& FakeBackend::MouseMove(int32_t x, int32_t y) {
  return mouse(ScriptEntry::kMove, x, y, mbLeft, false);
}
FakeBackend& FakeBackend::Click(int32_t x, int32_t y, uint64_t holdMs) {
  MouseDown(x, y);
  Wait(holdMs);
  return MouseUp(x, y);
}
FakeBackend& FakeBackend::RightClick(int32_t x, int32_t y) {
  MouseDown(x, y, mbRight);
  return MouseUp(x, y, mbRight);
}
FakeBackend& FakeBackend::WindowMouseDown(int32_t x, int32_t y, TMouseButton b) {
  return mouse(ScriptEntry::kDown, x, y, b, true);
}
FakeBackend& FakeBackend::WindowMouseUp(int32_t x, int32_t y, TMouseButton b) {
  return mouse(ScriptEntry::kUp, x, y, b, true);
}
FakeBackend& FakeBackend::WindowMouseMove(int32_t x, int32_t y) {
  return mouse(ScriptEntry::kMove, x, y, mbLeft, true);
}
FakeBackend& FakeBackend::WindowClick(int32_t x, int32_t y) {
  WindowMouseDown(x, y);
  return WindowMouseUp(x, y);
}
FakeBackend& FakeBackend::SetCursor(int32_t x, int32_t y) {
  return mouse(ScriptEntry::kCursor, x, y, mbLeft, false);
}

FakeBackend& FakeBackend::Wheel(int32_t notches) {
  ScriptEntry e;
  e.kind = ScriptEntry::kWheel;
  e.wheel = notches;
  return add(e);
}

FakeBackend& FakeBackend::MenuClick(size_t menu, size_t item) {
  for (int step = 0; step < 2; ++step) {
    for (ScriptEntry::Kind k : {ScriptEntry::kDown, ScriptEntry::kUp}) {
      ScriptEntry e;
      e.kind = k;
      e.menu = int(menu);
      e.item = step == 0 ? -1 : int(item);
      add(e);
    }
  }
  return *this;
}

FakeBackend& FakeBackend::ClickBoxButton(size_t button) {
  for (ScriptEntry::Kind k : {ScriptEntry::kDown, ScriptEntry::kUp}) {
    ScriptEntry e;
    e.kind = k;
    e.boxButton = int(button);
    add(e);
  }
  return *this;
}

FakeBackend& FakeBackend::Key(int vk, TShiftState mods) {
  KeyDown(vk, mods);
  return KeyUp(vk, mods);
}

FakeBackend& FakeBackend::KeyDown(int vk, TShiftState mods) {
  ScriptEntry e;
  e.kind = ScriptEntry::kKeyDown;
  e.key = vk;
  e.mods = mods;
  return add(e);
}

FakeBackend& FakeBackend::KeyUp(int vk, TShiftState mods) {
  ScriptEntry e;
  e.kind = ScriptEntry::kKeyUp;
  e.key = vk;
  e.mods = mods;
  return add(e);
}

FakeBackend& FakeBackend::Text(const std::string& utf8) {
  ScriptEntry e;
  e.kind = ScriptEntry::kText;
  e.text = utf8;
  return add(e);
}

FakeBackend& FakeBackend::Composition(const std::string& utf8, int32_t cursor, int32_t length) {
  ScriptEntry e;
  e.kind = ScriptEntry::kTextEditing;
  e.text = utf8;
  e.x = cursor;
  e.y = length;
  return add(e);
}

FakeBackend& FakeBackend::Shift(bool held) {
  ScriptEntry e;
  e.kind = ScriptEntry::kShift;
  e.on = held;
  return add(e);
}

FakeBackend& FakeBackend::CloseRequest() {
  ScriptEntry e;
  e.kind = ScriptEntry::kClose;
  return add(e);
}

FakeBackend& FakeBackend::TerminateRequest() {
  ScriptEntry e;
  e.kind = ScriptEntry::kTerminate;
  return add(e);
}

FakeBackend& FakeBackend::DropFile(const std::string& utf8Path) {
  ScriptEntry e;
  e.kind = ScriptEntry::kDrop;
  e.text = utf8Path;
  return add(e);
}

FakeBackend& FakeBackend::Expose() {
  ScriptEntry e;
  e.kind = ScriptEntry::kExpose;
  return add(e);
}

FakeBackend& FakeBackend::WindowMoved(int32_t x, int32_t y) {
  ScriptEntry e;
  e.kind = ScriptEntry::kMoved;
  e.x = x;
  e.y = y;
  e.windowCoords = true;
  return add(e);
}

bool FakeBackend::LoadScript(const std::string& text, const std::string& name,
                             std::string* error) {
  std::vector<ScriptEntry> entries;
  if (!ParseInputScript(text, entries, error)) return false;
  scriptName_ = name;
  for (ScriptEntry& e : entries) {
    lastEntry_ = std::max(lastEntry_, e.at);
    script_.Add(std::move(e));
  }
  return true;
}

// ---- events ---------------------------------------------------------------------------------
// Entries that are no input event: true with ev set when the entry still makes one.
bool FakeBackend::scriptAction(const ScriptEntry& e, BackendEvent& ev) {
  switch (e.kind) {
    case ScriptEntry::kShot:
      if (!WriteScriptShot(e.text, LastFrame()))
        std::fprintf(stderr, "miravel: cannot write the screenshot %s\n", e.text.c_str());
      return false;
    case ScriptEntry::kExpectState:
    case ScriptEntry::kExpectText:
      RunScriptCheckpoint(e, checkpoint_, scriptName_);
      return false;
    case ScriptEntry::kQuit:
      quitting_ = true;
      ev = BackendEvent{};
      ev.kind = BackendEventKind::kCloseRequest;
      return true;
    default:
      return false;
  }
}

TShiftState FakeBackend::Modifiers() {
  script_.ApplyState(elapsed_);
  return (script_.shift ? ssShift : 0) | (script_.ctrl ? ssCtrl : 0);
}

TShiftState FakeBackend::MouseButtons() {
  script_.ApplyState(elapsed_);
  return script_.buttons;
}

bool FakeBackend::MousePosition(TPoint* view) {
  script_.ApplyState(elapsed_);
  *view = script_.cursor;
  return true;
}

// The program moved the pointer: the script's later entries move it on from there.
void FakeBackend::WarpMouse(TPoint view) {
  script_.ApplyState(elapsed_);
  script_.cursor = view;
}

bool FakeBackend::PollEvent(BackendEvent& ev) {
  ScriptEntry e;
  while (script_.TakeDue(elapsed_, e)) {
    idlePolls_ = 0;
    TShiftState mods = (script_.shift ? ssShift : 0) | (script_.ctrl ? ssCtrl : 0);
    if (e.kind == ScriptEntry::kMoved) position_ = TPoint{e.x, e.y};
    if (InputScript::ToEvent(e, mods, ev) || scriptAction(e, ev)) return true;
  }
  // Nobody is left to close a headless run whose script is used up.
  if (closeAtEnd_ && !quitting_ && script_.Empty() && elapsed_ >= lastEntry_ + 1000) {
    quitting_ = true;
    ev = BackendEvent{};
    ev.kind = BackendEventKind::kCloseRequest;
    return true;
  }
  // A loop that polls without sleeping would wait for ever for input scripted later.
  if (spinPolls_ != 0 && ++idlePolls_ >= spinPolls_) Advance(1);
  return false;
}

bool FakeBackend::WaitEvent(BackendEvent& ev, uint32_t timeoutMs) {
  if (PollEvent(ev)) return true;
  uint64_t next = script_.NextTime();
  if (next <= elapsed_ + timeoutMs) {
    if (next > elapsed_) Advance(next - elapsed_);
    if (!PollEvent(ev)) ev = BackendEvent{};  // an entry without an event (pointer, shot)
    return true;
  }
  Advance(timeoutMs);
  return false;
}

void FakeBackend::ProcessMessagesStarted() {
  ++processCount_;
  if (hook_ && !inHook_) {
    inHook_ = true;
    hook_();
    inHook_ = false;
  }
}

bool FakeBackend::SetFullScreen(bool on) {
  if (on && !allowFullScreen_) return false;
  fullScreen_ = on;
  return true;
}

void FakeBackend::SetDesktop(int32_t w, int32_t h, int32_t bits) {
  desktopW_ = w;
  desktopH_ = h;
  desktopBits_ = bits;
}

void FakeBackend::StartTextInput(const TRect& viewRect) {
  textInput_ = true;
  textInputRect_ = viewRect;
}

// ---- frames ---------------------------------------------------------------------------------
void FakeBackend::Present(const TBitmap& picture) {
  ++frameCount_;
  if (keptFrames_ == 0) return;
  if (frames_.size() >= keptFrames_) {
    // Reuses the oldest picture's storage.
    TBitmap old = std::move(frames_.back());
    frames_.pop_back();
    old = picture;
    frames_.push_front(std::move(old));
  } else {
    frames_.push_front(picture);
  }
}

void FakeBackend::PresentUnchanged() {
  ++unchangedCount_;
  if (frames_.empty()) {
    ++frameCount_;
    return;
  }
  TBitmap same = frames_.front();
  Present(same);
}

void FakeBackend::SetKeptFrames(size_t n) {
  keptFrames_ = n;
  while (frames_.size() > n) frames_.pop_back();
}

const TBitmap& FakeBackend::Frame(size_t back) const {
  static const TBitmap kEmpty;
  return back < frames_.size() ? frames_[back] : kEmpty;
}

TColor FakeBackend::ClientPixel(int32_t x, int32_t y) const {
  const TBitmap& f = LastFrame();
  TPoint v = MainClientToView(TPoint{x, y});
  if (v.x < 0 || v.y < 0 || v.x >= f.Width() || v.y >= f.Height()) return clBlack;
  return f.Pixel(v.x, v.y);
}

// ---- message boxes --------------------------------------------------------------------------
FakeBackend& FakeBackend::AnswerBox(int answer) {
  answers_.push_back(answer);
  return *this;
}

bool FakeBackend::MessageBoxOpened(const MessageBoxRequest& req, int* answer) {
  Box b;
  b.caption = req.caption;
  b.text = req.text;
  b.flags = req.flags;
  if (boxes_.size() >= kBoxesKept && openBoxes_.empty())
    boxes_.erase(boxes_.begin(), boxes_.begin() + kBoxesKept / 2);
  ++boxCount_;
  openBoxes_.push_back(boxes_.size());
  pendingDefaults_.push_back(req.defaultAnswer);
  boxes_.push_back(std::move(b));
  Box& rec = boxes_.back();
  if (limitHit_ || quitting_) {
    rec.how = Answered::kDefault;
    *answer = req.defaultAnswer;
    return true;
  }
  if (!answers_.empty()) {
    rec.how = Answered::kScript;
    *answer = answers_.front();
    answers_.pop_front();
    return true;
  }
  rec.how = Answered::kInput;
  return false;
}

bool FakeBackend::MessageBoxIdle(int* answer) {
  if (openBoxes_.empty()) return false;
  if (!limitHit_ && !quitting_ && !script_.Empty()) return false;
  boxes_[openBoxes_.back()].how = Answered::kDefault;
  *answer = pendingDefaults_.back();
  return true;
}

void FakeBackend::MessageBoxClosed(int answer) {
  if (openBoxes_.empty()) return;
  const size_t at = openBoxes_.back();
  Box& b = boxes_[at];
  b.answer = answer;
  b.picture = LastFrame();
  // Older boxes let go of their pictures: a screen copy each would grow without end.
  if (at >= kBoxPicturesKept) boxes_[at - kBoxPicturesKept].picture = TBitmap();
  if (logBoxes_) {
    std::fprintf(stderr, "miravel: message box \"%s\": %s (answer %d)\n",
                 Cp932ToUtf8(b.caption).c_str(), Cp932ToUtf8(b.text).c_str(), answer);
  }
  openBoxes_.pop_back();
  pendingDefaults_.pop_back();
}

// ---- running --------------------------------------------------------------------------------
void FakeBackend::RunFor(uint64_t ms) {
  uint64_t end = elapsed_ + ms;
  for (;;) {
    if (Application) Application->ProcessMessages();
    if (elapsed_ >= end) break;
    uint64_t left = end - elapsed_;
    WaitForEvents(uint32_t(left > 0xFFFFFFFFull ? 0xFFFFFFFFull : left));
  }
}

void FakeBackend::RunScript(uint64_t maxMs) {
  uint64_t end = elapsed_ + maxMs;
  for (;;) {
    if (Application) Application->ProcessMessages();
    if (script_.Empty() || elapsed_ >= end) break;
    uint64_t left = end - elapsed_;
    WaitForEvents(uint32_t(left > 0xFFFFFFFFull ? 0xFFFFFFFFull : left));
  }
}
