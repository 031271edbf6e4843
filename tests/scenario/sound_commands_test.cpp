// The #BGM and #WAVE commands on the fake audio layer: opening music by number and name, the
// guards of play, stop and pause, looping at each natural end, and the WAV channel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/audio/audio.h"
#include "support/interp_story.h"
#include "support/scenario_builder.h"

namespace {

class Sound : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(s.ok());
    for (const char* name : {"bgm/0007.mid", "bgm/0012.mid", "bgm/theme.ogg", "bgm/other.mid"}) {
      ASSERT_TRUE(s.h.folder.Write(name, "music"));
    }
    FakeAudioClearCalls();
  }
  TMediaPlayer& player() { return *f->MediaPlayer; }
  std::string bgm(const char* name) { return std::string(f->BgmDir) + name; }
  std::string wav(const char* name) { return std::string(f->WavDir) + name; }
  size_t calls(const char* name) { return FakeAudioCalls(name).size(); }
  // Delivers the notices that are waiting, as the game's message loop would.
  void deliver() { s.h.app.ProcessMessages(); }
  void playing(const char* load) {
    ASSERT_TRUE(s.Exec(load));
    ASSERT_TRUE(s.Exec("#BGMPLAY"));
    ASSERT_EQ(player().Mode(), mpPlaying);
    FakeAudioClearCalls();
  }

  InterpStory s{ScenarioText({"line"})};
  TMainFrm*& f = s.form;
};

}  // namespace

TEST_F(Sound, LoadOpensTheFileByNumberOrName) {
  struct Case {
    const char* line;
    const char* file;  // in the music folder; null: nothing opens
  } cases[] = {
      {"#BGMLOAD=7", "0007.mid"},
      {"#BGMLOAD 12", "0012.mid"},
      {"#BGMNLOAD=theme.ogg", "theme.ogg"},
      {"#BGMLOAD=8", nullptr},           // no such file
      {"#BGMNLOAD=missing.mid", nullptr},
      {"#BGMNLOAD", nullptr},            // the folder itself is no file
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    ASSERT_TRUE(s.Exec("#BGMNLOAD=other.mid"));  // something else is open
    FakeAudioClearCalls();
    EXPECT_TRUE(s.Exec(c.line));
    std::vector<FakeAudioCall> opens = FakeAudioCalls("Open");
    if (!c.file) {
      EXPECT_TRUE(opens.empty());
      EXPECT_EQ(player().FileName, bgm("other.mid"));
      continue;
    }
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].File, bgm(c.file));
    EXPECT_EQ(opens[0].Result, 0);
    EXPECT_EQ(player().Mode(), mpStopped);  // the music waits for #BGMPLAY
    EXPECT_EQ(player().DeviceType, dtAutoSelect);
  }
}

TEST_F(Sound, LoadingTheOpenFileRewindsIt) {
  playing("#BGMLOAD=7");
  unsigned starts = FakeAudioMusicStarts();
  ASSERT_TRUE(s.Exec("#BGMLOAD=7"));
  EXPECT_EQ(calls("Rewind"), 1u);
  EXPECT_EQ(calls("Open"), 0u);
  EXPECT_EQ(calls("Close"), 0u);
  EXPECT_EQ(player().Mode(), mpPlaying);  // from its beginning
  EXPECT_EQ(FakeAudioMusicStarts(), starts + 1);

  // A paused piece stays paused at its start.
  ASSERT_TRUE(s.Exec("#BGMPAUSE"));
  ASSERT_TRUE(s.Exec("#BGMNLOAD=0007.mid"));
  EXPECT_EQ(calls("Rewind"), 2u);
  EXPECT_EQ(player().Mode(), mpPaused);
}

TEST_F(Sound, PlayGuards) {
  // Nothing opened yet.
  EXPECT_TRUE(s.Exec("#BGMPLAY"));
  EXPECT_EQ(calls("Play"), 0u);

  // A failed open leaves the error set.
  player().FileName = bgm("gone.mid");
  player().Open();
  ASSERT_NE(player().Error(), 0);
  FakeAudioClearCalls();
  EXPECT_TRUE(s.Exec("#BGMPLAY"));
  EXPECT_EQ(calls("Play"), 0u);

  // Playing already: no second play, the piece does not restart.
  playing("#BGMLOAD=7");
  unsigned starts = FakeAudioMusicStarts();
  EXPECT_TRUE(s.Exec("#BGMPLAY"));
  EXPECT_EQ(calls("Play"), 0u);
  EXPECT_EQ(FakeAudioMusicStarts(), starts);

  // A play asks for the completion notice.
  ASSERT_TRUE(s.Exec("#BGMSTOP"));
  FakeAudioClearCalls();
  ASSERT_TRUE(s.Exec("#BGMPLAY"));
  std::vector<FakeAudioCall> plays = FakeAudioCalls("Play");
  ASSERT_EQ(plays.size(), 1u);
  EXPECT_EQ(plays[0].Flags, 1u);
}

