// sndPlaySoundA: WAV sounds on the mixer's one channel.
#include <SDL.h>
#include <SDL_mixer.h>

#include "platform/audio/audio.h"
#include "platform/audio/audio_internal.h"
#include "platform/files/files.h"

using namespace audio_detail;

namespace {

Mix_Chunk* g_chunk = nullptr;  // the sound on channel 0, kept until it is replaced

bool recordSound(const char* file, unsigned flags, bool result) {
  FakeAudioCall c;
  c.Call = "sndPlaySoundA";
  c.File = file ? file : "";
  c.Flags = flags;
  c.Result = result ? 1 : 0;
  record(std::move(c));
  return result;
}

// The fake channel: a file that exists is taken as playing.
bool fakePlay(const char* file, unsigned flags) {
  FakeSound& s = fakeSound();
  if (file == nullptr || *file == '\0') {
    s = FakeSound{};
    return true;
  }
  if ((flags & SND_NOSTOP) && !s.file.empty()) return false;
  if (!FileExists(file)) return false;
  s.file = file;
  s.loops = (flags & SND_LOOP) != 0;
  if (!(flags & SND_ASYNC)) s = FakeSound{};  // a synchronous sound is over when the call returns
  return true;
}

bool realPlay(const char* file, unsigned flags) {
  if (file == nullptr || *file == '\0') {
    stopSoundChannel();
    return true;
  }
  if ((flags & SND_NOSTOP) && Mix_Playing(0)) return false;
  if (!FileExists(file)) return false;
  std::string native = ResolvePath(file);
  Mix_Chunk* chunk = Mix_LoadWAV(native.c_str());
  if (chunk == nullptr) return false;
  stopSoundChannel();
  g_chunk = chunk;
  if (Mix_PlayChannel(0, chunk, (flags & SND_LOOP) ? -1 : 0) < 0) {
    stopSoundChannel();
    return false;
  }
  // Channel effects end with each sound, so the balance is set again for every new one.
  applySoundVolume();
  if (!(flags & SND_ASYNC)) {
    while (Mix_Playing(0)) SDL_Delay(5);
  }
  return true;
}

}  // namespace

namespace audio_detail {

void stopSoundChannel() {
  if (g_chunk == nullptr) return;
  if (mixerUsable()) {
    Mix_HaltChannel(0);
    Mix_FreeChunk(g_chunk);
  }
  g_chunk = nullptr;
}

}  // namespace audio_detail

bool sndPlaySoundA(const char* file, unsigned flags) {
  // Sounds from memory are not offered; looping needs an asynchronous sound.
  bool valid = !(flags & SND_MEMORY) && (!(flags & SND_LOOP) || (flags & SND_ASYNC));
  bool stop = file == nullptr || *file == '\0';
  switch (CurrentMode()) {
    case AudioMode::Fake: return recordSound(file, flags, (valid || stop) && fakePlay(file, flags));
    case AudioMode::Real: return (valid || stop) && realPlay(file, flags);
    case AudioMode::Silent: break;
  }
  return stop;
}
