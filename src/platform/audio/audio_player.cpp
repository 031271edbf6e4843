// The media player: music files on the audio output's one music stream, with the mode machine
// and the completion notices of the framework's component.
#include <algorithm>

#include "platform/audio/audio.h"
#include "platform/audio/audio_internal.h"
#include "platform/files/files.h"

using namespace audio_detail;

static_assert(sizeof(intptr_t) >= 8, "a notice's LParam holds the player id and the play serial");

namespace {

uint32_t g_nextPlayerId = 0;

uint64_t ticketOf(uint32_t id, uint32_t serial) { return (uint64_t(id) << 32) | serial; }

}  // namespace

TMediaPlayer::TMediaPlayer(TForm* owner) : Owner(owner), id_(++g_nextPlayerId) {
  players().push_back(this);
}

TMediaPlayer::~TMediaPlayer() {
  // No notices from here: the owner may be going away too.
  pendingPlay_ = 0;
  if (stream().owner == this) streamHalt();
  if (music_) output().FreeMusic(music_);
  music_ = nullptr;
  auto& list = players();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void TMediaPlayer::endCommand() {
  Notify = false;
  Wait = false;
}

void TMediaPlayer::record(const char* call, int result, unsigned flags) {
  AudioCall c;
  c.Call = call;
  c.File = FileName;
  c.Flags = flags;
  c.Result = result;
  report(c, this);
}

// Posts the notice of the play that asked for one and is now ended by the engine itself.
void TMediaPlayer::abortPending(uintptr_t how) {
  if (pendingPlay_ == 0) return;
  uint64_t ticket = ticketOf(id_, pendingPlay_);
  pendingPlay_ = 0;
  uint64_t expected = ticket;
  notifyTicket.compare_exchange_strong(expected, 0);
  AudioCall c;
  c.Call = "MM_MCINOTIFY";
  c.File = FileName;
  c.Flags = unsigned(how);
  report(c);
  if (Owner && Application)
    Application->PostMessage(Owner, MM_MCINOTIFY, how, static_cast<intptr_t>(ticket));
}

// A play that ended by itself and asked for a notice: the notice is on its way and has not been
// handled yet.
bool TMediaPlayer::endedWithNoticeWaiting() {
  return open_ && state_ == PlayState::Playing && pendingPlay_ != 0 && !streamActive(this);
}

// A play that was under way has reached its end by itself: the position is at the end, and
// with auto-rewind the next Play starts from the beginning. Until the notice of a play that
// asked for one has been handled, the play still counts as playing (unless the caller takes the
// end at once): the game restarts its music from that notice, so a stop or pause given in
// between must see playing music, cancel the notice and take effect, instead of being skipped
// and letting the notice start the music again.
void TMediaPlayer::syncEnded(bool evenWithNoticeWaiting) {
  if (open_ && state_ == PlayState::Playing && !streamActive(this)) {
    if (pendingPlay_ != 0 && !evenWithNoticeWaiting) return;
    leaveStream(PlayState::Stopped, true);
  }
}

// The piece no longer holds the stream: it stands in state at its start (at the end, with
// atEnd), and the next play starts it from the beginning.
void TMediaPlayer::leaveStream(PlayState state, bool atEnd) {
  state_ = state;
  fromStart_ = true;
  atEnd_ = atEnd;
  if (stream().owner == this) stream().owner = nullptr;
}

// A pause given after the music ended by itself but before its notice restarted it: the notice
// is cancelled and the piece waits paused at its start, so that resuming goes on with the next
// round as the notice would have.
void TMediaPlayer::pauseAtNextRound() {
  abortPending(MCI_NOTIFY_ABORTED);
  leaveStream(PlayState::Paused, false);
}

void TMediaPlayer::LoseStream() {
  abortPending(MCI_NOTIFY_ABORTED);
  if (state_ != PlayState::Stopped) state_ = PlayState::Stopped;
  fromStart_ = true;
}

// Starts or resumes the music for a Play or a resuming Pause, asking for a notice when Notify
// is on. A play that was waiting for a notice and is replaced by one that asks too is
// superseded.
bool TMediaPlayer::startOrResume() {
  if (Notify) {
    abortPending(MCI_NOTIFY_SUPERSEDED);
    pendingPlay_ = ++nextPlay_;
    if (pendingPlay_ == 0) pendingPlay_ = ++nextPlay_;
  }
  uint64_t ticket = pendingPlay_ ? ticketOf(id_, pendingPlay_) : 0;
  bool ok;
  if (fromStart_ || stream().owner != this) {
    ok = streamStart(this, music_, midi_, ticket);
  } else {
    ok = streamResume(ticket);
  }
  if (!ok) {
    pendingPlay_ = 0;
    error_ = MCIERR_HARDWARE;
    state_ = PlayState::Stopped;
    return false;
  }
  fromStart_ = false;
  atEnd_ = false;
  state_ = PlayState::Playing;
  return true;
}

// Lets go of an open piece: its waiting notice is reported as how, the stream stops, the
// music is freed.
void TMediaPlayer::closeOpenPiece(uintptr_t how) {
  if (!open_) return;
  abortPending(how);
  if (stream().owner == this) streamHalt();
  if (music_) output().FreeMusic(music_);
  music_ = nullptr;
  open_ = false;
}

void TMediaPlayer::Open() {
  closeOpenPiece(MCI_NOTIFY_SUPERSEDED);
  state_ = PlayState::Stopped;
  fromStart_ = true;
  atEnd_ = false;
  error_ = 0;
  AudioOutput& out = output();
  out.Open();  // the first piece opens the device
  if (FileName.empty() || !FileExists(FileName.c_str())) {
    error_ = MCIERR_FILE_NOT_FOUND;
  } else {
    if (!out.LoadMusic(ResolvePath(FileName.c_str()), isMidiName(FileName), &music_, &midi_))
      error_ = MCIERR_INVALID_FILE;
    if (error_ == 0) {
      open_ = true;
      std::string lower = FileName;
      for (char& c : lower) c = char(tolower(static_cast<unsigned char>(c)));
      bool wav = lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".wav") == 0;
      openedType_ = midi_ ? dtSequencer : wav ? dtWaveAudio : dtOther;
    }
  }
  endCommand();
  record("Open", error_);
}

