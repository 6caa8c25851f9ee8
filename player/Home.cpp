#include "player/Home.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

#include "platform/vcl/IniFiles.h"
#include "platform/vcl/Registry.h"
#include "platform/vcl/StringList.h"
#include "platform/win/Messages.h"

namespace kivo {

namespace {

constexpr const char* kSection = "KIVO";

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

std::filesystem::path ResolveHomeFolder(const std::string& option) {
  if (!option.empty()) return std::filesystem::absolute(option);
  if (const std::string home = Environment("KIVO_HOME"); !home.empty())
    return std::filesystem::absolute(home);
  if (const std::string config = Environment("XDG_CONFIG_HOME"); !config.empty())
    return std::filesystem::path(config) / "kivo";
  return std::filesystem::path(Environment("HOME")) / ".config" / "kivo";
}

TKivoHome::TKivoHome(std::filesystem::path folder) : FFolder(std::move(folder)) {}

void TKivoHome::Prepare(const std::filesystem::path& executable,
                        const std::string& defaultDesign) const {
  std::error_code error;
  std::filesystem::create_directories(RegistryFolder(), error);
  if (error)
    throw std::runtime_error("cannot make the home folder " + FFolder.string() + ": " +
                             error.message());
  LinkProgram(executable);
  // Clients find the settings file beside the program they reach.
  PublishProgramPath(ProgramLink().string());
  setenv("KIVO_REGISTRY_DIR", RegistryFolder().c_str(), 1);
  RecordProgramPath();
  TIniFile settings(SettingsFile().string());
  if (!settings.ValueExists(kSection, "Design") && !defaultDesign.empty())
    settings.WriteString(kSection, "Design", defaultDesign);
}

void TKivoHome::LinkProgram(const std::filesystem::path& executable) const {
  const std::filesystem::path link = ProgramLink();
  std::error_code error;
  if (std::filesystem::is_symlink(std::filesystem::symlink_status(link, error)) &&
      std::filesystem::read_symlink(link, error) == executable)
    return;
  std::filesystem::remove(link, error);
  std::filesystem::create_symlink(executable, link, error);
  if (error)
    throw std::runtime_error("cannot link " + link.string() + " to the player: " + error.message());
}

void TKivoHome::RecordProgramPath() const {
  TRegistry registry;
  registry.SetRootKey(HKEY_CURRENT_USER);
  if (!registry.OpenKey(kUserKey, true))
    throw std::runtime_error("cannot record the player in the registry under " +
                             RegistryFolder().string());
  registry.WriteString("", ProgramLink().string());
  registry.CloseKey();
}

void TKivoHome::LoadSettings(TPlayerState& state) const {
  const TIniFile settings(SettingsFile().string());
  const std::string design = settings.ReadString(kSection, "Design", "");
  if (!design.empty()) {
    const std::filesystem::path path(design);
    state.Design = (path.is_absolute() ? path : FFolder / path).lexically_normal().string();
  }
  state.SpeanaPattern = settings.ReadInteger(kSection, "SpeanaPattern", state.SpeanaPattern);
  const std::int32_t mode = settings.ReadInteger(kSection, "DisplayMode", state.DisplayMode);
  if (mode >= Kivo_tlb::dmTrackInfo && mode <= Kivo_tlb::dmSpectrumFalling)
    state.DisplayMode = static_cast<Kivo_tlb::TKIVODisplayMode>(mode);
  state.Volume = settings.ReadInteger(kSection, "Volume", state.Volume);
  state.RecLevel = settings.ReadInteger(kSection, "RecLevel", state.RecLevel);
  state.Rate = settings.ReadInteger(kSection, "Rate", state.Rate);
  state.AdjustVolLevel = settings.ReadInteger(kSection, "AdjustVolLevel", state.AdjustVolLevel);
  state.AdjustSpeanaLevel =
      settings.ReadInteger(kSection, "AdjustSpeanaLevel", state.AdjustSpeanaLevel);
  state.Repeat = settings.ReadBool(kSection, "Repeat", state.Repeat);
  state.Random = settings.ReadBool(kSection, "Random", state.Random);
  state.RemainTime = settings.ReadBool(kSection, "RemainTime", state.RemainTime);
  state.Left = settings.ReadInteger(kSection, "Left", state.Left);
  state.Top = settings.ReadInteger(kSection, "Top", state.Top);
}

void TKivoHome::SaveSettings(const TPlayerState& state) const {
  TIniFile settings(SettingsFile().string());
  settings.WriteString(kSection, "Design", state.Design);
  settings.WriteInteger(kSection, "SpeanaPattern", state.SpeanaPattern);
  settings.WriteInteger(kSection, "DisplayMode", state.DisplayMode);
  settings.WriteInteger(kSection, "Volume", state.Volume);
  settings.WriteInteger(kSection, "RecLevel", state.RecLevel);
  settings.WriteInteger(kSection, "Rate", state.Rate);
  settings.WriteInteger(kSection, "AdjustVolLevel", state.AdjustVolLevel);
  settings.WriteInteger(kSection, "AdjustSpeanaLevel", state.AdjustSpeanaLevel);
  settings.WriteBool(kSection, "Repeat", state.Repeat);
  settings.WriteBool(kSection, "Random", state.Random);
  settings.WriteBool(kSection, "RemainTime", state.RemainTime);
  settings.WriteInteger(kSection, "Left", state.Left);
  settings.WriteInteger(kSection, "Top", state.Top);
}

std::vector<std::string> TKivoHome::ToolNames() const {
  const TIniFile settings(SettingsFile().string());
  TStringList names;
  settings.ReadSection("Tool", names);
  std::vector<std::string> result;
  for (std::int32_t i = 0; i < names.Count(); ++i) result.push_back(names.Strings(i));
  return result;
}

std::optional<std::vector<std::string>> TKivoHome::ReadableToolNames() const {
  const int fd = ::open(SettingsFile().c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return std::vector<std::string>();
    return std::nullopt;
  }
  char first = 0;
  const bool readable = ::read(fd, &first, 1) >= 0;
  ::close(fd);
  if (!readable) return std::nullopt;
  return ToolNames();
}

}  // namespace kivo
