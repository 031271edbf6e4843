// Sound and music: the output devices with volume control found at start-up and the music
// player's completion handler, which makes the music loop.
#include "platform/audio.h"
#include "shell/main_form.h"

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
