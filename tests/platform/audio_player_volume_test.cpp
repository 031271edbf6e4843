// The player's own volumes on top of the game's device volumes, on the fake backend's output.
#include <gtest/gtest.h>

#include "platform/audio/audio.h"
#include "platform/backend/fake/fake_audio.h"
#include "platform/backend/fake/fake_backend.h"
#include "support/temp_dir.h"

namespace {

class PlayerVolumes : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.Write("0007.mid", "MThd"));
    ASSERT_TRUE(dir.Write("theme.ogg", "OggS"));
  }
  void TearDown() override {
    SetPlayerVolumes(100, 100);
    SetSoundfontFile("");
  }
  // Plays a piece of the game's from its start.
  void play(const char* name) {
    player.FileName = dir.Path() + "\\" + name;  // an engine path
    player.Open();
    ASSERT_EQ(player.Error(), 0);
    player.Play();
  }

  FakeBackend fake;
  TempDir dir;
  TMediaPlayer player;
};

TEST_F(PlayerVolumes, MultiplyWhatPlaysAndLeaveTheDevicesAlone) {
  struct Case {
    const char* name;
    int music, sound;            // the player's percentages
    const char* piece;           // MIDI follows the MIDI device, the others the wave device
    uint32_t midi, wave;         // what the game sets
    uint32_t playedMusic, playedSound;
  };
  const Case cases[] = {
      {"untouched", 100, 100, "0007.mid", 0x80004000, 0xFFFFFFFF, 0x80004000, 0xFFFFFFFF},
      {"half the music", 50, 100, "0007.mid", 0x80008000, 0xFFFFFFFF, 0x40004000, 0xFFFFFFFF},
      {"digital music", 50, 20, "theme.ogg", 0x80008000, 0xFFFF0000, 0x80000000, 0x33330000},
      {"silent", 0, 0, "0007.mid", 0xFFFFFFFF, 0xFFFFFFFF, 0, 0},
      {"clamped", 150, -3, "0007.mid", 0x12345678, 0x12345678, 0x12345678, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetPlayerVolumes(c.music, c.sound);
    ASSERT_EQ(midiOutSetVolume(0, c.midi), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutSetVolume(0, c.wave), MMSYSERR_NOERROR);
    play(c.piece);
    EXPECT_EQ(FakeAudioMusicVolume(), c.playedMusic);
    EXPECT_EQ(FakeAudioSoundVolume(), c.playedSound);
    // The game reads back exactly what it set.
    uint32_t midi = 0, wave = 0;
    ASSERT_EQ(midiOutGetVolume(0, &midi), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutGetVolume(0, &wave), MMSYSERR_NOERROR);
    EXPECT_EQ(midi, c.midi);
    EXPECT_EQ(wave, c.wave);
  }
}

// The player's settings hold for an output the layer takes later (a new backend): its device
// volumes start at full, what plays does not.
TEST_F(PlayerVolumes, HoldAcrossBackends) {
  SetPlayerVolumes(50, 25);
  SetSoundfontFile("/fonts/gm.sf2");
  FakeBackend next;
  uint32_t wave = 0;
  ASSERT_EQ(waveOutGetVolume(0, &wave), MMSYSERR_NOERROR);
  EXPECT_EQ(wave, 0xFFFFFFFFu);
  EXPECT_EQ(FakeAudioSoundfontFile(), "/fonts/gm.sf2");
  EXPECT_EQ(FakeAudioSoundVolume(), VolumeTimesPercent(0xFFFFFFFF, 25));
}

}  // namespace
