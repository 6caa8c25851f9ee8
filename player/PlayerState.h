// Everything a person could see or change in the player: window, transport,
// playlist, levels, switches, display and look. The automation object reads
// and writes it; the playback loop and the settings file fill it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hostlink/Kivo_tlb.h"

namespace kivo {

// Play status codes, the media control interface's mode values.
inline constexpr std::int32_t kStatusNotReady = 524;
inline constexpr std::int32_t kStatusStopped = 525;
inline constexpr std::int32_t kStatusPlaying = 526;
inline constexpr std::int32_t kStatusPaused = 529;

// What the status line shows before the time: the items the status codes
// 8 to 12 announce.
enum class TStatusItem { TrackNumber, Title, Device, Timer, Caption };

struct TTrack {
  std::string Path;
  std::string Title;
  std::string Artist;
  std::string Album;
  std::string Comment;
  std::int32_t LengthMs = 0;
  // The numbers after the length that a client last wrote (track number,
  // third number, kind, drive and audio-CD track, seventh and eighth), read
  // back as they were; until then the player gives its own.
  std::optional<std::array<std::int32_t, 6>> WrittenNumbers;
};

// One timed line of a lyrics file.
struct TLyricsLine {
  std::int32_t TimeMs = 0;
  std::string Text;
};

struct TPlayerState {
  // Window.
  std::int32_t Left = 100;
  std::int32_t Top = 100;
  std::int32_t Width = 1;
  std::int32_t Height = 1;
  bool Visible = true;
  // The window manager keeps the window above the others (the terminal
  // only remembers it). Changed through ToggleStayOnTop (live/ViewStates.h),
  // which tells the clients.
  bool StayOnTop = false;

  // Transport; the track is 1-based, 0 when the playlist is empty.
  std::int32_t PlayStatus = kStatusStopped;
  std::vector<TTrack> PlayList;
  std::string PlayListName;  // the file it was loaded from or saved to
  std::string PlayListTitle;
  bool PlayListEdited = false;
  bool PlayListVisible = false;
  std::int32_t SelectedTrack = 0;
  std::int32_t RepeatFrom = 0;
  std::int32_t RepeatTo = 0;
  std::int32_t Track = 0;
  std::int32_t PositionMs = 0;
  std::int32_t Counter = 0;
  bool FastForward = false;
  bool Rewinding = false;

  // Levels in percent.
  std::int32_t Volume = 100;
  std::int32_t RecLevel = 100;
  std::int32_t Rate = 100;
  std::int32_t AdjustVolLevel = 100;
  std::int32_t AdjustSpeanaLevel = 100;

  // Switches and timers (times in minutes after midnight).
  bool Repeat = false;
  bool Random = false;
  bool RemainTime = false;
  bool OnTimer = false;
  std::int32_t OnTime = 0;
  bool OffTimer = false;
  std::int32_t OffTime = 0;
  bool ShutDownRecord = false;

  // Display and look.
  // What the status line shows first.
  TStatusItem StatusItem = TStatusItem::Title;
  Kivo_tlb::TKIVODisplayMode DisplayMode = Kivo_tlb::dmTrackInfo;
  std::string Design;
  std::string Skin;
  std::int32_t SpeanaPattern = 2;
  std::vector<TLyricsLine> Lyrics;
  std::string LyricsName;
  bool LyricsVisible = true;
  std::int32_t LyricsAdjustMs = 0;

  // The player's own analysis of what it plays, 0 to 15 per band.
  std::array<std::int32_t, 10> Spectrum{};
  std::array<std::int32_t, 2> OutputLevels{};

  // A position written from outside that playback has still to seek to.
  bool SeekPending = false;
  // Counts the jumps of the position, so that one who follows the position
  // can tell a jump from play.
  std::uint32_t SeekCount = 0;
  // Set by the close and shut-down commands; the player ends its loop.
  bool QuitRequested = false;
  // The clients heard the close notification already (a client closed the
  // player): the end of the session does not tell them again.
  bool CloseAnnounced = false;

  const TTrack* CurrentTrack() const {
    if (Track < 1 || Track > static_cast<std::int32_t>(PlayList.size())) return nullptr;
    return &PlayList[static_cast<std::size_t>(Track - 1)];
  }
  std::int32_t LengthMs() const {
    const TTrack* track = CurrentTrack();
    return track != nullptr ? track->LengthMs : 0;
  }
};

}  // namespace kivo
