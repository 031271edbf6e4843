// Audio device: opening SDL_mixer, the soundfont, the one music stream and the MIDI and wave
// output devices with their volumes.
#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "platform/audio/audio.h"
#include "platform/audio/audio_internal.h"

namespace audio_detail {

namespace {

bool g_fake = false;
bool g_initTried = false;
bool g_sdlAudioOurs = false;  // this layer initialised SDL's audio subsystem
bool g_deviceOpen = false;
bool g_soundfont = false;
bool g_toldNoSoundfont = false;
unsigned g_musicStarts = 0;

bool fileIsThere(const char* path) {
  struct stat st;
  return path && *path && stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

// Picks the GM soundfont SDL_mixer's MIDI decoders use. SDL_SOUNDFONTS (a ";"-separated list)
// is the user's choice and SDL_mixer gives it precedence, so when it is set it decides alone;
// otherwise the small TimGM6mb first (the font is read again at every Open of a MIDI file, on
// the main thread: a few hundredths of a second for it against more than a second for a large
// font such as FluidR3, which Debian's default-GM.sf2 may point to), then Debian's default,
// then the other fonts Debian packages install.
bool setUpSoundfont() {
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

}  // namespace

std::atomic<uint64_t> notifyTicket{0};
std::atomic<TForm*> notifyForm{nullptr};

Devices& devices() {
  static Devices d;
  return d;
}

Stream& stream() {
  static Stream s;
  return s;
}

std::vector<TMediaPlayer*>& players() {
  static std::vector<TMediaPlayer*> list;
  return list;
}

void closeAllPlayers() {
  std::vector<TMediaPlayer*> copy = players();
  for (TMediaPlayer* p : copy) p->Close();
}

bool soundfontAvailable() { return g_soundfont; }

bool isMidiName(const std::string& name) {
  size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  std::string ext = name.substr(dot + 1);
  for (char& c : ext) c = char(tolower(static_cast<unsigned char>(c)));
  return ext == "mid" || ext == "midi" || ext == "rmi" || ext == "kar";
}

bool fakeMode() { return g_fake; }

bool mixerUsable() { return g_deviceOpen && SDL_WasInit(SDL_INIT_AUDIO) != 0; }

AudioMode CurrentMode() {
  if (g_fake) return AudioMode::Fake;
  return InitAudio() ? AudioMode::Real : AudioMode::Silent;
}

void SDLCALL hookTrampoline() { onMusicFinished(); }

void onMusicFinished() {
  uint64_t ticket = notifyTicket.exchange(0);
  TForm* form = notifyForm.load();
  if (ticket == 0 || form == nullptr || Application == nullptr) return;
  Application->PostMessageFromAnyThread(form, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL,
                                        static_cast<intptr_t>(ticket));
}

namespace {

// 0..0xFFFF to SDL_mixer's 0..128, rounded.
int mixLevel(uint32_t level) { return int((level * MIX_MAX_VOLUME + 0x7FFF) / 0xFFFF); }

}  // namespace

void applyMusicVolume() {
  if (g_fake || !mixerUsable()) return;
  uint32_t v = stream().midi ? devices().midiVolume : devices().waveVolume;
  uint32_t avg = (uint32_t(VolumeLeft(v)) + VolumeRight(v)) / 2;
  Mix_VolumeMusic(mixLevel(avg));
}

void applySoundVolume() {
  if (g_fake || !mixerUsable()) return;
  uint32_t v = devices().waveVolume;
  uint32_t l = VolumeLeft(v), r = VolumeRight(v);
  uint32_t loud = std::max(l, r);
  Mix_Volume(0, mixLevel(loud));
  if (loud == 0 || l == r) {
    Mix_SetPanning(0, 255, 255);  // no balance effect
  } else {
    Mix_SetPanning(0, Uint8(l * 255 / loud), Uint8(r * 255 / loud));
  }
}

// ---- stream ---------------------------------------------------------------------------------

void streamHalt() {
  Stream& s = stream();
  notifyTicket.store(0);
  if (s.mix && mixerUsable()) Mix_HaltMusic();
  s.virtActive = false;
  s.virtPaused = false;
  s.mix = nullptr;
  s.owner = nullptr;
}

bool streamStart(TMediaPlayer* owner, void* mix, bool midi, uint64_t ticket) {
  Stream& s = stream();
  TMediaPlayer* previous = s.owner;
  streamHalt();
  if (previous && previous != owner) previous->LoseStream();
  s.owner = owner;
  s.mix = mix;
  s.midi = midi;
  notifyForm.store(owner ? owner->Owner : nullptr);
  notifyTicket.store(ticket);
  ++g_musicStarts;
  if (mix && mixerUsable()) {
    applyMusicVolume();
    if (Mix_PlayMusic(static_cast<Mix_Music*>(mix), 0) != 0) {
      notifyTicket.store(0);
      s.owner = nullptr;
      s.mix = nullptr;
      return false;
    }
    applyMusicVolume();
  } else {
    s.mix = nullptr;
    s.virtActive = true;
    s.virtPaused = false;
  }
  return true;
}

void streamPause() {
  Stream& s = stream();
  if (s.mix && mixerUsable()) {
    Mix_PauseMusic();
  } else {
    s.virtPaused = true;
  }
}

bool streamResume(uint64_t ticket) {
  Stream& s = stream();
  if (s.owner) notifyForm.store(s.owner->Owner);
  notifyTicket.store(ticket);
  if (s.mix && mixerUsable()) {
    Mix_ResumeMusic();
  } else {
    s.virtPaused = false;
  }
  return true;
}

bool streamActive(const TMediaPlayer* owner) {
  Stream& s = stream();
  if (owner == nullptr || s.owner != owner) return false;
  if (s.mix && mixerUsable()) return Mix_PlayingMusic() != 0;
  return s.virtActive;
}

// ---- fake recorder --------------------------------------------------------------------------

namespace {
std::vector<FakeAudioCall>& calls() {
  static std::vector<FakeAudioCall> list;
  return list;
}
}  // namespace

FakeSound& fakeSound() {
  static FakeSound s;
  return s;
}

void record(FakeAudioCall call) {
  if (g_fake) calls().push_back(std::move(call));
}

void resetFake() {
  calls().clear();
  fakeSound() = FakeSound{};
  devices() = Devices{};
  g_musicStarts = 0;
}

}  // namespace audio_detail

using namespace audio_detail;

// ---- initialisation -------------------------------------------------------------------------

bool InitAudio() {
  if (g_fake) return false;
  if (g_initTried) return g_deviceOpen;
  g_initTried = true;
  if (!SDL_WasInit(SDL_INIT_AUDIO)) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      fprintf(stderr, "miravel: no audio device (%s); the game runs silent\n", SDL_GetError());
      return false;
    }
    g_sdlAudioOurs = true;
  }
  g_soundfont = setUpSoundfont();
  Mix_Init(MIX_INIT_MID | MIX_INIT_OGG | MIX_INIT_MP3 | MIX_INIT_FLAC);
  if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) != 0) {
    fprintf(stderr, "miravel: cannot open the audio device (%s); the game runs silent\n",
            Mix_GetError());
    Mix_Quit();
    if (g_sdlAudioOurs) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    g_sdlAudioOurs = false;
    return false;
  }
  if (!g_soundfont && !g_toldNoSoundfont) {
    g_toldNoSoundfont = true;
    fprintf(stderr,
            "miravel: no General MIDI soundfont found (SDL_SOUNDFONTS or "
            "/usr/share/sounds/sf2); MIDI music is silent\n");
  }
  Mix_AllocateChannels(1);
  Mix_HookMusicFinished(hookTrampoline);
  g_deviceOpen = true;
  applySoundVolume();
  return true;
}

