// Shared state of the audio layer (audio_*.cpp only).
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio/audio.h"
#include "platform/backend/audio_output.h"

namespace audio_detail {

// The output in use: the current backend's, taken at the first call that needs one and changed
// by UseAudioOutput when the backend changes.
AudioOutput& output();

// Shows a call of the audio API to the output (player: the player of a player command).
void report(const AudioCall& call, TMediaPlayer* player = nullptr);

// ---- the one music stream -------------------------------------------------------------------
// The stream plays an output's music handle, or keeps state for a piece without one (a silent
// stream: no device, MIDI with nothing to render it), which is active from its start until it
// is halted and never ends by itself.
struct Stream {
  TMediaPlayer* owner = nullptr;
  AudioMusic* music = nullptr;
  bool silentActive = false;  // silent stream: started and not halted
};
Stream& stream();

// The notice posted when the music ends by itself: 0 = none. Armed by the main thread before a
// play starts, cleared before the layer halts the music itself.
extern std::atomic<uint64_t> notifyTicket;
extern std::atomic<TForm*> notifyForm;

// Starts music from the beginning for owner (halting whatever the stream played), with ticket
// as the notice to post at its natural end.
bool streamStart(TMediaPlayer* owner, AudioMusic* music, bool midi, uint64_t ticket);
void streamPause();
bool streamResume(uint64_t ticket);
void streamHalt();  // a halt of the layer's own: no completion notice
bool streamActive(const TMediaPlayer* owner);  // started, not ended (paused counts as active)

// ---- players --------------------------------------------------------------------------------
std::vector<TMediaPlayer*>& players();
void closeAllPlayers();

bool isMidiName(const std::string& name);

}  // namespace audio_detail
