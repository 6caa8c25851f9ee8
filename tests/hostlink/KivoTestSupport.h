// The stage on which TKIVO meets the scripted player: a registry folder and
// a temporary folder of the test's own, the player's class registered with
// the runtime, its main window, and a dialog responder that fails the test
// on any dialog it was not told to expect.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "hostlink/Kivo.h"
#include "platform/vcl/Registry.h"
#include "tests/hostlink/FakePlayer.h"
#include "tests/platform/ScriptedResponder.h"

// Reaches the fields a client cannot, to put the component into states that
// only a faulty player or a re-entrant caller could bring about.
struct KivoTestAccess {
  static void EmptyControlHolder(TKIVO& Kivo) { Kivo.FControl->Release(); }
  static void DropLyricsHolder(TKIVO& Kivo) { Kivo.FLyricsIntf.reset(); }
  static DWORD EventMask(const TKIVO& Kivo) { return Kivo.EventMask; }
  static std::uint8_t PluginState(const TKIVO& Kivo) { return Kivo.PluginState; }
  static void SetPluginState(TKIVO& Kivo, std::uint8_t State) { Kivo.PluginState = State; }
};

namespace kivo_test {

using dialog_test::TScriptedResponder;
using dialog_test::TShown;

inline constexpr const char* UserKey = "Software\\SOLVANE\\KIVO";
inline constexpr const char* MachineKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KIVO.EXE";

inline LONG HandleOf(HWND Window) {
  return static_cast<LONG>(reinterpret_cast<std::uintptr_t>(Window));
}

// Listens to one event and writes each call into a log shared with other
// recorders, as its name and values, so tests see order and values at once.
class TRecorder {
 public:
  // " a b c": each value after a blank. Built by appending, which GCC 12's
  // release build does not misread as an overlapping copy.
  static std::string Values(std::initializer_list<long long> values) {
    std::string text;
    for (const long long value : values) {
      text += ' ';
      text += std::to_string(value);
    }
    return text;
  }

  TRecorder(std::vector<std::string>& Log, std::string Name) : FLog(Log), FName(std::move(Name)) {}

  void Notify(TObject* Sender) { Write(Sender, ""); }
  void Param(TObject* Sender, int Value) { Write(Sender, Values({Value})); }
  void LeftRight(TObject* Sender, int Left, int Right) { Write(Sender, Values({Left, Right})); }
  void Event(TObject* Sender, DWORD Code, int Value) { Write(Sender, Values({Code, Value})); }
  void Flag(TObject* Sender, bool Value) { Write(Sender, Value ? " true" : " false"); }
  void Device(TObject* Sender, TKIVODeviceType Value) {
    Write(Sender, Values({static_cast<int>(Value)}));
  }
  void Mode(TObject* Sender, TKIVODisplayMode Value) {
    Write(Sender, Values({static_cast<int>(Value)}));
  }
  void Levels(TObject* Sender, int* Level) {
    Write(Sender, Values({Level[0], Level[1], Level[2], Level[3], Level[4], Level[5], Level[6],
                          Level[7], Level[8], Level[9]}));
  }

  std::vector<TObject*> Senders;

 private:
  void Write(TObject* Sender, const std::string& Values) {
    FLog.push_back(FName + Values);
    Senders.push_back(Sender);
  }

  std::vector<std::string>& FLog;
  std::string FName;
};

class TKivoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "kivo-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    Folder = pattern;
    ASSERT_EQ(setenv("KIVO_REGISTRY_DIR", (Folder / "registry").c_str(), 1), 0);
    ASSERT_GE(CoInitialize(nullptr), 0);
    Player = TFakePlayer::Create();
  }

  void TearDown() override {
    Kivo.reset();
    Window.reset();
    if (FCookie != 0) CoRevokeClassObject(FCookie);
    Player = TComPtr<TFakePlayer>();
    CoUninitialize();
    EXPECT_EQ(TFakePlayer::Live, 0) << "a reference to the player was not released";
    EXPECT_EQ(TFakeFactory::Live, 0);
    std::error_code ignored;
    std::filesystem::remove_all(Folder, ignored);
  }

  void WriteHostPath(HKEY Root, const std::string& Key, const std::string& Path) {
    TRegistry registry;
    registry.SetRootKey(Root);
    ASSERT_TRUE(registry.OpenKey(Key, true));
    registry.WriteString("", Path);
  }

  // The player program's path as the installer records it; the settings
  // file lies beside it.
  std::string InstallPlayer() {
    const std::string path = (Folder / "player" / "kivo.exe").string();
    std::filesystem::create_directories(Folder / "player");
    WriteHostPath(HKEY_CURRENT_USER, UserKey, path);
    return path;
  }

  void RegisterPlayerClass() {
    const TComPtr<IClassFactory> factory = TFakeFactory::Create(Player.Get());
    ASSERT_EQ(CoRegisterClassObject(CLSID_KIVOControl, factory.Get(), CLSCTX_LOCAL_SERVER,
                                    REGCLS_MULTIPLEUSE, &FCookie),
              S_OK);
  }

  // A running player: its class registered, its main window up and its
  // Handle property naming that window.
  void StartPlayer() {
    RegisterPlayerClass();
    Window = std::make_unique<TFakeMainWindow>();
    Player->Longs["Handle"] = Window->Value();
  }

  TKIVO& MakeKivo() {
    Kivo = std::make_unique<TKIVO>(nullptr);
    return *Kivo;
  }

  TKIVO& BoundKivo() {
    StartPlayer();
    MakeKivo();
    Kivo->Bind();
    EXPECT_TRUE(Kivo->IsBound());
    Player->Calls.clear();
    return *Kivo;
  }

  // The player's notification, sent as the player sends it.
  LRESULT Notify(DWORD WParam, LONG LParam) {
    return SendMessageA(Kivo->WindowHandle, Kivo->KIVOMessage(), WParam,
                        static_cast<LPARAM>(LParam));
  }

  std::filesystem::path Folder;
  TComPtr<TFakePlayer> Player;
  std::unique_ptr<TFakeMainWindow> Window;
  std::unique_ptr<TKIVO> Kivo;
  TScriptedResponder Dialogs;

 private:
  DWORD FCookie = 0;
};

}  // namespace kivo_test
