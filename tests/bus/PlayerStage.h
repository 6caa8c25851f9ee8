// What the tests of the player across processes share: a folder of the
// test's own for the player's home, registry and runtime on the program's
// private bus, `kivo remote` run as a client, and the real player started
// as a client starts it. KIVO_PROGRAM names the player.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "hostlink/Kivo_tlb.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/win/Messages.h"
#include "tests/bus/ChildProcess.h"
#include "tests/bus/PrivateBus.h"
#include "tests/player/TmuxTestSupport.h"

namespace bus_test {

// Dispatches this thread's messages until `done` holds or the patience ends.
template <class TDone>
bool PumpUntil(TDone done) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    ProcessMessages();
  }
  return true;
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A folder of the test's own for the player's home, registry and runtime,
// and the bus; the player plays on SDL's silent device.
class THostLinkStage {
 public:
  THostLinkStage() {
    ProgramBus();
    std::string pattern = (std::filesystem::temp_directory_path() / "kivo-bus-XXXXXX").string();
    FFolder = ::mkdtemp(pattern.data());
    std::filesystem::create_directories(FFolder / "run");
    std::filesystem::permissions(FFolder / "run", std::filesystem::perms::owner_all);
    ::setenv("XDG_RUNTIME_DIR", (FFolder / "run").c_str(), 1);
    ::setenv("KIVO_HOME", Home().c_str(), 1);
    ::setenv("KIVO_REGISTRY_DIR", (Home() / "registry").c_str(), 1);
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
  }
  ~THostLinkStage() {
    std::error_code ignored;
    std::filesystem::remove_all(FFolder, ignored);
  }

  std::filesystem::path Home() const { return FFolder / "home"; }
  std::filesystem::path Errors() const { return FFolder / "errors.txt"; }
  // Runs `kivo remote ARGUMENTS`; its standard output, its status.
  std::pair<std::string, int> Remote(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {KIVO_PROGRAM, "remote"});
    TChildProcess remote(arguments, Errors().string());
    std::string output;
    while (const auto line = remote.ReadLine()) output += *line + "\n";
    return {output, remote.Wait()};
  }

 private:
  std::filesystem::path FFolder;
};

// A case on its own stage, with COM begun on the case's thread for as
// long as the case runs.
class THostLinkCase : public ::testing::Test {
 protected:
  THostLinkCase() { CoInitialize(nullptr); }
  ~THostLinkCase() override { CoUninitialize(); }

  THostLinkStage FStage;
};

// The real player, started as TKIVO starts it: no arguments, no standard
// streams, waited for until its message loop is idle.
class TStartedPlayer {
 public:
  TStartedPlayer() {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    std::string commandLine;
    if (!CreateProcessA(KIVO_PROGRAM, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &FProcess))
      throw std::runtime_error("cannot start the player");
    EXPECT_EQ(WaitForInputIdle(FProcess.hProcess, INFINITE), 0u);
  }
  ~TStartedPlayer() {
    Kill();
    CloseHandle(FProcess.hThread);
    CloseHandle(FProcess.hProcess);
  }
  TStartedPlayer(const TStartedPlayer&) = delete;
  TStartedPlayer& operator=(const TStartedPlayer&) = delete;

  pid_t Pid() const { return static_cast<pid_t>(FProcess.dwProcessId); }
  void Kill() {
    TerminateProcess(FProcess.hProcess, 137);
    WaitForSingleObject(FProcess.hProcess, INFINITE);
  }
  // Its exit code once it ended within the patience; -1 otherwise.
  int Wait() {
    const auto patience = std::chrono::milliseconds(kPatience).count();
    if (WaitForSingleObject(FProcess.hProcess, static_cast<DWORD>(patience)) != WAIT_OBJECT_0)
      return -1;
    DWORD code = 0;
    GetExitCodeProcess(FProcess.hProcess, &code);
    return static_cast<int>(code);
  }

 private:
  PROCESS_INFORMATION FProcess{};
};

// The running player's control interface through a proxy here, taken as
// TKIVO takes it; null (after a failed expectation) when it cannot be had.
inline TComPtr<Kivo_tlb::IKIVOControl> RemoteControl() {
  Kivo_tlb::RegisterMarshalers();
  TComPtr<IUnknown> object;
  EXPECT_EQ(CoCreateInstance(Kivo_tlb::CLSID_KIVOControl, nullptr, CLSCTX_SERVER, IID_IUnknown,
                             object.PutVoid()),
            S_OK);
  TComPtr<Kivo_tlb::IKIVOControl> control;
  if (object) {
    EXPECT_EQ(object.QueryInterface(Kivo_tlb::IID_IKIVOControl, control), S_OK);
  }
  return control;
}

// `kivo play OPTIONS` live in a tmux pane of its own on the stage's bus and
// home; true once its main window is on the bus.
inline bool PlayLiveInTmux(const kivo_test::Tmux& tmux, const THostLinkStage& stage,
                           const std::string& options) {
  const std::string program =
      "env DBUS_SESSION_BUS_ADDRESS=" + kivo_test::Quoted(::getenv("DBUS_SESSION_BUS_ADDRESS")) +
      " KIVO_HOME=" + kivo_test::Quoted(stage.Home().string()) +
      " XDG_RUNTIME_DIR=" + kivo_test::Quoted(::getenv("XDG_RUNTIME_DIR")) + " " +
      kivo_test::Quoted(KIVO_PROGRAM) + " play " + options + "; sleep 600";
  return tmux.Run("new-session -d -s view -x 120 -y 40 " + kivo_test::Quoted(program)).Status ==
             0 &&
         PumpUntil([] { return FindWindowA("TFormKIVO", nullptr) != nullptr; });
}

}  // namespace bus_test
