// The four volume fades: step counts and amounts, the pause per step on the virtual clock, the
// clamp at silence, early ends on a refused change, and the device search at start-up.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio/audio.h"
#include "shell/game_folder.h"
#include "support/interp_story.h"
#include "support/scenario_builder.h"

namespace {

class Fade : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(s.ok());
    FakeAudioClearCalls();
  }
  static std::vector<uint32_t> volumesSet(const char* call) {
    std::vector<uint32_t> out;
    for (const FakeAudioCall& c : FakeAudioCalls(call)) out.push_back(c.Volume);
    return out;
  }
  InterpStory s{ScenarioText({"line"})};
  TMainFrm*& f = s.form;
};

struct StepRow {
  uint16_t left, right;
  int steps;
  int32_t dLeft, dRight;
};

// Left levels across every boundary of the step rule, with right channels that follow the
// step count of the left one.
const StepRow kStepRows[] = {
    {0, 0xFFFF, 10, 1, 6553},        // silent left: amounts are at least 1
    {5, 3, 10, 1, 1},                // both below their step sums: clamp at 0
    {80, 1280, 10, 8, 128},          //
    {109, 1000, 10, 10, 100},        // largest level of 10 steps
    {110, 0, 1000, 1, 1},            // smallest level of 1000 steps of 1
    {1009, 2000, 1000, 1, 2},        //
    {1010, 50000, 100, 10, 500},     // 100 steps of 10
    {1099, 7, 100, 10, 1},           //
    {1100, 0xFFFF, 1000, 1, 65},     // from here 1000 steps of L div 1000
    {25000, 30000, 1000, 25, 30},    //
    {0xFFFF, 0xFFFF, 1000, 65, 65},  // full volume
};

}  // namespace

TEST_F(Fade, OutStepsDownByTheRuleAndStopsAtSilence) {
  for (const StepRow& r : kStepRows) {
    SCOPED_TRACE(std::to_string(r.left) + "/" + std::to_string(r.right));
    FakeAudioClearCalls();
    ASSERT_TRUE(f->MidiFadeOut(MakeVolume(r.left, r.right), 1));
    std::vector<uint32_t> set = volumesSet("midiOutSetVolume");
    ASSERT_EQ(set.size(), size_t(r.steps));
    for (int i = 0; i < r.steps; ++i) {
      int32_t l = std::max<int32_t>(r.left - (i + 1) * r.dLeft, 0);
      int32_t rr = std::max<int32_t>(r.right - (i + 1) * r.dRight, 0);
      ASSERT_EQ(set[i], MakeVolume(uint16_t(l), uint16_t(rr))) << "step " << i + 1;
    }
    EXPECT_TRUE(FakeAudioCalls("waveOutSetVolume").empty());
  }
}

TEST_F(Fade, InStepsUpFromSilenceAndEndsOnTheVolume) {
  for (const StepRow& r : kStepRows) {
    SCOPED_TRACE(std::to_string(r.left) + "/" + std::to_string(r.right));
    FakeAudioClearCalls();
    uint32_t v = MakeVolume(r.left, r.right);
    ASSERT_TRUE(f->WaveFadeIn(v, 1));
    std::vector<uint32_t> set = volumesSet("waveOutSetVolume");
    ASSERT_EQ(set.size(), size_t(r.steps) + 2);
    EXPECT_EQ(set.front(), 0u);
    for (int i = 0; i < r.steps; ++i) {
      uint32_t expect = MakeVolume(uint16_t((i + 1) * r.dLeft), uint16_t((i + 1) * r.dRight));
      ASSERT_EQ(set[i + 1], expect) << "step " << i + 1;
    }
    EXPECT_EQ(set.back(), v);
    EXPECT_TRUE(FakeAudioCalls("midiOutSetVolume").empty());
  }
}

