// The audio layer on SDL_mixer itself: with no usable device, and with SDL's disk driver, which
// writes the mixed output to a file that the test reads back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <thread>

#include "platform/windows/app.h"
#include "platform/audio/audio.h"
#include "platform/audio_test_util.h"
#include "support/temp_dir.h"

namespace {


// The mixer runs on its own thread in real time, so these tests wait for it in real time.
void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Sets environment variables for one test and puts the old values back.
class EnvGuard {
 public:
  void set(const char* name, const std::string& value) {
    if (!saved_.count(name)) {
      const char* old = getenv(name);
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    setenv(name, value.c_str(), 1);
  }
  ~EnvGuard() {
    for (auto& [name, value] : saved_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

class AudioReal : public ::testing::Test {
 protected:
  void SetUp() override {
    ShutdownAudio();
    ASSERT_FALSE(dir.Path().empty());
  }
  void TearDown() override { ShutdownAudio(); }
  TempDir dir;
  EnvGuard env;
};

class RecordingForm : public TForm {
 public:
  TMediaPlayer* player = nullptr;
  std::vector<TMPNotifyValues> notices;
  void Dispatch(TMessage& msg) override {
    if (msg.Msg == MM_MCINOTIFY && player && player->HandleNotify(msg)) {
      notices.push_back(player->NotifyValue());
      return;
    }
    TForm::Dispatch(msg);
  }
};

TEST_F(AudioReal, WithoutADeviceEverythingIsASilentNoOp) {
  env.set("SDL_AUDIODRIVER", "no-such-driver");
  ASSERT_TRUE(dir.Write("a.wav", audiotest::SineWav(22050, 1, 0.1, 440, 8000)));
  std::string wav = dir.Path() + "\\a.wav";
  EXPECT_FALSE(InitAudio());
  EXPECT_EQ(midiOutGetNumDevs(), 0u);
  EXPECT_EQ(waveOutGetNumDevs(), 0u);
  MIDIOUTCAPSA caps{};
  EXPECT_NE(midiOutGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_EQ(midiOutSetVolume(0, 0), MMSYSERR_BADDEVICEID);
  EXPECT_FALSE(sndPlaySoundA(wav.c_str(), 11));
  EXPECT_TRUE(sndPlaySoundA(nullptr, 3));
  // The player still keeps its state, so the game's music state stays right.
  TMediaPlayer player;
  player.FileName = wav;
  player.Open();
  EXPECT_EQ(player.Error(), 0);
  player.Notify = true;
  player.Play();
  EXPECT_EQ(player.Mode(), mpPlaying);
  player.Pause();
  EXPECT_EQ(player.Mode(), mpPaused);
  player.Close();
  EXPECT_EQ(player.Mode(), mpNotReady);
}

TEST_F(AudioReal, MidiWithoutASoundfontOpensSilently) {
  env.set("SDL_AUDIODRIVER", "dummy");
  env.set("SDL_SOUNDFONTS", dir.File("none.sf2"));
  ASSERT_TRUE(dir.Write("0003.mid", audiotest::NotesMidi({60, 64, 67})));
  ::testing::internal::CaptureStderr();
  bool opened = InitAudio();
  std::string said = ::testing::internal::GetCapturedStderr();
  ASSERT_TRUE(opened);
  EXPECT_FALSE(AudioHasSoundfont());
  // Said once per run at most (an earlier test of this run may have said it already).
  EXPECT_LE(said.size(), 200u);
  TMediaPlayer player;
  player.FileName = dir.Path() + "\\0003.mid";
  player.Open();
  EXPECT_EQ(player.Error(), 0);
  EXPECT_EQ(player.OpenedDeviceType(), dtSequencer);
  player.Play();
  EXPECT_EQ(player.Mode(), mpPlaying);
  ShutdownAudio();
  ::testing::internal::CaptureStderr();
  ASSERT_TRUE(InitAudio());
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "the warning comes once";
}

// Reads the disk driver's output (16-bit stereo) and measures its level. Windows are counted in
// output bytes, not in time, so that a slow machine changes nothing but the test's duration.
class DiskOutput {
 public:
  explicit DiskOutput(std::string path) : path_(std::move(path)) {}

  // Root mean square of the left and right samples of the next `frames` frames, after `settle`
  // frames have passed for a change to reach the output.
  std::pair<double, double> level(long frames = 16384, long settle = 8192) {
    long start = waitFor(size() + settle * 4);
    long end = waitFor(start + frames * 4);
    std::pair<double, double> rms{0, 0};
    FILE* f = fopen(path_.c_str(), "rb");
    if (!f || end <= start) {
      if (f) fclose(f);
      ADD_FAILURE() << "the disk driver wrote nothing";
      return rms;
    }
    std::vector<int16_t> s(size_t(end - start) / 2);
    fseek(f, start, SEEK_SET);
    size_t got = fread(s.data(), 2, s.size(), f);
    fclose(f);
    double l = 0, r = 0;
    size_t n = got / 2;
    for (size_t i = 0; i < n; ++i) {
      l += double(s[2 * i]) * s[2 * i];
      r += double(s[2 * i + 1]) * s[2 * i + 1];
    }
    if (n) rms = {std::sqrt(l / n), std::sqrt(r / n)};
    return rms;
  }
  double mono() {
    auto [l, r] = level();
    return (l + r) / 2;
  }

 private:
  long size() {
    struct stat st;
    if (stat(path_.c_str(), &st) != 0) return 0;
    return long(st.st_size) & ~3L;  // whole frames
  }
  // Waits (at most 20 s) until the output holds `bytes` bytes; returns the size reached.
  long waitFor(long bytes) {
    for (int i = 0; i < 4000 && size() < bytes; ++i) pause(5);
    return size();
  }
  std::string path_;
};

TEST_F(AudioReal, DiskOutputCarriesMidiAndWavAndFollowsTheVolumes) {
  std::string out = dir.File("out.raw");
  env.set("SDL_AUDIODRIVER", "disk");
  env.set("SDL_DISKAUDIOFILE", out);
  env.set("SDL_DISKAUDIODELAY", "4");
  ASSERT_TRUE(InitAudio());
  DiskOutput disk(out);

  ASSERT_TRUE(dir.Write("sine.wav", audiotest::SineWav(44100, 1, 1.0, 440, 16000)));
  ASSERT_TRUE(dir.Write("short.wav", audiotest::SineWav(44100, 2, 0.3, 660, 8000)));
  std::string sine = dir.Path() + "\\sine.wav";

  EXPECT_LT(disk.mono(), 1.0) << "silence before anything plays";

  // A looping WAV sound follows the wave volume, left and right apart, and not the MIDI one.
  ASSERT_TRUE(sndPlaySoundA(sine.c_str(), SND_ASYNC | SND_NODEFAULT | SND_LOOP));
  double full = disk.mono();
  EXPECT_GT(full, 5000);
  ASSERT_EQ(midiOutSetVolume(0, 0), MMSYSERR_NOERROR);
  EXPECT_GT(disk.mono(), full * 0.8);
  ASSERT_EQ(waveOutSetVolume(0, MakeVolume(0x4000, 0x4000)), MMSYSERR_NOERROR);
  double quarter = disk.mono();
  EXPECT_GT(quarter, full * 0.15);
  EXPECT_LT(quarter, full * 0.35);
  ASSERT_EQ(waveOutSetVolume(0, MakeVolume(0xFFFF, 0)), MMSYSERR_NOERROR);
  auto [left, right] = disk.level();
  EXPECT_GT(left, full * 0.8);
  EXPECT_LT(right, full * 0.05);
  ASSERT_TRUE(sndPlaySoundA(nullptr, SND_ASYNC | SND_NODEFAULT));
  EXPECT_LT(disk.mono(), 1.0) << "the sound stopped";
  ASSERT_EQ(waveOutSetVolume(0, 0xFFFFFFFF), MMSYSERR_NOERROR);
  ASSERT_EQ(midiOutSetVolume(0, 0xFFFFFFFF), MMSYSERR_NOERROR);

  // Digital music through the player: its natural end arrives as a notice from the mixer's
  // thread and is handled when the main thread takes its messages.
  {
    TApplication app;
    RecordingForm form;
    TMediaPlayer player(&form);
    form.player = &player;
    player.FileName = dir.Path() + "\\short.wav";
    player.Open();
    ASSERT_EQ(player.Error(), 0) << player.ErrorMessage();
    player.Notify = true;
    player.Play();
    EXPECT_EQ(player.Mode(), mpPlaying);
    for (int i = 0; i < 400 && form.notices.empty(); ++i) {
      pause(10);
      app.ProcessMessages();
    }
    EXPECT_EQ(form.notices, std::vector<TMPNotifyValues>{nvSuccessful});
    EXPECT_EQ(player.Mode(), mpStopped);
    // The engine's own stop is reported as such.
    player.Notify = true;
    player.Play();
    player.Stop();
    pause(50);
    app.ProcessMessages();
    EXPECT_EQ(form.notices, (std::vector<TMPNotifyValues>{nvSuccessful, nvAborted}));
  }

  // Files that cannot be decoded are refused without harm.
  ASSERT_TRUE(dir.Write("bad.wav", "RIFF\x10\0\0\0WAVEjunk"));
  ASSERT_TRUE(dir.Write("bad.ogg", std::string(300, '\x5A')));
  EXPECT_FALSE(sndPlaySoundA((dir.Path() + "\\bad.wav").c_str(), 3));
  {
    TMediaPlayer bad;
    bad.FileName = dir.Path() + "\\bad.ogg";
    bad.Open();
    EXPECT_EQ(bad.Error(), MCIERR_INVALID_FILE);
    EXPECT_EQ(bad.Mode(), mpNotReady);
  }

  if (!AudioHasSoundfont()) {
    GTEST_SKIP() << "no General MIDI soundfont installed (timgm6mb-soundfont or "
                    "fluid-soundfont-gm): the MIDI half of this test cannot run";
  }
  // MIDI music: a sustained organ chord line, long enough to outlast the measurements.
  std::vector<int> notes;
  for (int i = 0; i < 40; ++i) notes.push_back(60 + (i % 5) * 2);
  std::string midi = audiotest::NotesMidi(notes, 500);
  midi[midi.find(std::string("\xC0\x00", 2)) + 1] = 19;  // church organ instead of piano
  ASSERT_TRUE(dir.Write("0001.mid", midi));
  ASSERT_TRUE(dir.Write("0002.mid", midi.substr(0, 30)));  // cut inside the track
  {
    TMediaPlayer cut;
    cut.FileName = dir.Path() + "\\0002.mid";
    cut.Open();
    if (cut.Error() == 0) {  // a decoder may accept what it could read; it must not crash
      cut.Play();
      cut.Close();
    }
  }
  TMediaPlayer player;
  player.FileName = dir.Path() + "\\0001.mid";
  player.Open();
  ASSERT_EQ(player.Error(), 0) << player.ErrorMessage();
  EXPECT_EQ(player.OpenedDeviceType(), dtSequencer);
  player.Play();
  ASSERT_EQ(player.Mode(), mpPlaying);
  double loud = disk.mono();
  EXPECT_GT(loud, 100) << "the MIDI music is silent";
  // The wave volume leaves MIDI music alone; a fade step on the MIDI device lowers it.
  ASSERT_EQ(waveOutSetVolume(0, 0), MMSYSERR_NOERROR);
  EXPECT_GT(disk.mono(), loud * 0.5);
  ASSERT_EQ(midiOutSetVolume(0, MakeVolume(0x2000, 0x2000)), MMSYSERR_NOERROR);
  double faded = disk.mono();
  EXPECT_LT(faded, loud * 0.4);
  EXPECT_GT(faded, 0.0);
  player.Stop();
  EXPECT_LT(disk.mono(), 1.0) << "stopped music is silent";
}

}  // namespace
