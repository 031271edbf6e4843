// The audio layer's device side: the output in use, the one music stream with its completion
// notices, and the MIDI and wave output devices with their volumes.
#include <algorithm>
#include <cstring>

#include "platform/audio/audio.h"
#include "platform/audio/audio_internal.h"
#include "platform/backend/backend.h"
#include "platform/windows/app.h"

namespace audio_detail {

namespace {

AudioOutput* g_output = nullptr;

// The player's settings, handed to every output the layer takes.
int g_musicPercent = 100;
int g_soundPercent = 100;
std::string g_soundfont;

void handPlayerSettings(AudioOutput& out) {
  out.SetPlayerVolumes(g_musicPercent, g_soundPercent);
  out.SetSoundfontFile(g_soundfont);
}

}  // namespace

AudioOutput& output() {
  if (g_output == nullptr) {
    g_output = &CurrentBackend().Audio();
    handPlayerSettings(*g_output);
  }
  return *g_output;
}

void report(const AudioCall& call, TMediaPlayer* player) { output().Observe(call, player); }

std::atomic<uint64_t> notifyTicket{0};
std::atomic<TForm*> notifyForm{nullptr};

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

bool isMidiName(const std::string& name) {
  size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  std::string ext = name.substr(dot + 1);
  for (char& c : ext) c = char(tolower(static_cast<unsigned char>(c)));
  return ext == "mid" || ext == "midi" || ext == "rmi" || ext == "kar";
}

// ---- stream ---------------------------------------------------------------------------------

void streamHalt() {
  Stream& s = stream();
  notifyTicket.store(0);
  if (s.music) output().HaltMusic();
  s.silentActive = false;
  s.music = nullptr;
  s.owner = nullptr;
}

bool streamStart(TMediaPlayer* owner, AudioMusic* music, bool midi, uint64_t ticket) {
  Stream& s = stream();
  TMediaPlayer* previous = s.owner;
  streamHalt();
  if (previous && previous != owner) previous->LoseStream();
  s.owner = owner;
  s.music = music;
  notifyForm.store(owner ? owner->Owner : nullptr);
  notifyTicket.store(ticket);
  MusicStart started = music ? output().PlayMusic(music, midi) : MusicStart::kSilent;
  if (started == MusicStart::kFailed) {
    notifyTicket.store(0);
    s.owner = nullptr;
    s.music = nullptr;
    return false;
  }
  if (started == MusicStart::kSilent) {
    s.music = nullptr;
    s.silentActive = true;
  }
  return true;
}

void streamPause() {
  if (stream().music) output().PauseMusic();
}

bool streamResume(uint64_t ticket) {
  Stream& s = stream();
  if (s.owner) notifyForm.store(s.owner->Owner);
  notifyTicket.store(ticket);
  if (s.music) output().ResumeMusic();
  return true;
}

bool streamActive(const TMediaPlayer* owner) {
  Stream& s = stream();
  if (owner == nullptr || s.owner != owner) return false;
  if (s.music) return output().MusicPlaying();
  return s.silentActive;
}

}  // namespace audio_detail

using namespace audio_detail;

// ---- the output's side ----------------------------------------------------------------------

void AudioMusicFinished() {
  uint64_t ticket = notifyTicket.exchange(0);
  TForm* form = notifyForm.load();
  if (ticket == 0 || form == nullptr || Application == nullptr) return;
  Application->PostMessageFromAnyThread(form, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL,
                                        static_cast<intptr_t>(ticket));
}

void UseAudioOutput(AudioOutput& next) {
  // Nothing was used yet: the first call takes the current backend's output.
  if (g_output == nullptr || g_output == &next) return;
  closeAllPlayers();
  g_output->StopSound();
  g_output->HaltMusic();
  stream() = Stream{};
  notifyTicket.store(0);
  g_output = &next;
  next.Restart();
  handPlayerSettings(next);
}

// ---- the player's settings ------------------------------------------------------------------

void SetPlayerVolumes(int musicPercent, int soundPercent) {
  g_musicPercent = std::clamp(musicPercent, 0, 100);
  g_soundPercent = std::clamp(soundPercent, 0, 100);
  // An output not taken yet gets them when it is.
  if (g_output) g_output->SetPlayerVolumes(g_musicPercent, g_soundPercent);
}

void SetSoundfontFile(const std::string& nativePath) {
  g_soundfont = nativePath;
  if (g_output) g_output->SetSoundfontFile(g_soundfont);
}

