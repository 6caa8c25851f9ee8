#include "player/FrameOutputs.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace kivo {

std::string FindOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return {};
  std::istringstream folders(path);
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (folder.empty()) continue;
    const std::filesystem::path candidate = std::filesystem::path(folder) / program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
  }
  return {};
}

std::string FramePngPath(const std::string& folder, std::size_t block) {
  char name[32];
  std::snprintf(name, sizeof name, "frame-%06zu.png", block);
  return (std::filesystem::path(folder) / name).string();
}

}  // namespace kivo
