// Where the player's own files lie, found from where its program lies, so
// that an installation works wherever it was unpacked and the build tree
// works as it is:
//   installed:  <prefix>/bin/kivo, <prefix>/lib/kolmira/kolmira.so,
//               <prefix>/share/kolmira/skins
//   build tree: <build>/player/kivo, <build>/player/kolmira.so,
//               <build>/share/skins
#pragma once

#include <filesystem>

namespace kivo {

struct TProgramFiles {
  std::filesystem::path PluginFolder;
  std::filesystem::path SkinsFolder;

  std::filesystem::path Plugin() const { return PluginFolder / "kolmira.so"; }
  std::filesystem::path DefaultDesign() const { return SkinsFolder / "bars" / "design.ini"; }
};

// The layout is told by the program's folder: "bin" is an installation.
TProgramFiles ProgramFilesOf(const std::filesystem::path& executable);
// The files of the running player.
TProgramFiles OwnProgramFiles();

// Raises std::runtime_error, saying what is missing, when the plug-in the
// player would load by default is not there to be read: an installation
// whose plug-in folder was removed or made unreadable ends at once instead
// of playing an empty window.
void RequireDefaultPlugin(const TProgramFiles& files);

}  // namespace kivo
