// The host's audio output: SDL_mixer, the default of every backend (Backend::Audio).
//
// The device opens lazily, at the first call that needs sound: SDL's audio subsystem,
// Mix_OpenAudio 44100 Hz stereo, Mix_Init with every decoder the library offers. When it cannot
// open (SDL_AUDIODRIVER names a driver that fails, no sound card) the output is silent: it offers
// no devices, loads music as silent streams and plays no sound. MIDI goes through SDL_mixer's
// FluidSynth/Timidity decoder with a GM soundfont (see setUpSoundfont); with none a MIDI file
// loads as a silent stream and the program says so once on standard error.
//
// Volumes. SDL_mixer has a single music volume, so music plays at the average of left and right
// of its device (MIDI or wave); the WAV channel gets its exact left/right levels (channel volume
// at the louder side, panning for the balance). The player's percentages multiply both levels.
//
// SDL_mixer calls the music-finished hook on its own thread, for natural ends and for our own
// halts alike; the layer tells them apart (AudioMusicFinished).
#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "platform/audio/audio.h"
#include "platform/backend/audio_output.h"
#include "platform/backend/backend.h"

namespace {

bool fileIsThere(const char* path) {
  struct stat st;
  return path && *path && stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

// Picks the GM soundfont SDL_mixer's MIDI decoders use. The player's file (the setting or
// --soundfont) comes first when it is there; a missing one is reported once (told) and the
// search goes on. SDL_SOUNDFONTS (a ";"-separated list) is the user's choice and SDL_mixer
// gives it precedence over its own default, so when it is set it decides alone;
// otherwise the small TimGM6mb first (the font is read again at every load of a MIDI file, on
// the main thread: a few hundredths of a second for it against more than a second for a large
// font such as FluidR3, which Debian's default-GM.sf2 may point to), then Debian's default,
// then the other fonts Debian packages install.
bool setUpSoundfont(const std::string& playerFont, bool* told) {
  if (!playerFont.empty()) {
    if (fileIsThere(playerFont.c_str())) {
      Mix_SetSoundFonts(playerFont.c_str());
      return true;
    }
    if (!*told) {
      *told = true;
      fprintf(stderr, "miravel: %s: no such soundfont file; the system's default is used\n",
              playerFont.c_str());
    }
  }
  Mix_SetSoundFonts(nullptr);  // a player's font set before is not used any more
  if (const char* env = getenv("SDL_SOUNDFONTS"); env && *env) {
    std::string list = env;
    size_t start = 0;
    while (start <= list.size()) {
      size_t end = list.find(';', start);
      if (end == std::string::npos) end = list.size();
      if (fileIsThere(list.substr(start, end - start).c_str())) return true;
      start = end + 1;
    }
    return false;
  }
  static const char* const kFonts[] = {
      "/usr/share/sounds/sf2/TimGM6mb.sf2",
      "/usr/share/sounds/sf2/default-GM.sf2",
      "/usr/share/sounds/sf2/FluidR3_GM.sf2",
      "/usr/share/sounds/sf3/default-GM.sf3",  // FluidSynth's own default
  };
  for (const char* font : kFonts) {
    if (fileIsThere(font)) {
      Mix_SetSoundFonts(font);
      return true;
    }
  }
  return false;
}

// 0..0xFFFF to SDL_mixer's 0..128, rounded.
int mixLevel(uint32_t level) { return int((level * MIX_MAX_VOLUME + 0x7FFF) / 0xFFFF); }

void SDLCALL musicFinished() { AudioMusicFinished(); }

Mix_Music* mixMusic(AudioMusic* music) { return reinterpret_cast<Mix_Music*>(music); }

class SdlAudioOutput final : public AudioOutput {
 public:
  bool Open() override {
    if (initTried_) return deviceOpen_;
    initTried_ = true;
    if (!SDL_WasInit(SDL_INIT_AUDIO)) {
      if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        fprintf(stderr, "miravel: no audio device (%s); the game runs silent\n", SDL_GetError());
        return false;
      }
      sdlAudioOurs_ = true;
    }
    soundfont_ = setUpSoundfont(playerFont_, &toldNoPlayerFont_);
    Mix_Init(MIX_INIT_MID | MIX_INIT_OGG | MIX_INIT_MP3 | MIX_INIT_FLAC);
    if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) != 0) {
      fprintf(stderr, "miravel: cannot open the audio device (%s); the game runs silent\n",
              Mix_GetError());
      Mix_Quit();
      if (sdlAudioOurs_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
      sdlAudioOurs_ = false;
      return false;
    }
    if (!soundfont_ && !toldNoSoundfont_) {
      toldNoSoundfont_ = true;
      fprintf(stderr,
              "miravel: no General MIDI soundfont found (SDL_SOUNDFONTS or "
              "/usr/share/sounds/sf2); MIDI music is silent\n");
    }
    Mix_AllocateChannels(1);
    Mix_HookMusicFinished(musicFinished);
    deviceOpen_ = true;
    applySoundVolume();
    return true;
  }

