// platform/audio: the media player, sndPlaySoundA and the MIDI/wave volumes, over the
// backend's audio output.
//
// The part of the platform that stands where winmm and the framework's media player component
// stood: the media player for music, the one WAV channel of sndPlaySoundA and the MIDI and wave
// output devices with their volumes. Their rules (modes, the Notify and Wait switches, notices,
// the device checks) are written here once; the sound itself comes from the current backend's
// audio output (backend/audio_output.h), which the layer takes at its first call and changes
// when the backend changes (the players are then closed and the volumes go back to full).
//
// Outputs.
//  - The host's (the SDL and headless backends): SDL_mixer plays. The device opens lazily at
//    the first call that needs it (or InitAudio). MIDI goes through SDL_mixer's
//    FluidSynth/Timidity decoder with the player's soundfont (SetSoundfontFile) when that file is
//    there, else Debian's default GM soundfont (SDL_SOUNDFONTS when set, else TimGM6mb.sf2,
//    default-GM.sf2 or FluidR3_GM.sf2 in /usr/share/sounds/sf2, else
//    sf3/default-GM.sf3); with no soundfont a MIDI file opens as a silent stream and the program
//    says so once on standard error. A large soundfont is read again at every Open of a MIDI
//    file (FluidSynth keeps one per piece): about a second for the 148 MB FluidR3, a tenth of
//    that for TimGM6mb.
//    When no audio device can be opened (SDL_AUDIODRIVER names a driver that fails, no sound
//    card) the game runs silent: midiOut/waveOut report 0 devices; the media player still
//    follows its calls (Open succeeds for an existing file, Mode reports playing, paused, ...)
//    but never ends by itself; sndPlaySoundA plays nothing. Nothing ever crashes.
//  - The fake backend's (tests, backend/fake/fake_audio.h): nothing plays; every call is
//    recorded, the music ends when the test says so, the devices are what the test sets up.
//
// Completion notices. When Notify is on, Play asks for a notice. When that play ends by itself
// (the music reached its end), the output's finished hook (SDL_mixer's, on the library's audio
// thread) posts MM_MCINOTIFY with WParam = MCI_NOTIFY_SUCCESSFUL to the player's owner form
// through Application->PostMessageFromAnyThread; nothing else happens on that thread. When the engine
// itself ends a play that asked for a notice (Stop, Pause, PauseOnly, Close, Open, another
// player taking the music stream) the layer posts the notice at once with MCI_NOTIFY_ABORTED
// (stop, pause, close) or MCI_NOTIFY_SUPERSEDED (a new open), never as a completed play; the
// library's own hook call for such a halt is ignored. A natural-end notice that was overtaken
// by one of those commands before it was dispatched is dropped (the command's own notice is
// delivered instead), so a piece the engine stopped never restarts. Rewind does not overtake
// it; a Play that asks for a notice supersedes it. LParam identifies the player and the play.
// The owner's Dispatch hands MM_MCINOTIFY messages to TMediaPlayer::HandleNotify and, when it
// returns true, calls its own handler (MediaPlayerNotify), which reads NotifyValue:
//
//   void TMainFrm::Dispatch(TMessage& msg) {
//     if (msg.Msg == MM_MCINOTIFY && MediaPlayer->HandleNotify(msg)) {
//       MediaPlayerNotify(MediaPlayer);
//       return;
//     }
//     ...
//   }
//
// As with the framework's component, Notify and Wait are one-shot: every command of the player
// uses them and then switches them off. Only Play asks for a completion notice; the other
// commands finish at once and send none.
//
// Volumes. One MIDI device (id 0) and one wave device (id 0) with left/right volume control
// exist when an audio device opened. A volume is 32 bits: left channel in the low 16 bits,
// right in the high 16 bits, each 0..0xFFFF; both start at 0xFFFFFFFF. They belong to this
// process only. MIDI music follows the MIDI device volume; digital music (WAV, OGG, MP3, FLAC,
// ...) and the WAV sounds follow the wave device volume. The host's output has a single music
// volume, so music plays at the average of left and right; the WAV channel gets its exact
// left/right levels. The player's own volumes (SetPlayerVolumes) multiply what the music stream
// and the WAV channel play at; the device volumes the game reads and sets are not touched.
//
// sndPlaySoundA with a file that is missing or cannot be decoded plays nothing and leaves the
// current sound as it was.
//
// Paths given to TMediaPlayer::FileName and sndPlaySoundA are engine paths (CP932, "\\"
// separators) and are resolved with ResolvePath.
//
// All functions are for the main thread only.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/windows/app.h"

struct AudioMusic;

// ---- multimedia results and constants ---------------------------------------------------------
using MMRESULT = unsigned;
using HMIDIOUT = uintptr_t;  // a device id, as the volume calls accept one in place of a handle
using HWAVEOUT = uintptr_t;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT MMSYSERR_NOTSUPPORTED = 8;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;

constexpr unsigned MIDI_MAPPER = 0xFFFFFFFFu;  // accepted as device 0
constexpr unsigned WAVE_MAPPER = 0xFFFFFFFFu;