void TMediaPlayer::Close() {
  closeOpenPiece(MCI_NOTIFY_ABORTED);
  state_ = PlayState::Stopped;
  fromStart_ = true;
  openedType_ = dtAutoSelect;
  error_ = 0;
  endCommand();
  record("Close", error_);
}

void TMediaPlayer::Play() {
  bool notify = Notify;
  if (!open_) {
    error_ = MCIERR_INVALID_DEVICE_ID;
  } else {
    error_ = 0;
    syncEnded(true);
    if (state_ == PlayState::Playing) {
      // Already playing: only a new request for a notice changes anything.
      if (Notify) {
        abortPending(MCI_NOTIFY_SUPERSEDED);
        pendingPlay_ = ++nextPlay_;
        if (pendingPlay_ == 0) pendingPlay_ = ++nextPlay_;
        notifyForm.store(Owner);
        notifyTicket.store(ticketOf(id_, pendingPlay_));
      }
    } else if (state_ == PlayState::Stopped && atEnd_ && !AutoRewind) {
      // Standing at the end without auto-rewind: there is nothing left to play.
    } else {
      startOrResume();
    }
    if (Wait && error_ == 0 && music_) {
      if (streamActive(this)) output().WaitMusic();
      syncEnded(true);
    }
  }
  endCommand();
  record("Play", error_, notify ? 1 : 0);
}

// The frame of the commands on an open device: a closed one refuses with "not open"; every
// command ends by switching Notify and Wait off and is shown to the output.
template <typename Body>
void TMediaPlayer::command(const char* name, Body body) {
  if (!open_) {
    error_ = MCIERR_INVALID_DEVICE_ID;
  } else {
    error_ = 0;
    body();
  }
  endCommand();
  record(name, error_);
}

