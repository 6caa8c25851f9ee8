#include "plugin/EntryPoints.h"

#include <utility>

#include "platform/vcl/Dialogs.h"
#include "platform/win/Windows.h"
#include "plugin/Kolmira.h"

namespace {

constexpr std::int32_t kInterfaceVersion = 6000;
constexpr std::int32_t kMinimumHostVersion = 6100;
constexpr const char* kLockName = "Kolmira";
// "This version of KIVO is not supported; please use a supported version."
constexpr const char* kRefusalText =
    "Kolmira+\n\nこのバージョンのKIVOには対応していません\n対応版をお使いください";

// The values the entries share; both null while the library is loaded but
// not running. The player's plug-in object is not kept: the controller is
// handed it while it is being built, and nothing calls it afterwards.
HANDLE GLock = nullptr;
// A component of the player's owner component: _pinAbort frees it, unless
// the player freed its owner component first.
TKolmira* GController = nullptr;

// Hears when the player's owner component frees the controller, so that
// neither _pinSampling nor _pinAbort reaches it afterwards.
class TControllerWatch : public TComponent {
 public:
  TControllerWatch() : TComponent(nullptr) {}
  ~TControllerWatch() override = default;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    if (Operation == opRemove && AComponent == GController) GController = nullptr;
  }
};

TControllerWatch GWatch;

bool HostIsSupported(THostPluginObject* Host) {
  if ((Host->VTable->AcceptsVersion(Host, kInterfaceVersion) & 0xFF) == 0) return false;
  return Host->VTable->GetHostVersion(Host) >= kMinimumHostVersion;
}

std::intptr_t ExitPlugin(THostPluginObject* Host) { return Host->VTable->ExitPlugin(Host); }

std::intptr_t RefuseHost(THostPluginObject* Host) {
  MessageDlg(kRefusalText, mtWarning, {mbOK}, 0);
  return ExitPlugin(Host);
}

// Takes the single-instance lock; false when another instance holds it. A
// lock handle obtained before stays stored: a refused second start in this
// process must not take the running instance's handle away, so the handle
// that start obtained is the one closed.
bool TakeLock() {
  const HANDLE lock = CreateMutexA(nullptr, FALSE, kLockName);
  const bool taken = lock != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
  if (GLock == nullptr)
    GLock = lock;
  else if (lock != nullptr)
    CloseHandle(lock);
  return taken;
}

}  // namespace

extern "C" {

std::intptr_t _pinRun(THostPluginObject* Host) {
  if (!HostIsSupported(Host)) return RefuseHost(Host);
  if (!TakeLock()) return ExitPlugin(Host);
  TComponent* owner = Host->VTable->GetOwnerComponent(Host);
  GController = new TKolmira(owner, Host);
  GWatch.FreeNotification(GController);
  return reinterpret_cast<std::intptr_t>(GController);
}

TSampleBlock* _pinSampling(TSampleBlock* Block) {
  if (GController != nullptr) GController->Sampling(Block);
  return Block;
}

void _pinAbort() {
  delete std::exchange(GController, nullptr);
  if (GLock != nullptr) {
    ReleaseMutex(GLock);
    CloseHandle(std::exchange(GLock, nullptr));
  }
}

}  // extern "C"
