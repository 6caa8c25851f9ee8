// Random "WM_KIVO" notifications into a TKIVO bound to the player's real
// automation object in this process, every event assigned. The input also
// decides what each handler does: nothing, or re-enter the component (make
// and delete menu wrappers, unbind and bind, change the event mask, relay
// to itself, pump the messages, call the player). After every message the
// component must hold a sound menu list (no 0, no fixed identifier, no
// duplicate, every unlisted wrapper freed) and, while bound, all four
// interfaces; after it is gone the player must know no client.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "fuzz/FuzzPlayer.h"
#include "hostlink/Kivo.h"
#include "platform/win/Messages.h"

// What the checks read of the component's insides.
struct KivoTestAccess {
  static bool HoldsAllInterfaces(const TKIVO& Kivo) {
    return Kivo.FControl && Kivo.FControl->Get() != nullptr && Kivo.FPlayListIntf &&
           Kivo.FPlayListIntf->Get() != nullptr && Kivo.FLyricsIntf &&
           Kivo.FLyricsIntf->Get() != nullptr && Kivo.FMenuIntf && Kivo.FMenuIntf->Get() != nullptr;
  }
  static std::vector<TKIVOMenu*> ListedMenus(const TKIVO& Kivo) {
    std::vector<TKIVOMenu*> menus;
    for (std::int32_t i = 0; i < Kivo.FMenuList->Count(); ++i)
      menus.push_back(static_cast<TKIVOMenu*>(Kivo.FMenuList->Items(i)));
    return menus;
  }
};

namespace {

constexpr std::array<int, 4> kFixedMenuIds = {0x4000, 0x5000, 0x9000, 0x8000};
constexpr std::array<std::uint32_t, 17> kClasses = {
    0x1,   0x2,   0x4,   0x8,        0x10,       0x20,       0x40,       0x80,      0x100,
    0x200, 0x400, 0x800, 0x10000000, 0x20000000, 0x40000000, 0x80000000, 0x90000000};
constexpr int kMaxMessages = 64;
constexpr int kMaxPumpDepth = 2;

void Fail(const char* why) {
  std::fprintf(stderr, "invariant broken: %s\n", why);
  std::abort();
}

void CheckInvariants(const TKIVO& kivo) {
  std::set<int> ids;
  const auto menus = KivoTestAccess::ListedMenus(kivo);
  for (const TKIVOMenu* menu : menus) {
    if (menu == nullptr) Fail("a null wrapper in the menu list");
    if (menu->MenuId == 0) Fail("identifier 0 in the menu list");
    for (const int fixed : kFixedMenuIds)
      if (menu->MenuId == fixed) Fail("a fixed identifier in the menu list");
    if (!ids.insert(menu->MenuId).second) Fail("an identifier twice in the menu list");
  }
  if (kivo.ComponentCount() != static_cast<std::int32_t>(kFixedMenuIds.size() + menus.size()))
    Fail("a wrapper taken out of the menu list but not freed");
  if (kivo.IsBound() && !KivoTestAccess::HoldsAllInterfaces(kivo))
    Fail("bound without all four interfaces");
}

// Every event handler: reads from the input what to do, and does it.
class TReactions {
 public:
  explicit TReactions(FuzzedDataProvider& Input) : FInput(Input) {}

  // Assigns every event of Kivo; from Stop on, the handlers do nothing.
  void Assign(TKIVO& Kivo) {
    FKivo = &Kivo;
    Kivo.OnKIVO = TKIVOEvent(this, &TReactions::Event);
    for (TNotifyEvent* event :
         {&Kivo.OnOpen, &Kivo.OnClose, &Kivo.OnRun, &Kivo.OnAbort, &Kivo.OnMenu, &Kivo.OnBind,
          &Kivo.OnUnbind, &Kivo.OnDisplayCaption, &Kivo.OnSaveKIVOini, &Kivo.OnDesign,
          &Kivo.OnDisplayMenu, &Kivo.OnLoadLyrics})
      *event = TNotifyEvent(this, &TReactions::Notify);
    for (TKIVOParamEvent* event :
         {&Kivo.OnPlayStatus, &Kivo.OnLyrics, &Kivo.OnCounter, &Kivo.OnPosition, &Kivo.OnIntTimer,
          &Kivo.OnChangeVolume, &Kivo.OnDisplayTrack, &Kivo.OnDisplayTitle, &Kivo.OnDisplayTimer,
          &Kivo.OnOpenTrack, &Kivo.OnCloseTrack, &Kivo.OnClick, &Kivo.OnDblClick,
          &Kivo.OnChangePlayList, &Kivo.OnAdjustLevel})
      *event = TKIVOParamEvent(this, &TReactions::Param);
    for (TKIVOLeftRightEvent* event : {&Kivo.OnVolume, &Kivo.OnMove, &Kivo.OnMoved})
      *event = TKIVOLeftRightEvent(this, &TReactions::LeftRight);
    for (TKIVOEvent* event : {&Kivo.OnButton, &Kivo.OnStatus, &Kivo.OnUser})
      *event = TKIVOEvent(this, &TReactions::Event);
    for (TKIVOFlagEvent* event :
         {&Kivo.OnVisible, &Kivo.OnActive, &Kivo.OnMinimize, &Kivo.OnStayOnTop, &Kivo.OnRepeat,
          &Kivo.OnRandom, &Kivo.OnDisplayTime})
      *event = TKIVOFlagEvent(this, &TReactions::Flag);
    Kivo.OnSpeana = TKIVOSpeanaEvent(this, &TReactions::Speana);
    Kivo.OnDisplayDevice = TKIVODeviceEvent(this, &TReactions::Device);
    Kivo.OnChangeDisplayMode = TKIVODisplayModeEvent(this, &TReactions::Mode);
  }