constexpr uint32_t MIDICAPS_VOLUME = 0x0001;
constexpr uint32_t MIDICAPS_LRVOLUME = 0x0002;
constexpr uint32_t WAVECAPS_VOLUME = 0x0004;
constexpr uint32_t WAVECAPS_LRVOLUME = 0x0008;

constexpr uint16_t MOD_SWSYNTH = 7;  // wTechnology of the MIDI device

constexpr int MAXPNAMELEN = 32;

struct MIDIOUTCAPSA {
  uint16_t wMid;
  uint16_t wPid;
  uint32_t vDriverVersion;
  char szPname[MAXPNAMELEN];
  uint16_t wTechnology;
  uint16_t wVoices;
  uint16_t wNotes;
  uint16_t wChannelMask;
  uint32_t dwSupport;
};

struct WAVEOUTCAPSA {
  uint16_t wMid;
  uint16_t wPid;
  uint32_t vDriverVersion;
  char szPname[MAXPNAMELEN];
  uint32_t dwFormats;
  uint16_t wChannels;
  uint16_t wReserved1;
  uint32_t dwSupport;
};

unsigned midiOutGetNumDevs();
MMRESULT midiOutGetDevCapsA(uintptr_t deviceId, MIDIOUTCAPSA* caps, unsigned capsSize);
MMRESULT midiOutGetVolume(HMIDIOUT device, uint32_t* volume);
MMRESULT midiOutSetVolume(HMIDIOUT device, uint32_t volume);

unsigned waveOutGetNumDevs();
MMRESULT waveOutGetDevCapsA(uintptr_t deviceId, WAVEOUTCAPSA* caps, unsigned capsSize);
MMRESULT waveOutGetVolume(HWAVEOUT device, uint32_t* volume);
MMRESULT waveOutSetVolume(HWAVEOUT device, uint32_t volume);

// Volume packing: left channel low 16 bits, right channel high 16 bits.
constexpr uint32_t MakeVolume(uint16_t left, uint16_t right) {
  return uint32_t(left) | (uint32_t(right) << 16);
}
constexpr uint16_t VolumeLeft(uint32_t v) { return uint16_t(v & 0xFFFF); }
constexpr uint16_t VolumeRight(uint32_t v) { return uint16_t(v >> 16); }
// Both channels of a volume times percent / 100 (0..100), rounded.
constexpr uint32_t VolumeTimesPercent(uint32_t v, int percent) {
  auto scale = [percent](uint32_t level) {
    return uint16_t((level * uint32_t(percent) + 50) / 100);
  };
  return MakeVolume(scale(VolumeLeft(v)), scale(VolumeRight(v)));
}

// ---- sndPlaySoundA ----------------------------------------------------------------------------
constexpr unsigned SND_SYNC = 0x0000;       // return when the sound has ended
constexpr unsigned SND_ASYNC = 0x0001;      // return at once
constexpr unsigned SND_NODEFAULT = 0x0002;  // a missing file plays nothing (there is no default)
constexpr unsigned SND_MEMORY = 0x0004;     // not supported: returns false
constexpr unsigned SND_LOOP = 0x0008;       // loop until stopped; needs SND_ASYNC
constexpr unsigned SND_NOSTOP = 0x0010;     // do not interrupt a sound that is playing

// Plays a WAV file on the one sound channel; a new sound replaces the one playing (unless
// SND_NOSTOP); a missing or undecodable file leaves it playing. A null or empty file name stops
// the current sound. Returns true when the sound was started (or stopped, for a null name);
// false for a missing or undecodable file, or when there is no audio device.
bool sndPlaySoundA(const char* file, unsigned flags);

// ---- media player -----------------------------------------------------------------------------
enum TMPModes {
  mpNotReady = 0,
  mpStopped = 1,
  mpPlaying = 2,
  mpRecording = 3,
  mpSeeking = 4,
  mpPaused = 5,
  mpOpen = 6,
};

enum TMPNotifyValues { nvSuccessful, nvSuperseded, nvAborted, nvFailure };

enum TMPDeviceTypes {
  dtAutoSelect,
  dtAVIVideo,
  dtCDAudio,
  dtDAT,
  dtDigitalVideo,
  dtMMMovie,
  dtOther,
  dtOverlay,
  dtScanner,
  dtSequencer,
  dtVCR,
  dtVideodisc,
  dtWaveAudio,
};

// WParam of MM_MCINOTIFY.
constexpr uintptr_t MCI_NOTIFY_SUCCESSFUL = 0x0001;
constexpr uintptr_t MCI_NOTIFY_SUPERSEDED = 0x0002;
constexpr uintptr_t MCI_NOTIFY_ABORTED = 0x0004;
constexpr uintptr_t MCI_NOTIFY_FAILURE = 0x0008;

// Error codes the player reports (Error()).
constexpr int MCIERR_BASE = 256;
constexpr int MCIERR_INVALID_DEVICE_ID = MCIERR_BASE + 1;  // command on a player not open
constexpr int MCIERR_HARDWARE = MCIERR_BASE + 6;
constexpr int MCIERR_FILE_NOT_FOUND = MCIERR_BASE + 19;
constexpr int MCIERR_INVALID_FILE = MCIERR_BASE + 40;      // exists but cannot be decoded
constexpr int MCIERR_UNSUPPORTED_FUNCTION = MCIERR_BASE + 18;

