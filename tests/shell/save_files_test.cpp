// Save slots and the read-flags file: saving and loading round trips, slot headers, read marks,
// flags, and the bounds of the records.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/audio/audio.h"
#include "platform/text/cp932.h"
#include "platform/files/files.h"
#include "support/main_form_harness.h"

namespace {

// Root (0) with two children: "Chapter1 " (1, three lines) and "Chapter2 " (2, untitled body).
const char* kScenario =
    "root line\r\n"
    "\t\r\n"
    "Chapter1 \r\n"
    "first\r\n"
    "second\r\n"
    "third\r\n"
    " \r\n"
    "plain\r\n";

class SaveFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.WriteScenario(kScenario));
    f = h.Start();
    ASSERT_EQ(f->StartupFailed, 0);
    ASSERT_EQ(f->TreeViewSinario.Count(), 3);
  }
  TSaveData slotFile(int slot) {
    std::vector<uint8_t> bytes = h.folder.Read("orxdf0" + std::to_string(slot) + ".svd");
    TSaveData d{};
    EXPECT_EQ(bytes.size(), sizeof d);
    std::memcpy(&d, bytes.data(), std::min(bytes.size(), sizeof d));
    return d;
  }
  void writeSlot(int slot, const void* data, size_t size) {
    ASSERT_TRUE(h.folder.Write("orxdf0" + std::to_string(slot) + ".svd", data, size));
  }

  MainFormHarness h;
  TMainFrm* f = nullptr;
};

}  // namespace

TEST_F(SaveFiles, SaveWritesTheHeaderAndTheStateAsItStands) {
  f->NodeIndex = 1;
  f->LineIndex = 2;
  f->SaveData.SetFlag(5);
  std::strcpy(f->SaveData.CharNames[1], "Taro");
  ASSERT_TRUE(f->SaveSlot(3));
  TSaveData d = slotFile(3);
  EXPECT_EQ(int(d.SaveYear), 2024);  // the fake's local time: 2024-04-01 12:00
  EXPECT_EQ(int(d.SaveMonth), 4);
  EXPECT_EQ(int(d.SaveDay), 1);
  EXPECT_EQ(int(d.SaveHour), 12);
  EXPECT_EQ(int(d.SaveMinute), 0);
  EXPECT_STREQ(d.SaveTitle, "Chapter1");
  EXPECT_EQ(int(d.SaveNodeIndex), 1);
  EXPECT_EQ(int(d.SaveLineIndex), 2);
  EXPECT_TRUE(d.TestFlag(5));
  EXPECT_STREQ(d.CharNames[1], "Taro");
  EXPECT_EQ(d.BgmWasPlaying, 0);
  EXPECT_EQ(d.BgmFileName[0], 0);
  // The other slots are untouched.
  EXPECT_EQ(h.folder.Read("orxdf02.svd"), std::vector<uint8_t>(2048, 0));
}

TEST_F(SaveFiles, TitleAndLineChoices) {
  struct Case {
    const char* name;
    const char* nodeTitle;
    int node, line, lineCount;
    const char* title;
    int16_t savedLine;
  } cases[] = {
      {"NodeTitleWins", "Scene A", 1, 2, 0, "Scene A", 2},
      {"NodeOwnTitle", "", 1, 1, 0, "Chapter1", 1},
      {"UntitledNode", "", 2, 1, 0, "", 1},
      {"AtAChoiceTheLineCount", "", 1, 0, 3, "Chapter1", 3},
  };
  for (const Case& c : cases) {
    std::strcpy(f->NodeTitle, c.nodeTitle);
    f->NodeIndex = c.node;
    f->LineIndex = c.line;
    f->NodeLineCount = c.lineCount;
    ASSERT_TRUE(f->SaveSlot(1)) << c.name;
    TSaveData d = slotFile(1);
    EXPECT_STREQ(d.SaveTitle, c.title) << c.name;
    EXPECT_EQ(int(d.SaveLineIndex), c.savedLine) << c.name;
  }
}

TEST_F(SaveFiles, LongTitleIsCutAtACharacterBoundary) {
  // 78 ASCII bytes, then a two-byte character that would end at byte 80.
  std::string title(78, 'a');
  title += SJ("表");
  title += "tail";
  std::strcpy(f->NodeTitle, title.c_str());
  ASSERT_TRUE(f->SaveSlot(2));
  TSaveData d = slotFile(2);
  EXPECT_EQ(std::strlen(d.SaveTitle), 78u);
  EXPECT_EQ(std::string(d.SaveTitle), std::string(78, 'a'));
}

TEST_F(SaveFiles, MusicFileNameWithoutFolder) {
  f->MediaPlayer->FileName = std::string("C:\\game\\bgm\\") + SJ("表") + "0007.mid";
  ASSERT_TRUE(f->SaveSlot(1));
  TSaveData d = slotFile(1);
  EXPECT_EQ(std::string(d.BgmFileName), std::string(SJ("表")) + "0007.mid");
  for (size_t i = std::strlen(d.BgmFileName); i < sizeof d.BgmFileName; ++i)
    ASSERT_EQ(d.BgmFileName[i], 0) << i;
}