  void Shutdown() override {
    StopSound();
    if (deviceOpen_) {
      Mix_HookMusicFinished(nullptr);
      Mix_HaltMusic();
      Mix_CloseAudio();
      Mix_Quit();
      if (sdlAudioOurs_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    sdlAudioOurs_ = false;
    musicMidi_ = false;
    deviceOpen_ = false;
    initTried_ = false;
  }

  void SetPlayerVolumes(int musicPercent, int soundPercent) override {
    musicPercent_ = musicPercent;
    soundPercent_ = soundPercent;
    applyMusicVolume();
    applySoundVolume();
  }

  void SetSoundfontFile(const std::string& nativePath) override {
    if (nativePath == playerFont_) return;
    playerFont_ = nativePath;
    toldNoPlayerFont_ = false;
    // Once the device is open the choice is made again for the MIDI pieces loaded from now on.
    if (deviceOpen_) soundfont_ = setUpSoundfont(playerFont_, &toldNoPlayerFont_);
  }

  bool IsOpen() override { return deviceOpen_; }
  bool HasSoundfont() override { return soundfont_; }

  void Restart() override {
    midiVolume_ = waveVolume_ = 0xFFFFFFFFu;
    musicMidi_ = false;
    applySoundVolume();
  }

  AudioDeviceSetup Devices() override {
    AudioDeviceSetup d;
    d.midiCount = d.waveCount = Open() ? 1 : 0;
    return d;
  }

  uint32_t Volume(AudioDevice device) override {
    return device == AudioDevice::kMidi ? midiVolume_ : waveVolume_;
  }

  bool SetVolume(AudioDevice device, uint32_t volume) override {
    if (device == AudioDevice::kMidi) {
      midiVolume_ = volume;
    } else {
      waveVolume_ = volume;
      applySoundVolume();
    }
    applyMusicVolume();
    return true;
  }

  bool LoadMusic(const std::string& nativePath, bool midiName, AudioMusic** music,
                 bool* midi) override {
    *music = nullptr;
    *midi = midiName;
    if (!Open()) return true;  // no device: the piece is kept as a silent stream
    Mix_Music* m = Mix_LoadMUS(nativePath.c_str());
    if (m) {
      *music = reinterpret_cast<AudioMusic*>(m);
      *midi = Mix_GetMusicType(m) == MUS_MID;
      return true;
    }
    // A MIDI file with no soundfont to play it opens as a silent stream.
    return midiName && !soundfont_;
  }

  void FreeMusic(AudioMusic* music) override {
    if (music && mixerUsable()) Mix_FreeMusic(mixMusic(music));
  }

  MusicStart PlayMusic(AudioMusic* music, bool midi) override {
    if (!mixerUsable()) return MusicStart::kSilent;
    musicMidi_ = midi;
    applyMusicVolume();
    if (Mix_PlayMusic(mixMusic(music), 0) != 0) return MusicStart::kFailed;
    applyMusicVolume();
    return MusicStart::kStarted;
  }

  void PauseMusic() override {
    if (mixerUsable()) Mix_PauseMusic();
  }
  void ResumeMusic() override {
    if (mixerUsable()) Mix_ResumeMusic();
  }
  void HaltMusic() override {
    if (mixerUsable()) Mix_HaltMusic();
  }
  bool MusicPlaying() override { return mixerUsable() && Mix_PlayingMusic() != 0; }
  void WaitMusic() override {
    while (MusicPlaying()) SDL_Delay(5);
  }

  bool PlaySound(const std::string& name, const std::string& nativePath, bool loop) override {
    if (!Open()) return false;
    Mix_Chunk* chunk = Mix_LoadWAV(nativePath.c_str());
    if (chunk == nullptr) return false;
    StopSound();
    chunk_ = chunk;
    if (Mix_PlayChannel(0, chunk, loop ? -1 : 0) < 0) {
      StopSound();
      return false;
    }
    // Channel effects end with each sound, so the balance is set again for every new one.
    applySoundVolume();
    return true;
  }

  // Halts and frees the current sound.
  void StopSound() override {
    if (chunk_ == nullptr) return;
    if (mixerUsable()) {
      Mix_HaltChannel(0);
      Mix_FreeChunk(chunk_);
    }
    chunk_ = nullptr;
  }

  bool SoundPlaying() override { return mixerUsable() && Mix_Playing(0) != 0; }

  void WaitSound() override {
    while (SoundPlaying()) SDL_Delay(5);
  }

 private:
  // SDL_mixer objects may be used and freed: the device is open and SDL's audio was not shut
  // behind the output's back (SDL_Quit before the last player went away).
  bool mixerUsable() const { return deviceOpen_ && SDL_WasInit(SDL_INIT_AUDIO) != 0; }

  // Applies the current volumes to the music stream and the WAV channel.
  void applyMusicVolume() {
    if (!mixerUsable()) return;
    uint32_t v = VolumeTimesPercent(musicMidi_ ? midiVolume_ : waveVolume_, musicPercent_);
    uint32_t avg = (uint32_t(VolumeLeft(v)) + VolumeRight(v)) / 2;
    Mix_VolumeMusic(mixLevel(avg));
  }

  void applySoundVolume() {
    if (!mixerUsable()) return;
    uint32_t played = VolumeTimesPercent(waveVolume_, soundPercent_);
    uint32_t l = VolumeLeft(played), r = VolumeRight(played);
    uint32_t loud = std::max(l, r);
    Mix_Volume(0, mixLevel(loud));
    if (loud == 0 || l == r) {
      Mix_SetPanning(0, 255, 255);  // no balance effect
    } else {
      Mix_SetPanning(0, Uint8(l * 255 / loud), Uint8(r * 255 / loud));
    }
  }

  bool initTried_ = false;
  bool sdlAudioOurs_ = false;  // this output initialised SDL's audio subsystem
  bool deviceOpen_ = false;
  bool soundfont_ = false;
  bool toldNoSoundfont_ = false;
  uint32_t midiVolume_ = 0xFFFFFFFFu;
  uint32_t waveVolume_ = 0xFFFFFFFFu;
  bool musicMidi_ = false;        // the music last started is MIDI: it follows the MIDI volume
  int musicPercent_ = 100;        // the player's volumes on top of the devices'
  int soundPercent_ = 100;
  std::string playerFont_;        // the player's soundfont file; empty: the default search
  bool toldNoPlayerFont_ = false;
  Mix_Chunk* chunk_ = nullptr;    // the sound on channel 0, kept until it is replaced
};

}  // namespace

AudioOutput& Backend::Audio() {
  // Never destroyed: players may still let go of their music during the program's exit.
  static SdlAudioOutput* host = new SdlAudioOutput;
  return *host;
}
