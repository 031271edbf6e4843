// Arbitrary script lines fed to the interpreter over a small scenario, each followed by one
// line of the story as the step machine would run it. Whatever the lines say, the cursor stays
// on an existing node, every text field keeps its terminator inside its buffer, and each call
// returns (waits run on the fake's virtual clock).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "screens/ending.h"
#include "platform/backend/fake/fake_audio.h"
#include "screens/input.h"
#include "support/fuzz_setup.h"

namespace {

// Virtual time runs far on fuzzed waits; the runaway guard must not end the fuzzer.
FuzzGame& world() {
  static FuzzGame w({"r1", "#IFFLG=1", "r2", "#ENDIF", "#DOLOOP", "r3", "#WHILECOUNT=2", "$1 said",
                     "\t", "A ", "a1", "#IFREAD=B", "a2", "\t", "A1 ", "#GOTO=B", "never",
                     "  ", "B ", "#SELECTSTRING=q", "b1", "\t", "B1 ", "x", " ", "B2 ", "y"},
                    UINT64_MAX);
  return w;
}

void reset(TMainFrm* f) {
  f->NodeIndex = 0;
  f->LineIndex = 0;
  f->NodeLineCount = 0;
  f->LoopStartLine = 0;
  f->LoopCount = 0;
  f->TextSubState = tsTyping;
  f->StepState = ssStory;
  f->LeftButtonDown = 0;
  f->ClickPending = 0;
  std::memset(f->SaveData.Flags, 0, sizeof f->SaveData.Flags);
  std::strcpy(f->SaveData.CharNames[1], "Name");
  if (f->frmInput) f->frmInput->Hide();
  if (f->frmEnding) f->frmEnding->Hide();
  // What the fake keeps of the last input (its boxes, sound calls) goes too.
  world().h.fake.ClearBoxes();
  FakeAudioClearCalls();
}

bool terminatedWithin(const char* s, size_t size) { return strnlen(s, size) < size; }

void checkState(TMainFrm* f) {
  FuzzCheck(f->TreeViewSinario.Item(f->NodeIndex) != nullptr);
  FuzzCheck(f->LineIndex >= 0);
  FuzzCheck(terminatedWithin(f->SpeakerName, sizeof f->SpeakerName));
  FuzzCheck(terminatedWithin(f->NodeTitle, sizeof f->NodeTitle));
  for (const auto& text : f->SelectText) FuzzCheck(terminatedWithin(text, sizeof text));
}

}  // namespace

// The world is made before the first input, so that what it keeps for the process is not
// counted against an input.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  world();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzGame& w = world();
  TMainFrm* f = w.form;
  reset(f);

  std::string input(reinterpret_cast<const char*>(data), size);
  size_t start = 0;
  for (int n = 0; n < 64 && start <= input.size(); ++n) {
    size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    std::string line = input.substr(start, end - start);  // may hold NUL bytes: they end it
    start = end + 1;

    f->ExecuteCommand(line.c_str());
    checkState(f);

    char expanded[kLineBytes];
    f->ExpandNames(expanded, sizeof expanded, line.c_str());
    FuzzCheck(terminatedWithin(expanded, sizeof expanded));
    char field[7];
    f->GetStrArg(line.c_str(), field, sizeof field, n % 4);
    FuzzCheck(terminatedWithin(field, sizeof field));
    FuzzCheck(f->GetIntArg(line.c_str(), n % 4) >= 0);

    // One step of the story: the next line of the current node, as the step machine runs it.
    if (f->StepState == ssTitle) reset(f);
    if (f->TextSubState == tsChoice) {
      f->TextSubState = tsTyping;
      f->NodeIndex = 0;
      f->LineIndex = 0;
    }
    char buf[kLineBytes];
    FuzzCheck(f->FetchNextLine(buf, sizeof buf));
    f->ExecuteCommand(buf);
    checkState(f);
  }
  return 0;
}
