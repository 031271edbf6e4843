// The output devices and their volumes, and the WAV channel, on the fake backend's audio output.
#include <gtest/gtest.h>

#include "platform/audio/audio.h"
#include "platform/audio_test_util.h"
#include "support/temp_dir.h"
#include "platform/backend/fake/fake_backend.h"

namespace {


class AudioDevices : public ::testing::Test {
 protected:
  FakeBackend fake;
};

TEST_F(AudioDevices, VolumePacking) {
  struct Case {
    uint16_t left, right;
    uint32_t packed;
  };
  const Case cases[] = {
      {0, 0, 0},
      {0xFFFF, 0, 0x0000FFFF},
      {0, 0xFFFF, 0xFFFF0000},
      {0x1234, 0xABCD, 0xABCD1234},
      {0xFFFF, 0xFFFF, 0xFFFFFFFF},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MakeVolume(c.left, c.right), c.packed);
    EXPECT_EQ(VolumeLeft(c.packed), c.left);
    EXPECT_EQ(VolumeRight(c.packed), c.right);
    // The devices keep both halves apart.
    ASSERT_EQ(waveOutSetVolume(0, c.packed), MMSYSERR_NOERROR);
    uint32_t got = 0;
    ASSERT_EQ(waveOutGetVolume(0, &got), MMSYSERR_NOERROR);
    EXPECT_EQ(got, c.packed);
  }
}

// The device search of the game, done the way the game does it, on different device setups.
TEST_F(AudioDevices, CapabilitiesAndVolumeOnEachSetup) {
  struct Case {
    const char* name;
    unsigned midi, wave;
    bool volume, noDriver;
    MMRESULT caps;     // result of the capability query for device 0
    uint32_t support;  // dwSupport bits expected (MIDI | wave mixed into one mask)
    MMRESULT getVol;
  };
  const Case cases[] = {
      {"a device each", 1, 1, true, false, MMSYSERR_NOERROR,
       MIDICAPS_VOLUME | MIDICAPS_LRVOLUME | WAVECAPS_VOLUME | WAVECAPS_LRVOLUME,
       MMSYSERR_NOERROR},
      {"no volume control", 1, 1, false, false, MMSYSERR_NOERROR, 0, MMSYSERR_NOTSUPPORTED},
      {"no devices", 0, 0, true, false, MMSYSERR_BADDEVICEID, 0, MMSYSERR_BADDEVICEID},
      {"no driver", 1, 1, true, true, MMSYSERR_NODRIVER, 0, MMSYSERR_NODRIVER},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeAudioSetDevices(c.midi, c.wave, c.volume, c.noDriver);
    EXPECT_EQ(midiOutGetNumDevs(), c.midi);
    EXPECT_EQ(waveOutGetNumDevs(), c.wave);
    MIDIOUTCAPSA mc{};
    WAVEOUTCAPSA wc{};
    EXPECT_EQ(midiOutGetDevCapsA(0, &mc, sizeof mc), c.caps);
    EXPECT_EQ(waveOutGetDevCapsA(0, &wc, sizeof wc), c.caps);
    EXPECT_EQ(mc.dwSupport | wc.dwSupport, c.support);
    uint32_t mv = 7, wv = 7;
    EXPECT_EQ(midiOutGetVolume(0, &mv), c.getVol);
    EXPECT_EQ(waveOutGetVolume(0, &wv), c.getVol);
    if (c.getVol == MMSYSERR_NOERROR) {
      EXPECT_EQ(mv, 0xFFFFFFFFu);
      EXPECT_EQ(wv, 0xFFFFFFFFu);
    } else {
      EXPECT_EQ(mv, 7u);  // untouched on failure
    }
    // Setting device 0 reports the same kind of failure and never crashes.
    EXPECT_EQ(midiOutSetVolume(0, 0), c.getVol);
    EXPECT_EQ(waveOutSetVolume(0, 0), c.getVol);
  }
}

