// Shared state of the audio layer (audio_*.cpp only).
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio/audio.h"

namespace audio_detail {

enum class AudioMode { Real, Silent, Fake };

// Which backend is working: Fake when switched on, else Real when a device opened (opening it
// lazily), else Silent.
AudioMode CurrentMode();
bool fakeMode();  // cheap: never opens the device
// SDL_mixer objects may be freed: the device is open and SDL's audio was not shut behind the
// layer's back (SDL_Quit before the last player went away).
bool mixerUsable();

// ---- volumes --------------------------------------------------------------------------------
struct Devices {
  unsigned midiCount = 1, waveCount = 1;  // fake backend
  bool volumeControl = true;
  bool noDriver = false;
  int volumeChangesLeft = -1;  // fake refusal; negative = never refuse
  uint32_t midiVolume = 0xFFFFFFFFu;
  uint32_t waveVolume = 0xFFFFFFFFu;
};
Devices& devices();

// Applies the current volumes to the SDL_mixer music stream and the WAV channel (real only).
void applyMusicVolume();
void applySoundVolume();

// ---- the one music stream -------------------------------------------------------------------
// A music handle is a Mix_Music* (real) or null for a silent stream that only keeps state
// (silent and fake backends, and MIDI with no soundfont).
struct Stream {
  TMediaPlayer* owner = nullptr;
  void* mix = nullptr;
  bool midi = false;
  bool virtActive = false;  // silent stream: started and not ended
  bool virtPaused = false;
};
Stream& stream();

// The notice the music-finished hook posts when the music ends by itself: 0 = none. Armed by
// the main thread before a play starts, cleared before the layer halts the music itself.
extern std::atomic<uint64_t> notifyTicket;
extern std::atomic<TForm*> notifyForm;

// The hook (SDL_mixer's thread, or the fake's FakeAudioEndMusic): takes the ticket and posts it.
void onMusicFinished();

// Starts mix from the beginning for owner (halting whatever the stream played), with ticket as
// the notice to post at its natural end.
bool streamStart(TMediaPlayer* owner, void* mix, bool midi, uint64_t ticket);
void streamPause();
bool streamResume(uint64_t ticket);
void streamHalt();  // a halt of the layer's own: no completion notice
bool streamActive(const TMediaPlayer* owner);  // started, not ended (paused counts as active)

// Soundfont state, decided at the first init.
bool soundfontAvailable();

// ---- players --------------------------------------------------------------------------------
std::vector<TMediaPlayer*>& players();
void closeAllPlayers();

// ---- WAV channel ----------------------------------------------------------------------------
void stopSoundChannel();  // halts and frees the current sound (real)

// ---- fake recorder --------------------------------------------------------------------------
struct FakeSound {
  std::string file;
  bool loops = false;
};
FakeSound& fakeSound();
void record(FakeAudioCall call);
void resetFake();

bool isMidiName(const std::string& name);

}  // namespace audio_detail
