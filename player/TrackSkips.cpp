#include "player/TrackSkips.h"

namespace kivo {

TTrackSkips::TTrackSkips(const TPlayerState& state, Kivo_tlb::IKIVOControl& control)
    : FState(state), FControl(control) {}

void TTrackSkips::Opened() {
  FFailedInARow = 0;
  FAnyOpened = true;
}

TSkipOutcome TTrackSkips::Skip(const std::string& reason) {
  FMessage = "track " + std::to_string(FState.Track) + " skipped: " + reason;
  ++FFailedInARow;
  const bool everyTrackFailed = FFailedInARow >= FState.PlayList.size();
  if (!everyTrackFailed && FControl.Next() == S_OK) return TSkipOutcome::NextTrack;
  if (FAnyOpened && !everyTrackFailed) return TSkipOutcome::EndOfList;
  // Played again later, the playlist gets every track tried once more.
  FFailedInARow = 0;
  FMessage = "no track of the playlist can be played; " + FMessage;
  return TSkipOutcome::NothingPlayable;
}

}  // namespace kivo