void ShutdownAudio() {
  closeAllPlayers();
  stopSoundChannel();
  if (g_deviceOpen) {
    Mix_HookMusicFinished(nullptr);
    Mix_HaltMusic();
    Mix_CloseAudio();
    Mix_Quit();
    if (g_sdlAudioOurs) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  g_sdlAudioOurs = false;
  stream() = Stream{};
  notifyTicket.store(0);
  g_deviceOpen = false;
  g_initTried = false;
}

bool AudioDeviceOpen() { return !g_fake && g_deviceOpen; }

bool AudioHasSoundfont() { return AudioDeviceOpen() && g_soundfont; }

// ---- fake control ---------------------------------------------------------------------------

void SetAudioFake(bool on) {
  closeAllPlayers();
  stopSoundChannel();
  if (on && g_deviceOpen) Mix_HaltMusic();
  stream() = Stream{};
  notifyTicket.store(0);
  g_fake = on;
  resetFake();
  if (!on) {
    applySoundVolume();
  }
}

bool AudioFake() { return g_fake; }

const std::vector<FakeAudioCall>& FakeAudioCalls() { return calls(); }

std::vector<FakeAudioCall> FakeAudioCalls(const char* call) {
  std::vector<FakeAudioCall> out;
  for (const FakeAudioCall& c : calls())
    if (c.Call == call) out.push_back(c);
  return out;
}

void FakeAudioClearCalls() { calls().clear(); }

bool FakeAudioEndMusic() {
  Stream& s = stream();
  if (!g_fake || s.owner == nullptr || !s.virtActive || s.virtPaused) return false;
  s.virtActive = false;
  onMusicFinished();
  return true;
}

unsigned FakeAudioMusicStarts() { return g_musicStarts; }

std::string FakeAudioSound() { return fakeSound().file; }
bool FakeAudioSoundLoops() { return fakeSound().loops; }
void FakeAudioEndSound() { fakeSound() = FakeSound{}; }

void FakeAudioSetDevices(unsigned midiCount, unsigned waveCount, bool volumeControl,
                         bool noDriver) {
  Devices& d = devices();
  d.midiCount = midiCount;
  d.waveCount = waveCount;
  d.volumeControl = volumeControl;
  d.noDriver = noDriver;
}

void FakeAudioRefuseVolumeAfter(int n) { devices().volumeChangesLeft = n; }

// ---- MIDI and wave output devices -----------------------------------------------------------

namespace {

enum class Kind { Midi, Wave };

unsigned deviceCount(Kind kind) {
  if (g_fake) return kind == Kind::Midi ? devices().midiCount : devices().waveCount;
  return InitAudio() ? 1 : 0;
}

// Checks a device id for the volume calls and the capability queries.
MMRESULT checkDevice(Kind kind, uintptr_t& id) {
  if (id == MIDI_MAPPER) id = 0;
  if (g_fake && devices().noDriver) return MMSYSERR_NODRIVER;
  if (id >= deviceCount(kind)) return MMSYSERR_BADDEVICEID;
  return MMSYSERR_NOERROR;
}

bool volumeControl() { return !g_fake || devices().volumeControl; }

void recordDevice(const char* call, uintptr_t id, uint32_t volume, MMRESULT result) {
  FakeAudioCall c;
  c.Call = call;
  c.Device = id;
  c.Volume = volume;
  c.Result = int(result);
  record(std::move(c));
}

MMRESULT getVolume(Kind kind, uintptr_t id, uint32_t* volume, const char* call) {
  MMRESULT r = checkDevice(kind, id);
  if (r == MMSYSERR_NOERROR && !volumeControl()) r = MMSYSERR_NOTSUPPORTED;
  if (r == MMSYSERR_NOERROR && volume == nullptr) r = MMSYSERR_INVALPARAM;
  uint32_t v = 0;
  if (r == MMSYSERR_NOERROR) {
    v = kind == Kind::Midi ? devices().midiVolume : devices().waveVolume;
    *volume = v;
  }
  recordDevice(call, id, v, r);
  return r;
}

MMRESULT setVolume(Kind kind, uintptr_t id, uint32_t volume, const char* call) {
  MMRESULT r = checkDevice(kind, id);
  if (r == MMSYSERR_NOERROR && !volumeControl()) r = MMSYSERR_NOTSUPPORTED;
  if (r == MMSYSERR_NOERROR && g_fake && devices().volumeChangesLeft >= 0) {
    if (devices().volumeChangesLeft == 0) {
      r = MMSYSERR_ERROR;
    } else {
      --devices().volumeChangesLeft;
    }
  }
  if (r == MMSYSERR_NOERROR) {
    if (kind == Kind::Midi) {
      devices().midiVolume = volume;
    } else {
      devices().waveVolume = volume;
      applySoundVolume();
    }
    applyMusicVolume();
  }
  recordDevice(call, id, volume, r);
  return r;
}

void copyName(char* dst, const char* name) {
  memset(dst, 0, MAXPNAMELEN);
  strncpy(dst, name, MAXPNAMELEN - 1);
}

}  // namespace

unsigned midiOutGetNumDevs() {
  unsigned n = deviceCount(Kind::Midi);
  recordDevice("midiOutGetNumDevs", 0, 0, n);
  return n;
}

MMRESULT midiOutGetDevCapsA(uintptr_t deviceId, MIDIOUTCAPSA* caps, unsigned capsSize) {
  MMRESULT r = checkDevice(Kind::Midi, deviceId);
  if (r == MMSYSERR_NOERROR && (caps == nullptr || capsSize < sizeof(MIDIOUTCAPSA)))
    r = MMSYSERR_INVALPARAM;
  if (r == MMSYSERR_NOERROR) {
    memset(caps, 0, sizeof(*caps));
    caps->vDriverVersion = 0x0100;
    copyName(caps->szPname, "SDL_mixer MIDI synthesizer");
    caps->wTechnology = MOD_SWSYNTH;
    caps->wVoices = 32;
    caps->wNotes = 32;
    caps->wChannelMask = 0xFFFF;
    caps->dwSupport = volumeControl() ? (MIDICAPS_VOLUME | MIDICAPS_LRVOLUME) : 0;
  }
  recordDevice("midiOutGetDevCapsA", deviceId, 0, r);
  return r;
}

MMRESULT midiOutGetVolume(HMIDIOUT device, uint32_t* volume) {
  return getVolume(Kind::Midi, device, volume, "midiOutGetVolume");
}

MMRESULT midiOutSetVolume(HMIDIOUT device, uint32_t volume) {
  return setVolume(Kind::Midi, device, volume, "midiOutSetVolume");
}

unsigned waveOutGetNumDevs() {
  unsigned n = deviceCount(Kind::Wave);
  recordDevice("waveOutGetNumDevs", 0, 0, n);
  return n;
}

MMRESULT waveOutGetDevCapsA(uintptr_t deviceId, WAVEOUTCAPSA* caps, unsigned capsSize) {
  MMRESULT r = checkDevice(Kind::Wave, deviceId);
  if (r == MMSYSERR_NOERROR && (caps == nullptr || capsSize < sizeof(WAVEOUTCAPSA)))
    r = MMSYSERR_INVALPARAM;
  if (r == MMSYSERR_NOERROR) {
    memset(caps, 0, sizeof(*caps));
    caps->vDriverVersion = 0x0100;
    copyName(caps->szPname, "SDL_mixer output");
    caps->dwFormats = 0x00000800;  // 44.1 kHz, stereo, 16-bit
    caps->wChannels = 2;
    caps->dwSupport = volumeControl() ? (WAVECAPS_VOLUME | WAVECAPS_LRVOLUME) : 0;
  }
  recordDevice("waveOutGetDevCapsA", deviceId, 0, r);
  return r;
}

MMRESULT waveOutGetVolume(HWAVEOUT device, uint32_t* volume) {
  return getVolume(Kind::Wave, device, volume, "waveOutGetVolume");
}

MMRESULT waveOutSetVolume(HWAVEOUT device, uint32_t volume) {
  return setVolume(Kind::Wave, device, volume, "waveOutSetVolume");
}
