// Where the game is, in the words of an input script's checkpoints (expect-state, expect-text):
// the step state and the story's sub-state as names, and the line the message window shows.
#include <cstdio>

#include "platform/text/cp932.h"
#include "screens/input.h"
#include "shell/main_form.h"

namespace {

// Blanks (ASCII and the ideographic space) trimmed from both ends of UTF-8 text.
std::string trimmed(const std::string& s) {
  static const std::string kWide = "\xE3\x80\x80";  // U+3000
  size_t b = 0, e = s.size();
  for (;;) {
    if (b < e && (s[b] == ' ' || s[b] == '\t')) {
      ++b;
    } else if (e - b >= 3 && s.compare(b, 3, kWide) == 0) {
      b += 3;
    } else {
      break;
    }
  }
  for (;;) {
    if (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) {
      --e;
    } else if (e - b >= 3 && s.compare(e - 3, 3, kWide) == 0) {
      e -= 3;
    } else {
      break;
    }
  }
  return s.substr(b, e - b);
}

}  // namespace

const std::vector<std::string>& TMainFrm::CheckpointStateNames() {
  static const std::vector<std::string> kNames{
      "stopped",     "logo",       "title",          "title-menu", "story",     "typing",
      "click-wait",  "choice",     "window-hidden",  "game-menu",  "confirm",   "save-slots",
      "load-slots",  "continue-slots", "options",    "ending",     "name-entry", "halted"};
  return kNames;
}

std::string TMainFrm::CheckpointState() const {
  if (frmInput && frmInput->Visible()) return "name-entry";
  switch (StepState) {
    case ssStopped: return "stopped";
    case ssLogo: return "logo";
    case ssTitle: return "title";
    case ssTitleMenu: return "title-menu";
    case ssConfirm: return "confirm";
    case ssStory:
      switch (TextSubState) {
        case tsTyping: return "typing";
        case tsWaitClick: return "click-wait";
        case tsChoice: return "choice";
        default: return "story";
      }
    case ssWindowHidden: return "window-hidden";
    case ssGameMenu: return "game-menu";
    case ssOptions: return "options";
    case ssEnding: return "ending";
    case ssSaveSlots: return "save-slots";
    case ssLoadSlots: return "load-slots";
    case ssContinueSlots: return "continue-slots";
    case ssHalted: return "halted";
    default: return "state " + std::to_string(StepState);
  }
}

std::string TMainFrm::CheckpointText() const {
  if (!Backlog || Backlog->Count() == 0) return {};
  return Cp932ToUtf8((*Backlog)[Backlog->Count() - 1]);
}

bool TMainFrm::InCheckpointState(const std::string& name) const {
  const std::string now = CheckpointState();
  if (name == "story") return now == "typing" || now == "click-wait" || now == "choice";
  return name == now;
}

bool TMainFrm::ShowsCheckpointText(const std::string& utf8) const {
  const std::string line = CheckpointText();
  if (line.empty() || utf8.size() < line.size() ||
      utf8.compare(utf8.size() - line.size(), line.size(), line) != 0)
    return false;
  // What stands before the line may only be the speaker's name.
  const std::string before = trimmed(utf8.substr(0, utf8.size() - line.size()));
  if (before.empty()) return true;
  const std::string speaker = trimmed(Cp932ToUtf8(SpeakerName));
  return !speaker.empty() &&
         (before == speaker || before == "\xE3\x80\x90" + speaker + "\xE3\x80\x91");  // 【】
}
