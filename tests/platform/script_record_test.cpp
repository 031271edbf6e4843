// Input scripts written by --record and read back: every event the recorder keeps replays as
// the same input at the same time; the checkpoint commands parse with their line and text.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/backend/input_script.h"
#include "support/temp_dir.h"

namespace {

BackendEvent event(BackendEventKind kind, int key = 0, TShiftState shift = 0,
                   std::string text = {}) {
  BackendEvent ev;
  ev.kind = kind;
  ev.key = key;
  ev.shift = shift;
  ev.text = std::move(text);
  return ev;
}

}  // namespace

TEST(ScriptRecord, RecordedEventsReplayAsTheSameInput) {
  TempDir dir;
  ScriptRecorder rec;
  ASSERT_TRUE(rec.Open(dir.File("rec.txt")));
  BackendEvent down = event(BackendEventKind::kMouseDown), up = event(BackendEventKind::kMouseUp);
  BackendEvent move = event(BackendEventKind::kMouseMove);
  BackendEvent rdown = down, rup = up;
  rdown.button = rup.button = mbRight;
  BackendEvent wheel = event(BackendEventKind::kMouseWheel);
  wheel.wheel = -2;
  rec.Record(5, move, {1, 1});     // no button held: not kept
  rec.Record(10, down, {100, 200});
  rec.Record(15, move, {101, 201});
  rec.Record(20, move, {102, 202});  // within the sample time of the last move: dropped
  rec.Record(40, move, {103, 203});
  rec.Record(50, up, {104, 204});
  rec.Record(60, rdown, {5, -6});
  rec.Record(70, rup, {5, -6});
  rec.Record(80, event(BackendEventKind::kKeyDown, VK_SHIFT, ssShift), {});
  rec.Record(81, event(BackendEventKind::kKeyDown, 'A', ssShift | ssCtrl), {});
  rec.Record(82, event(BackendEventKind::kKeyUp, 'A', ssShift | ssCtrl), {});
  rec.Record(83, event(BackendEventKind::kKeyUp, VK_SHIFT), {});
  rec.Record(84, event(BackendEventKind::kKeyDown, VK_CONTROL, ssCtrl), {});
  rec.Record(90, event(BackendEventKind::kKeyDown, VK_F10, ssAlt), {});
  rec.Record(100, event(BackendEventKind::kTextInput, 0, 0, "山田 花子"), {});
  rec.Record(110, event(BackendEventKind::kTextEditing, 0, 0, "にほん"), {});
  rec.Record(111, event(BackendEventKind::kTextEditing), {});
  rec.Record(120, wheel, {});
  rec.Record(130, event(BackendEventKind::kCloseRequest), {});

  std::ifstream in(dir.File("rec.txt"));
  std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::vector<ScriptEntry> e;
  std::string err;
  ASSERT_TRUE(ParseInputScript(text, e, &err)) << err << "\n" << text;
  using K = ScriptEntry;
  const struct {
    uint64_t at;
    ScriptEntry::Kind kind;
    int32_t x, y;
    TMouseButton button;
    int key;
    TShiftState mods;
    const char* text;
  } want[] = {
      {10, K::kDown, 100, 200, mbLeft, 0, 0, ""},   {15, K::kMove, 101, 201, mbLeft, 0, 0, ""},
      {40, K::kMove, 103, 203, mbLeft, 0, 0, ""},   {50, K::kUp, 104, 204, mbLeft, 0, 0, ""},
      {70, K::kDown, 5, -6, mbRight, 0, 0, ""},     {70, K::kUp, 5, -6, mbRight, 0, 0, ""},
      {80, K::kShift, 0, 0, mbLeft, 0, 0, ""},      {81, K::kKeyDown, 0, 0, mbLeft, 'A', ssCtrl, ""},
      {81, K::kKeyUp, 0, 0, mbLeft, 'A', ssCtrl, ""}, {83, K::kShift, 0, 0, mbLeft, 0, 0, ""},
      {90, K::kKeyDown, 0, 0, mbLeft, VK_F10, ssAlt, ""},
      {90, K::kKeyUp, 0, 0, mbLeft, VK_F10, ssAlt, ""},
      {100, K::kText, 0, 0, mbLeft, 0, 0, "山田 花子"},
      {110, K::kTextEditing, -1, 0, mbLeft, 0, 0, "にほん"},  // the caret at its end
      {111, K::kTextEditing, -1, 0, mbLeft, 0, 0, ""},
      {120, K::kWheel, 0, 0, mbLeft, 0, 0, ""},     {130, K::kClose, 0, 0, mbLeft, 0, 0, ""},
  };
  ASSERT_EQ(e.size(), std::size(want)) << text;
  for (size_t i = 0; i < e.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(e[i].at, want[i].at);
    EXPECT_EQ(e[i].kind, want[i].kind);
    EXPECT_EQ(e[i].x, want[i].x);
    EXPECT_EQ(e[i].y, want[i].y);
    EXPECT_EQ(e[i].button, want[i].button);
    EXPECT_EQ(e[i].key, want[i].key);
    EXPECT_EQ(e[i].mods, want[i].mods);
    EXPECT_EQ(e[i].text, want[i].text);
  }
  EXPECT_TRUE(e[6].on);
  EXPECT_FALSE(e[9].on);
  EXPECT_EQ(e[15].wheel, -2);
}

TEST(ScriptRecord, EveryNamedKeyComesBackFromItsName) {
  for (int vk : {int('A'), int('9'), VK_RETURN, VK_ESCAPE, VK_SPACE, VK_TAB, VK_BACK, VK_DELETE,
                 VK_HOME, VK_PRIOR, VK_NEXT, VK_LEFT, VK_DOWN, VK_F1, VK_F12}) {
    for (TShiftState mods : {TShiftState(0), TShiftState(ssAlt | ssCtrl | ssShift)}) {
      TShiftState back = 0;
      EXPECT_EQ(KeyFromName(KeyName(vk, mods), &back), vk) << KeyName(vk, mods);
      EXPECT_EQ(back, mods) << KeyName(vk, mods);
    }
  }
  EXPECT_EQ(KeyName(0x07, 0), "");
}

TEST(ScriptRecord, CheckpointsParseWithTheirLineAndTextAndUnknownStatesAreRefused) {
  std::vector<ScriptEntry> e;
  std::string err;
  SetScriptStateNames({"title", "choice"});
  ASSERT_TRUE(ParseInputScript("# c\n10 EXPECT-STATE choice\n20 expect-text  【ミラ】こんにちは！　ミラ\n"
                               "30 Shot a.png\n",
                               e, &err))
      << err;
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0].kind, ScriptEntry::kExpectState);
  EXPECT_EQ(e[0].text, "choice");
  EXPECT_EQ(e[0].line, 2);
  EXPECT_EQ(e[1].kind, ScriptEntry::kExpectText);
  EXPECT_EQ(e[1].text, "【ミラ】こんにちは！　ミラ");
  EXPECT_EQ(e[1].line, 3);
  EXPECT_EQ(e[2].kind, ScriptEntry::kShot);
  for (const char* bad : {"10 expect-state", "10 expect-state a b", "10 expect-text",
                          "10 expect-state story"}) {
    e.clear();
    EXPECT_FALSE(ParseInputScript(bad, e, &err)) << bad;
  }
  EXPECT_EQ(err, "line 1: unknown state \"story\"");
  SetScriptStateNames({});
}