TEST_F(SaveFiles, SlotNumbersOutsideOneToFiveAreRejected) {
  for (int slot : {0, 6, -1}) {
    EXPECT_FALSE(f->SaveSlot(slot)) << slot;
    EXPECT_FALSE(f->LoadSlot(slot, false)) << slot;
  }
  EXPECT_FALSE(h.folder.Exists("orxdf00.svd"));
  EXPECT_FALSE(h.folder.Exists("orxdf06.svd"));
}

TEST_F(SaveFiles, SaveFailsWhenTheWriteFails) {
  ASSERT_TRUE(f->SaveSlot(4));
  std::vector<uint8_t> before = h.folder.Read("orxdf04.svd");
  f->NodeIndex = 2;
  InjectWriteFailure(2);
  EXPECT_FALSE(f->SaveSlot(4));
  EXPECT_EQ(h.folder.Read("orxdf04.svd"), before);  // the old slot survives whole
}

TEST_F(SaveFiles, LoadRoundTrip) {
  h.RunInGameLoop([&] {
    f->NodeIndex = 1;
    f->LineIndex = 2;
    f->SaveData.SetFlag(700);
    ASSERT_TRUE(f->SaveSlot(5));
    int16_t plays = f->ReadFlags.PlayCount;

    f->NodeIndex = 0;
    f->LineIndex = 0;
    f->SaveData = TSaveData{};
    ASSERT_TRUE(f->LoadSlot(5, false));
    EXPECT_EQ(f->NodeIndex, 1);
    EXPECT_EQ(f->LineIndex, 2);
    EXPECT_TRUE(f->SaveData.TestFlag(700));
    EXPECT_STREQ(f->SaveData.SaveTitle, "Chapter1");
    EXPECT_EQ(int(f->ReadFlags.PlayCount), plays + 1);
    ASSERT_EQ(f->NodeLines->Count(), 3);
    EXPECT_EQ((*f->NodeLines)[0], "first");
    EXPECT_EQ((*f->NodeLines)[2], "third");
  });
}

TEST_F(SaveFiles, NeverSavedSlotLoadsAtTheStart) {
  h.RunInGameLoop([&] {
    f->NodeIndex = 2;
    f->LineIndex = 1;
    f->SaveData.SetFlag(3);
    ASSERT_TRUE(f->LoadSlot(1, false));
    EXPECT_EQ(f->NodeIndex, 0);
    EXPECT_EQ(f->LineIndex, 0);
    EXPECT_FALSE(f->SaveData.TestFlag(3));
    EXPECT_EQ(int(f->ReadFlags.PlayCount), 1);
  });
}

TEST_F(SaveFiles, RefusedLoadsLeaveTheGameAsItWas) {
  h.RunInGameLoop([&] {
    struct Case {
      const char* name;
      int16_t node;  // SaveNodeIndex of the slot file; 0 with missing = true: no file
      bool missing;
      bool reportsNode;  // error 1 "node not found" is shown
      size_t size = sizeof(TSaveData);  // bytes of the slot file written
    } cases[] = {
        {"MissingFile", 0, true, false},
        {"NodeBeyondTheTree", 99, false, true},
        {"NegativeNode", -3, false, true},
        // Not one whole record: a valid node at its start does not make it loadable.
        {"ShortFile", 2, false, false, 100},
        {"EmptyFile", 2, false, false, 0},
        {"LongFile", 2, false, false, sizeof(TSaveData) + 1},
    };
    for (const Case& c : cases) {
      h.fake.ClearBoxes();
      std::filesystem::remove(h.folder.File("orxdf03.svd"));
      if (!c.missing) {
        uint8_t bytes[sizeof(TSaveData) + 1] = {};
        TSaveData d{};
        d.SaveNodeIndex = c.node;
        d.SaveLineIndex = 1;
        std::memcpy(bytes, &d, sizeof d);
        writeSlot(3, bytes, c.size);
      }
      f->NodeIndex = 1;
      f->LineIndex = 2;
      f->SaveData = TSaveData{};
      f->SaveData.SetFlag(9);
      std::strcpy(f->SaveData.CharNames[2], "Hanako");
      int16_t plays = f->ReadFlags.PlayCount;
      EXPECT_FALSE(f->LoadSlot(3, false)) << c.name;
      EXPECT_EQ(f->NodeIndex, 1) << c.name;
      EXPECT_EQ(f->LineIndex, 2) << c.name;
      EXPECT_TRUE(f->SaveData.TestFlag(9)) << c.name;
      EXPECT_STREQ(f->SaveData.CharNames[2], "Hanako") << c.name;
      EXPECT_EQ(int(f->ReadFlags.PlayCount), plays) << c.name;
      EXPECT_EQ(f->StartupFailed, 0) << c.name;
      ASSERT_EQ(h.fake.Boxes().size(), c.reportsNode ? 1u : 0u) << c.name;
      if (c.reportsNode) {
        EXPECT_EQ(h.fake.Boxes()[0].text, SJ("ノードが見つかりません<Error 1>")) << c.name;
      }
    }
  });
}

