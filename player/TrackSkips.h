// Tracks that cannot be opened or read are passed over as a person would
// skip them: the next one is selected, with the notifications of any track
// change, and only a playlist none of whose tracks plays stops the player.
#pragma once

#include <cstddef>
#include <string>

#include "hostlink/Kivo_tlb.h"
#include "player/PlayerState.h"

namespace kivo {

enum class TSkipOutcome {
  // Another track is selected: it is to be opened next.
  NextTrack,
  // Nothing follows the failed track, though others played before it: the
  // playlist ends as after its last track.
  EndOfList,
  // No track of the playlist could be played.
  NothingPlayable,
};

class TTrackSkips {
 public:
  // The state and the control must outlive the object.
  TTrackSkips(const TPlayerState& state, Kivo_tlb::IKIVOControl& control);

  // The current track opened: every track may be tried again.
  void Opened();
  // The current track cannot be played for `reason`: selects the next one
  // when there is one to try.
  TSkipOutcome Skip(const std::string& reason);
  // For the person: which track was skipped and why, or that none plays.
  const std::string& Message() const { return FMessage; }

 private:
  const TPlayerState& FState;
  Kivo_tlb::IKIVOControl& FControl;
  // Failures since a track last opened: once every track failed in a row,
  // a repeating playlist has nothing left to try either.
  std::size_t FFailedInARow = 0;
  bool FAnyOpened = false;
  std::string FMessage;
};

}  // namespace kivo
