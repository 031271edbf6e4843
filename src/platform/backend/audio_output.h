// The audio output a backend offers (Backend::Audio): a device that plays one music stream and
// one WAV channel, with a MIDI and a wave volume. The media player, sndPlaySoundA and the
// midiOut/waveOut rules (audio.h) are written once above it; an output only makes sound, or
// pretends to.
//
// The host's output (backend/sdl/sdl_audio.cpp) plays through SDL_mixer and is silent when no
// device opens; the fake backend's output (backend/fake/fake_audio.h) records the calls and
// plays a virtual music stream that ends when a test says so.
//
// Music. LoadMusic gives a handle the layer keeps for the open piece; a piece loaded without a
// handle is played by the layer as a silent stream that only keeps state (no device, or MIDI
// with nothing to render it). There is one music stream: PlayMusic replaces what played. When
// the music ends by itself the output calls AudioMusicFinished (from any thread); the layer's
// own halts (HaltMusic) are not reported.
//
// All members are called on the main thread.
#pragma once
#include <cstdint>
#include <string>

class TMediaPlayer;

// A piece an output loaded; only the output that made it knows what it is.
struct AudioMusic;

enum class AudioDevice { kMidi, kWave };

// The output devices the machine offers, as midiOutGetNumDevs and friends report them.
struct AudioDeviceSetup {
  unsigned midiCount = 0, waveCount = 0;
  bool volumeControl = true;  // both devices have left/right volume control
  bool noDriver = false;      // the capability and volume queries fail: no driver installed
};

// One call of the audio API as the program made it, shown to the output after the call
// (AudioOutput::Observe).
struct AudioCall {
  std::string Call;      // "Open", "Play", ..., "sndPlaySoundA", "midiOutSetVolume", ...,
                         // "MM_MCINOTIFY" for a notice the layer posted itself
  std::string File;      // the player's FileName or the sound's file name
  unsigned Flags = 0;    // sndPlaySoundA flags; Play: 1 when Notify was on; the notice's WParam
  uintptr_t Device = 0;  // device id of the device calls
  uint32_t Volume = 0;   // volume set or read
  int Result = 0;        // MMRESULT, the player's Error() after the call, or 1/0 for a bool
};

enum class MusicStart {
  kStarted,
  kFailed,  // the device refused to play it
  kSilent,  // the output can no longer play what it loaded (its host audio was shut behind
            // its back): the layer goes on with a silent stream
};

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;

  // ---- device ----
  // Opens the device if that was not tried yet (the first call that needs sound does it);
  // returns whether one is open. After a failure it is not tried again until Shutdown.
  virtual bool Open() = 0;
  // Closes the device; the next Open tries again. Nothing is playing when it is called.
  virtual void Shutdown() = 0;
  virtual bool IsOpen() = 0;        // without opening
  virtual bool HasSoundfont() = 0;  // MIDI can be rendered (decided when the device opened)
  // The layer takes this output (again) after using another one: both volumes go back to full
  // and the output forgets what the previous use left.
  virtual void Restart() = 0;
  // The devices offered (may open the device).
  virtual AudioDeviceSetup Devices() = 0;
  virtual uint32_t Volume(AudioDevice device) = 0;
  // Sets a device's volume (left channel in the low 16 bits). False when the driver refuses the
  // change; the volume then stays.
  virtual bool SetVolume(AudioDevice device, uint32_t volume) = 0;

  // ---- music ----
  // Loads a music file (native path). midiName: the file's name says MIDI. Returns false when
  // the file cannot be played; otherwise *music is the handle (null: play it as a silent stream)
  // and *midi whether it is MIDI music (it follows the MIDI volume).
  virtual bool LoadMusic(const std::string& nativePath, bool midiName, AudioMusic** music,
                         bool* midi) = 0;
  virtual void FreeMusic(AudioMusic* music) = 0;
  // Starts music from its beginning on the one stream, halting whatever played.
  virtual MusicStart PlayMusic(AudioMusic* music, bool midi) = 0;
  virtual void PauseMusic() = 0;
  virtual void ResumeMusic() = 0;
  virtual void HaltMusic() = 0;     // the layer's own stop: no AudioMusicFinished
  virtual bool MusicPlaying() = 0;  // started and not ended (paused counts as playing)
  // Returns when the music that plays has ended, for a play that waits (an output whose music
  // only ends when told may return at once).
  virtual void WaitMusic() = 0;

  // ---- the WAV channel ----
  // Plays a WAV file on the one channel, replacing the sound there. name is the file as the
  // program named it, nativePath where it lies. False when it cannot be played; the sound that
  // was playing then goes on.
  virtual bool PlaySound(const std::string& name, const std::string& nativePath, bool loop) = 0;
  virtual void StopSound() = 0;
  virtual bool SoundPlaying() = 0;
  // Returns when the sound has ended (a synchronous sndPlaySoundA).
  virtual void WaitSound() = 0;

  // ---- the player's settings (audio.h: SetPlayerVolumes, SetSoundfontFile) ----
  // The layer hands them to the output it takes and again after each Restart.
  // Percentages 0..100 on top of the device volumes: the music stream plays at its device's
  // volume, the WAV channel at the wave volume, each times its percentage
  // (VolumeTimesPercent); Volume() still returns the device volumes.
  virtual void SetPlayerVolumes(int musicPercent, int soundPercent) = 0;
  // The player's SoundFont file for MIDI (native path; empty: the output's default).
  virtual void SetSoundfontFile(const std::string& nativePath) = 0;

  // ---- calls ----
  // Every call of the audio API, after it was made. player: the media player of a player
  // command (an output that records may read its mode), else null. The host ignores them.
  virtual void Observe(const AudioCall& call, TMediaPlayer* player) {}
};

// ---- the audio layer's side (platform/audio) ---------------------------------------------------
// The music an output plays ended by itself. Thread-safe: posts the completion notice the play
// asked for, if any.
void AudioMusicFinished();
// The current backend changes to one with this output. When it is not the output in use, the
// players are closed and the sound stopped with the old output, and the layer restarts on the
// new one. Called by SetBackend before the old backend goes away.
void UseAudioOutput(AudioOutput& output);