TEST_F(SaveFiles, SlotHeaders) {
  TSaveData d{};
  d.SaveYear = 2023;
  std::strcpy(d.SaveTitle, "saved");
  writeSlot(1, &d, sizeof d);
  writeSlot(2, &d, 10);  // short: the date only
  ASSERT_TRUE(std::filesystem::remove(h.folder.File("orxdf04.svd")));
  for (TSaveData& e : f->SlotCache) e.SaveYear = 1;  // stale entries are cleared
  f->ReadSlotHeaders();
  EXPECT_EQ(int(f->SlotCache[0].SaveYear), 2023);
  EXPECT_STREQ(f->SlotCache[0].SaveTitle, "saved");
  EXPECT_EQ(int(f->SlotCache[1].SaveYear), 2023);
  EXPECT_EQ(f->SlotCache[1].SaveTitle[0], 0);
  EXPECT_EQ(int(f->SlotCache[2].SaveYear), 0);
  EXPECT_EQ(int(f->SlotCache[3].SaveYear), 0);  // missing file: a zero entry
}

TEST_F(SaveFiles, MarkNodeReadRewritesTheReadFlagsFile) {
  f->NodeIndex = 10;
  f->ReadFlags.Options.NoTextBack = 1;
  ASSERT_TRUE(f->MarkNodeRead());
  EXPECT_TRUE(f->SaveData.SlotRead(10));
  EXPECT_TRUE(f->ReadFlags.IsRead(10));
  std::vector<uint8_t> rf = h.folder.Read("orxrf.svd");
  ASSERT_EQ(rf.size(), 2051u);
  EXPECT_EQ(rf[1], 0x04);      // node 10: bit 2 of byte 1
  EXPECT_EQ(rf[1026 + 2], 1);  // the options go with it
  EXPECT_EQ(rf[1026], 1);

  // A failed rewrite keeps the marks in memory and the old file whole.
  f->NodeIndex = 11;
  InjectWriteFailure(4);
  EXPECT_FALSE(f->MarkNodeRead());
  EXPECT_TRUE(f->ReadFlags.IsRead(11));
  EXPECT_EQ(h.folder.Read("orxrf.svd"), rf);
}

TEST_F(SaveFiles, ReadMarksBeyondTheRecordAreIgnored) {
  TReadFlagsData readFlags = f->ReadFlags;
  TSaveData saveData = f->SaveData;
  for (int node : {8192, 20000, -1}) {
    f->NodeIndex = node;
    f->MarkNodeRead();
    EXPECT_FALSE(f->IsNodeRead(node)) << node;
  }
  EXPECT_EQ(std::memcmp(&readFlags, &f->ReadFlags, sizeof readFlags), 0);
  EXPECT_EQ(std::memcmp(&saveData, &f->SaveData, sizeof saveData), 0);
  f->NodeIndex = 8191;  // the last node that has a mark
  ASSERT_TRUE(f->MarkNodeRead());
  EXPECT_EQ(f->ReadFlags.ReadBits[1023], 0x80);
  EXPECT_TRUE(f->IsNodeRead(8191));
}

TEST_F(SaveFiles, IsNodeReadMergesTheSlotMarks) {
  f->SaveData.SlotReadBits[0] = 0x08;  // node 3, read in the loaded play only
  f->ReadFlags.ReadBits[0] = 0x01;     // node 0, read on this installation
  EXPECT_TRUE(f->IsNodeRead(0));
  EXPECT_EQ(f->ReadFlags.ReadBits[0], 0x09);  // the whole byte was merged
  EXPECT_TRUE(f->IsNodeRead(3));
  EXPECT_FALSE(f->IsNodeRead(4));
  EXPECT_FALSE(f->IsNodeRead(8));
}

TEST_F(SaveFiles, Flags) {
  f->toggleFlag(12);  // a clear flag toggled becomes set
  EXPECT_TRUE(f->testFlag(12));
  EXPECT_EQ(f->SaveData.Flags[1], 0x10);
  f->toggleFlag(12);
  EXPECT_FALSE(f->testFlag(12));
  f->setFlag(1023);
  f->setFlag(1023);
  EXPECT_TRUE(f->testFlag(1023));
  EXPECT_EQ(f->SaveData.Flags[127], 0x80);
  TSaveData before = f->SaveData;
  for (int n : {1024, 1100, 5000, -1}) {
    f->setFlag(n);
    f->toggleFlag(n);
    EXPECT_FALSE(f->testFlag(n)) << n;
  }
  EXPECT_EQ(std::memcmp(&before, &f->SaveData, sizeof before), 0);
}

TEST(SaveRecords, CharNameEntriesBeyondTheRecordHaveNoRoom) {
  TSaveData d{};
  EXPECT_EQ(d.CharName(12), d.CharNames[12]);
  EXPECT_EQ(d.CharName(13), nullptr);
  EXPECT_EQ(d.CharName(-1), nullptr);
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(d.CharName(12)) + 32,
            reinterpret_cast<const uint8_t*>(&d) + 2047);
}
