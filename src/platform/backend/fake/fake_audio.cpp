// The fake backend's audio output: the call recorder, the virtual music stream, the fake devices
// and their refusals.
#include "platform/backend/fake/fake_audio.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/backend/fake/fake_backend.h"

namespace {

// The output of the installed fake backend.
FakeAudio& current(const char* caller) {
  auto* fake = dynamic_cast<FakeBackend*>(&CurrentBackend());
  if (fake == nullptr) {
    std::fprintf(stderr, "%s: no FakeBackend is installed\n", caller);
    std::abort();
  }
  return fake->Audio();
}

}  // namespace

FakeAudio::FakeAudio() { Restart(); }

FakeAudio::~FakeAudio() = default;

void FakeAudio::Restart() {
  calls_.clear();
  setup_ = AudioDeviceSetup{};
  setup_.midiCount = setup_.waveCount = 1;
  volumeChangesLeft_ = -1;
  midiVolume_ = waveVolume_ = 0xFFFFFFFFu;
  playing_ = paused_ = musicMidi_ = false;
  musicStarts_ = 0;
  EndSound();
}

void FakeAudio::Shutdown() {
  HaltMusic();
  EndSound();
}

bool FakeAudio::EndMusic() {
  if (!playing_ || paused_) return false;
  playing_ = false;
  AudioMusicFinished();
  return true;
}

void FakeAudio::EndSound() {
  sound_.clear();
  soundLoops_ = false;
}

void FakeAudio::SetDevices(unsigned midiCount, unsigned waveCount, bool volumeControl,
                           bool noDriver) {
  setup_.midiCount = midiCount;
  setup_.waveCount = waveCount;
  setup_.volumeControl = volumeControl;
  setup_.noDriver = noDriver;
}

uint32_t FakeAudio::Volume(AudioDevice device) {
  return device == AudioDevice::kMidi ? midiVolume_ : waveVolume_;
}

bool FakeAudio::SetVolume(AudioDevice device, uint32_t volume) {
  if (volumeChangesLeft_ == 0) return false;
  if (volumeChangesLeft_ > 0) --volumeChangesLeft_;
  (device == AudioDevice::kMidi ? midiVolume_ : waveVolume_) = volume;
  return true;
}

bool FakeAudio::LoadMusic(const std::string& nativePath, bool midiName, AudioMusic** music,
                          bool* midi) {
  pieces_.push_back(std::make_unique<Piece>(Piece{nativePath}));
  *music = reinterpret_cast<AudioMusic*>(pieces_.back().get());
  *midi = midiName;
  return true;
}

void FakeAudio::FreeMusic(AudioMusic* music) {
  auto* piece = reinterpret_cast<Piece*>(music);
  pieces_.erase(std::remove_if(pieces_.begin(), pieces_.end(),
                               [piece](const auto& p) { return p.get() == piece; }),
                pieces_.end());
}

MusicStart FakeAudio::PlayMusic(AudioMusic*, bool midi) {
  musicMidi_ = midi;
  playing_ = true;
  paused_ = false;
  ++musicStarts_;
  return MusicStart::kStarted;
}

void FakeAudio::SetPlayerVolumes(int musicPercent, int soundPercent) {
  musicPercent_ = musicPercent;
  soundPercent_ = soundPercent;
}

uint32_t FakeAudio::MusicVolume() const {
  return VolumeTimesPercent(musicMidi_ ? midiVolume_ : waveVolume_, musicPercent_);
}

uint32_t FakeAudio::SoundVolume() const { return VolumeTimesPercent(waveVolume_, soundPercent_); }

void FakeAudio::HaltMusic() { playing_ = paused_ = false; }

bool FakeAudio::PlaySound(const std::string& name, const std::string&, bool loop) {
  sound_ = name;
  soundLoops_ = loop;
  return true;
}

void FakeAudio::Observe(const AudioCall& call, TMediaPlayer* player) {
  FakeAudioCall c;
  c.Call = call.Call;
  c.File = call.File;
  c.Flags = call.Flags;
  c.Device = call.Device;
  c.Volume = call.Volume;
  c.Result = call.Result;
  if (player) c.Mode = player->Mode();
  if (calls_.size() >= kCallsKept) calls_.erase(calls_.begin(), calls_.begin() + kCallsKept / 2);
  calls_.push_back(std::move(c));
}

// ---- the tests' functions ---------------------------------------------------------------------

const std::vector<FakeAudioCall>& FakeAudioCalls() { return current(__func__).Calls(); }

std::vector<FakeAudioCall> FakeAudioCalls(const char* call) {
  std::vector<FakeAudioCall> out;
  for (const FakeAudioCall& c : current(__func__).Calls())
    if (c.Call == call) out.push_back(c);
  return out;
}

void FakeAudioClearCalls() { current(__func__).ClearCalls(); }
bool FakeAudioEndMusic() { return current(__func__).EndMusic(); }
unsigned FakeAudioMusicStarts() { return current(__func__).MusicStarts(); }
std::string FakeAudioSound() { return current(__func__).Sound(); }
bool FakeAudioSoundLoops() { return current(__func__).SoundLoops(); }
void FakeAudioEndSound() { current(__func__).EndSound(); }
uint32_t FakeAudioMusicVolume() { return current(__func__).MusicVolume(); }
uint32_t FakeAudioSoundVolume() { return current(__func__).SoundVolume(); }
std::string FakeAudioSoundfontFile() { return current(__func__).SoundfontFile(); }

void FakeAudioSetDevices(unsigned midiCount, unsigned waveCount, bool volumeControl,
                         bool noDriver) {
  current(__func__).SetDevices(midiCount, waveCount, volumeControl, noDriver);
}

void FakeAudioRefuseVolumeAfter(int n) { current(__func__).RefuseVolumeAfter(n); }
