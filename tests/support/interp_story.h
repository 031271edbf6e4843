// A main form over a small scenario for tests that feed script lines to the interpreter
// directly. Only the constructor runs (no game loop is posted), so commands that let messages
// through do not start the game.
//
//   InterpStory s(ScenarioText({"root line", "#GOTO=B", "\t", "A ", "a1", " ", "B ", "b1"}));
//   EXPECT_EQ(s.RunNode(), (std::vector<std::string>{"b1"}));
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"
#include "support/main_form_harness.h"
#include "support/text.h"

class InterpStory {
 public:
  // Writes the scenario (UTF-8 scenario text) and builds the form; ok() tells whether the
  // start-up went through.
  explicit InterpStory(std::string_view utf8Scenario);

  bool ok() const { return form && form->StartupFailed == 0; }

  // Runs a UTF-8 line through ExecuteCommand (converted to CP932 first).
  bool Exec(std::string_view utf8);

  // Runs the current node as the step machine would, one fetched line after another, until the
  // fetch that ends a node, #GOTITLE, or maxLines lines. Returns the text lines met (UTF-8);
  // jumps are followed into the node they lead to.
  std::vector<std::string> RunNode(int maxLines = 1000);

  // Gives the root node these body lines (UTF-8) and puts the story on its first line, typing.
  void StartRoot(const std::vector<std::string>& utf8Lines);

  // Gives the play area a 640 x 480 scene of one colour in all three images.
  void PlainScene(TColor colour);

  // SpeakerName as UTF-8.
  std::string Speaker() const;

  MainFormHarness h;
  TMainFrm* form = nullptr;
};
