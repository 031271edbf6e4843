// The fake backend's audio output: nothing plays and no host audio is ever opened.
//
// Every call of the audio API is recorded as a FakeAudioCall (call name, file, flags, device,
// volume, result, the player's mode afterwards). The media player's mode follows the calls
// exactly as with the host's output; whether Open succeeds is decided by the file's existence.
// Music plays on a virtual stream that never ends by itself: a test makes it end with
// FakeAudioEndMusic, which posts the completion notice through the same path as the host's
// finished hook. One MIDI and one wave device with volume control are offered (FakeAudioSetDevices
// changes that), and FakeAudioRefuseVolumeAfter makes the set-volume calls start failing, as a
// refusing driver would. A sound that starts "plays" until it is replaced, stopped or ended with
// FakeAudioEndSound; a synchronous one is over when its call returns.
//
// Each FakeBackend has its own output, fresh when it is made; the layer goes over to it when the
// fake is installed (closing the players of the output used before) and back when it goes away.
// The free functions below act on the output of the installed FakeBackend (a test that calls
// them without one installed is stopped with a message).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio/audio.h"
#include "platform/backend/audio_output.h"

struct FakeAudioCall {
  std::string Call;        // "Open", "Close", "Play", "Stop", "Pause", "PauseOnly", "Rewind",
                           // "sndPlaySoundA", "midiOutGetNumDevs", "midiOutGetDevCapsA",
                           // "midiOutGetVolume", "midiOutSetVolume", and the waveOut ones;
                           // "MM_MCINOTIFY" for a notice the layer posted itself (Flags: WParam)
  std::string File;        // the player's FileName or the sound's file name
  unsigned Flags = 0;      // sndPlaySoundA flags; Play: 1 when Notify was on
  uintptr_t Device = 0;    // device id of the device calls
  uint32_t Volume = 0;     // volume set or read
  int Result = 0;          // MMRESULT, the player's Error() after the call, or 1/0 for a bool
  TMPModes Mode = mpNotReady;  // the player's mode after a player call
};

class FakeAudio final : public AudioOutput {
 public:
  FakeAudio();
  ~FakeAudio() override;
  FakeAudio(const FakeAudio&) = delete;
  FakeAudio& operator=(const FakeAudio&) = delete;

  // ---- for tests (the free functions below forward here) ----
  // The calls so far, oldest first; past kCallsKept the older half is dropped, so that a long
  // headless run does not grow.
  static constexpr size_t kCallsKept = 4096;
  const std::vector<FakeAudioCall>& Calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }
  bool EndMusic();
  unsigned MusicStarts() const { return musicStarts_; }
  const std::string& Sound() const { return sound_; }
  bool SoundLoops() const { return soundLoops_; }
  void EndSound();
  void SetDevices(unsigned midiCount, unsigned waveCount, bool volumeControl, bool noDriver);
  void RefuseVolumeAfter(int n) { volumeChangesLeft_ = n; }
  uint32_t MusicVolume() const;
  uint32_t SoundVolume() const;
  const std::string& SoundfontFile() const { return soundfont_; }

  // ---- AudioOutput ----
  bool Open() override { return true; }
  void Shutdown() override;
  bool IsOpen() override { return true; }
  bool HasSoundfont() override { return true; }
  void Restart() override;
  AudioDeviceSetup Devices() override { return setup_; }
  uint32_t Volume(AudioDevice device) override;
  bool SetVolume(AudioDevice device, uint32_t volume) override;
  bool LoadMusic(const std::string& nativePath, bool midiName, AudioMusic** music,
                 bool* midi) override;
  void FreeMusic(AudioMusic* music) override;
  MusicStart PlayMusic(AudioMusic* music, bool midi) override;
  void PauseMusic() override { paused_ = true; }
  void ResumeMusic() override { paused_ = false; }
  void HaltMusic() override;
  bool MusicPlaying() override { return playing_; }
  void WaitMusic() override {}  // the music only ends when a test ends it
  bool PlaySound(const std::string& name, const std::string& nativePath, bool loop) override;
  void StopSound() override { EndSound(); }
  bool SoundPlaying() override { return !sound_.empty(); }
  void WaitSound() override { EndSound(); }
  void Observe(const AudioCall& call, TMediaPlayer* player) override;
  void SetPlayerVolumes(int musicPercent, int soundPercent) override;
  void SetSoundfontFile(const std::string& nativePath) override { soundfont_ = nativePath; }

 private:
  struct Piece {
    std::string path;
  };

  std::vector<FakeAudioCall> calls_;
  AudioDeviceSetup setup_;
  int volumeChangesLeft_ = -1;  // negative: never refuse
  uint32_t midiVolume_ = 0xFFFFFFFFu;
  uint32_t waveVolume_ = 0xFFFFFFFFu;
  std::vector<std::unique_ptr<Piece>> pieces_;  // loaded and not freed
  bool playing_ = false, paused_ = false;
  bool musicMidi_ = false;  // the music last started is MIDI: it follows the MIDI volume
  int musicPercent_ = 100, soundPercent_ = 100;
  std::string soundfont_;
  unsigned musicStarts_ = 0;
  std::string sound_;
  bool soundLoops_ = false;
};

const std::vector<FakeAudioCall>& FakeAudioCalls();
std::vector<FakeAudioCall> FakeAudioCalls(const char* call);  // only the calls of that name
void FakeAudioClearCalls();

// Makes the music that is playing end by itself, as when it reached its end: the player's
// mode becomes stopped and, when its play asked for a notice, the notice is posted. Returns
// false when no music is playing (or it is paused). May be called from another thread.
bool FakeAudioEndMusic();
// How many times music began from its start (Play after Open, Rewind or an end; Rewind while
// playing) since the fake backend was installed. A resume after Stop or Pause does not count.
unsigned FakeAudioMusicStarts();
// The WAV sound the fake channel holds (empty when stopped) and whether it loops.
std::string FakeAudioSound();
bool FakeAudioSoundLoops();
void FakeAudioEndSound();
// Device setup: how many MIDI and wave devices exist and whether they offer volume control.
// noDriver makes the capability query report MMSYSERR_NODRIVER.
void FakeAudioSetDevices(unsigned midiCount, unsigned waveCount, bool volumeControl = true,
                         bool noDriver = false);
// What the music stream and the WAV channel play at: the device volume (MIDI for MIDI music,
// else wave; wave for the channel) times the player's percentage (SetPlayerVolumes).
uint32_t FakeAudioMusicVolume();
uint32_t FakeAudioSoundVolume();
// The player's soundfont file the output was given (SetSoundfontFile).
std::string FakeAudioSoundfontFile();
// The next n set-volume calls (MIDI or wave) succeed, the ones after fail with MMSYSERR_ERROR.
// A negative n never refuses (the default).
void FakeAudioRefuseVolumeAfter(int n);
