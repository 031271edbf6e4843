// The player's settings: the file under $XDG_CONFIG_HOME, the command-line options over it and
// the screenshot folder.
#include "shell/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace {

// Sets an environment variable for one test (nullopt: unset) and puts the old value back.
class EnvVar {
 public:
  EnvVar(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      ::setenv(name, value->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~EnvVar() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// A home and a config folder of their own, and the settings as at start-up.
class Settings : public ::testing::Test {
 protected:
  Settings() { ResetPlayerSettings(); }
  ~Settings() override { ResetPlayerSettings(); }

  std::string settingsText() const { return config.ReadText("miravel/settings.ini"); }
  bool writeSettings(const std::string& text) const {
    return config.Write("miravel/settings.ini", text);
  }
  // Loads the file and then the options, as main does; returns the options' error.
  std::string start(std::vector<std::string> args) {
    LoadPlayerSettings();
    std::string error;
    args.insert(args.begin(), "miravel");
    bool ok = ParsePlayerOptions(args, &error);
    EXPECT_EQ(ok, error.empty());
    return error;
  }

  TempDir home, config;
  EnvVar homeVar{"HOME", home.Path()};
  EnvVar configVar{"XDG_CONFIG_HOME", config.Path()};
};

TEST_F(Settings, FileIsMadeOnTheFirstChangeAndReadBack) {
  LoadPlayerSettings();
  EXPECT_FALSE(config.Exists("miravel/settings.ini")) << "loading never makes the file";
  EXPECT_EQ(PlayerSettings().musicVolume, 100);

  ASSERT_TRUE(ChangePlayerSettings([](TPlayerSettings& s) { s.scale = 0; }));
  ASSERT_TRUE(ChangePlayerSettings([](TPlayerSettings& s) {
    s.musicVolume = 35;
    s.soundfont = "/usr/share/sounds/sf2/x.sf2";
  }));
  EXPECT_NE(settingsText().find("scale=fit\n"), std::string::npos) << settingsText();
  EXPECT_NE(settingsText().find("music_volume=35\n"), std::string::npos) << settingsText();

  ResetPlayerSettings();
  LoadPlayerSettings();
  EXPECT_EQ(PlayerSettings().scale, 0);
  EXPECT_EQ(PlayerSettings().musicVolume, 35);
  EXPECT_EQ(PlayerSettings().soundfont, "/usr/share/sounds/sf2/x.sf2");
  EXPECT_EQ(PlayerSettings().soundVolume, 100);
}

// Where the file lives: $XDG_CONFIG_HOME when absolute, else ~/.config; never the game folder
// (the working folder) whatever the environment says.
TEST_F(Settings, FilePathFollowsXdg) {
  struct Case {
    std::optional<std::string> xdg;
    std::string expected;  // "@" stands for the home folder, "#" for the config folder
  };
  const Case cases[] = {
      {config.Path(), "#/miravel/settings.ini"},
      {std::nullopt, "@/.config/miravel/settings.ini"},
      {"", "@/.config/miravel/settings.ini"},
      {"relative/config", "@/.config/miravel/settings.ini"},
  };
  for (const Case& c : cases) {
    EnvVar xdg("XDG_CONFIG_HOME", c.xdg);
    std::string expected = c.expected;
    if (expected[0] == '@') expected = home.Path() + expected.substr(1);
    if (expected[0] == '#') expected = config.Path() + expected.substr(1);
    EXPECT_EQ(PlayerSettingsPath(), expected) << c.xdg.value_or("(unset)");
  }
}

// A file edited by hand: every value it can read is taken, every other one is reported on
// stderr and its default kept.
TEST_F(Settings, HandEditedFile) {
  struct Case {
    const char* text;
    std::function<bool(const TPlayerSettings&)> check;
    const char* reported;  // "" nothing on stderr
  };
  const Case cases[] = {
      {"[settings]\n# mine\n; also a comment\n\nscale=3\nsmooth=yes\nfullscreen=1\n"
       "auto_pause_ms=900\nauto_char_ms=25\nskip_unread=on\nmusic_volume=0\n"
       "sound_volume=70\nsoundfont=/fonts/a.sf2\nscreenshots=/shots\n",
       [](const TPlayerSettings& s) {
         return s.scale == 3 && s.smooth && s.fullscreen && s.autoPauseMs == 900 &&
                s.autoCharMs == 25 && s.skipUnread && s.musicVolume == 0 &&
                s.soundVolume == 70 && s.soundfont == "/fonts/a.sf2" &&
                s.screenshotDir == "/shots";
       },
       ""},
      {"  scale = fit \r\nmusic_volume=150\nsound_volume=40\n",
       [](const TPlayerSettings& s) {
         return s.scale == 0 && s.musicVolume == 100 && s.soundVolume == 40;
       },
       ":2: cannot use \"music_volume=150\""},
      {"smooth=maybe\nscale=4\nmusic_volume=-5\n",
       [](const TPlayerSettings& s) { return !s.smooth && s.scale == 1 && s.musicVolume == 100; },
       ":3: cannot use \"music_volume=-5\""},
      {"volume=50\nfullscreen\n",
       [](const TPlayerSettings& s) { return s.musicVolume == 100 && !s.fullscreen; },
       ":2: cannot use \"fullscreen\""},
      {"soundfont=~/sf/gm.sf2\n",
       [this](const TPlayerSettings& s) { return s.soundfont == home.Path() + "/sf/gm.sf2"; },
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ResetPlayerSettings();
    ASSERT_TRUE(writeSettings(c.text));
    ::testing::internal::CaptureStderr();
    LoadPlayerSettings();
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(c.check(PlayerSettings()));
    if (*c.reported) {
      EXPECT_NE(err.find(c.reported), std::string::npos) << err;
    } else {
      EXPECT_EQ(err, "");
    }
  }
}

// An option wins over the file for the run; a later change of another key stores that key only,
// and a toggle of an overridden key stores what the player now sees.
TEST_F(Settings, OptionsOverrideTheFileForTheRunOnly) {
  ASSERT_TRUE(writeSettings("scale=3\nmusic_volume=40\nsmooth=0\n"));
  ASSERT_EQ(start({"--scale", "2", "--volume-music=80", "--smooth", "/games/x"}), "");
  EXPECT_EQ(PlayerSettings().scale, 2);
  EXPECT_EQ(PlayerSettings().musicVolume, 80);
  EXPECT_TRUE(PlayerSettings().smooth);

  ASSERT_TRUE(ChangePlayerSettings([](TPlayerSettings& s) { s.soundVolume = 20; }));
  std::string text = settingsText();
  EXPECT_NE(text.find("scale=3\n"), std::string::npos) << text;
  EXPECT_NE(text.find("music_volume=40\n"), std::string::npos) << text;
  EXPECT_NE(text.find("sound_volume=20\n"), std::string::npos) << text;
  EXPECT_EQ(PlayerSettings().scale, 2) << "the run keeps its option";

  // --smooth was given; the player turns smoothing off: off in the run and in the file.
  ASSERT_TRUE(ChangePlayerSettings([](TPlayerSettings& s) { s.smooth = !s.smooth; }));
  EXPECT_FALSE(PlayerSettings().smooth);
  EXPECT_NE(settingsText().find("smooth=0\n"), std::string::npos) << settingsText();
}

TEST_F(Settings, CommandLine) {
  struct Case {
    std::vector<std::string> args;
    const char* error;  // "" accepted
    std::vector<std::string> left;
  };
  const Case cases[] = {
      {{"--fullscreen", "--scale", "fit", "g"}, "", {"miravel", "g"}},
      {{"--scale=1", "--volume-sound", "0", "--texthook=clipboard"}, "", {"miravel"}},
      {{"--", "--odd-folder-name"}, "", {"miravel", "--odd-folder-name"}},
      {{"--scale", "0"}, "--scale needs 1, 2, 3 or fit", {}},
      {{"--scale", "4"}, "--scale needs 1, 2, 3 or fit", {}},
      {{"--scale"}, "--scale needs a value", {}},
      {{"--volume-music", "101"}, "--volume-music needs a number from 0 to 100", {}},
      {{"--volume-sound=x"}, "--volume-sound needs a number from 0 to 100", {}},
      {{"--soundfont="}, "--soundfont needs a file", {}},
      {{"--fullscreen=1"}, "--fullscreen takes no value", {}},
      {{"--texthook=file"}, "--texthook takes stdout or clipboard", {}},
      {{"--full-screen", "g"}, "unknown option --full-screen", {}},
      {{"-f"}, "unknown option -f", {}},
      {{"a", "b"}, "one game folder only (\"a\" and \"b\")", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), "miravel");
    SCOPED_TRACE(::testing::PrintToString(args));
    ResetPlayerSettings();
    std::string error;
    bool ok = ParsePlayerOptions(args, &error);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(ok, *c.error == '\0');
    if (ok) EXPECT_EQ(args, c.left);
  }
  // What the accepted ones set.
  ResetPlayerSettings();
  std::vector<std::string> args{"miravel", "--soundfont", "gm.sf2", "--texthook"};
  std::string error;
  ASSERT_TRUE(ParsePlayerOptions(args, &error)) << error;
  EXPECT_EQ(PlayerSettings().textHook, TextHook::kStdout);
  EXPECT_EQ(PlayerSettings().soundfont.front(), '/') << "a relative file is made absolute";
}

TEST_F(Settings, ScreenshotDirFollowsXdgUserDirs) {
  struct Case {
    const char* userDirs;  // nullptr: no user-dirs.dirs
    std::string expected;  // "@" stands for the home folder
  };
  const Case cases[] = {
      {"# written by xdg-user-dirs-update\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n",
       "@/Bilder/miravel"},
      {"XDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_PICTURES_DIR=\"/data/pics\"\n",
       "/data/pics/miravel"},
      {"XDG_PICTURES_DIR=\"$HOME/\"\n", "@/Pictures/miravel"},  // the home itself: none
      {"XDG_PICTURES_DIR=\"pics\"\n", "@/Pictures/miravel"},
      {nullptr, "@/Pictures/miravel"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.userDirs ? c.userDirs : "(none)");
    TempDir own;
    EnvVar xdg("XDG_CONFIG_HOME", own.Path());
    if (c.userDirs) ASSERT_TRUE(own.Write("user-dirs.dirs", c.userDirs));
    std::string expected = c.expected;
    if (expected[0] == '@') expected = home.Path() + expected.substr(1);
    EXPECT_EQ(ScreenshotDir(), expected);
  }
  // The setting wins.
  ASSERT_TRUE(ChangePlayerSettings([](TPlayerSettings& s) { s.screenshotDir = "/mine"; }));
  EXPECT_EQ(ScreenshotDir(), "/mine");
}

}  // namespace
