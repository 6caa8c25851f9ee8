#include "player/mpris/MprisStatus.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string_view>

namespace kivo {

namespace {

template <auto Member>
bool Differs(const TMprisStatus& a, const TMprisStatus& b) {
  return a.*Member != b.*Member;
}

struct TSignalledProperty {
  const char* Name;
  bool (*Changed)(const TMprisStatus&, const TMprisStatus&);
};

constexpr TSignalledProperty kSignalled[] = {
    {"PlaybackStatus", &Differs<&TMprisStatus::PlaybackStatus>},
    {"LoopStatus", &Differs<&TMprisStatus::LoopStatus>},
    {"Shuffle", &Differs<&TMprisStatus::Shuffle>},
    {"Metadata", &Differs<&TMprisStatus::Metadata>},
    {"Volume", &Differs<&TMprisStatus::Volume>},
    {"CanGoNext", &Differs<&TMprisStatus::CanGoNext>},
    {"CanGoPrevious", &Differs<&TMprisStatus::CanGoPrevious>},
    {"CanPlay", &Differs<&TMprisStatus::CanPlay>},
    {"CanPause", &Differs<&TMprisStatus::CanPause>},
    {"CanSeek", &Differs<&TMprisStatus::CanSeek>},
};

const char* PlaybackStatusOf(std::int32_t playStatus) {
  if (playStatus == kStatusPlaying) return "Playing";
  if (playStatus == kStatusPaused) return "Paused";
  return "Stopped";
}

// The length of the UTF-8 sequence at the start of `text`, or 0 when it
// is broken (overlong forms, surrogates and values beyond U+10FFFF too).
std::size_t SequenceLength(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  char32_t value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[i]);
    if ((next & 0xC0) != 0x80) return 0;
    value = (value << 6) | (next & 0x3F);
  }
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
    return 0;
  return length;
}

// The bus carries UTF-8 only; tags and file names may be in any encoding.
std::string ValidUtf8(std::string_view text) {
  std::string valid;
  while (!text.empty()) {
    const std::size_t length = SequenceLength(text);
    if (length == 0) {
      valid += "\xEF\xBF\xBD";
      text.remove_prefix(1);
    } else {
      valid.append(text.substr(0, length));
      text.remove_prefix(length);
    }
  }
  return valid;
}

// Standard input and the built-in demo are no files.
bool IsFile(const TTrack& track) { return !track.Path.empty() && track.Path != "-"; }

TMprisTrack TrackRecordOf(const TPlayerState& state) {
  const TTrack* track = state.CurrentTrack();
  TMprisTrack record;
  record.TrackId = kNoTrackId;
  if (track == nullptr) return record;
  record.TrackId = TrackIdOf(state.Track);
  record.LengthUs = std::int64_t{track->LengthMs} * 1000;
  record.Title = ValidUtf8(track->Title);
  if (IsFile(*track)) record.Url = FileUriOf(track->Path);
  record.Artist = ValidUtf8(track->Artist);
  record.Album = ValidUtf8(track->Album);
  return record;
}

bool Unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~' || c == '/';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

TMprisStatus MprisStatusOf(const TPlayerState& state) {
  const auto tracks = static_cast<std::int32_t>(state.PlayList.size());
  const TTrack* track = state.CurrentTrack();
  TMprisStatus status;
  status.PlaybackStatus = PlaybackStatusOf(state.PlayStatus);
  status.LoopStatus = state.Repeat ? "Playlist" : "None";
  status.Shuffle = state.Random;
  status.Metadata = TrackRecordOf(state);
  status.Volume = std::clamp(state.Volume, 0, 100) / 100.0;
  status.CanGoNext = tracks > 0 && (state.Track < tracks || state.Repeat);
  status.CanGoPrevious = tracks > 0 && (state.Track > 1 || state.Repeat);
  status.CanPlay = tracks > 0;
  status.CanPause = track != nullptr;
  status.CanSeek = track != nullptr && track->LengthMs > 0 && track->Path != "-";
  status.PositionUs = std::int64_t{state.PositionMs} * 1000;
  status.SeekCount = state.SeekCount;
  return status;
}

std::vector<std::string> ChangedProperties(const TMprisStatus& before, const TMprisStatus& after) {
  std::vector<std::string> changed;
  for (const TSignalledProperty& property : kSignalled)
    if (property.Changed(before, after)) changed.emplace_back(property.Name);
  return changed;
}

std::string TrackIdOf(std::int32_t track) {
  return track > 0 ? "/org/kivo/Track/" + std::to_string(track) : kNoTrackId;
}

std::string FileUriOf(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (Unreserved(byte)) {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 15];
    }
  }
  return uri;
}

std::string FilePathOfUri(const std::string& uri) {
  std::string rest;
  for (const std::string prefix : {"file://localhost/", "file:///"}) {
    if (uri.rfind(prefix, 0) == 0) {
      rest = uri.substr(prefix.size() - 1);
      break;
    }
  }
  std::string path;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] != '%') {
      path += rest[i];
      continue;
    }
    const int high = i + 2 < rest.size() ? HexValue(rest[i + 1]) : -1;
    const int low = high >= 0 ? HexValue(rest[i + 2]) : -1;
    if (low < 0) return {};
    const char decoded = static_cast<char>(high * 16 + low);
    if (decoded == '\0') return {};
    path += decoded;
    i += 2;
  }
  return path;
}

std::int32_t PlayerVolumeOf(double volume) {
  if (std::isnan(volume)) return 0;
  return static_cast<std::int32_t>(std::lround(std::clamp(volume, 0.0, 1.0) * 100.0));
}

bool RepeatOfLoopStatus(const std::string& loopStatus) {
  if (loopStatus == "None") return false;
  if (loopStatus == "Playlist" || loopStatus == "Track") return true;
  throw std::invalid_argument("no such loop status: " + loopStatus);
}

}  // namespace kivo
