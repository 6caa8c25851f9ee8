// The player's home: where it is, the program record the host link looks
// up, and the settings file the host link derives from that record.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/vcl/IniFiles.h"
#include "platform/vcl/Registry.h"
#include "platform/vcl/SysUtils.h"
#include "player/Home.h"

namespace {

using namespace kivo;
namespace fs = std::filesystem;

// Sets an environment variable for one test and puts back what was there.
class TScopedEnvironment {
 public:
  TScopedEnvironment(const char* name, const char* value) : FName(name) {
    if (const char* old = std::getenv(name)) FOld = old;
    if (value != nullptr)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~TScopedEnvironment() {
    if (FOld)
      setenv(FName, FOld->c_str(), 1);
    else
      unsetenv(FName);
  }

 private:
  const char* FName;
  std::optional<std::string> FOld;
};

class HomeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() / ("kivo-home-" + std::to_string(getpid()));
    fs::create_directories(FDir);
  }
  void TearDown() override { fs::remove_all(FDir); }

  fs::path FDir;
  TScopedEnvironment FRegistry{"KIVO_REGISTRY_DIR", nullptr};
};

TEST_F(HomeTest, TheOptionComesBeforeTheEnvironmentAndTheConfigurationFolder) {
  TScopedEnvironment home("KIVO_HOME", "/srv/kivo-home");
  TScopedEnvironment config("XDG_CONFIG_HOME", "/srv/config");
  EXPECT_EQ(ResolveHomeFolder("/opt/h"), fs::path("/opt/h"));
  EXPECT_EQ(ResolveHomeFolder(""), fs::path("/srv/kivo-home"));
  TScopedEnvironment noHome("KIVO_HOME", nullptr);
  EXPECT_EQ(ResolveHomeFolder(""), fs::path("/srv/config/kivo"));
  TScopedEnvironment noConfig("XDG_CONFIG_HOME", nullptr);
  TScopedEnvironment user("HOME", "/home/someone");
  EXPECT_EQ(ResolveHomeFolder(""), fs::path("/home/someone/.config/kivo"));
}

TEST_F(HomeTest, TheRecordedProgramPathGivesTheHomesSettingsFile) {
  const TKivoHome home(FDir / "home");
  home.Prepare("/usr/bin/true", "/skins/bars/design.ini");
  EXPECT_EQ(fs::read_symlink(home.ProgramLink()), fs::path("/usr/bin/true"));

  // What the plug-in's host link does to find the player and its settings.
  TRegistry registry;
  registry.SetRootKey(HKEY_CURRENT_USER);
  ASSERT_TRUE(registry.OpenKeyReadOnly(TKivoHome::kUserKey));
  const std::string hostPath = registry.ReadString("");
  EXPECT_EQ(ChangeFileExt(hostPath, ".ini"), home.SettingsFile().string());

  const TIniFile settings(home.SettingsFile().string());
  EXPECT_EQ(settings.ReadString("KIVO", "Design", ""), "/skins/bars/design.ini");
}

TEST_F(HomeTest, ALaterRunKeepsTheChosenDesignAndRelinksTheProgram) {
  const TKivoHome home(FDir / "home");
  home.Prepare("/usr/bin/true", "/skins/bars/design.ini");
  TIniFile(home.SettingsFile().string()).WriteString("KIVO", "Design", "mine/design.ini");
  home.Prepare("/usr/bin/false", "/skins/bars/design.ini");
  EXPECT_EQ(fs::read_symlink(home.ProgramLink()), fs::path("/usr/bin/false"));
  TPlayerState state;
  home.LoadSettings(state);
  EXPECT_EQ(state.Design, (FDir / "home" / "mine" / "design.ini").string())
      << "a relative design is taken from the home";
}

TEST_F(HomeTest, SavedSettingsLoadBackAndUnknownDisplayModesAreIgnored) {
  const TKivoHome home(FDir / "home");
  home.Prepare("/usr/bin/true", "");
  TPlayerState saved;
  saved.Design = "/d/design.ini";
  saved.SpeanaPattern = 4;
  saved.DisplayMode = Kivo_tlb::dmSpectrumPeaks;
  saved.Volume = 55;
  saved.RecLevel = 120;
  saved.AdjustSpeanaLevel = 90;
  saved.Repeat = true;
  saved.Left = -20;
  home.SaveSettings(saved);
  TIniFile(home.SettingsFile().string()).WriteString("Tool", "Editor", "vi");

  TPlayerState loaded;
  home.LoadSettings(loaded);
  EXPECT_EQ(loaded.Design, saved.Design);
  EXPECT_EQ(loaded.SpeanaPattern, 4);
  EXPECT_EQ(loaded.DisplayMode, Kivo_tlb::dmSpectrumPeaks);
  EXPECT_EQ(loaded.Volume, 55);
  EXPECT_EQ(loaded.RecLevel, 120);
  EXPECT_EQ(loaded.AdjustSpeanaLevel, 90);
  EXPECT_TRUE(loaded.Repeat);
  EXPECT_EQ(loaded.Left, -20);
  EXPECT_EQ(home.ToolNames(), std::vector<std::string>{"Editor"});

  TIniFile(home.SettingsFile().string()).WriteInteger("KIVO", "DisplayMode", 9);
  TPlayerState unchanged;
  home.LoadSettings(unchanged);
  EXPECT_EQ(unchanged.DisplayMode, Kivo_tlb::dmTrackInfo);
}

}  // namespace
