// Ending files: the record reader on whole, short and cut files; the text description, its
// errors and its exact round trip; the miravel-ending command line.
#include "screens/ending_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "support/interp_story.h"
#include "support/main_form_harness.h"
#include "support/tool_run.h"

namespace {

// A description with comments, unquoted values, flags in either order and a text that needs
// the quotes; and the description miravel-ending writes back for it.
const char kAuthored[] =
    "\xEF\xBB\xBF# the roll of the first ending\n"
    "\n"
    "text 660 12 企画・脚本\r\n"
    "  music \"ENDING1.MID\"   # played throughout\n"
    "interval 7\n"
    "text 600 -27 italic BOLD \"ミラの \"旅\"\"  # size in pixels\n"
    "picture 0 \"END1A\"   # picture Y \"NAME\": a base name\n"
    "Picture -5 \" with blanks \"\n";
const char kDumped[] =
    "music \"ENDING1.MID\"\n"
    "interval 7\n"
    "text 660 12 \"企画・脚本\"\n"
    "text 600 -27 bold italic \"ミラの \"旅\"\"\n"
    "picture 0 \"END1A\"\n"
    "picture -5 \" with blanks \"\n";

ToolRun runTool(const std::vector<std::string>& args) {
  return RunTool(RunEndingTool, "miravel-ending", args);
}

}  // namespace

