// The player's home folder: its settings file, its registry files and the
// record of its program path that the plug-in's host link looks up.
//
// The host link derives the settings file from the program path by
// replacing the extension with ".ini". So that the settings file lies in
// the home folder whatever the executable is called, the home keeps a
// symbolic link "kivo" to the running executable, and that link's path is
// what the registry records: the settings file is then "<home>/kivo.ini".
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "player/PlayerState.h"

namespace kivo {

// The home folder: the option when given, else $KIVO_HOME, else
// $XDG_CONFIG_HOME/kivo, else ~/.config/kivo.
std::filesystem::path ResolveHomeFolder(const std::string& option);

class TKivoHome {
 public:
  static constexpr const char* kUserKey = "Software\\SOLVANE\\KIVO";

  explicit TKivoHome(std::filesystem::path folder);

  const std::filesystem::path& Folder() const { return FFolder; }
  std::filesystem::path ProgramLink() const { return FFolder / "kivo"; }
  std::filesystem::path SettingsFile() const { return FFolder / "kivo.ini"; }
  std::filesystem::path RegistryFolder() const { return FFolder / "registry"; }

  // Makes the folder, points the program link at `executable`, points this
  // process's registry at the home's registry folder and records the
  // program path there. On first run (no "Design" in the settings file)
  // the settings file is made to refer to `defaultDesign`. Raises
  // std::runtime_error with a message for the user on failure.
  void Prepare(const std::filesystem::path& executable, const std::string& defaultDesign) const;

  // Reads the "KIVO" section into the state; missing keys keep the state's
  // values. A relative "Design" is taken from the home folder.
  void LoadSettings(TPlayerState& state) const;
  // Writes the player's keys of the "KIVO" section from the state.
  void SaveSettings(const TPlayerState& state) const;
  // The key names of the "Tool" section.
  std::vector<std::string> ToolNames() const;
  // The same, or nothing when the settings file is there but cannot be
  // read (a missing one has no tools).
  std::optional<std::vector<std::string>> ReadableToolNames() const;

 private:
  void LinkProgram(const std::filesystem::path& executable) const;
  void RecordProgramPath() const;

  std::filesystem::path FFolder;
};

}  // namespace kivo
