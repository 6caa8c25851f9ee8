// Inputs told apart by their names' extensions, for the commands that take
// playlists and folders and for the one that takes a single stream.
#pragma once

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>

namespace kivo {

// The extension with its dot, in lower case: names are matched in any case.
inline std::string LowerCaseExtension(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

// True for a name ending in .m3u or .m3u8.
inline bool IsPlayListFile(const std::string& path) {
  const std::string extension = LowerCaseExtension(path);
  return extension == ".m3u" || extension == ".m3u8";
}

}  // namespace kivo
