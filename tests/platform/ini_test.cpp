// Configuration reading: the lookup, trimming, quoting and cutting rules, and the integer form.
#include "platform/files/ini.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/temp_dir.h"

namespace {

// An empty configuration file of its own for one test.
class IniFile {
 public:
  IniFile() { EXPECT_TRUE(dir_.Write("test.ini", "")); }
  void Write(const std::string& bytes) { ASSERT_TRUE(dir_.Write("test.ini", bytes)); }
  const char* path() const { return path_.c_str(); }

 private:
  TempDir dir_;
  std::string path_ = dir_.File("test.ini");
};

std::string Read(const char* file, const char* section, const char* key, const char* def,
                 uint32_t size = 256, uint32_t* returned = nullptr) {
  char buf[512];
  std::memset(buf, 'X', sizeof buf);
  uint32_t n = GetPrivateProfileStringA(section, key, def, buf, size, file);
  if (returned) *returned = n;
  EXPECT_EQ(n, std::strlen(buf)) << "returned length must match the copied string";
  return buf;
}

struct StringCase {
  const char* name;
  std::string content;
  const char* section;
  const char* key;
  const char* def;
  const char* expected;
  bool exists;
};

TEST(IniTest, StringLookup) {
  const std::string basic = "[SYSTEM]\nGrpPath=grp\\\nCAPTION=Game\n[GRP]\nTITLE=T0001\n";
  const StringCase cases[] = {
      {"plain", basic, "SYSTEM", "GrpPath", "d", "grp\\", true},
      {"second section", basic, "GRP", "TITLE", "d", "T0001", true},
      {"section and key case", basic, "system", "GRPPATH", "d", "grp\\", true},
      {"missing key", basic, "SYSTEM", "BgmPath", "bgm\\", "bgm\\", false},
      {"missing section", basic, "NONE", "TITLE", "x", "x", false},
      {"key only in other section", basic, "SYSTEM", "TITLE", "x", "x", false},
      {"default loses trailing blanks", basic, "SYSTEM", "Nope", " a b \t ", " a b", false},
      {"null default", basic, "SYSTEM", "Nope", nullptr, "", false},
      {"blanks around names", "  [  GRP  ]  \n  Title   =  v  \n", "GRP", "TITLE", "d", "v", true},
      {"blanks in query names", "[GRP]\nTITLE=v\n", " GRP ", " TITLE ", "d", "v", true},
      {"empty value is not the default", "[A]\nK=\n", "A", "K", "def", "", true},
      {"blank-only value", "[A]\nK=   \t\n", "A", "K", "def", "", true},
      {"first key wins", "[A]\nK=one\nK=two\n", "A", "K", "d", "one", true},
      {"first section wins", "[A]\nX=1\n[B]\n[a]\nK=2\n", "A", "K", "d", "d", false},
      {"first section value", "[A]\nK=1\n[A]\nK=2\n", "A", "K", "d", "1", true},
      {"double quotes", "[A]\nK= \" a b \" \n", "A", "K", "d", " a b ", true},
      {"single quotes", "[A]\nK='x'\n", "A", "K", "d", "x", true},
      {"only one pair removed", "[A]\nK=\"\"x\"\"\n", "A", "K", "d", "\"x\"", true},
      {"mismatched quotes stay", "[A]\nK=\"abc'\n", "A", "K", "d", "\"abc'", true},
      {"inner quotes stay", "[A]\nK=a \"b\" c\n", "A", "K", "d", "a \"b\" c", true},
      {"lone quote stays", "[A]\nK=\"\n", "A", "K", "d", "\"", true},
      {"quoted empty", "[A]\nK=\"\"\n", "A", "K", "d", "", true},
      {"no inline comment", "[A]\nK=value ; x\n", "A", "K", "d", "value ; x", true},
      {"comment line", "[A]\n;K=c\nK=v\n", "A", "K", "d", "v", true},
      {"a comment line is a key", "[A]\n; Commented = x\n", "A", "; Commented", "d", "x", true},
      {"keys before any section are in \"\"", "K=top\n[A]\nK=v\n", "", "K", "d", "top", true},
      {"section \"\" ends at the first header", "[A]\nK=v\n", "", "K", "d", "d", false},
      {"default loses its quotes", basic, "SYSTEM", "Nope", "\" q \"", " q ", false},
      {"default loses blanks, then quotes", basic, "SYSTEM", "Nope", "'x'  ", "x", false},
      {"default keeps mismatched quotes", basic, "SYSTEM", "Nope", "\"x'", "\"x'", false},
      {"line without equals ignored", "[A]\nK\nK=v\n", "A", "K", "d", "v", true},
      {"first equals splits", "[A]\nEq=a=b=c\n", "A", "EQ", "d", "a=b=c", true},
      {"crlf", "[A]\r\nK=v\r\nL=w\r\n", "A", "L", "d", "w", true},
      {"bom", "\xEF\xBB\xBF[A]\nK=v\n", "A", "K", "d", "v", true},
      {"no final newline", "[A]\nK=v", "A", "K", "d", "v", true},
      {"keys before any section", "K=top\n[A]\nK=v\n", "A", "K", "d", "v", true},
      {"section without bracket end", "[A\nK=v\n", "A", "K", "d", "v", true},
      {"empty file", "", "A", "K", "d", "d", false},
      {"nul ends value", std::string("[A]\nK=ab\0cd\n", 12), "A", "K", "d", "ab", true},
      // Trail bytes in the letter range are not case-folded: "ア" 83 41 is not "ヂ" 83 61.
      {"cp932 key exact", "[A]\n\x83\x41=v\n", "A", "\x83\x41", "d", "v", true},
      {"cp932 key no fold", "[A]\n\x83\x61=v\n", "A", "\x83\x41", "d", "d", false},
  };
  IniFile ini;
  for (const StringCase& c : cases) {
    SCOPED_TRACE(c.name);
    ini.Write(c.content);
    EXPECT_EQ(Read(ini.path(), c.section, c.key, c.def), c.expected);
    EXPECT_EQ(ProfileKeyExists(c.section, c.key, ini.path()), c.exists);
  }
}

TEST(IniTest, MissingFileGivesDefault) {
  EXPECT_EQ(Read("/nonexistent/miravel.ini", "SYSTEM", "GrpPath", "grp\\  "), "grp\\");
  EXPECT_FALSE(ProfileKeyExists("SYSTEM", "GrpPath", "/nonexistent/miravel.ini"));
  EXPECT_EQ(GetPrivateProfileIntA("GRP", "STARTFADEIN", 7, "/nonexistent/miravel.ini"), 7);
}

TEST(IniTest, ValueIsCutToBufferAtCharacterBoundary) {
  IniFile ini;
  // "あいう" in CP932, then ASCII.
  ini.Write("[A]\nJ=\x82\xA0\x82\xA2\x82\xA4\nS=abcdef\n");
  struct {
    const char* key;
    uint32_t size;
    const char* expected;
  } cases[] = {
      {"S", 4, "abc"},      {"S", 7, "abcdef"},           {"S", 1, ""},
      {"J", 4, "\x82\xA0"}, {"J", 5, "\x82\xA0\x82\xA2"}, {"J", 2, ""},
      {"J", 3, "\x82\xA0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " size " + std::to_string(c.size));
    uint32_t n = 0;
    EXPECT_EQ(Read(ini.path(), "A", c.key, "d", c.size, &n), c.expected);
    EXPECT_EQ(n, std::strlen(c.expected));
  }
  // The default is cut the same way.
  EXPECT_EQ(Read(ini.path(), "A", "missing", "\x82\xA0\x82\xA2", 4), "\x82\xA0");

  // Size 0 writes nothing.
  char untouched = 'Z';
  EXPECT_EQ(GetPrivateProfileStringA("A", "S", "d", &untouched, 0, ini.path()), 0u);
  EXPECT_EQ(untouched, 'Z');
}

TEST(IniTest, FileIsReadAgainAtEveryCall) {
  IniFile ini;
  ini.Write("[GRP]\nSTARTFADEIN=3\n");
  EXPECT_EQ(GetPrivateProfileIntA("GRP", "STARTFADEIN", 1, ini.path()), 3);
  ini.Write("[GRP]\nSTARTFADEIN=5\n");
  EXPECT_EQ(GetPrivateProfileIntA("GRP", "STARTFADEIN", 1, ini.path()), 5);
}

TEST(IniTest, IntegerForm) {
  struct {
    const char* value;  // nullptr: key absent
    int32_t expected;
  } cases[] = {
      {"42", 42},         {"-5", -5},         {"+7", 7},
      {"0x10", 16},       {"0xfF", 255},      {"-0x10", -16},
      {"0X1F", 0},        {"0x1F", 31},       {"0X", 0},
      {"12abc", 12},      {"abc", 0},         {"", 99},
      {nullptr, 99},      {"  8", 8},         {"\"15\"", 15},
      {"4294967297", 1},  {"4294967295", -1}, {"2147483648", INT32_MIN},
      {"0x100000002", 2}, {"0x", 0},          {"0xg", 0},
      {"-", 0},           {"- 5", 0},         {"1 2", 1},
      {"007", 7},         {"''", 99},         {"99999999999999999999", 1661992959},
  };
  IniFile ini;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(absent)");
    ini.Write(c.value ? std::string("[GRP]\nN=") + c.value + "\n" : "[GRP]\n");
    EXPECT_EQ(GetPrivateProfileIntA("grp", "n", 99, ini.path()), c.expected);
  }
}

}  // namespace