  void Stop() { FKivo = nullptr; }

 public:
  void Notify(TObject* Sender) { React(Sender); }
  void Param(TObject* Sender, int) { React(Sender); }
  void LeftRight(TObject* Sender, int, int) { React(Sender); }
  void Event(TObject* Sender, DWORD, int) { React(Sender); }
  void Flag(TObject* Sender, bool) { React(Sender); }
  void Device(TObject* Sender, TKIVODeviceType) { React(Sender); }
  void Mode(TObject* Sender, TKIVODisplayMode) { React(Sender); }
  void Speana(TObject* Sender, int* Level) {
    int sum = 0;
    for (int band = 0; band < 10; ++band) sum += Level[band];
    if (sum < 0 || sum > 150) Fail("a spectrum level outside 0..15");
    React(Sender);
  }

 private:
  TKIVOMenu* SomeMenu() {
    const auto menus = KivoTestAccess::ListedMenus(*FKivo);
    if (!menus.empty() && FInput.ConsumeBool())
      return menus[FInput.ConsumeIntegralInRange<std::size_t>(0, menus.size() - 1)];
    return FKivo->GetMenu(FInput.ConsumeIntegralInRange<int>(-2, 0x9001));
  }

  TKIVOEventSet AnyEventSet() {
    const auto bits = FInput.ConsumeIntegral<std::uint8_t>();
    TKIVOEventSet events;
    for (int item = evVolume; item <= evMove; ++item)
      if ((bits >> item) & 1) events.Include(static_cast<TKIVOEventItem>(item));
    return events;
  }

  void React(TObject* Sender) {
    if (FKivo == nullptr) return;
    switch (FInput.ConsumeIntegralInRange<int>(0, 19)) {
      case 0: {
        TKIVOMenu* menu = SomeMenu();
        if (menu != nullptr) menu->OnSelect = TNotifyEvent(this, &TReactions::Notify);
        break;
      }
      case 1:
        FKivo->DeleteMenu(SomeMenu());
        break;
      case 2:
        FKivo->RemoveMenu(nullptr);
        break;
      case 3:
        FKivo->ClearMenuList();
        break;
      case 4:
        if (auto* menu = dynamic_cast<TKIVOMenu*>(Sender)) FKivo->DeleteMenu(menu);
        break;
      case 5:
        FKivo->Unbind();
        break;
      case 6:
        FKivo->Bind();
        break;
      case 7:
        FKivo->SetEvent(FInput.ConsumeIntegral<std::uint32_t>());
        break;
      case 8:
        FKivo->SetEvents(AnyEventSet());
        break;
      case 9:
        Pump();
        break;
      case 10:
        FKivo->NotifyEvent(FInput.ConsumeBool() ? FKivo->WindowHandle : nullptr, AnyWParam(),
                           FInput.ConsumeIntegral<std::int32_t>());
        break;
      case 11:
        FKivo->SetDisplayMode(
            static_cast<TKIVODisplayMode>(FInput.ConsumeIntegralInRange<int>(-1, 5)));
        break;
      case 12:
        FKivo->SetAutoLink(FInput.ConsumeBool());
        break;
      case 13:
        if (FInput.ConsumeBool())
          FKivo->Close();
        else
          FKivo->Abort();
        break;
      case 14:
        FKivo->SetVolume(FInput.ConsumeIntegralInRange<int>(-5, 105));
        break;
      default:
        break;
    }
  }

 public:
  void Pump() {
    if (FDepth >= kMaxPumpDepth) return;
    ++FDepth;
    ProcessMessages();
    --FDepth;
  }

  std::uint32_t AnyWParam() {
    if (FInput.ConsumeIntegralInRange<int>(0, 7) == 0)
      return FInput.ConsumeIntegral<std::uint32_t>();
    const std::uint32_t cls =
        kClasses[FInput.ConsumeIntegralInRange<std::size_t>(0, kClasses.size() - 1)];
    if (cls < 0x10000) return cls;
    return cls | FInput.ConsumeIntegralInRange<std::uint32_t>(0, 40);
  }

 private:
  TKIVO* FKivo = nullptr;
  FuzzedDataProvider& FInput;
  int FDepth = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz_player::TPlayer& player = fuzz_player::Player();
  player.State = kivo::TPlayerState{};
  FuzzedDataProvider input(data, size);
  {
    TReactions reactions(input);
    TKIVO kivo(nullptr);
    kivo.Bind();
    if (!kivo.IsBound()) Fail("no binding to the player in this process");
    reactions.Assign(kivo);
    ProcessMessages();
    CheckInvariants(kivo);
    for (int i = 0; i < kMaxMessages && input.remaining_bytes() > 0; ++i) {
      const std::uint32_t wParam = reactions.AnyWParam();
      const std::int32_t lParam = input.ConsumeBool() ? input.ConsumeIntegral<std::int32_t>()
                                                      : input.ConsumeIntegralInRange<int>(-2, 40);
      if (input.ConsumeBool()) {
        SendMessageA(kivo.WindowHandle, kivo.KIVOMessage(), wParam, lParam);
      } else {
        PostMessageA(kivo.WindowHandle, kivo.KIVOMessage(), wParam, lParam);
        reactions.Pump();
      }
      CheckInvariants(kivo);
    }
    ProcessMessages();
    CheckInvariants(kivo);
    reactions.Stop();
  }
  ProcessMessages();
  if (player.Clients.Count() != 0) Fail("the player still knows a client that is gone");
  return 0;
}