TEST_F(Fade, EachDeviceFadesOnItsOwnDevice) {
  struct Case {
    bool (TMainFrm::*fade)(uint32_t, int);
    const char* call;
  } cases[] = {
      {&TMainFrm::MidiFadeOut, "midiOutSetVolume"},
      {&TMainFrm::MidiFadeIn, "midiOutSetVolume"},
      {&TMainFrm::WaveFadeOut, "waveOutSetVolume"},
      {&TMainFrm::WaveFadeIn, "waveOutSetVolume"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    FakeAudioClearCalls();
    ASSERT_TRUE((f->*c.fade)(MakeVolume(80, 80), 1));
    size_t total = FakeAudioCalls("midiOutSetVolume").size() +
                   FakeAudioCalls("waveOutSetVolume").size();
    EXPECT_EQ(FakeAudioCalls(c.call).size(), total);
    EXPECT_GE(total, 10u);
  }
}

TEST_F(Fade, PausePerStepIsSecondsTimesAThousandDivSteps) {
  struct Case {
    uint32_t volume;
    int seconds;
    uint64_t total;  // steps x (s * 1000 div steps)
  } cases[] = {
      {MakeVolume(80, 80), 7, 7000},           // 10 steps of 700 ms
      {MakeVolume(1010, 0), 2, 2000},          // 100 steps of 20 ms
      {MakeVolume(0xFFFF, 0xFFFF), 3, 3000},   // 1000 steps of 3 ms
      {MakeVolume(0xFFFF, 0xFFFF), 1, 1000},   // 1000 steps of 1 ms
      {MakeVolume(1500, 9), 10, 10000},        // 1000 steps of 10 ms
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.volume) + " in " + std::to_string(c.seconds) + " s");
    uint64_t start = s.h.fake.Elapsed();
    ASSERT_TRUE(f->MidiFadeOut(c.volume, c.seconds));
    EXPECT_EQ(s.h.fake.Elapsed() - start, c.total);
    start = s.h.fake.Elapsed();
    ASSERT_TRUE(f->WaveFadeIn(c.volume, c.seconds));
    EXPECT_EQ(s.h.fake.Elapsed() - start, c.total);
  }
}

TEST_F(Fade, MessagesGoThroughBeforeEveryStep) {
  // At each pass of the message loop, how many volume changes had been made.
  std::vector<size_t> seen;
  s.h.fake.OnProcessMessages(
      [&] { seen.push_back(FakeAudioCalls("midiOutSetVolume").size()); });
  ASSERT_TRUE(f->MidiFadeOut(MakeVolume(80, 80), 1));
  s.h.fake.OnProcessMessages({});
  for (size_t step = 0; step < 10; ++step) {
    EXPECT_NE(std::find(seen.begin(), seen.end(), step), seen.end()) << "before step " << step;
  }
}

TEST_F(Fade, ARefusedChangeEndsTheFade) {
  struct Case {
    bool (TMainFrm::*fade)(uint32_t, int);
    const char* call;
    int accepted;
    size_t calls;  // set-volume calls made, the refused one included
  } cases[] = {
      {&TMainFrm::MidiFadeOut, "midiOutSetVolume", 0, 1},
      {&TMainFrm::WaveFadeOut, "waveOutSetVolume", 4, 5},
      // The fade-in's first change (to silence) counts among the accepted ones.
      {&TMainFrm::MidiFadeIn, "midiOutSetVolume", 3, 4},
      {&TMainFrm::WaveFadeIn, "waveOutSetVolume", 1, 2},
  };
  uint32_t v = MakeVolume(80, 800);  // 10 steps
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.call) + " after " + std::to_string(c.accepted));
    FakeAudioClearCalls();
    FakeAudioRefuseVolumeAfter(c.accepted);
    uint64_t start = s.h.fake.Elapsed();
    EXPECT_FALSE((f->*c.fade)(v, 1));
    FakeAudioRefuseVolumeAfter(-1);
    std::vector<FakeAudioCall> calls = FakeAudioCalls(c.call);
    ASSERT_EQ(calls.size(), c.calls);
    EXPECT_NE(calls.back().Result, int(MMSYSERR_NOERROR));
    EXPECT_NE(calls.back().Volume, v);  // a fade-in that failed never jumps to the volume
    EXPECT_LT(s.h.fake.Elapsed() - start, 1000u);
  }
}

