// sndPlaySoundA: WAV sounds on the audio output's one channel.
#include "platform/audio/audio.h"
#include "platform/audio/audio_internal.h"
#include "platform/files/files.h"

using namespace audio_detail;

namespace {

// Starts a sound that replaces the one playing (unless SND_NOSTOP holds it); a missing or
// undecodable file leaves the channel as it was.
bool startSound(AudioOutput& out, const char* file, unsigned flags) {
  if ((flags & SND_NOSTOP) && out.SoundPlaying()) return false;
  if (!FileExists(file)) return false;
  if (!out.PlaySound(file, ResolvePath(file), (flags & SND_LOOP) != 0)) return false;
  if (!(flags & SND_ASYNC)) out.WaitSound();
  return true;
}

}  // namespace

bool sndPlaySoundA(const char* file, unsigned flags) {
  AudioOutput& out = output();
  out.Open();  // the first sound opens the device; with none, nothing plays
  // Sounds from memory are not offered; looping needs an asynchronous sound.
  bool valid = !(flags & SND_MEMORY) && (!(flags & SND_LOOP) || (flags & SND_ASYNC));
  bool stop = file == nullptr || *file == '\0';
  bool result;
  if (stop) {
    out.StopSound();
    result = true;
  } else {
    result = valid && startSound(out, file, flags);
  }
  AudioCall c;
  c.Call = "sndPlaySoundA";
  c.File = file ? file : "";
  c.Flags = flags;
  c.Result = result ? 1 : 0;
  report(c);
  return result;
}