TEST_F(Sound, StopAndPauseFollowTheMode) {
  struct Case {
    const char* name;
    const char* before;  // brings the music into its state; null: stays playing
    const char* line;
    TMPModes after;
    size_t stops, pauses;  // Stop calls; Pause + PauseOnly calls
  } cases[] = {
      {"StopWhilePlaying", nullptr, "#BGMSTOP", mpStopped, 1, 0},
      {"StopWhilePaused", "#BGMPAUSE", "#BGMSTOP", mpPaused, 0, 0},
      {"StopWhileStopped", "#BGMSTOP", "#BGMSTOP", mpStopped, 0, 0},
      {"PauseOnlyWhilePlaying", nullptr, "#BGMPAUSEONLY", mpPaused, 0, 1},
      {"PauseOnlyWhilePaused", "#BGMPAUSE", "#BGMPAUSEONLY", mpPaused, 0, 0},
      {"PauseWhilePlaying", nullptr, "#BGMPAUSE", mpPaused, 0, 1},
      {"PauseWhilePausedResumes", "#BGMPAUSEONLY", "#BGMPAUSE", mpPlaying, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(s.Exec("#BGMSTOP"));
    playing("#BGMLOAD=7");
    if (c.before) ASSERT_TRUE(s.Exec(c.before));
    FakeAudioClearCalls();
    EXPECT_TRUE(s.Exec(c.line));
    EXPECT_EQ(player().Mode(), c.after);
    EXPECT_EQ(calls("Stop"), c.stops);
    EXPECT_EQ(calls("Pause") + calls("PauseOnly"), c.pauses);
    deliver();
    EXPECT_EQ(player().Mode(), c.after) << "a notice changed the mode";
  }
}

TEST_F(Sound, StopRewindsToTheStart) {
  playing("#BGMLOAD=7");
  unsigned starts = FakeAudioMusicStarts();
  ASSERT_TRUE(s.Exec("#BGMSTOP"));
  EXPECT_EQ(calls("Rewind"), 1u);
  ASSERT_TRUE(s.Exec("#BGMPLAY"));
  EXPECT_EQ(FakeAudioMusicStarts(), starts + 1);  // from its beginning, not resumed
}

TEST_F(Sound, FadesNeedPlayingMusic) {
  struct Case {
    const char* name;
    const char* state;  // after loading and playing; null: never played
  } cases[] = {
      {"NeverPlayed", nullptr},
      {"Paused", "#BGMPAUSE"},
      {"Stopped", "#BGMSTOP"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.state) {
      playing("#BGMLOAD=7");
      ASSERT_TRUE(s.Exec(c.state));
    }
    for (const char* line : {"#BGMFADEOUT=1", "#WAVEFADEOUT=1"}) {
      SCOPED_TRACE(line);
      FakeAudioClearCalls();
      uint64_t start = s.h.fake.Elapsed();
      EXPECT_TRUE(s.Exec(line));
      EXPECT_EQ(calls("midiOutSetVolume") + calls("waveOutSetVolume"), 0u);
      EXPECT_EQ(s.h.fake.Elapsed(), start);
    }
    // Fade-ins do not depend on the music.
    FakeAudioClearCalls();
    EXPECT_TRUE(s.Exec("#WAVEFADEIN=1"));
    EXPECT_GT(calls("waveOutSetVolume"), 0u);
  }
}

TEST_F(Sound, VolumeDefaultsAreSetBack) {
  f->MidiDefaultVolume = MakeVolume(100, 200);
  f->WaveDefaultVolume = MakeVolume(300, 400);
  ASSERT_TRUE(s.Exec("#BGMVOLDEF"));
  ASSERT_TRUE(s.Exec("#WAVEVOLDEF"));
  std::vector<FakeAudioCall> midi = FakeAudioCalls("midiOutSetVolume");
  std::vector<FakeAudioCall> wave = FakeAudioCalls("waveOutSetVolume");
  ASSERT_EQ(midi.size(), 1u);
  ASSERT_EQ(wave.size(), 2u);
  EXPECT_EQ(midi[0].Volume, MakeVolume(100, 200));
  EXPECT_EQ(wave[0].Volume, MakeVolume(300, 400));
  EXPECT_EQ(wave[1].Volume, MakeVolume(300, 400));
}

TEST_F(Sound, MusicLoopsAtEachNaturalEndOnly) {
  playing("#BGMLOAD=7");
  unsigned starts = FakeAudioMusicStarts();
  for (int end = 1; end <= 3; ++end) {
    SCOPED_TRACE(end);
    ASSERT_TRUE(FakeAudioEndMusic());
    deliver();
    EXPECT_EQ(player().Mode(), mpPlaying);
    EXPECT_EQ(FakeAudioMusicStarts(), starts + end);
  }

  struct Case {
    const char* name;
    const char* line;
    TMPModes after;
  } cases[] = {
      {"Stop", "#BGMSTOP", mpStopped},
      {"Pause", "#BGMPAUSE", mpPaused},
      {"PauseOnly", "#BGMPAUSEONLY", mpPaused},
      {"Replaced", "#BGMLOAD=12", mpStopped},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(s.Exec("#BGMSTOP"));
    playing("#BGMLOAD=7");
    ASSERT_TRUE(s.Exec(c.line));
    deliver();
    EXPECT_EQ(player().Mode(), c.after);
    EXPECT_EQ(calls("Play"), 0u);

    // The same command given after the piece ended by itself but before the notice that
    // restarts it was handled: the piece still counts as playing until then, so the command
    // takes effect and the notice restarts nothing.
    ASSERT_TRUE(s.Exec("#BGMSTOP"));
    playing("#BGMLOAD=7");
    const unsigned before = FakeAudioMusicStarts();
    ASSERT_TRUE(FakeAudioEndMusic());
    EXPECT_EQ(player().Mode(), mpPlaying) << "the notice is still on its way";
    ASSERT_TRUE(s.Exec(c.line));
    deliver();
    EXPECT_EQ(calls("Play"), 0u);
    EXPECT_EQ(player().Mode(), c.after);
    EXPECT_EQ(FakeAudioMusicStarts(), before);
    if (c.after == mpPaused) {
      // Resuming goes on with the next round, from the start, and it loops again.
      ASSERT_TRUE(s.Exec("#BGMPAUSE"));
      EXPECT_EQ(player().Mode(), mpPlaying);
      EXPECT_EQ(FakeAudioMusicStarts(), before + 1);
      ASSERT_TRUE(FakeAudioEndMusic());
      deliver();
      EXPECT_EQ(FakeAudioMusicStarts(), before + 2);
    }
  }
}

TEST_F(Sound, WaveChannel) {
  ASSERT_TRUE(s.h.folder.Write("wav/hit.wav", "RIFF"));
  ASSERT_TRUE(s.h.folder.Write("wav/rain.wav", "RIFF"));
  struct Case {
    const char* line;
    const char* file;  // in the sound folder; null: the stop call
    unsigned flags;
    const char* holds;  // the sound playing afterwards, "" none
    bool loops;
  } cases[] = {
      {"#WAVEPLAYSOUND=hit.wav", "hit.wav", 3, "hit.wav", false},
      {"#WAVEPLAYBGM=rain.wav", "rain.wav", 11, "rain.wav", true},
      {"#WAVEPLAYSOUND=none.wav", "none.wav", 3, "rain.wav", true},  // missing: nothing changes
      {"#WAVEPLAYSOUND=hit.wav", "hit.wav", 3, "hit.wav", false},   // replaces the loop
      {"#WAVESTOP", nullptr, 3, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    FakeAudioClearCalls();
    EXPECT_TRUE(s.Exec(c.line));
    std::vector<FakeAudioCall> snd = FakeAudioCalls("sndPlaySoundA");
    ASSERT_EQ(snd.size(), 1u);
    EXPECT_EQ(snd[0].File, c.file ? wav(c.file) : "");
    EXPECT_EQ(snd[0].Flags, c.flags);
    EXPECT_EQ(FakeAudioSound(), c.holds[0] ? wav(c.holds) : "");
    if (c.holds[0]) EXPECT_EQ(FakeAudioSoundLoops(), c.loops);
  }
}
