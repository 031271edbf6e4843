// The music and WAV commands of the script: #BGM... drive the music player, #WAVE... the one
// WAV channel, and both families fade or reset the device volumes.
#include <cstdio>
#include <cstring>

#include "platform/audio/audio.h"
#include "platform/files/files.h"
#include "scenario/game_paths.h"
#include "shell/main_form.h"

namespace {

// Flags of the WAV calls: never wait, never fall back to a default sound; backgrounds loop.
constexpr unsigned kWaveOnce = SND_ASYNC | SND_NODEFAULT;  // 3
constexpr unsigned kWaveLoop = kWaveOnce | SND_LOOP;       // 11
static_assert(kWaveOnce == 3 && kWaveLoop == 11);

// The seconds of a fade command; 0 or nothing means 3.
int fadeSeconds(TMainFrm* f, const char* args) {
  int n = f->GetIntArg(args, 0);
  return n == 0 ? 3 : n;
}

bool musicPlaying(TMediaPlayer* player) { return player && player->Mode() == mpPlaying; }

// folder + the file name in the command's first argument, cut to a path's buffer.
void argumentPath(TMainFrm* f, const char* args, const char* folder, char* out, size_t size) {
  char name[kPathBytes];
  f->GetStrArg(args, name, sizeof name, 0);
  FormatFolderFilePath(out, size, folder, name);
}

// Opening the same file again only rewinds it, so a script that reloads its piece restarts it
// without closing the device; any other file replaces the music, which waits for #BGMPLAY.
void openMusic(TMediaPlayer* player, const char* path) {
  player->DeviceType = dtAutoSelect;
  if (!FileExists(path)) return;
  if (player->FileName == path) {
    player->Rewind();
    return;
  }
  player->Wait = false;
  player->Close();
  player->FileName = path;
  player->Open();
}

}  // namespace

bool TMainFrm::cmdBgmLoad(const char* args) {
  if (!MediaPlayer) return true;
  char path[kPathBytes];
  FormatMusicNumberPath(path, sizeof path, BgmDir, GetIntArg(args, 0));
  openMusic(MediaPlayer, path);
  return true;
}

bool TMainFrm::cmdBgmNLoad(const char* args) {
  if (!MediaPlayer) return true;
  char path[kPathBytes];
  argumentPath(this, args, BgmDir, path, sizeof path);
  openMusic(MediaPlayer, path);
  return true;
}

bool TMainFrm::cmdBgmPlay(const char*) {
  if (!MediaPlayer || MediaPlayer->FileName.empty() || MediaPlayer->Error() != 0 ||
      MediaPlayer->Mode() == mpPlaying) {
    return true;
  }
  MediaPlayer->Notify = true;  // the completion notice restarts the piece
  MediaPlayer->Play();
  return true;
}

bool TMainFrm::cmdBgmStop(const char*) {
  if (!musicPlaying(MediaPlayer)) return true;
  MediaPlayer->Stop();
  MediaPlayer->Rewind();
  return true;
}

bool TMainFrm::cmdBgmPauseOnly(const char*) {
  if (musicPlaying(MediaPlayer)) MediaPlayer->PauseOnly();
  return true;
}

bool TMainFrm::cmdBgmPause(const char*) {
  if (MediaPlayer) MediaPlayer->Pause();
  return true;
}

// The music keeps playing, silent: scripts follow with #BGMSTOP and #BGMVOLDEF.
bool TMainFrm::cmdBgmFadeOut(const char* args) {
  if (!musicPlaying(MediaPlayer)) return true;
  int s = fadeSeconds(this, args);
  WaveFadeOut(WaveDefaultVolume, s);
  MidiFadeOut(MidiDefaultVolume, s);
  return true;
}

bool TMainFrm::cmdBgmFadeIn(const char* args) {
  int s = fadeSeconds(this, args);
  WaveFadeIn(WaveDefaultVolume, s);
  MidiFadeIn(MidiDefaultVolume, s);
  return true;
}

bool TMainFrm::cmdBgmVolDef(const char*) {
  waveOutSetVolume(WaveDeviceId, WaveDefaultVolume);
  midiOutSetVolume(MidiDeviceId, MidiDefaultVolume);
  return true;
}

bool TMainFrm::cmdWavePlaySound(const char* args) {
  char path[kPathBytes];
  argumentPath(this, args, WavDir, path, sizeof path);
  sndPlaySoundA(path, kWaveOnce);
  return true;
}

bool TMainFrm::cmdWavePlayBgm(const char* args) {
  char path[kPathBytes];
  argumentPath(this, args, WavDir, path, sizeof path);
  sndPlaySoundA(path, kWaveLoop);
  return true;
}

bool TMainFrm::cmdWaveStop(const char*) {
  sndPlaySoundA(nullptr, kWaveOnce);
  return true;
}

// Like #BGMFADEOUT, this depends on the music player playing, not on the WAV channel.
bool TMainFrm::cmdWaveFadeOut(const char* args) {
  if (!musicPlaying(MediaPlayer)) return true;
  WaveFadeOut(WaveDefaultVolume, fadeSeconds(this, args));
  return true;
}

bool TMainFrm::cmdWaveFadeIn(const char* args) {
  WaveFadeIn(WaveDefaultVolume, fadeSeconds(this, args));
  return true;
}

bool TMainFrm::cmdWaveVolDef(const char*) {
  waveOutSetVolume(WaveDeviceId, WaveDefaultVolume);
  return true;
}
