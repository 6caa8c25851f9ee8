#include "player/ProgramFiles.h"

#include <unistd.h>

#include <stdexcept>
#include <system_error>

namespace kivo {

namespace fs = std::filesystem;

TProgramFiles ProgramFilesOf(const fs::path& executable) {
  const fs::path folder = executable.parent_path();
  if (folder.filename() == "bin") {
    const fs::path prefix = folder.parent_path();
    return {prefix / "lib" / "kolmira", prefix / "share" / "kolmira" / "skins"};
  }
  return {folder, folder.parent_path() / "share" / "skins"};
}

TProgramFiles OwnProgramFiles() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error) throw std::runtime_error("cannot find the player's own program: " + error.message());
  return ProgramFilesOf(self);
}

void RequireDefaultPlugin(const TProgramFiles& files) {
  const std::string advice = ": kivo is not installed whole (install it again, or name a "
                             "plug-in with --plugin)";
  std::error_code error;
  if (!fs::is_directory(files.PluginFolder, error))
    throw std::runtime_error("the plug-in folder " + files.PluginFolder.string() +
                             " is missing" + advice);
  if (::access(files.PluginFolder.c_str(), R_OK | X_OK) != 0)
    throw std::runtime_error("the plug-in folder " + files.PluginFolder.string() +
                             " cannot be read" + advice);
  if (!fs::exists(files.Plugin(), error))
    throw std::runtime_error("the plug-in " + files.Plugin().string() + " is missing" + advice);
  if (::access(files.Plugin().c_str(), R_OK) != 0)
    throw std::runtime_error("the plug-in " + files.Plugin().string() + " cannot be read" +
                             advice);
}

}  // namespace kivo
