// The playlist's tracks through a sound output, kept in step with the
// player's state: the current track opened at its position (again after a
// seek or a change of track), paused and resumed with the play status, the
// volume applied as gains, the next track taken when one ends, one that
// cannot be opened or read skipped, and the block being heard handed to the
// session.
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>

#include "player/Session.h"
#include "player/TrackSkips.h"
#include "player/live/LiveAudio.h"

namespace kivo {

class TTrackPlayback {
 public:
  // `notices` hears, once, what the first sound output had to say (that it
  // plays silently, say); null: nobody does. `sound` false asks for no
  // device at all.
  TTrackPlayback(TPlayerSession& session, bool sound, std::ostream* notices);

  // False when the playlist has ended: playing without a current track, or
  // a track that finished (or was skipped) with none after it. When no
  // track of the playlist can be played, the player stops.
  bool Follow();

  // The latest block heard, while playing, to the plug-in and the clients.
  void FeedHeardBlock();

  // Which track was skipped and why, for a few seconds after; that no
  // track can be played, for as long as the player stays stopped for it.
  std::string Notice() const;

 private:
  using Clock = std::chrono::steady_clock;

  void OpenTrack();
  // Opens the selected track, or skips to one that opens; false when the
  // playlist ended on the way.
  bool OpenPlayableTrack();
  bool PassOver(const std::string& reason);
  // A track selected while another played has nothing after it that
  // plays: the one playing goes on where it is.
  bool KeepOpenTrack();

  TPlayerSession& FSession;
  bool FSound;
  std::ostream* FNotices;
  std::unique_ptr<TLiveAudio> FAudio;
  int FSampleRate = 0;
  std::int32_t FOpenTrack = 0;
  TTrackSkips FSkips;
  Clock::time_point FSkippedAt;
  bool FNothingPlayable = false;
};

}  // namespace kivo
