#include "player/mpris/MprisPlayer.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <stdexcept>

#include "platform/com/Bstr.h"
#include "player/Playback.h"
#include "player/Tracks.h"

namespace kivo {

namespace {

LONG MillisecondsOf(std::int64_t microseconds) {
  return static_cast<LONG>(std::clamp<std::int64_t>(
      microseconds / 1000, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
}

constexpr LONG kSeekRelative = 1;

}  // namespace

TMprisPlayer::TMprisPlayer(Kivo_tlb::IKIVOControl& control, const TPlayerState& state)
    : FControl(control), FState(state) {
  TComPtr<Kivo_tlb::IKIVOControl>(&control).QueryInterface(Kivo_tlb::IID_IKIVOPlayList, FPlayList);
}

void TMprisPlayer::Quit() { FControl.Close(); }

void TMprisPlayer::Play() { FControl.Play(); }

void TMprisPlayer::Pause() {
  if (FState.PlayStatus == kStatusPlaying) FControl.Pause();
}

// As the space key: the player's pause resumes a paused player.
void TMprisPlayer::PlayPause() {
  if (FState.PlayStatus == kStatusPlaying || FState.PlayStatus == kStatusPaused)
    FControl.Pause();
  else
    FControl.Play();
}

void TMprisPlayer::Stop() { FControl.Stop(); }

void TMprisPlayer::Next() { FControl.Next(); }

void TMprisPlayer::Previous() { FControl.Back(); }

// A seek beyond the end is held there, and the track ends as when played.
void TMprisPlayer::Seek(std::int64_t offsetUs) {
  if (!Status().CanSeek) return;
  FControl.Seek(MillisecondsOf(offsetUs), kSeekRelative);
}

void TMprisPlayer::SetPosition(const std::string& trackId, std::int64_t positionUs) {
  const TMprisStatus status = Status();
  if (!status.CanSeek || trackId != status.Metadata.TrackId) return;
  if (positionUs < 0 || positionUs > status.Metadata.LengthUs) return;
  FControl.set_Position(MillisecondsOf(positionUs));
}

void TMprisPlayer::OpenUri(const std::string& uri) {
  const std::string path = FilePathOfUri(uri);
  if (path.empty()) throw std::invalid_argument("only local files can be opened: " + uri);
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error))
    throw std::invalid_argument("no such audio file: " + path);
  // Refused here, a file that is no audio leaves the current track playing.
  try {
    OpenTrackAudio(MakeTrack(path));
  } catch (const InputError& unreadable) {
    throw std::invalid_argument(unreadable.what());
  }
  if (!FPlayList || FAILED(FPlayList->Add(StringToBstr(path).Get())))
    throw std::invalid_argument("the player cannot add " + path);
  FControl.set_Track(static_cast<LONG>(FState.PlayList.size()));
  FControl.Play();
}

void TMprisPlayer::SetVolume(double volume) { FControl.set_Volume(PlayerVolumeOf(volume)); }

void TMprisPlayer::SetLoopStatus(const std::string& loopStatus) {
  FControl.set_Repeat(RepeatOfLoopStatus(loopStatus) ? VARIANT_TRUE : VARIANT_FALSE);
}

void TMprisPlayer::SetShuffle(bool shuffle) {
  FControl.set_Random(shuffle ? VARIANT_TRUE : VARIANT_FALSE);
}

}  // namespace kivo