TEST_F(AudioDevices, BadArgumentsAreRefused) {
  MIDIOUTCAPSA mc{};
  WAVEOUTCAPSA wc{};
  EXPECT_EQ(midiOutGetDevCapsA(1, &mc, sizeof mc), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(midiOutGetDevCapsA(0, nullptr, sizeof mc), MMSYSERR_INVALPARAM);
  EXPECT_EQ(waveOutGetDevCapsA(0, &wc, 4), MMSYSERR_INVALPARAM);
  EXPECT_EQ(midiOutGetVolume(0, nullptr), MMSYSERR_INVALPARAM);
  EXPECT_EQ(waveOutSetVolume(5, 0), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(midiOutGetDevCapsA(MIDI_MAPPER, &mc, sizeof mc), MMSYSERR_NOERROR);  // device 0
}

TEST_F(AudioDevices, MidiAndWaveVolumesAreSeparateAndRecorded) {
  ASSERT_EQ(midiOutSetVolume(0, MakeVolume(100, 200)), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutSetVolume(0, MakeVolume(300, 400)), MMSYSERR_NOERROR);
  uint32_t mv = 0, wv = 0;
  midiOutGetVolume(0, &mv);
  waveOutGetVolume(0, &wv);
  EXPECT_EQ(mv, MakeVolume(100, 200));
  EXPECT_EQ(wv, MakeVolume(300, 400));
  auto sets = FakeAudioCalls("midiOutSetVolume");
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(sets[0].Device, 0u);
  EXPECT_EQ(sets[0].Volume, MakeVolume(100, 200));
  EXPECT_EQ(sets[0].Result, 0);
  // A new fake backend starts from full volume: nothing outlives a run.
  FakeBackend again;
  midiOutGetVolume(0, &mv);
  EXPECT_EQ(mv, 0xFFFFFFFFu);
}

TEST_F(AudioDevices, RefusedChangesLeaveTheVolume) {
  FakeAudioRefuseVolumeAfter(2);
  EXPECT_EQ(waveOutSetVolume(0, 10), MMSYSERR_NOERROR);
  EXPECT_EQ(midiOutSetVolume(0, 20), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutSetVolume(0, 30), MMSYSERR_ERROR);
  EXPECT_EQ(midiOutSetVolume(0, 40), MMSYSERR_ERROR);
  uint32_t wv = 0, mv = 0;
  waveOutGetVolume(0, &wv);
  midiOutGetVolume(0, &mv);
  EXPECT_EQ(wv, 10u);
  EXPECT_EQ(mv, 20u);
  auto sets = FakeAudioCalls("waveOutSetVolume");
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_EQ(sets[1].Result, int(MMSYSERR_ERROR));
  FakeAudioRefuseVolumeAfter(-1);
  EXPECT_EQ(waveOutSetVolume(0, 30), MMSYSERR_NOERROR);
}

class AudioSound : public AudioDevices {
 protected:
  void SetUp() override {
    AudioDevices::SetUp();
    ASSERT_TRUE(dir.Write("hit.wav", "RIFF"));
    ASSERT_TRUE(dir.Write("rain.wav", "RIFF"));
    hit = dir.Path() + "\\hit.wav";
    rain = dir.Path() + "\\rain.wav";
  }
  TempDir dir;
  std::string hit, rain;
};

TEST_F(AudioSound, OneChannelANewSoundReplacesTheOld) {
  struct Step {
    const char* name;
    std::string file;  // "-" for a null pointer
    unsigned flags;
    bool result;
    std::string playing;  // what the channel holds afterwards
    bool loops;
  };
  const std::string missing = dir.Path() + "\\none.wav";
  const Step steps[] = {
      {"once", hit, SND_ASYNC | SND_NODEFAULT, true, hit, false},
      {"a looping background replaces it", rain, 11, true, rain, true},
      {"a missing file changes nothing", missing, 3, false, rain, true},
      {"no-stop keeps the background", hit, SND_ASYNC | SND_NODEFAULT | SND_NOSTOP, false, rain,
       true},
      {"a sound replaces the background", hit, 3, true, hit, false},
      {"null stops", "-", 3, true, "", false},
      {"looping", rain, 11, true, rain, true},
      {"empty name stops", "", 3, true, "", false},
      {"looping needs async", rain, SND_LOOP | SND_NODEFAULT, false, "", false},
      {"memory sounds are not offered", hit, SND_MEMORY | SND_ASYNC, false, "", false},
      {"a synchronous sound is over on return", hit, SND_NODEFAULT, true, "", false},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    const char* file = s.file == "-" ? nullptr : s.file.c_str();
    EXPECT_EQ(sndPlaySoundA(file, s.flags), s.result);
    EXPECT_EQ(FakeAudioSound(), s.playing);
    EXPECT_EQ(FakeAudioSoundLoops(), s.loops);
  }
  auto calls = FakeAudioCalls("sndPlaySoundA");
  ASSERT_EQ(calls.size(), std::size(steps));
  EXPECT_EQ(calls[1].File, rain);
  EXPECT_EQ(calls[1].Flags, 11u);
  EXPECT_EQ(calls[5].File, "");
}

}  // namespace
