// TKIVO's life: construction, finding and starting the player, binding with
// its version gate, unbinding, the raw window messages and the lifecycle
// commands.
#include "hostlink/Kivo.h"

#include <dlfcn.h>

#include <cstdint>
#include <utility>

#include "hostlink/KivoConstants.h"
#include "hostlink/Palette.h"
#include "platform/com/ComObj.h"
#include "platform/com/ComRuntime.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Registry.h"
#include "platform/vcl/SysUtils.h"

using namespace Kivo_tlb;

namespace {

constexpr const char* AppPathsKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KIVO.EXE";
constexpr const char* UserKey = "Software\\SOLVANE\\KIVO";
constexpr const char* RefusalMessage =
    "このバージョンのKIVOには対応していません\n対応版をお使いください";
constexpr int MinimumHostVersion = 6100;
constexpr int ClientInterfaceVersion = 4300;
constexpr DWORD StartupInfoSize = 68;
constexpr UINT SendTimeout = 3000;

// The default value of a key, or empty when the key is missing or its
// value cannot be read as a string.
std::string ReadDefaultValue(TRegistry& Registry, HKEY Root, const std::string& Key) {
  Registry.SetRootKey(Root);
  if (!Registry.OpenKey(Key, false)) return {};
  std::string value;
  try {
    value = Registry.ReadString("");
  } catch (const ERegistryException&) {
    value.clear();
  }
  Registry.CloseKey();
  return value;
}

// The handle of the module holding this code, as the player's attach wants
// it: the load address of the library or program, cut to the 32 bits that
// handles travel in across the automation boundary.
LONG ModuleInstance() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&ModuleInstance), &info) == 0) return 0;
  return static_cast<LONG>(reinterpret_cast<std::uintptr_t>(info.dli_fbase));
}

}  // namespace

TKIVO::TKIVO(TComponent* AOwner)
    : TComponent(AOwner),
      FText(std::make_unique<TLyrics>()),
      FLyricsList(std::make_unique<TLyricsList>(this)),
      FPlayList(std::make_unique<TPlayList>(this)),
      FMenuList(std::make_unique<TList>()),
      FFont(std::make_unique<TFont>()) {
  // Owned as components: freed with this one unless freed earlier.
  for (std::size_t i = 0; i < FFixedMenus.size(); ++i)
    FFixedMenus[i] = new TKIVOMenu(this, FixedMenuIds[i]);
  EventMask = DefaultEventMask;
  // So that a player in another process can be reached through proxies.
  RegisterMarshalers();
  MessageId = RegisterWindowMessageA("WM_KIVO");
  LocateHostProgram();
  WindowHandle = AllocateHWnd(TWndMethod(this, &TKIVO::WndProc));
  // A player that starts later says so to every window: the open
  // notification reaches this one too.
  HearBroadcasts(WindowHandle);
  ComInitialized = SUCCEEDED(CoInitialize(nullptr));
  if (!ComponentState().Contains(csDesigning)) {
    GetKIVOHandle();
    PostMessageA(HWND_BROADCAST, MessageId, AnnounceMessage,
                 static_cast<LPARAM>(HandleValue(WindowHandle)));
  }
}

TKIVO::~TKIVO() {
  Unbind();
  if (ComInitialized) CoUninitialize();
  DeallocateHWnd(WindowHandle);
  FFont.reset();
  FText.reset();
  FLyricsList.reset();
  FPlayList.reset();
  for (TKIVOMenu*& menu : FFixedMenus) delete std::exchange(menu, nullptr);
  // The wrappers still listed are freed with the other owned components.
  FMenuList.reset();
}

void TKIVO::LocateHostProgram() {
  TRegistry registry;
  HostPath = ReadDefaultValue(registry, HKEY_LOCAL_MACHINE, AppPathsKey);
  if (HostPath.empty()) HostPath = ReadDefaultValue(registry, HKEY_CURRENT_USER, UserKey);
}

HWND TKIVO::GetKIVOHandle() {
  HostWindow = FindWindowA("TFormKIVO", nullptr);
  if (HostWindow == nullptr) HostWindow = FindWindowA("TKivoForm", nullptr);
  return HostWindow;
}

