// What a desktop media-player client sees of the player: the state as the
// values of the media-player interfaces, and the conversions back. Pure
// functions of the player's state, without the bus.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "player/PlayerState.h"

namespace kivo {

// The current track as the metadata record describes it; empty texts and
// a length of 0 are left out of the record.
struct TMprisTrack {
  std::string TrackId;
  std::int64_t LengthUs = 0;
  std::string Title;
  std::string Url;
  std::string Artist;
  std::string Album;

  bool operator==(const TMprisTrack&) const = default;
};

struct TMprisStatus {
  std::string PlaybackStatus;
  std::string LoopStatus;
  bool Shuffle = false;
  TMprisTrack Metadata;
  double Volume = 0;
  bool CanGoNext = false;
  bool CanGoPrevious = false;
  bool CanPlay = false;
  bool CanPause = false;
  bool CanSeek = false;
  // Not signalled as a change: clients follow it from the play status.
  std::int64_t PositionUs = 0;
  // Changes with every jump of the position.
  std::uint32_t SeekCount = 0;
};

inline constexpr const char* kNoTrackId = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

TMprisStatus MprisStatusOf(const TPlayerState& state);

// The properties of the player interface whose values differ, in the
// interface's order; the position is never among them.
std::vector<std::string> ChangedProperties(const TMprisStatus& before, const TMprisStatus& after);

// The track's object path in the metadata: one per place in the playlist.
std::string TrackIdOf(std::int32_t track);

// A file's path as a file URI and back; FilePathOfUri gives an empty
// string for anything but a local file URI with an absolute path.
std::string FileUriOf(const std::string& path);
std::string FilePathOfUri(const std::string& uri);

// The player's volume (0..100) for a client's (0..1, beyond clamped).
std::int32_t PlayerVolumeOf(double volume);
// The player's repeat for a loop status; raises std::invalid_argument for
// a name that is none. The player repeats the whole playlist, so "Track"
// is taken as "Playlist".
bool RepeatOfLoopStatus(const std::string& loopStatus);

}  // namespace kivo
