#include "support/interp_story.h"

#include <gtest/gtest.h>

#include "paint/splpaint.h"
#include "platform/pictures/bitmap.h"
#include "platform/text/cp932.h"
#include "shell/game_folder.h"
#include "support/pictures.h"

InterpStory::InterpStory(std::string_view utf8Scenario) {
  if (!h.WriteScenario(utf8Scenario)) return;
  SetCommandLine({h.folder.File("miravel")});
  form = new TMainFrm();
  h.form = form;
  h.app.MainForm = form;
  if (form->StartupFailed) {
    ADD_FAILURE() << "the main form did not start";
    return;
  }
  form->Show();  // so that what the commands draw reaches presented frames
}

bool InterpStory::Exec(std::string_view utf8) { return form->ExecuteCommand(Cp932(utf8).c_str()); }

std::vector<std::string> InterpStory::RunNode(int maxLines) {
  std::vector<std::string> texts;
  for (int i = 0; i < maxLines; ++i) {
    char line[kLineBytes];
    if (!form->FetchNextLine(line, sizeof line)) break;
    if (form->LineIndex == 0) break;  // the fetch finished the node
    bool done = form->ExecuteCommand(line);
    if (!done && line[0]) texts.push_back(Cp932ToUtf8(line));
    if (form->StepState == ssTitle) break;
  }
  return texts;
}

std::string InterpStory::Speaker() const { return Cp932ToUtf8(form->SpeakerName); }

void InterpStory::StartRoot(const std::vector<std::string>& utf8Lines) {
  std::string text;
  for (const std::string& l : utf8Lines) text += Cp932(l) + "\n";
  form->TreeViewSinario.Item(0)->SetBody(text);
  form->NodeIndex = 0;
  form->LineIndex = 0;
  form->TextSubState = tsTyping;
}

void InterpStory::PlainScene(TColor colour) {
  const TBitmap scene = SolidPicture(640, 480, colour);
  form->splPaintView->SetBkGnd(&scene, true);
}