bool TKIVO::Execute(const std::string& Params) {
  if (HostPath.empty()) return false;
  std::string commandLine = Params.empty() ? std::string() : HostPath + " " + Params;
  const std::string directory = ExtractFileDir(HostPath);
  STARTUPINFOA startup{};
  startup.cb = StartupInfoSize;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(HostPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &startup, &process))
    return false;
  const bool idle = WaitForInputIdle(process.hProcess, INFINITE) == 0;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return idle;
}

void TKIVO::ShowBindError(const std::string& Message) {
  MessageBeep(MB_ICONEXCLAMATION);
  MessageDlg(Message, mtError, {mbOK}, 0);
}

namespace {

template <class I>
void StoreReference(std::unique_ptr<TInterfaceHolder<I>>& Holder, const TComPtr<I>& Reference) {
  if (Holder)
    Holder->Assign(Reference.Get());
  else
    Holder = std::make_unique<TInterfaceHolder<I>>(Reference.Get());
}

}  // namespace

// Takes the player's four interfaces; on any failure nothing is stored and
// the references obtained so far are released.
bool TKIVO::QueryInterfaces(const TComPtr<IUnknown>& Object) {
  TComPtr<IKIVOControl> control;
  TComPtr<IKIVOPlayList> playList;
  TComPtr<IKIVOLyrics> lyrics;
  TComPtr<IKIVOMenu> menu;
  const auto failed = [this](HRESULT Result, const char* Message) {
    if (SUCCEEDED(Result)) return false;
    ShowBindError(Format(Message, {static_cast<DWORD>(Result)}));
    return true;
  };
  if (failed(Object.QueryInterface(IID_IKIVOControl, control),
             "IKIVOControl Interface Error[%x]") ||
      failed(Object.QueryInterface(IID_IKIVOPlayList, playList),
             "IKIVOPlayList Interface Error[%x]") ||
      failed(Object.QueryInterface(IID_IKIVOLyrics, lyrics), "IKIVOLyrics Interface Error[%x]") ||
      failed(Object.QueryInterface(IID_IKIVOMenu, menu), "IKIVOMenu Interface Error[%x]"))
    return false;
  StoreReference(FControl, control);
  StoreReference(FPlayListIntf, playList);
  StoreReference(FLyricsIntf, lyrics);
  StoreReference(FMenuIntf, menu);
  return true;
}

void TKIVO::Bind() {
  if (Bound || ComponentState().Contains(csDesigning)) return;
  if (GetKIVOHandle() == nullptr && !Execute("")) return;
  try {
    TComPtr<IUnknown> object;
    const HRESULT created =
        CoCreateInstance(CLSID_KIVOControl, nullptr, CLSCTX_SERVER, IID_IUnknown, object.PutVoid());
    if (FAILED(created)) {
      ShowBindError(Format("KIVOControl Create Instance Error[%x]", {static_cast<DWORD>(created)}));
      return;
    }
    if (!QueryInterfaces(object)) return;
    HostWindow = nullptr;
    {
      TComPtr<IKIVOControl> control = HeldInterface(FControl);
      LONG handle = 0;
      if (control && SUCCEEDED(CheckResult(control->get_Handle(&handle),
                                           "this->get_Handle((long*)&Value)", "Kivo_tlb.h", 1622)))
        HostWindow = WindowFromValue(handle);
    }
    ClearMenuList();
    Bound = true;
    if (GetVersion() < MinimumHostVersion || !CheckVersion(ClientInterfaceVersion)) {
      Unbind();
      MessageBeep(MB_ICONEXCLAMATION);
      MessageDlg(RefusalMessage, mtWarning, {mbOK}, 0);
      return;
    }
    Attach();
    SetEvent(EventMask);
    if (OnBind.Assigned()) OnBind(this);
  } catch (const EOleSysError& error) {
    ShowBindError(error.Message());
  }
}

