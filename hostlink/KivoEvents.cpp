// The player's notifications: every "WM_KIVO" that reaches the component's
// window is decoded into one Notify method and its event, then reported as
// a whole through OnKIVO. Also the event mask that tells the player which
// optional classes this client wants, and the relay of notifications.
#include <array>
#include <cstdint>

#include "hostlink/Kivo.h"
#include "hostlink/KivoConstants.h"

using namespace Kivo_tlb;

namespace {

constexpr DWORD SubCodeLimit = 0x10000;

// The class bit of each optional notification class, by set element.
constexpr std::array<DWORD, 7> OptionalClassBits = {
    ClassVolume, ClassSpeana, ClassLyrics, ClassCounter, ClassPosition, ClassTimer, ClassMove};

DWORD NotificationClass(DWORD WParam) {
  return WParam < SubCodeLimit ? WParam : (WParam & 0xFFFF0000u);
}

int LowWord(int Value) { return static_cast<std::uint16_t>(Value & 0xFFFF); }
int HighWord(int Value) {
  return static_cast<std::uint16_t>((static_cast<DWORD>(Value) >> 16) & 0xFFFF);
}
int SignedLowWord(int Value) { return static_cast<std::int16_t>(LowWord(Value)); }
int SignedHighWord(int Value) { return static_cast<std::int16_t>(HighWord(Value)); }

}  // namespace

void TKIVO::WndProc(TMessage& Message) {
  if (Message.Msg == MessageId) {
    KIVOHandler(Message.WParam, Message.LParam);
    Message.Result = 1;
    return;
  }
  Message.Result = DefWindowProcA(WindowHandle, Message.Msg, Message.WParam, Message.LParam);
}

void TKIVO::KIVOHandler(WPARAM WParam, LPARAM LParam) {
  const auto wParam = static_cast<DWORD>(WParam);
  const auto lParam = static_cast<int>(static_cast<std::int32_t>(LParam));
  const DWORD notificationClass = NotificationClass(wParam);
  const DWORD subCode = wParam & 0xFFFF;
  switch (notificationClass) {
    case ClassOpen:
      NotifyOpen(WindowFromValue(lParam));
      break;
    case ClassClose:
      NotifyClose(lParam);
      break;
    case ClassRun:
      NotifyRun(lParam);
      break;
    case ClassAbort:
      NotifyAbort();
      break;
    case ClassUser:
      NotifyUser(subCode, lParam);
      break;
    default:
      break;
  }
  // Tested after the classes above: an open notification may just have
  // bound the component.
  if (Bound) DispatchBoundClass(notificationClass, subCode, wParam, lParam);
  if (OnKIVO.Assigned()) OnKIVO(this, wParam, lParam);
}

void TKIVO::DispatchBoundClass(DWORD Class, DWORD SubCode, WPARAM WParam, LPARAM LParam) {
  const auto lParam = static_cast<int>(LParam);
  switch (Class) {
    case ClassPlayStatus:
      NotifyPlayStatus(lParam);
      break;
    case ClassTimer:
      NotifyTimer(lParam);
      break;
    case ClassCounter:
      NotifyCounter(lParam);
      break;
    case ClassPosition:
      NotifyPosition(lParam);
      break;
    case ClassVolume:
      NotifyVolume(LowWord(lParam), HighWord(lParam));
      break;
    case ClassLyrics:
      NotifyLyrics(lParam);
      break;
    case ClassMove:
      NotifyMove(SignedLowWord(lParam), SignedHighWord(lParam));
      break;
    case ClassMenu:
      NotifyMenu(lParam);
      break;
    case ClassSpeana:
      NotifySpeana(static_cast<int>(static_cast<DWORD>(WParam)), lParam);
      break;
    case ClassButton:
      NotifyButton(static_cast<int>(SubCode), lParam);
      break;
    case ClassStatus:
      NotifyStatus(static_cast<int>(SubCode), lParam);
      break;
    default:
      break;
  }
}

void TKIVO::NotifyOpen(HWND Window) {
  HostWindow = Window;
  if (!Bound && FAutoLink) Bind();
  if (OnOpen.Assigned()) OnOpen(this);
}

void TKIVO::NotifyClose(LPARAM) {
  HostWindow = nullptr;
  Unbind();
  if (OnClose.Assigned()) OnClose(this);
}

void TKIVO::NotifyRun(int) {
  if (OnRun.Assigned()) OnRun(this);
}

// The handler runs while the component is still bound.
void TKIVO::NotifyAbort() {
  if (OnAbort.Assigned()) OnAbort(this);
  HostWindow = nullptr;
  Unbind();
}

void TKIVO::NotifyUser(UINT Code, int Value) {
  if (OnUser.Assigned()) OnUser(this, Code, Value);
}

void TKIVO::NotifyPlayStatus(int Value) {
  if (OnPlayStatus.Assigned()) OnPlayStatus(this, Value);
}

void TKIVO::NotifyLyrics(int Value) {
  if (OnLyrics.Assigned()) OnLyrics(this, Value);
}

void TKIVO::NotifyCounter(int Value) {
  if (OnCounter.Assigned()) OnCounter(this, Value);
}

void TKIVO::NotifyPosition(int Value) {
  if (OnPosition.Assigned()) OnPosition(this, Value);
}

void TKIVO::NotifyTimer(int Value) {
  if (OnIntTimer.Assigned()) OnIntTimer(this, Value);
}

void TKIVO::NotifyVolume(int Left, int Right) {
  if (OnVolume.Assigned()) OnVolume(this, Left, Right);
}