class TMediaPlayer {
 public:
  // owner receives the completion notices (may be null: no notices are posted).
  explicit TMediaPlayer(TForm* owner = nullptr);
  ~TMediaPlayer();  // closes the player
  TMediaPlayer(const TMediaPlayer&) = delete;
  TMediaPlayer& operator=(const TMediaPlayer&) = delete;

  TForm* Owner = nullptr;
  std::string FileName;  // engine path (CP932) of the file to open / that is open
  // Only automatic choice is offered: the device follows the file (MIDI sequencer for MIDI
  // files, digital audio for the others). After Open, DeviceType still reads dtAutoSelect;
  // OpenedDeviceType() tells what was chosen.
  TMPDeviceTypes DeviceType = dtAutoSelect;
  bool Notify = false;      // one-shot: Play asks for a completion notice
  bool Wait = false;        // one-shot: Play returns only when the music has ended (an output
                            // whose music only ends when told returns at once)
  bool AutoRewind = true;   // playing a piece that stands at its end starts it from the start

  // Opens FileName (closing what was open). Error 0 and mode stopped on success; on failure
  // Error is set and the player stays closed (mode not ready).
  void Open();
  void Close();          // no-op with Error 0 when nothing is open
  void Play();           // from the current position (the start after Open, Rewind or an end)
  void Stop();           // stops, keeping the position
  void Pause();          // toggle: pause when playing, resume when paused
  void PauseOnly();      // pause when playing, otherwise nothing
  void Rewind();         // back to the start; a playing piece keeps playing from there
  TMPModes Mode();
  int Error() const { return error_; }
  std::string ErrorMessage() const;
  TMPNotifyValues NotifyValue() const { return notifyValue_; }
  TMPDeviceTypes OpenedDeviceType() const { return openedType_; }
  bool IsOpen() const { return open_; }

  // Takes an MM_MCINOTIFY message dispatched to the owner. Returns true when it is a current
  // notice of this player: NotifyValue is then set and the owner's notify handler should run.
  // Returns false for other messages, other players' notices and overtaken natural-end notices.
  bool HandleNotify(const TMessage& msg);

  // For the layer: the music stream was taken by another player.
  void LoseStream();

 private:
  enum class PlayState { Stopped, Playing, Paused };
  void endCommand();
  void syncEnded(bool evenWithNoticeWaiting);
  bool endedWithNoticeWaiting();
  void pauseAtNextRound();
  void leaveStream(PlayState state, bool atEnd);
  void closeOpenPiece(uintptr_t how);
  void pausePlaying();
  template <typename Body>
  void command(const char* name, Body body);
  void abortPending(uintptr_t how);
  bool startOrResume();
  void record(const char* call, int result, unsigned flags = 0);

  uint32_t id_ = 0;          // unique per player (upper half of the notice's LParam)
  uint32_t pendingPlay_ = 0; // serial of the play that asked for a notice and has not ended
  uint32_t nextPlay_ = 0;
  bool open_ = false;
  PlayState state_ = PlayState::Stopped;
  bool fromStart_ = true;    // the next start plays from the beginning (not a resume)
  bool atEnd_ = false;       // the last play ran to its end
  bool midi_ = false;
  int error_ = 0;
  TMPNotifyValues notifyValue_ = nvSuccessful;
  TMPDeviceTypes openedType_ = dtAutoSelect;
  AudioMusic* music_ = nullptr;  // the output's handle; null for a silent stream
};

// ---- initialisation ---------------------------------------------------------------------------
// Opens the output's device. Called lazily by the first call that needs it; returns whether a
// device is open. Calling it again after a failure does not retry until ShutdownAudio.
bool InitAudio();
// Closes the device (the host's: SDL_mixer and SDL's audio subsystem); the next call opens it
// again (tests switch SDL_AUDIODRIVER in between). Open players are closed first. If SDL is shut
// down without it, the host's output stops touching SDL_mixer objects.
void ShutdownAudio();
bool AudioDeviceOpen();
// Whether a GM soundfont was found for MIDI (decided when the device opened).
bool AudioHasSoundfont();

// ---- the player's settings ----------------------------------------------------------------------
// The player's music and sound volumes, 0..100 each (100 until set; values outside are clamped),
// on top of the game's: the music stream plays at its device volume times musicPercent / 100,
// the WAV channel at the wave device volume times soundPercent / 100. What midiOutGetVolume and
// waveOutGetVolume report, and what the game sets, stay the game's own values. The setting
// holds across backend changes.
void SetPlayerVolumes(int musicPercent, int soundPercent);
// The SoundFont file MIDI music is rendered with (native path; empty: the system's default, as
// above). Set before the device opens (it takes effect for MIDI pieces loaded afterwards). A file
// that is not there is reported once on standard error and the system's default used.
void SetSoundfontFile(const std::string& nativePath);
