#include "player/terminal/StatusLine.h"

#include <algorithm>
#include <cstdio>

namespace kivo {

namespace {

std::string FormatClock(std::int64_t seconds) {
  char text[32];
  if (seconds >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
  }
  return text;
}

}  // namespace

std::string FormatStatus(const PlayerStatus& status) {
  std::string text = status.Track.empty() ? std::string("(no track)") : status.Track;
  text += "  " + FormatClock(std::max<std::int64_t>(status.PositionSeconds, 0));
  if (status.DurationSeconds >= 0) text += " / " + FormatClock(status.DurationSeconds);
  text += "  vol " + std::to_string(status.VolumePercent) + '%';
  text += "  mode " + std::to_string(status.DisplayMode);
  text += "  pattern " + std::to_string(status.BandPattern);
  if (status.Paused) text += "  paused";
  if (!status.Notice.empty()) text += "  " + status.Notice;
  return text;
}

}  // namespace kivo
