// The playlist's tracks through a sound output, kept in step with the
// player's state: the current track opened at its position (again after a
// seek or a change of track), paused and resumed with the play status, the
// volume applied as gains, the next track taken when one ends, and the
// block being heard handed to the session.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>

#include "player/Session.h"
#include "player/live/LiveAudio.h"

namespace kivo {

class TTrackPlayback {
 public:
  // `notices` hears, once, what the first sound output had to say (that it
  // plays silently, say); null: nobody does. `sound` false asks for no
  // device at all.
  TTrackPlayback(TPlayerSession& session, bool sound, std::ostream* notices);

  // False when the playlist has ended: playing without a current track, or
  // a track that finished with none after it.
  bool Follow();

  // The latest block heard, while playing, to the plug-in and the clients.
  void FeedHeardBlock();

 private:
  void OpenTrack();

  TPlayerSession& FSession;
  bool FSound;
  std::ostream* FNotices;
  std::unique_ptr<TLiveAudio> FAudio;
  int FSampleRate = 0;
  std::int32_t FOpenTrack = 0;
};

}  // namespace kivo
