// What the player may use beyond the mouse-played game: skip and auto modes, screenshots and
// the text hook. None of it does anything until the player asks for it.
//
// Skip mode (Ctrl+S) runs through text already read as Shift with the button held does: each
// line whole, no click wait. It switches itself off at a node not read yet (unless the setting
// skipUnread lets it run on), on any click and wherever the story's reveal and click wait end
// (a choice, a menu, a sub-screen, the title).
//
// Auto mode (Ctrl+A) ends each click wait by itself after autoPauseMs plus autoCharMs per
// character of the line, counted on the game's clock from when the line was complete. It stops
// where skip mode stops, except at unread text and clicks.
//
// While either is on, the menu bar shows "SKIP", "AUTO" or both at its right end.
//
// F12 writes the play area as drawn (the main form's canvas) as a PNG into ScreenshotDir(),
// named "<game folder>-YYYY-MM-DD-HHMMSS.png" ("-2", "-3" ... added when the name is taken). The
// caption shows the file name, or that nothing could be written, for two seconds.
//
// The text hook (--texthook) writes every line the message window starts to show, in UTF-8
// with the names substituted, one per line: "【speaker】text" when a speaker name is set, the
// plain text otherwise. The speaker is the #CHARNAME text without its surrounding blanks; a
// name the game does not put in brackets of its own is put in 【】. --texthook=clipboard puts
// the same line on the clipboard instead of standard output.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "paint/splpaint.h"
#include "platform/files/files.h"
#include "platform/pictures/bitmap.h"
#include "platform/text/cp932.h"
#include "platform/windows/app.h"
#include "shell/main_form.h"
#include "shell/settings.h"

namespace {

constexpr uint32_t kCaptionShowMs = 2000;  // how long a screenshot's name stays in the caption

bool startsWith(const std::string& s, const char* prefix) {
  return s.compare(0, std::strlen(prefix), prefix) == 0;
}

// The speaker name as the hook writes it: blanks (ASCII and full-width) around it removed, and
// put in 【】 unless it opens with a bracket of its own. Empty when there is no name.
std::string hookSpeaker(const char* name) {
  const std::string all = name ? name : "";
  const std::string wide = SJ("　");
  size_t begin = std::string::npos, end = 0;
  for (size_t i = 0; i < all.size();) {
    const size_t len = IsLeadByte(static_cast<unsigned char>(all[i])) && i + 1 < all.size() ? 2 : 1;
    const bool blank =
        all[i] == ' ' || all[i] == '\t' || (len == 2 && all.compare(i, 2, wide) == 0);
    if (!blank) {
      if (begin == std::string::npos) begin = i;
      end = i + len;
    }
    i += len;
  }
  if (begin == std::string::npos) return {};
  const std::string s = all.substr(begin, end - begin);
  for (const char* open : {"【", "「", "『", "（", "［", "〔", "《", "〈", "(", "["})
    if (startsWith(s, SJ(open))) return s;
  return SJ("【") + s + SJ("】");
}

uint32_t countChars(const char* line) {
  uint32_t n = 0;
  for (const char* p = line; *p; ++p, ++n)
    if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1]) ++p;
  return n;
}

}  // namespace

bool TMainFrm::modeKey(int key, TShiftState shift) {
  const TShiftState mods = shift & (ssShift | ssAlt | ssCtrl);
  if (mods == ssCtrl && (key == 'S' || key == 'A')) {
    bool skip = SkipMode, autoAdvance = AutoMode;
    if (key == 'S') skip = !skip;
    if (key == 'A') autoAdvance = !autoAdvance;
    // Switching on works only where the modes run; skip mode not in unread text either.
    if ((skip && !SkipMode) &&
        (!modesMayRun() || (!PlayerSettings().skipUnread && !IsNodeRead(NodeIndex))))
      skip = false;
    if ((autoAdvance && !AutoMode) && !modesMayRun()) autoAdvance = false;
    setPlayModes(skip, autoAdvance);
    return true;
  }
  if (key == VK_F12 && mods == 0) {
    saveScreenshot();
    return true;
  }
  return false;
}

bool TMainFrm::modesMayRun() const {
  return StepState == ssStory && (TextSubState == tsTyping || TextSubState == tsWaitClick) &&
         !subFormVisible();
}

