// Story lines and their fixed buffers: a line that fits its buffer comes through whole, even when
// its last byte is a lone lead byte; only a longer line is cut, at a character boundary.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/text/cp932.h"
#include "shell/main_form.h"
#include "support/interp_story.h"
#include "support/scenario_builder.h"

namespace {

TEST(TextLineCut, FetchedLineIsCutOnlyWhenLongerThanItsBuffer) {
  const std::string kanaA = "\x82\xA0";  // "あ"
  struct Case {
    const char* name;
    std::string line, fetched;
  } cases[] = {
      {"short line ending in a lead byte", "ab\x82", "ab\x82"},
      {"full buffer ending in a lead byte", std::string(254, 'x') + "\x82",
       std::string(254, 'x') + "\x82"},
      {"full buffer", std::string(253, 'x') + kanaA, std::string(253, 'x') + kanaA},
      {"a character across the end", std::string(254, 'x') + kanaA, std::string(254, 'x')},
      {"one byte too many", std::string(256, 'x'), std::string(255, 'x')},
  };
  InterpStory s(ScenarioText({"root line"}));
  ASSERT_TRUE(s.ok());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    s.form->NodeIndex = 0;
    s.form->LineIndex = 0;
    s.form->CurrentNode()->SetBody(c.line + "\n");
    char buf[kLineBytes];
    ASSERT_TRUE(s.form->FetchNextLine(buf, sizeof buf));
    EXPECT_EQ(std::string(buf), c.fetched);
    // Copied again into a line buffer to be run, it stays the same.
    char run[kLineBytes];
    CopyCut(run, sizeof run, buf);
    EXPECT_EQ(std::string(run), c.fetched);
  }
}

}  // namespace
