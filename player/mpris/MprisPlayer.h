// The media-player interfaces' methods and writable properties as the
// player's own automation operations, so that a desktop client changes the
// player exactly as the keys and the automation clients do, with the same
// notifications to the attached clients. Knows nothing of the bus.
#pragma once

#include <cstdint>
#include <string>

#include "hostlink/Kivo_tlb.h"
#include "platform/com/ComPtr.h"
#include "player/PlayerState.h"
#include "player/mpris/MprisStatus.h"

namespace kivo {

class TMprisPlayer {
 public:
  // The control and the state must outlive the object.
  TMprisPlayer(Kivo_tlb::IKIVOControl& control, const TPlayerState& state);

  TMprisStatus Status() const { return MprisStatusOf(FState); }

  void Quit();
  void Play();
  void Pause();
  void PlayPause();
  void Stop();
  void Next();
  void Previous();
  // By `offsetUs` from the current position, within the track.
  void Seek(std::int64_t offsetUs);
  // Ignored unless `trackId` is the current track's and the position lies
  // within it.
  void SetPosition(const std::string& trackId, std::int64_t positionUs);
  // Adds a local file to the playlist and plays it; raises
  // std::invalid_argument for another scheme, a missing file or one that
  // cannot be played, which leaves the playlist as it was.
  void OpenUri(const std::string& uri);

  void SetVolume(double volume);
  // Raises std::invalid_argument for a name that is no loop status.
  void SetLoopStatus(const std::string& loopStatus);
  void SetShuffle(bool shuffle);

 private:
  Kivo_tlb::IKIVOControl& FControl;
  TComPtr<Kivo_tlb::IKIVOPlayList> FPlayList;
  const TPlayerState& FState;
};

}  // namespace kivo
