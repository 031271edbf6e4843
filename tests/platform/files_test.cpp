// The file-system boundary: path resolution, checks, whole-file reads and the atomic rewrite.
#include "platform/files/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/backend/fake/fake_backend.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

class FilesTest : public ::testing::Test {
 protected:
  void TearDown() override { InjectWriteFailure(0); }
  // Creates a file (and its folders) below the root; name is native bytes.
  void Make(const std::string& rel, const std::string& content = "x") {
    fs::path p = fs::path(root_) / rel;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
  }
  std::string Engine(const std::string& rel) const { return root_ + "/" + rel; }
  std::string Content(const std::string& native) const {
    std::ifstream in(native, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(root_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  FakeBackend fake;  // the atomic rewrite's faults are injected through it
  TempDir dir_;
  const std::string root_ = dir_.Path();
};

TEST_F(FilesTest, ResolvePath) {
  Make("Data/Sub/File.txt");
  Make("grp/BG01.bmp");
  Make("\x95\x5c.txt");                                           // "表.txt" stored as CP932 bytes
  Make("\xe8\xa1\xa8/\xe3\x82\xbd\xe3\x83\x95\xe3\x83\x88.txt");  // "表/ソフト.txt" as UTF-8
  Make("Mixed/\xe3\x82\xb2\xe3\x83\xbc\xe3\x83\xa0.TXT");         // "Mixed/ゲーム.TXT" as UTF-8
  Make("\x83\x61");                                               // "ヂ" as CP932 bytes

  struct {
    const char* engine;
    const char* native;
  } cases[] = {
      {"Data\\Sub\\File.txt", "Data/Sub/File.txt"},
      {"DATA\\SUB\\FILE.TXT", "Data/Sub/File.txt"},
      {"data/sub/file.txt", "Data/Sub/File.txt"},
      {"Data\\\\Sub\\File.txt", "Data/Sub/File.txt"},
      {"grp\\bg01.BMP", "grp/BG01.bmp"},
      {"Data\\..\\GRP\\bg01.bmp", "Data/../grp/BG01.bmp"},
      // The trail byte 0x5C of 表 and ソ is part of the character, not a separator.
      {"\x95\x5c.txt", "\x95\x5c.txt"},
      {"\x95\x5c.TXT", "\x95\x5c.txt"},
      {"\x95\x5c\\\x83\x5c\x83\x74\x83\x67.txt",
       "\xe8\xa1\xa8/\xe3\x82\xbd\xe3\x83\x95\xe3\x83\x88.txt"},
      {"MIXED\\\x83\x51\x81\x5b\x83\x80.txt", "Mixed/\xe3\x82\xb2\xe3\x83\xbc\xe3\x83\xa0.TXT"},
      // "ア" (83 41) must not match "ヂ" (83 61) by folding its trail byte; as a new name it
      // gets its UTF-8 spelling.
      {"\x83\x41", "\xe3\x82\xa2"},
      // Names that do not exist keep the spelling found so far, for creating files.
      {"data\\new.svd", "Data/new.svd"},
      {"data\\", "Data/"},
      {"nope\\DIR\\x.txt", "nope/DIR/x.txt"},
      {"\x95\x5c\\\x95\x5c.svd", "\xe8\xa1\xa8/\xe8\xa1\xa8.svd"},
      {"\xe8\xa1\xa8\\NEW.svd", "\xe8\xa1\xa8/NEW.svd"},  // a UTF-8 name stays as it is
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.engine);
    EXPECT_EQ(ResolvePath(Engine(c.engine).c_str()), root_ + "/" + c.native);
  }
  EXPECT_EQ(ResolvePath(""), "");
  EXPECT_EQ(ResolvePath(nullptr), "");
}

// The game folder may come from the command line as UTF-8, with "\\" appended by the engine.
// "テスト" ends in E3 83 88, whose last byte is also a CP932 lead byte.
TEST_F(FilesTest, ResolvePathAfterNativeUtf8Folder) {
  const std::string folder = root_ + "/\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88";
  Make("\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88/Grp/bg.bmp");
  EXPECT_EQ(ResolvePath((folder + "\\grp\\BG.BMP").c_str()), folder + "/Grp/bg.bmp");
  EXPECT_EQ(ResolvePath((folder + "\\orxdf01.svd").c_str()), folder + "/orxdf01.svd");
  std::vector<uint8_t> out;
  EXPECT_TRUE(ReadWholeFile((folder + "\\Grp\\bg.bmp").c_str(), out));
}

TEST_F(FilesTest, ResolvePathRelative) {
  Make("Game/Grp/Logo.bmp");
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(root_.c_str()), 0);
  std::string got = ResolvePath("game\\grp\\LOGO.BMP");
  ASSERT_EQ(chdir(old), 0);
  EXPECT_EQ(got, "Game/Grp/Logo.bmp");
}

TEST_F(FilesTest, ExistenceChecks) {
  Make("Save/orxdf01.svd");
  EXPECT_TRUE(FileExists(Engine("save\\ORXDF01.SVD").c_str()));
  EXPECT_TRUE(FileReadWritable(Engine("save\\orxdf01.svd").c_str()));
  EXPECT_FALSE(FileExists(Engine("Save").c_str()));  // a folder is not a file
  EXPECT_FALSE(FileReadWritable(Engine("Save").c_str()));
  EXPECT_FALSE(FileExists(Engine("save\\orxdf02.svd").c_str()));
  EXPECT_FALSE(FileReadWritable(Engine("save\\orxdf02.svd").c_str()));
  EXPECT_TRUE(DirectoryWritable(root_ + "/Save"));
  EXPECT_FALSE(DirectoryWritable(root_ + "/Save/orxdf01.svd"));
  EXPECT_FALSE(DirectoryWritable(root_ + "/none"));
  if (geteuid() != 0) {  // permission bits do not bind root
    chmod((root_ + "/Save/orxdf01.svd").c_str(), 0444);
    EXPECT_TRUE(FileExists(Engine("Save/orxdf01.svd").c_str()));
    EXPECT_FALSE(FileReadWritable(Engine("Save/orxdf01.svd").c_str()));
    chmod((root_ + "/Save").c_str(), 0555);
    EXPECT_FALSE(DirectoryWritable(root_ + "/Save"));
    chmod((root_ + "/Save").c_str(), 0755);
  }
}

TEST_F(FilesTest, ReadWholeFile) {
  const std::string bytes("a\0b\r\n\xff", 6);
  Make("Grp/pic.bin", bytes);
  Make("empty.bin", "");
  std::vector<uint8_t> out{1, 2, 3};
  ASSERT_TRUE(ReadWholeFile(Engine("GRP\\PIC.BIN").c_str(), out));
  EXPECT_EQ(std::string(out.begin(), out.end()), bytes);
  ASSERT_TRUE(ReadWholeFile(Engine("empty.bin").c_str(), out));
  EXPECT_TRUE(out.empty());

  out = {1};
  EXPECT_FALSE(ReadWholeFile(Engine("missing.bin").c_str(), out));
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(ReadWholeFile(Engine("Grp").c_str(), out));
  // A FIFO would block a plain open; it is refused instead.
  ASSERT_EQ(mkfifo((root_ + "/pipe").c_str(), 0600), 0);
  EXPECT_FALSE(ReadWholeFile(Engine("pipe").c_str(), out));
}

TEST_F(FilesTest, ReadWholeFileRefusesHugeFiles) {
  // Sparse, so it takes no disk space.
  std::string p = root_ + "/huge.bin";
  { std::ofstream(p, std::ios::binary); }
  ASSERT_EQ(truncate(p.c_str(), 256ll * 1024 * 1024 + 1), 0);
  std::vector<uint8_t> out;
  EXPECT_FALSE(ReadWholeFile(p.c_str(), out));
  EXPECT_TRUE(out.empty());
}

TEST_F(FilesTest, AtomicWriteCreatesAndReplaces) {
  const std::string target = root_ + "/orxrf.svd";
  ASSERT_TRUE(WriteWholeFileAtomic(target.c_str(), "first", 5));
  EXPECT_EQ(Content(target), "first");
  ASSERT_EQ(chmod(target.c_str(), 0640), 0);
  ASSERT_TRUE(WriteWholeFileAtomic(Engine("ORXRF.SVD").c_str(), "second!", 7));
  EXPECT_EQ(Content(target), "second!");
  struct stat st;
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  ASSERT_TRUE(WriteWholeFileAtomic(target.c_str(), nullptr, 0));
  EXPECT_EQ(Content(target), "");
  EXPECT_EQ(Listing(), std::vector<std::string>{"orxrf.svd"});

  // A CP932 name is created under its UTF-8 spelling and found again through the CP932 path.
  const std::string cp932Name = Engine("\x83\x5c\x83\x74\x83\x67.svd");
  ASSERT_TRUE(WriteWholeFileAtomic(cp932Name.c_str(), "j", 1));
  EXPECT_EQ(Content(root_ + "/\xe3\x82\xbd\xe3\x83\x95\xe3\x83\x88.svd"), "j");
  EXPECT_TRUE(FileExists(cp932Name.c_str()));
}

TEST_F(FilesTest, AtomicWriteFailureKeepsOldFile) {
  const std::string target = root_ + "/orxdf01.svd";
  std::string old(2048, '\0');
  for (size_t i = 0; i < old.size(); ++i) old[i] = static_cast<char>(i * 7);
  const std::string fresh(2048, 'N');
  for (int stage = 1; stage <= 4; ++stage) {
    SCOPED_TRACE("stage " + std::to_string(stage));
    ASSERT_TRUE(WriteWholeFileAtomic(target.c_str(), old.data(), old.size()));
    InjectWriteFailure(stage);
    EXPECT_FALSE(WriteWholeFileAtomic(target.c_str(), fresh.data(), fresh.size()));
    EXPECT_EQ(Content(target), old);
    EXPECT_EQ(Listing(), std::vector<std::string>{"orxdf01.svd"}) << "temporary left behind";
    // The injected failure is used up.
    EXPECT_TRUE(WriteWholeFileAtomic(target.c_str(), fresh.data(), fresh.size()));
    EXPECT_EQ(Content(target), fresh);
  }

  InjectWriteFailure(2, 2);
  EXPECT_FALSE(WriteWholeFileAtomic(target.c_str(), old.data(), old.size()));
  EXPECT_FALSE(WriteWholeFileAtomic(target.c_str(), old.data(), old.size()));
  EXPECT_TRUE(WriteWholeFileAtomic(target.c_str(), old.data(), old.size()));

  // A failed first write leaves no file at all.
  InjectWriteFailure(4);
  EXPECT_FALSE(WriteWholeFileAtomic((root_ + "/orxdf02.svd").c_str(), "x", 1));
  EXPECT_EQ(Listing(), std::vector<std::string>{"orxdf01.svd"});
}

// A process killed between creating its temporary and the rename leaves the temporary behind. A
// rewrite removes those leftovers in its folder (of any file) whose process is gone, so that
// kills do not pile them up; a running process's temporary and other files stay.
TEST_F(FilesTest, AtomicWriteRemovesTemporariesOfEndedProcesses) {
  const pid_t ended = fork();
  if (ended == 0) _exit(0);
  ASSERT_GT(ended, 0);
  ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
  const std::string gone = std::to_string(ended), running = std::to_string(getppid());
  const struct {
    std::string name;
    bool removed;
  } cases[] = {
      {".orxdf01.svd." + gone + ".3.tmp", true},
      {".orxrf.svd." + gone + ".1.tmp", true},  // another file of the folder
      {".orxdf02.svd." + std::to_string(getpid()) + ".9.tmp", true},  // an earlier holder of this id
      {".orxdf02.svd." + running + ".1.tmp", false},
      {"orxdf01.svd." + gone + ".1.tmp", false},
      {".orxdf01.svd." + gone + ".tmp", false},
      {".orxdf01.svd." + gone + ".1x.tmp", false},
      {"." + gone + ".1.tmp", false},
      {".notes.tmp", false},
  };
  for (const auto& c : cases) Make(c.name, "left");
  ASSERT_TRUE(WriteWholeFileAtomic(Engine("orxdf01.svd").c_str(), "new", 3));
  EXPECT_EQ(Content(root_ + "/orxdf01.svd"), "new");
  for (const auto& c : cases) EXPECT_EQ(fs::exists(root_ + "/" + c.name), !c.removed) << c.name;
}

TEST_F(FilesTest, AtomicWriteRefusesBadTargets) {
  fs::create_directory(root_ + "/slot");
  EXPECT_FALSE(WriteWholeFileAtomic((root_ + "/slot").c_str(), "x", 1));
  EXPECT_TRUE(fs::is_directory(root_ + "/slot"));
  EXPECT_FALSE(WriteWholeFileAtomic((root_ + "/none/file").c_str(), "x", 1));
  EXPECT_FALSE(WriteWholeFileAtomic((root_ + "/dir/").c_str(), "x", 1));
  EXPECT_FALSE(WriteWholeFileAtomic("", "x", 1));
  EXPECT_EQ(Listing(), std::vector<std::string>{"slot"});
  if (geteuid() != 0) {
    // A real failure (no permission to create the temporary) also keeps the old file.
    Make("ro/keep.svd", "old");
    chmod((root_ + "/ro").c_str(), 0555);
    EXPECT_FALSE(WriteWholeFileAtomic((root_ + "/ro/keep.svd").c_str(), "new", 3));
    chmod((root_ + "/ro").c_str(), 0755);
    EXPECT_EQ(Content(root_ + "/ro/keep.svd"), "old");
  }
}

}  // namespace