void TKIVO::NotifyMove(int Left, int Right) {
  if (OnMove.Assigned()) OnMove(this, Left, Right);
}

void TKIVO::NotifyButton(int Code, int Value) {
  if (OnButton.Assigned()) OnButton(this, static_cast<DWORD>(Code), Value);
}

// Ten 4-bit levels: bands 0 to 7 from lParam, lowest first, bands 8 and 9
// from the two lowest nibbles of wParam.
void TKIVO::NotifySpeana(int WParam, int LParam) {
  if (!OnSpeana.Assigned()) return;
  const auto high = static_cast<DWORD>(WParam);
  const auto low = static_cast<DWORD>(LParam);
  std::array<int, 10> levels{};
  for (unsigned band = 0; band < 8; ++band)
    levels[band] = static_cast<int>((low >> (4 * band)) & 15);
  levels[8] = static_cast<int>(high & 15);
  levels[9] = static_cast<int>((high >> 4) & 15);
  OnSpeana(this, levels.data());
}

void TKIVO::NotifyStatus(int Code, int Value) {
  if (OnStatus.Assigned()) OnStatus(this, static_cast<DWORD>(Code), Value);
  RaiseStatusEvent(Code, Value);
}

void TKIVO::RaiseStatusEvent(int Code, int Value) {
  const auto flag = [this, Value](const TKIVOFlagEvent& Event) {
    if (Event.Assigned()) Event(this, Value != 0);
  };
  const auto param = [this, Value](const TKIVOParamEvent& Event) {
    if (Event.Assigned()) Event(this, Value);
  };
  const auto notify = [this](const TNotifyEvent& Event) {
    if (Event.Assigned()) Event(this);
  };
  switch (Code) {
    case 1:
      flag(OnVisible);
      break;
    case 2:
      flag(OnActive);
      break;
    case 3:
      flag(OnMinimize);
      break;
    case 4:
      flag(OnStayOnTop);
      break;
    case 5:
      flag(OnRepeat);
      break;
    case 6:
      flag(OnRandom);
      break;
    case 7:
      flag(OnDisplayTime);
      break;
    case 8:
      param(OnDisplayTrack);
      break;
    case 9:
      param(OnDisplayTitle);
      break;
    case 10:
      if (OnDisplayDevice.Assigned()) OnDisplayDevice(this, static_cast<TKIVODeviceType>(Value));
      break;
    case 11:
      param(OnDisplayTimer);
      break;
    case 12:
      notify(OnDisplayCaption);
      break;
    case 13:
      param(OnChangeVolume);
      break;
    case 14:
      param(OnOpenTrack);
      break;
    case 15:
      param(OnCloseTrack);
      break;
    case 16:
      FLyricsList->Clear();
      notify(OnLoadLyrics);
      break;
    case 17:
      notify(OnSaveKIVOini);
      break;
    case 18:
      notify(OnDesign);
      break;
    case 21:
      param(OnChangePlayList);
      break;
    case 22:
      if (OnDisplayMenu.Assigned())
        if (TKIVOMenu* menu = GetMenu(Value)) OnDisplayMenu(menu);
      break;
    case 25:
      param(OnClick);
      break;
    case 26:
      param(OnDblClick);
      break;
    case 27:
      NotifyDeleteMenu(Value);
      break;
    case 28:
      if (OnChangeDisplayMode.Assigned())
        OnChangeDisplayMode(this, static_cast<TKIVODisplayMode>(Value));
      break;
    case 30:
      if (OnMoved.Assigned()) OnMoved(this, SignedLowWord(Value), SignedHighWord(Value));
      break;
    case 31:
      param(OnAdjustLevel);
      break;
    default:
      break;
  }
}

// Bound, the player's own record of the mask; unbound, or when the player
// fails the read, the mask the component keeps.
DWORD TKIVO::GetEvent() {
  if (!Bound) return EventMask;
  const TComPtr<IKIVOControl> control = HeldInterface(FControl);
  if (!control) return EventMask;
  LONG mask = 0;
  if (FAILED(control->GetEvent(HandleValue(WindowHandle), &mask))) return EventMask;
  return static_cast<DWORD>(mask);
}

void TKIVO::SetEvent(DWORD Mask) {
  EventMask = Mask;
  if (!Bound) return;
  if (const TComPtr<IKIVOControl> control = HeldInterface(FControl))
    control->SetEvent(HandleValue(WindowHandle), static_cast<LONG>(Mask));
}

TKIVOEventSet TKIVO::GetEvents() {
  const DWORD mask = GetEvent();
  TKIVOEventSet events;
  for (std::size_t item = 0; item < OptionalClassBits.size(); ++item)
    if ((mask & OptionalClassBits[item]) != 0) events.Include(static_cast<TKIVOEventItem>(item));
  return events;
}

void TKIVO::SetEvents(TKIVOEventSet Events) {
  DWORD mask = DefaultEventMask;
  for (std::size_t item = 0; item < OptionalClassBits.size(); ++item)
    if (Events.Contains(static_cast<TKIVOEventItem>(item))) mask |= OptionalClassBits[item];
  SetEvent(mask);
}

void TKIVO::NotifyEvent(HWND Target, DWORD WParam, int LParam) {
  const auto postToSelf = [&] { PostMessageA(WindowHandle, MessageId, WParam, LParam); };
  if (Target == WindowHandle) {
    postToSelf();
  } else if (Bound) {
    if (const TComPtr<IKIVOControl> control = HeldInterface(FControl))
      control->NotifyEvent(HandleValue(Target), static_cast<LONG>(WParam), LParam);
  } else if (Target == nullptr) {
    postToSelf();
  }
}
