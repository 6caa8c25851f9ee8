#include "player/terminal/StatusLine.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <utility>

#include "player/terminal/TextWidth.h"

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

constexpr std::int32_t kAnyWidth = std::numeric_limits<std::int32_t>::max();

bool Fits(const std::string& text, std::int32_t columns) {
  return ClipToColumns(text, columns).size() == ClipToColumns(text, kAnyWidth).size();
}

// Lines of at most `columns` columns, broken after a space where the line
// has one.
std::vector<std::string> Wrapped(const std::string& text, std::int32_t columns,
                                 std::int32_t mostRows) {
  std::vector<std::string> lines;
  std::string rest = ClipToColumns(text, kAnyWidth);
  while (!rest.empty() && static_cast<std::int32_t>(lines.size()) < mostRows) {
    std::string line = ClipToColumns(rest, columns);
    if (line.empty()) break;  // a character wider than the terminal
    std::size_t used = line.size();
    if (used < rest.size() && rest[used] == ' ') {
      ++used;
    } else if (used < rest.size()) {
      const std::size_t space = line.rfind(' ');
      if (space != std::string::npos && space > 0) {
        line.resize(space);
        used = space + 1;
      }
    }
    lines.push_back(std::move(line));
    rest.erase(0, used);
  }
  return lines;
}

}  // namespace

std::string FormatStatus(const PlayerStatus& status) {
  std::string text = status.Track.empty() ? std::string("(no track)") : status.Track;
  text += "  " + FormatClock(std::max<std::int64_t>(status.PositionSeconds, 0));
  if (status.DurationSeconds >= 0) text += " / " + FormatClock(status.DurationSeconds);
  text += "  vol " + std::to_string(status.VolumePercent) + '%';
  text += "  mode " + std::to_string(status.DisplayMode);
  text += "  pattern " + std::to_string(status.BandPattern);
  if (status.SoundOff) text += "  sound off";
  if (status.Paused) text += "  paused";
  if (status.Stopped) text += "  stopped";
  if (status.StayOnTop) text += "  on top";
  if (!status.Notice.empty()) text += "  " + status.Notice;
  return text;
}

StatusRows LayOutStatus(const PlayerStatus& status, std::int32_t columns,
                        std::int32_t mostNoticeRows) {
  std::string line = FormatStatus(status);
  if (status.Notice.empty() || mostNoticeRows <= 0 || Fits(line, columns)) return {{}, line};
  PlayerStatus rest = status;
  rest.Notice.clear();
  return {Wrapped(status.Notice, columns, mostNoticeRows), FormatStatus(rest)};
}

}  // namespace kivo