void TMainFrm::setPlayModes(bool skip, bool autoAdvance) {
  if (autoAdvance != (AutoMode != 0)) autoArmed = 0;
  SkipMode = skip ? 1 : 0;
  AutoMode = autoAdvance ? 1 : 0;
  const char* mark = skip && autoAdvance ? "SKIP AUTO" : skip ? "SKIP" : autoAdvance ? "AUTO" : "";
  if (Menu()) Menu()->SetStatusText(mark);
}

void TMainFrm::playModesFrame() {
  if (captionBorrowed && timeGetTime() - captionSince >= kCaptionShowMs) {
    captionBorrowed = 0;
    SetCaption(gameCaption);
  }
  if (!SkipMode && !AutoMode) return;
  if (!modesMayRun()) {
    setPlayModes(false, false);
    return;
  }
  if (SkipMode && !PlayerSettings().skipUnread && !IsNodeRead(NodeIndex))
    setPlayModes(false, AutoMode);
  // The auto pause runs from when the click wait began; reading the backlog holds it.
  if (AutoMode && TextSubState == tsWaitClick && BacklogPos < 0) {
    if (!autoArmed) {
      autoArmed = 1;
      autoSince = timeGetTime();
    }
  } else {
    autoArmed = 0;
  }
}

bool TMainFrm::skipShowsLine() {
  if (!SkipMode) return false;
  if (ClickPending || LeftButtonDown || !modesMayRun() ||
      (!PlayerSettings().skipUnread && !IsNodeRead(NodeIndex))) {
    setPlayModes(false, AutoMode);
    return false;
  }
  return true;
}

bool TMainFrm::modeAdvances() {
  if (!SkipMode && !AutoMode) return false;
  if (SkipMode && !skipShowsLine() && !AutoMode) return false;
  if (!splPaintView || BacklogPos >= 0 || ClickPending || LeftButtonDown) return false;
  bool advance = SkipMode != 0;
  if (!advance && AutoMode && autoArmed) {
    const TPlayerSettings& s = PlayerSettings();
    const uint32_t pause =
        static_cast<uint32_t>(s.autoPauseMs) + static_cast<uint32_t>(s.autoCharMs) * lineChars;
    advance = timeGetTime() - autoSince >= pause;
  }
  if (!advance) return false;
  // What a click in the click wait does when no backlog is shown.
  TextPos = 0;
  NeedNextLine = 1;
  if (FadeDone) splPaintView->DrawToBkGnd(false);
  DrawTextWindow();
  PrevTextSubState = TextSubState;
  TextSubState = tsTyping;
  autoArmed = 0;
  return true;
}

void TMainFrm::lineFetched(const char* line) {
  if (!line) line = "";
  lineChars = countChars(line);
  const TextHook hook = PlayerSettings().textHook;
  if (hook == TextHook::kOff || !line[0]) return;
  const std::string shown = hookSpeaker(SpeakerName) + line;
  if (hook == TextHook::kClipboard) {
    SetClipboardText(shown);
    return;
  }
  const std::string utf8 = Cp932ToUtf8(shown) + "\n";
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fflush(stdout);
}

bool TMainFrm::saveScreenshot() {
  namespace fs = std::filesystem;
  const std::string dir = ScreenshotDir();
  std::error_code ec;
  if (!dir.empty()) fs::create_directories(dir, ec);

  std::string game = ResolvePath(ProgramDir);
  while (!game.empty() && game.back() == '/') game.pop_back();
  game = game.substr(game.rfind('/') + 1);
  if (game.empty()) game = "miravel";
  SYSTEMTIME st{};
  GetLocalTime(&st);
  char stamp[40];
  std::snprintf(stamp, sizeof stamp, "-%04u-%02u-%02u-%02u%02u%02u", unsigned(st.wYear),
                unsigned(st.wMonth), unsigned(st.wDay), unsigned(st.wHour), unsigned(st.wMinute),
                unsigned(st.wSecond));
  const std::string stem = game + stamp;
  std::string name = stem + ".png";
  std::string folder = dir;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  struct stat taken;
  for (int n = 2; ::stat((folder + name).c_str(), &taken) == 0 && n < 1000; ++n)
    name = stem + "-" + std::to_string(n) + ".png";

  const bool ok = !dir.empty() && SavePngFile((folder + name).c_str(), Canvas());
  if (!captionBorrowed) gameCaption = Caption;
  captionBorrowed = 1;
  captionSince = timeGetTime();
  SetCaption(ok ? Utf8ToCp932Dropping(name)
                : std::string(SJ("スクリーンショットを保存できませんでした")));
  return ok;
}