TEST(EndingFile, ReaderTakesWholeRecordsOnly) {
  std::string header(128, '\0');
  header.replace(40, 7, "BGM.MID");
  header[80] = 10;  // ScrollIntervalMs
  header[82] = 5;   // LastStep: read but of no use
  std::string entry(128, '\0');
  entry[0] = 0x58, entry[1] = 0x02;  // EntryY 600
  entry[2] = 20;                     // EntryFontSize
  entry[4] = 'A';
  entry[44] = 1;  // bold
  struct Case {
    const char* name;
    std::string bytes;
    size_t entries;
    const char* bgm;
    int16_t interval;
  } cases[] = {
      {"empty", "", 0, "", 0},
      {"header only", header, 0, "BGM.MID", 10},
      {"a short header keeps what is there", header.substr(0, 80), 0, "BGM.MID", 0},
      {"two records", header + entry + entry, 2, "BGM.MID", 10},
      {"a cut record is dropped", header + entry + entry.substr(0, 127), 1, "BGM.MID", 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TEndingFile f =
        ReadEndingFile(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size());
    EXPECT_EQ(f.Entries.size(), c.entries);
    EXPECT_EQ(EndingFieldText(f.Header.BgmName), c.bgm);
    EXPECT_EQ(f.Header.ScrollIntervalMs, c.interval);
    for (const TEndingEntry& e : f.Entries) {
      EXPECT_EQ(e.EntryY, 600);
      EXPECT_EQ(e.EntryFontSize, 20);
      EXPECT_EQ(EndingFieldText(e.EntryText), "A");
      EXPECT_EQ(e.EntryBold, 1);
      EXPECT_EQ(e.EntryItalic, 0);
    }
    if (c.bytes.size() >= 128)
      EXPECT_EQ(EndingFileBytes(f), c.bytes.substr(0, 128 * (1 + c.entries)));
  }
}

TEST(EndingFile, NamesWithoutTerminatorEndAtTheirField) {
  char field[kEndingNameBytes];
  std::memset(field, 'A', sizeof field);
  EXPECT_EQ(EndingFieldText(field), std::string(40, 'A'));
  field[39] = '\x82';  // a lead byte whose trail byte lies beyond the field
  EXPECT_EQ(EndingFieldText(field), std::string(39, 'A'));
}

TEST(EndingText, AuthoredDescriptionBuildsAndDumpsExactly) {
  TEndingFile f;
  std::vector<TPackMessage> errors, warnings;
  ASSERT_TRUE(ParseEndingText(kAuthored, f, errors, &warnings));
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(EndingFieldText(f.Header.BgmName), "ENDING1.MID");
  EXPECT_EQ(f.Header.ScrollIntervalMs, 7);
  ASSERT_EQ(f.Entries.size(), 4u);
  EXPECT_EQ(EndingFieldText(f.Entries[1].EntryText), Cp932("ミラの \"旅\""));
  EXPECT_EQ(f.Entries[2].EntryFontSize, 0);  // a picture
  EXPECT_EQ(FormatEndingText(f), kDumped);

  // The dumped text builds the same bytes and dumps to itself.
  TEndingFile again;
  ASSERT_TRUE(ParseEndingText(kDumped, again, errors));
  EXPECT_EQ(EndingFileBytes(again), EndingFileBytes(f));
  EXPECT_EQ(FormatEndingText(again), kDumped);

  // Without music and interval: no music, 10 ms per pixel.
  ASSERT_TRUE(ParseEndingText("text 1 2 x\n", again, errors));
  EXPECT_EQ(EndingFieldText(again.Header.BgmName), "");
  EXPECT_EQ(again.Header.ScrollIntervalMs, 10);
}

TEST(EndingText, MistakesNameTheirLine) {
  struct Case {
    const char* text;
    int line;
    const char* message;  // a part of the message
  } cases[] = {
      {"# c\nsong \"a\"\n", 2, "unknown keyword 'song'"},
      {"music\n", 1, "missing value"},
      {"text 600 20\n", 1, "missing value"},
      {"picture 0 \"a\" b\n", 1, "unexpected text after the closing quote"},
      {"picture 0 a b\n", 1, "too many values"},
      {"picture 0 \"a\n", 1, "missing closing quote"},
      {"text 32768 20 x\n", 1, "out of range"},
      {"text 0 -32769 x\n", 1, "out of range"},
      {"interval ten\n", 1, "not a number"},
      {"text 1 0 x\n", 1, "size of 0"},
      {"text 1 12 bold bold x\n", 1, "bold given twice"},
      {"text 1 12 heavy x\n", 1, "unknown flag"},
      {"music a\n\nmusic b\n", 3, "music given twice (first on line 1)"},
      {"interval 5\ninterval 6\n", 2, "interval given twice"},
      // 40 bytes: the field holds 39 and its terminator
      {"picture 1 \"0123456789012345678901234567890123456789\"\n", 1, "40 bytes in CP932"},
      {"text 1 12 \"ああああああああああああああああああああ\"\n", 1, "40 bytes in CP932"},
      {"text 1 12 \"😀\"\n", 1, "U+1F600 cannot be written in CP932"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TEndingFile f;
    f.Header.ScrollIntervalMs = 99;
    std::vector<TPackMessage> errors;
    EXPECT_FALSE(ParseEndingText(c.text, f, errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].line, c.line);
    EXPECT_NE(errors[0].text.find(c.message), std::string::npos) << errors[0].text;
    EXPECT_EQ(f.Header.ScrollIntervalMs, 99);  // left as it was
  }
  // 39 bytes fit.
  TEndingFile f;
  std::vector<TPackMessage> errors;
  EXPECT_TRUE(
      ParseEndingText("text 1 12 \"あああああああああああああああああああa\"\n"
                      "picture 1 \"012345678901234567890123456789012345678\"\n",
                      f, errors));
  EXPECT_TRUE(errors.empty());
}

TEST(EndingTool, BuildsDumpsAndReportsMistakes) {
  TempDir dir;
  ASSERT_TRUE(dir.Write("roll.txt", std::string(kAuthored)));
  ToolRun build = runTool({dir.File("roll.txt"), dir.File("mscs01.esf")});
  EXPECT_EQ(build.status, 0) << build.err;
  EXPECT_EQ(dir.Read("mscs01.esf").size(), 128u * 5);

  ToolRun toFile = runTool({"--dump", dir.File("mscs01.esf"), dir.File("back.txt")});
  EXPECT_EQ(toFile.status, 0) << toFile.err;
  EXPECT_EQ(dir.ReadText("back.txt"), kDumped);
  ToolRun toOut = runTool({"--dump", dir.File("mscs01.esf")});
  EXPECT_EQ(toOut.out, kDumped);

  ASSERT_TRUE(dir.Write("bad.txt", std::string("music a\ntext 1 12\nmusic b\n")));
  ToolRun bad = runTool({dir.File("bad.txt"), dir.File("bad.esf")});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find(dir.File("bad.txt") + ":2: error: missing value"), std::string::npos)
      << bad.err;
  EXPECT_NE(bad.err.find(dir.File("bad.txt") + ":3: error: music given twice"), std::string::npos);
  EXPECT_FALSE(dir.Exists("bad.esf"));

  EXPECT_EQ(runTool({dir.File("roll.txt")}).status, 2);
  EXPECT_EQ(runTool({"--dump", dir.File("missing.esf")}).status, 1);
}
