// The stage on which the plug-in runs in a test: a stand-in for the
// player's plug-in object, the scripted player of the host-link tests
// (its automation class registered, its main window up), a folder of the
// test's own holding the registry, the single-instance lock, the player
// settings file and a skin, and a dialog responder that fails the test on
// any dialog it was not told to expect.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/ComRuntime.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Registry.h"
#include "plugin/PlayerContract.h"
#include "tests/hostlink/FakePlayer.h"
#include "tests/platform/FilesTestSupport.h"
#include "tests/platform/ScriptedResponder.h"

namespace plugin_test {

using kivo_test::TFakeFactory;
using kivo_test::TFakeMainWindow;
using kivo_test::TFakePlayer;

// The player's plug-in object as the player fills it: every slot set, the
// ones the plug-in must not call recording that they were called. It
// lends a window for code 1 and another for code 33, and an owner.
class TStandInHost : public THostPluginObject {
 public:
  TStandInHost() : THostPluginObject{&Table} {
    for (TPanel* window : {Window.get(), SecondWindow.get()}) {
      window->SetBevelOuter(bvNone);
      window->SetBounds(0, 0, 400, 100);
    }
  }
  TStandInHost(const TStandInHost&) = delete;
  TStandInHost& operator=(const TStandInHost&) = delete;

  // The script.
  std::int32_t Version = 6100;
  std::uint32_t Accepts = 1;
  std::int32_t ExitResult = -7;

  // What reached the player, in order: "GetHostVersion",
  // "AcceptsVersion 6000", "GetHostComponent 1", "AttachControl", ...
  std::vector<std::string> Calls;
  std::vector<TControl*> Attached;
  // Runs inside ExitPlugin, so that a test sees what had happened by then.
  std::function<void()> OnExitPlugin;

  int CountOf(const std::string& call) const {
    int count = 0;
    for (const std::string& made : Calls) count += made == call ? 1 : 0;
    return count;
  }

  // Declared before the owner, so that a controller the owner still holds
  // frees its panels while their window is alive.
  std::unique_ptr<TPanel> Window = std::make_unique<TPanel>(nullptr);
  std::unique_ptr<TPanel> SecondWindow = std::make_unique<TPanel>(nullptr);
  std::unique_ptr<TComponent> Owner = std::make_unique<TComponent>(nullptr);

 private:
  static TStandInHost& Self(THostPluginObject* self) { return *static_cast<TStandInHost*>(self); }

  static std::int32_t GetHostVersion(THostPluginObject* self) {
    Self(self).Calls.push_back("GetHostVersion");
    return Self(self).Version;
  }
  static std::uint32_t AcceptsVersion(THostPluginObject* self, std::int32_t version) {
    Self(self).Calls.push_back("AcceptsVersion " + std::to_string(version));
    return Self(self).Accepts;
  }
  static std::int32_t ExitPlugin(THostPluginObject* self) {
    Self(self).Calls.push_back("ExitPlugin");
    if (Self(self).OnExitPlugin) Self(self).OnExitPlugin();
    return Self(self).ExitResult;
  }
  static void Unused(THostPluginObject* self) { Self(self).Calls.push_back("unused slot"); }
  static TComponent* GetHostComponent(THostPluginObject* self, std::int32_t code) {
    Self(self).Calls.push_back("GetHostComponent " + std::to_string(code));
    return code == 1 ? Self(self).Window.get() : Self(self).SecondWindow.get();
  }
  static void AttachControl(THostPluginObject* self, TControl* control) {
    Self(self).Calls.push_back("AttachControl");
    Self(self).Attached.push_back(control);
  }
  static TComponent* GetOwnerComponent(THostPluginObject* self) {
    Self(self).Calls.push_back("GetOwnerComponent");
    return Self(self).Owner.get();
  }

  static constexpr THostPluginVTable Table = {
      GetHostVersion,
      AcceptsVersion,
      ExitPlugin,
      {Unused, Unused, Unused, Unused, Unused, Unused, Unused, Unused, Unused, Unused},
      GetHostComponent,
      AttachControl,
      GetOwnerComponent};
};

// A skin of two visible panels side by side, 200 x 100 each, without
// bevels, on black, their bands as columns growing upward.
inline constexpr const char* kSideBySideDesign =
    "[SpeanaL]\nVisible=1\nLeft=0\nTop=0\nWidth=200\nHeight=100\nOption=dir=1\n"
    "[SpeanaR]\nVisible=1\nLeft=200\nTop=0\nWidth=200\nHeight=100\nOption=dir=1\n";

class TPluginStage : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "kolmira-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    Folder = pattern;
    std::filesystem::create_directories(Folder / "player");
    std::filesystem::create_directories(Folder / "skin");
    // The lock's name is system-wide: a private runtime folder keeps it
    // apart from other tests and from a running player.
    std::filesystem::create_directories(Folder / "runtime");
    ASSERT_EQ(chmod((Folder / "runtime").c_str(), 0700), 0);
    ASSERT_EQ(setenv("XDG_RUNTIME_DIR", (Folder / "runtime").c_str(), 1), 0);
    ASSERT_EQ(setenv("KIVO_REGISTRY_DIR", (Folder / "registry").c_str(), 1), 0);
    InstallPlayer();
    ASSERT_GE(CoInitialize(nullptr), 0);
    Player = TFakePlayer::Create();
    Player->Longs["RecLevel"] = 100;
    Player->Longs["AdjustSpeanaLevel"] = 100;
    Player->Texts["Design"] = DesignPath();
    StartPlayer();
  }

  void TearDown() override {
    MainWindow.reset();
    if (FCookie != 0) CoRevokeClassObject(FCookie);
    Player = TComPtr<TFakePlayer>();
    CoUninitialize();
    EXPECT_EQ(TFakePlayer::Live, 0) << "a reference to the player was not released";
    EXPECT_EQ(TFakeFactory::Live, 0);
    std::error_code ignored;
    std::filesystem::remove_all(Folder, ignored);
  }

  std::string DesignPath() const { return (Folder / "skin" / "design.ini").string(); }
  std::string SkinFile(const std::string& name) const { return (Folder / "skin" / name).string(); }
  std::string SettingsPath() const { return (Folder / "player" / "kivo.ini").string(); }

  void WriteDesign(const std::string& text) const { files_test::WriteText(DesignPath(), text); }
  void WriteSettings(const std::string& text) const { files_test::WriteText(SettingsPath(), text); }

  std::filesystem::path Folder;
  TComPtr<TFakePlayer> Player;
  std::unique_ptr<TFakeMainWindow> MainWindow;
  TStandInHost Host;
  dialog_test::TScriptedResponder Dialogs;

 private:
  // The player program's path as its installer records it; the player
  // settings file lies beside it.
  void InstallPlayer() const {
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKey("Software\\SOLVANE\\KIVO", true));
    registry.WriteString("", (Folder / "player" / "kivo.exe").string());
  }

  void StartPlayer() {
    const TComPtr<IClassFactory> factory = TFakeFactory::Create(Player.Get());
    ASSERT_EQ(CoRegisterClassObject(Kivo_tlb::CLSID_KIVOControl, factory.Get(), CLSCTX_LOCAL_SERVER,
                                    REGCLS_MULTIPLEUSE, &FCookie),
              S_OK);
    MainWindow = std::make_unique<TFakeMainWindow>();
    Player->Longs["Handle"] = MainWindow->Value();
  }

  DWORD FCookie = 0;
};

}  // namespace plugin_test