// ---- initialisation -------------------------------------------------------------------------

bool InitAudio() { return output().Open(); }

void ShutdownAudio() {
  closeAllPlayers();
  AudioOutput& out = output();
  out.StopSound();
  out.Shutdown();
  stream() = Stream{};
  notifyTicket.store(0);
}

bool AudioDeviceOpen() { return output().IsOpen(); }

bool AudioHasSoundfont() { return AudioDeviceOpen() && output().HasSoundfont(); }

// ---- MIDI and wave output devices -----------------------------------------------------------

namespace {

unsigned deviceCount(AudioDevice kind) {
  AudioDeviceSetup d = output().Devices();
  return kind == AudioDevice::kMidi ? d.midiCount : d.waveCount;
}

// Checks a device id for the volume calls and the capability queries.
MMRESULT checkDevice(AudioDevice kind, uintptr_t& id) {
  if (id == MIDI_MAPPER) id = 0;
  if (output().Devices().noDriver) return MMSYSERR_NODRIVER;
  if (id >= deviceCount(kind)) return MMSYSERR_BADDEVICEID;
  return MMSYSERR_NOERROR;
}

bool volumeControl() { return output().Devices().volumeControl; }

void reportDevice(const char* call, uintptr_t id, uint32_t volume, MMRESULT result) {
  AudioCall c;
  c.Call = call;
  c.Device = id;
  c.Volume = volume;
  c.Result = int(result);
  report(c);
}

MMRESULT getVolume(AudioDevice kind, uintptr_t id, uint32_t* volume, const char* call) {
  MMRESULT r = checkDevice(kind, id);
  if (r == MMSYSERR_NOERROR && !volumeControl()) r = MMSYSERR_NOTSUPPORTED;
  if (r == MMSYSERR_NOERROR && volume == nullptr) r = MMSYSERR_INVALPARAM;
  uint32_t v = 0;
  if (r == MMSYSERR_NOERROR) {
    v = output().Volume(kind);
    *volume = v;
  }
  reportDevice(call, id, v, r);
  return r;
}

MMRESULT setVolume(AudioDevice kind, uintptr_t id, uint32_t volume, const char* call) {
  MMRESULT r = checkDevice(kind, id);
  if (r == MMSYSERR_NOERROR && !volumeControl()) r = MMSYSERR_NOTSUPPORTED;
  if (r == MMSYSERR_NOERROR && !output().SetVolume(kind, volume)) r = MMSYSERR_ERROR;
  reportDevice(call, id, volume, r);
  return r;
}

void copyName(char* dst, const char* name) {
  memset(dst, 0, MAXPNAMELEN);
  strncpy(dst, name, MAXPNAMELEN - 1);
}

}  // namespace

unsigned midiOutGetNumDevs() {
  unsigned n = deviceCount(AudioDevice::kMidi);
  reportDevice("midiOutGetNumDevs", 0, 0, n);
  return n;
}

MMRESULT midiOutGetDevCapsA(uintptr_t deviceId, MIDIOUTCAPSA* caps, unsigned capsSize) {
  MMRESULT r = checkDevice(AudioDevice::kMidi, deviceId);
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
  reportDevice("midiOutGetDevCapsA", deviceId, 0, r);
  return r;
}

MMRESULT midiOutGetVolume(HMIDIOUT device, uint32_t* volume) {
  return getVolume(AudioDevice::kMidi, device, volume, "midiOutGetVolume");
}

MMRESULT midiOutSetVolume(HMIDIOUT device, uint32_t volume) {
  return setVolume(AudioDevice::kMidi, device, volume, "midiOutSetVolume");
}

unsigned waveOutGetNumDevs() {
  unsigned n = deviceCount(AudioDevice::kWave);
  reportDevice("waveOutGetNumDevs", 0, 0, n);
  return n;
}

MMRESULT waveOutGetDevCapsA(uintptr_t deviceId, WAVEOUTCAPSA* caps, unsigned capsSize) {
  MMRESULT r = checkDevice(AudioDevice::kWave, deviceId);
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
  reportDevice("waveOutGetDevCapsA", deviceId, 0, r);
  return r;
}

MMRESULT waveOutGetVolume(HWAVEOUT device, uint32_t* volume) {
  return getVolume(AudioDevice::kWave, device, volume, "waveOutGetVolume");
}

MMRESULT waveOutSetVolume(HWAVEOUT device, uint32_t volume) {
  return setVolume(AudioDevice::kWave, device, volume, "waveOutSetVolume");
}