void TKIVO::Attach() {
  TComPtr<IKIVOControl> control = HeldInterface(FControl);
  if (!control) return;
  LONG state = 0;
  LONG reserved = 0;
  control->Attach(ModuleInstance(), static_cast<LONG>(GetCurrentProcessId()),
                  HandleValue(WindowHandle), &state, &reserved);
  PluginState = static_cast<std::uint8_t>(state & 0xFF);
}

void TKIVO::ReleaseHolders() {
  if (FControl) FControl->Release();
  if (FPlayListIntf) FPlayListIntf->Release();
  if (FLyricsIntf) FLyricsIntf->Release();
  if (FMenuIntf) FMenuIntf->Release();
  FControl.reset();
  FPlayListIntf.reset();
  FLyricsIntf.reset();
  FMenuIntf.reset();
}

void TKIVO::Unbind() {
  if (!Bound) return;
  RemoveMenu(nullptr);
  if (TComPtr<IKIVOControl> control = HeldInterface(FControl))
    control->Detach(HandleValue(WindowHandle));
  Bound = false;
  ReleaseHolders();
  ClearMenuList();
  if (OnUnbind.Assigned()) OnUnbind(this);
}

int TKIVO::GetVersion() {
  if (!Bound) return 0;
  TComPtr<IKIVOControl> control = HeldInterface(FControl);
  if (!control) return 0;
  LONG value = 0;
  if (FAILED(CheckResult(control->get_Version(&value), "this->get_Version((long*)&Value)",
                         "Kivo_tlb.h", 1602)))
    return 0;
  return value;
}

bool TKIVO::CheckVersion(int Version) {
  if (!Bound) return false;
  TComPtr<IKIVOControl> control = HeldInterface(FControl);
  return control && control->CheckVersion(Version) == S_OK;
}

bool TKIVO::IsPlugin() const {
  if (PluginState != 0) return PluginState != 1;
  for (int i = 1; i <= ParamCount(); ++i)
    if (AnsiCompareText(ParamStr(i), "/PLUGIN") == 0) return true;
  return false;
}

void TKIVO::Loaded() {
  TComponent::Loaded();
  if (!Bound && FAutoLink && GetKIVOHandle() != nullptr) Bind();
}

void TKIVO::SetAutoLink(bool Value) {
  FAutoLink = Value;
  const TComponentState state = ComponentState();
  if (Value && !Bound && !state.Contains(csDesigning) && !state.Contains(csLoading) &&
      !state.Contains(csReading) && GetKIVOHandle() != nullptr)
    Bind();
}

bool TKIVO::Post(int Msg, int WParam, int LParam) {
  if (HostWindow == nullptr && GetKIVOHandle() == nullptr) return false;
  const auto post = [&] {
    return PostMessageA(HostWindow, static_cast<UINT>(Msg),
                        static_cast<WPARAM>(static_cast<DWORD>(WParam)),
                        static_cast<LPARAM>(LParam)) != FALSE;
  };
  if (post()) return true;
  GetKIVOHandle();
  return post();
}

int TKIVO::Request(int Msg, int WParam, int LParam) {
  if (GetKIVOHandle() == nullptr) return 0;
  std::uintptr_t result = 0;
  if (SendMessageTimeoutA(
          HostWindow, static_cast<UINT>(Msg), static_cast<WPARAM>(static_cast<DWORD>(WParam)),
          static_cast<LPARAM>(LParam), SMTO_BLOCK | SMTO_ABORTIFHUNG, SendTimeout, &result) == 0)
    return 0;
  return static_cast<int>(result);
}

void TKIVO::Close() {
  if (!Bound) return;
  if (TComPtr<IKIVOControl> control = HeldInterface(FControl)) control->Close();
}

void TKIVO::Abort() {
  if (!Bound) return;
  if (TComPtr<IKIVOControl> control = HeldInterface(FControl))
    control->Abort(HandleValue(WindowHandle));
}

void TKIVO::ShutDown() {
  if (!Bound) return;
  if (TComPtr<IKIVOControl> control = HeldInterface(FControl)) control->ShutDown();
}

namespace Kivo {

void Register() { RegisterComponents("SOLVANE", {"TKIVO"}); }

}  // namespace Kivo
