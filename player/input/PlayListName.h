// Which inputs are playlists by their name, for the commands that take
// them and for the one that takes a single stream.
#pragma once

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>

namespace kivo {

// True for a name ending in .m3u or .m3u8, in any case.
inline bool IsPlayListFile(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".m3u" || extension == ".m3u8";
}

}  // namespace kivo