TEST_F(Fade, FadeCommandsTakeThreeSecondsPerDeviceForZero) {
  ASSERT_TRUE(s.h.folder.Write("bgm/0001.mid", "MThd"));
  ASSERT_TRUE(s.Exec("#BGMLOAD=1"));
  ASSERT_TRUE(s.Exec("#BGMPLAY"));
  ASSERT_EQ(f->MediaPlayer->Mode(), mpPlaying);
  ASSERT_EQ(f->MidiDefaultVolume, 0xFFFFFFFFu);
  ASSERT_EQ(f->WaveDefaultVolume, 0xFFFFFFFFu);
  struct Case {
    const char* line;
    uint64_t ms;
    size_t midiSets, waveSets;
  } cases[] = {
      {"#BGMFADEOUT=0", 6000, 1000, 1000},  // wave, then MIDI
      {"#BGMFADEOUT", 6000, 1000, 1000},
      {"#BGMFADEIN=0", 6000, 1002, 1002},
      {"#BGMFADEIN=2", 4000, 1002, 1002},
      {"#WAVEFADEOUT=0", 3000, 0, 1000},
      {"#WAVEFADEIN=0", 3000, 0, 1002},
      {"#WAVEFADEIN=5", 5000, 0, 1002},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    FakeAudioClearCalls();
    uint64_t start = s.h.fake.Elapsed();
    EXPECT_TRUE(s.Exec(c.line));
    EXPECT_EQ(s.h.fake.Elapsed() - start, c.ms);
    EXPECT_EQ(FakeAudioCalls("midiOutSetVolume").size(), c.midiSets);
    EXPECT_EQ(FakeAudioCalls("waveOutSetVolume").size(), c.waveSets);
  }
  // The music played on, silent, through the fade-outs.
  EXPECT_EQ(f->MediaPlayer->Mode(), mpPlaying);
}

TEST_F(Fade, BgmFadesRunWaveFirstThenMidi) {
  ASSERT_TRUE(s.h.folder.Write("bgm/0001.mid", "MThd"));
  ASSERT_TRUE(s.Exec("#BGMLOAD=1"));
  ASSERT_TRUE(s.Exec("#BGMPLAY"));
  for (const char* line : {"#BGMFADEOUT=1", "#BGMFADEIN=1"}) {
    SCOPED_TRACE(line);
    FakeAudioClearCalls();
    ASSERT_TRUE(s.Exec(line));
    std::vector<std::string> order;
    for (const FakeAudioCall& c : FakeAudioCalls()) {
      if (c.Call.find("SetVolume") == std::string::npos) continue;
      if (order.empty() || order.back() != c.Call) order.push_back(c.Call);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"waveOutSetVolume", "midiOutSetVolume"}));
  }
}

// The device search runs in the constructor, so each case builds its own form.
TEST(SoundDevices, SearchFindsTheFirstDeviceWithVolumeControl) {
  struct Case {
    const char* name;
    unsigned midi, wave;
    bool volume, noDriver;
    bool found;
  } cases[] = {
      {"OneEach", 1, 1, true, false, true},
      {"Several", 3, 2, true, false, true},
      {"NoDevices", 0, 0, true, false, false},
      {"NoVolumeControl", 2, 2, false, false, false},
      {"NoDriver", 2, 2, true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MainFormHarness h;
    ASSERT_TRUE(h.WriteScenario(ScenarioText({"line"})));
    FakeAudioSetDevices(c.midi, c.wave, c.volume, c.noDriver);
    SetCommandLine({h.folder.File("miravel")});
    TMainFrm* f = new TMainFrm();
    h.form = f;
    h.app.MainForm = f;
    ASSERT_EQ(f->StartupFailed, 0);
    EXPECT_EQ(f->MidiDeviceId, 0u);
    EXPECT_EQ(f->WaveDeviceId, 0u);
    EXPECT_EQ(f->MidiDefaultVolume, c.found ? 0xFFFFFFFFu : 0u);
    EXPECT_EQ(f->WaveDefaultVolume, c.found ? 0xFFFFFFFFu : 0u);
    EXPECT_EQ(f->FindMidiDevice(), c.found);
    EXPECT_EQ(f->FindWaveDevice(), c.found);

    // Without a device the defaults are 0: #BGMVOLDEF mutes device 0.
    FakeAudioClearCalls();
    EXPECT_TRUE(f->ExecuteCommand("#BGMVOLDEF"));
    std::vector<FakeAudioCall> wave = FakeAudioCalls("waveOutSetVolume");
    std::vector<FakeAudioCall> midi = FakeAudioCalls("midiOutSetVolume");
    ASSERT_EQ(wave.size(), 1u);
    ASSERT_EQ(midi.size(), 1u);
    EXPECT_EQ(wave[0].Device, 0u);
    EXPECT_EQ(midi[0].Device, 0u);
    EXPECT_EQ(wave[0].Volume, c.found ? 0xFFFFFFFFu : 0u);
    EXPECT_EQ(midi[0].Volume, c.found ? 0xFFFFFFFFu : 0u);
  }
}
