#include "player/Tracks.h"

#include <sndfile.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "player/input/FrameSource.h"

namespace kivo {

namespace {

std::string Tag(SNDFILE* file, int kind) {
  const char* text = sf_get_string(file, kind);
  return text != nullptr ? text : "";
}

// "mm:ss", "mm:ss.x", "mm:ss.xx" or "mm:ss.xxx" in milliseconds; -1 when
// the tag is not a time.
std::int32_t ParseTimeTag(const std::string& tag) {
  const std::size_t colon = tag.find(':');
  if (colon == std::string::npos || colon == 0) return -1;
  const std::string minutes = tag.substr(0, colon);
  const std::string rest = tag.substr(colon + 1);
  const std::size_t dot = rest.find('.');
  const std::string seconds = rest.substr(0, dot);
  const std::string fraction = dot == std::string::npos ? "" : rest.substr(dot + 1);
  auto digits = [](const std::string& text) {
    return !text.empty() && text.size() <= 6 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (!digits(minutes) || !digits(seconds) || seconds.size() > 2) return -1;
  if (dot != std::string::npos && (!digits(fraction) || fraction.size() > 3)) return -1;
  std::int32_t ms = 0;
  if (!fraction.empty()) ms = std::stoi((fraction + "00").substr(0, 3));
  return std::stoi(minutes) * 60000 + std::stoi(seconds) * 1000 + ms;
}

}  // namespace

TTrack MakeTrack(const std::string& path) {
  TTrack track;
  track.Path = std::filesystem::absolute(path).lexically_normal().string();
  track.Title = std::filesystem::path(path).stem().string();
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) return track;
  if (const std::string title = Tag(file, SF_STR_TITLE); !title.empty()) track.Title = title;
  track.Artist = Tag(file, SF_STR_ARTIST);
  track.Album = Tag(file, SF_STR_ALBUM);
  track.Comment = Tag(file, SF_STR_COMMENT);
  if (info.samplerate > 0)
    track.LengthMs = static_cast<std::int32_t>(
        std::min<sf_count_t>(info.frames * 1000 / info.samplerate, INT32_MAX));
  sf_close(file);
  return track;
}

TTrack MakeStreamTrack(std::string path, std::string title, std::int32_t lengthMs) {
  TTrack track;
  track.Path = std::move(path);
  track.Title = std::move(title);
  track.LengthMs = lengthMs;
  return track;
}

std::vector<TLyricsLine> ParseLyrics(const std::string& text) {
  std::vector<TLyricsLine> lines;
  std::istringstream input(text);
  std::string line;
  while (std::getline(input, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::int32_t> times;
    std::size_t at = 0;
    while (at < line.size() && line[at] == '[') {
      const std::size_t close = line.find(']', at);
      if (close == std::string::npos) break;
      const std::int32_t time = ParseTimeTag(line.substr(at + 1, close - at - 1));
      if (time >= 0) times.push_back(time);
      at = close + 1;
    }
    for (std::int32_t time : times) lines.push_back({time, line.substr(at)});
  }
  std::stable_sort(lines.begin(), lines.end(),
                   [](const TLyricsLine& a, const TLyricsLine& b) { return a.TimeMs < b.TimeMs; });
  return lines;
}

std::vector<TLyricsLine> LoadLyricsBeside(const std::string& audioPath) {
  if (audioPath.empty()) return {};
  std::ifstream file(std::filesystem::path(audioPath).replace_extension(".lrc"), std::ios::binary);
  if (!file) return {};
  std::ostringstream text;
  text << file.rdbuf();
  return ParseLyrics(text.str());
}

std::int32_t LyricsLineAt(const std::vector<TLyricsLine>& lines, std::int32_t positionMs) {
  const auto after = std::upper_bound(
      lines.begin(), lines.end(), positionMs,
      [](std::int32_t position, const TLyricsLine& line) { return position < line.TimeMs; });
  return static_cast<std::int32_t>(after - lines.begin()) - 1;
}

std::vector<std::string> ReadPlayListFile(const std::string& path) {
  std::ifstream file(path);
  if (!file) throw InputError("cannot read the playlist " + path);
  const std::filesystem::path folder = std::filesystem::absolute(path).parent_path();
  std::vector<std::string> paths;
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == '#') continue;
    const std::filesystem::path entry(line);
    paths.push_back((entry.is_absolute() ? entry : folder / entry).lexically_normal().string());
  }
  return paths;
}

namespace {

bool IsAudioFileName(const std::filesystem::path& path) {
  static const std::set<std::string> kExtensions = {".aif",  ".aifc", ".aiff", ".au",  ".caf",
                                                    ".flac", ".mp3",  ".oga",  ".ogg", ".opus",
                                                    ".rf64", ".snd",  ".w64",  ".wav", ".wv"};
  return kExtensions.contains(LowerCaseExtension(path));
}

}  // namespace

std::vector<std::string> AudioFilesInFolder(const std::string& folder) {
  std::vector<std::string> paths;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.is_regular_file(error) && IsAudioFileName(entry.path()))
      paths.push_back(entry.path().lexically_normal().string());
  }
  if (error) throw InputError("cannot read the folder " + folder + ": " + error.message());
  std::sort(paths.begin(), paths.end());
  return paths;
}

std::vector<std::string> AudioPathsOfInput(const std::string& input) {
  std::error_code error;
  if (std::filesystem::is_directory(input, error)) return AudioFilesInFolder(input);
  if (IsPlayListFile(input)) return ReadPlayListFile(input);
  return {input};
}

void WritePlayListFile(const std::string& path, const std::vector<TTrack>& tracks) {
  std::ofstream file(path, std::ios::trunc);
  file << "#EXTM3U\n";
  for (const TTrack& track : tracks)
    file << "#EXTINF:" << track.LengthMs / 1000 << ',' << track.Title << '\n' << track.Path << '\n';
  file.flush();
  if (!file) throw InputError("cannot write the playlist " + path);
}

}  // namespace kivo