// Pauses playing music. A piece that ended by itself with its notice still on the way waits
// paused at its start instead.
void TMediaPlayer::pausePlaying() {
  if (endedWithNoticeWaiting()) {
    pauseAtNextRound();
    return;
  }
  syncEnded(true);
  abortPending(MCI_NOTIFY_ABORTED);
  if (state_ == PlayState::Playing) {
    if (stream().owner == this) streamPause();
    state_ = PlayState::Paused;
  }
}

void TMediaPlayer::Stop() {
  command("Stop", [this] {
    syncEnded(true);
    // Also after an end whose notice is still on its way: a stopped piece must not restart.
    abortPending(MCI_NOTIFY_ABORTED);
    if (state_ != PlayState::Stopped) {
      if (stream().owner == this && state_ == PlayState::Playing) streamPause();
      state_ = PlayState::Stopped;
    }
  });
}

// The pause toggle: resumes paused music, pauses playing music.
void TMediaPlayer::Pause() {
  command("Pause", [this] {
    syncEnded(false);
    if (state_ == PlayState::Paused)
      startOrResume();
    else
      pausePlaying();
  });
}

void TMediaPlayer::PauseOnly() {
  command("PauseOnly", [this] { pausePlaying(); });
}

void TMediaPlayer::Rewind() {
  command("Rewind", [this] {
    syncEnded(true);
    if (state_ == PlayState::Playing) {
      // Jump back and keep playing; a play waiting for its notice keeps waiting.
      uint64_t ticket = pendingPlay_ ? ticketOf(id_, pendingPlay_) : 0;
      if (!streamStart(this, music_, midi_, ticket)) {
        pendingPlay_ = 0;
        state_ = PlayState::Stopped;
        error_ = MCIERR_HARDWARE;
      }
      fromStart_ = false;
    } else {
      if (stream().owner == this) streamHalt();
      fromStart_ = true;
    }
    atEnd_ = false;
  });
}

TMPModes TMediaPlayer::Mode() {
  if (!open_) return mpNotReady;
  syncEnded(false);
  switch (state_) {
    case PlayState::Playing: return mpPlaying;
    case PlayState::Paused: return mpPaused;
    case PlayState::Stopped: break;
  }
  return mpStopped;
}

std::string TMediaPlayer::ErrorMessage() const {
  switch (error_) {
    case 0: return "The specified command was carried out.";
    case MCIERR_INVALID_DEVICE_ID: return "The device is not open.";
    case MCIERR_HARDWARE: return "The sound device could not play the music.";
    case MCIERR_FILE_NOT_FOUND: return "The specified file cannot be found.";
    case MCIERR_INVALID_FILE: return "The file cannot be played: its format is not recognised.";
    case MCIERR_UNSUPPORTED_FUNCTION: return "The device does not support this command.";
  }
  return "Unknown media player error.";
}

bool TMediaPlayer::HandleNotify(const TMessage& msg) {
  if (msg.Msg != MM_MCINOTIFY) return false;
  uint64_t ticket = static_cast<uint64_t>(msg.LParam);
  if (uint32_t(ticket >> 32) != id_) return false;
  uint32_t serial = uint32_t(ticket & 0xFFFFFFFFu);
  switch (msg.WParam) {
    case MCI_NOTIFY_SUCCESSFUL:
      // A natural end counts only while that play is still the one waiting: Stop, Pause or a
      // new Open after the end but before this message already reported it otherwise.
      if (serial == 0 || serial != pendingPlay_) return false;
      pendingPlay_ = 0;
      if (open_ && state_ == PlayState::Playing) leaveStream(PlayState::Stopped, true);
      notifyValue_ = nvSuccessful;
      return true;
    case MCI_NOTIFY_SUPERSEDED: notifyValue_ = nvSuperseded; return true;
    case MCI_NOTIFY_ABORTED: notifyValue_ = nvAborted; return true;
    case MCI_NOTIFY_FAILURE: notifyValue_ = nvFailure; return true;
  }
  return false;
}
