// Sound and music: the output devices with volume control found at start-up, the four volume
// fades and the music player's completion handler, which makes the music loop. The script
// commands that use them are in sound_commands.cpp.
#include <algorithm>
#include <cstdint>

#include "platform/windows/app.h"
#include "platform/audio/audio.h"
#include "shell/main_form.h"

namespace {

using SetVolumeFn = MMRESULT (*)(uintptr_t, uint32_t);

// Number of steps and the per-step amounts of a fade of volume. The step count follows the left
// channel: small levels take 10 steps, middle ones 100 or 1000 steps of one unit, large ones
// 1000 steps. Neither channel moves by less than 1 per step.
struct FadeSteps {
  int count;
  int32_t left, right;  // per-step amounts
};

FadeSteps fadeSteps(uint32_t volume) {
  int32_t l = VolumeLeft(volume), r = VolumeRight(volume);
  int32_t a = l / 10;
  int n = 10;
  if (a > 100) {
    n = 100;
    a = l / 100;
  }
  if (a > 10) {
    n = 1000;
    a = l / 1000;
  }
  return FadeSteps{n, std::max<int32_t>(a, 1), std::max<int32_t>(r / n, 1)};
}

// The pause between two steps: the whole fade takes about seconds.
uint32_t stepPause(int seconds, int steps) {
  int64_t ms = int64_t(std::max(seconds, 0)) * 1000 / steps;
  return static_cast<uint32_t>(std::min<int64_t>(ms, UINT32_MAX));
}

void letMessagesThrough() {
  if (Application) Application->ProcessMessages();
}

// Lowers both channels of volume step by step. A channel whose level is smaller than its steps
// add up to stops at silence instead of wrapping round. The volume stays where the fade left it.
bool fadeOut(SetVolumeFn set, uintptr_t device, uint32_t volume, int seconds) {
  FadeSteps st = fadeSteps(volume);
  uint32_t pause = stepPause(seconds, st.count);
  int32_t l = VolumeLeft(volume), r = VolumeRight(volume);
  for (int i = 0; i < st.count; ++i) {
    l = std::max<int32_t>(l - st.left, 0);
    r = std::max<int32_t>(r - st.right, 0);
    letMessagesThrough();
    Sleep(pause);
    if (set(device, MakeVolume(uint16_t(l), uint16_t(r))) != MMSYSERR_NOERROR) return false;
  }
  return true;
}

// Raises both channels from silence in the same steps and ends on volume exactly.
bool fadeIn(SetVolumeFn set, uintptr_t device, uint32_t volume, int seconds) {
  FadeSteps st = fadeSteps(volume);
  uint32_t pause = stepPause(seconds, st.count);
  set(device, 0);
  int32_t l = 0, r = 0;
  for (int i = 0; i < st.count; ++i) {
    // Where an amount was raised to 1 a channel may pass its level before the last step; the
    // sum of the steps never exceeds 0xFFFF.
    l += st.left;
    r += st.right;
    letMessagesThrough();
    Sleep(pause);
    if (set(device, MakeVolume(uint16_t(l), uint16_t(r))) != MMSYSERR_NOERROR) return false;
  }
  set(device, volume);
  return true;
}

}  // namespace

bool TMainFrm::FindMidiDevice() {
  unsigned count = midiOutGetNumDevs();
  for (unsigned id = 0; id < count; ++id) {
    MIDIOUTCAPSA caps{};
    MMRESULT r = midiOutGetDevCapsA(id, &caps, sizeof caps);
    if (r == MMSYSERR_NODRIVER) break;
    if (r != MMSYSERR_NOERROR) continue;
    uint32_t volume = 0;
    if ((caps.dwSupport & MIDICAPS_VOLUME) && midiOutGetVolume(id, &volume) == MMSYSERR_NOERROR) {
      MidiDeviceId = id;
      MidiDefaultVolume = volume;
      return true;
    }
  }
  return false;
}

bool TMainFrm::FindWaveDevice() {
  unsigned count = waveOutGetNumDevs();
  for (unsigned id = 0; id < count; ++id) {
    WAVEOUTCAPSA caps{};
    MMRESULT r = waveOutGetDevCapsA(id, &caps, sizeof caps);
    if (r == MMSYSERR_NODRIVER) break;
    if (r != MMSYSERR_NOERROR) continue;
    uint32_t volume = 0;
    if ((caps.dwSupport & WAVECAPS_VOLUME) && waveOutGetVolume(id, &volume) == MMSYSERR_NOERROR) {
      WaveDeviceId = id;
      WaveDefaultVolume = volume;
      return true;
    }
  }
  return false;
}

void TMainFrm::MediaPlayerNotify(TMediaPlayer* Sender) {
  if (!Sender) return;
  Sender->Notify = true;
  if (Sender->NotifyValue() == nvSuccessful) Sender->Play();
}

bool TMainFrm::MidiFadeOut(uint32_t volume, int seconds) {
  return fadeOut(midiOutSetVolume, MidiDeviceId, volume, seconds);
}

bool TMainFrm::WaveFadeOut(uint32_t volume, int seconds) {
  return fadeOut(waveOutSetVolume, WaveDeviceId, volume, seconds);
}

bool TMainFrm::MidiFadeIn(uint32_t volume, int seconds) {
  return fadeIn(midiOutSetVolume, MidiDeviceId, volume, seconds);
}

bool TMainFrm::WaveFadeIn(uint32_t volume, int seconds) {
  return fadeIn(waveOutSetVolume, WaveDeviceId, volume, seconds);
}
