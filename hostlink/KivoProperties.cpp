// The player's properties, commands and value readers as methods of TKIVO.
// Unbound, each answers with its fixed result and contacts nothing. Reads
// go through the result check; a read that fails, or that finds no
// interface to go through, also gives the unbound result. Writes and
// commands ignore the player's answer.
#include <array>

#include "hostlink/Kivo.h"
#include "platform/com/Bstr.h"

using namespace Kivo_tlb;

namespace {

constexpr int UnboundPlayStatus = 524;  // the platform's MCI_MODE_NOT_READY
constexpr int UnboundLevel = 100;
constexpr int UnboundPlace = -1;
constexpr int UnboundColor = 0x1FFFFFFF;  // the component library's clNone
constexpr const char* ResultFile = "Kivo_tlb.h";

VARIANT_BOOL ToVariantBool(bool Value) { return Value ? VARIANT_TRUE : VARIANT_FALSE; }
LONG ToFlag(bool Value) { return Value ? 1 : 0; }

LONG ShiftBits(TShiftState Shift) {
  LONG bits = 0;
  for (int item = ssShift; item <= ssDouble; ++item)
    if (Shift.Contains(static_cast<TShiftStateItem>(item))) bits |= 1 << item;
  return bits;
}

}  // namespace

template <class Result>
Result TKIVO::ReadLong(HRESULT (IKIVOControl::*Read)(LONG*), const char* CallText, int Line,
                       Result Unbound) {
  if (!Bound) return Unbound;
  const TComPtr<IKIVOControl> control = HeldInterface(FControl);
  if (!control) return Unbound;
  LONG value = 0;
  if (FAILED(CheckResult((control.Get()->*Read)(&value), CallText, ResultFile, Line)))
    return Unbound;
  return static_cast<Result>(value);
}

bool TKIVO::ReadBool(HRESULT (IKIVOControl::*Read)(VARIANT_BOOL*), const char* CallText, int Line) {
  if (!Bound) return false;
  const TComPtr<IKIVOControl> control = HeldInterface(FControl);
  if (!control) return false;
  VARIANT_BOOL value = VARIANT_FALSE;
  if (FAILED(CheckResult((control.Get()->*Read)(&value), CallText, ResultFile, Line))) return false;
  return value != 0;
}

template <class... Args, class... Values>
void TKIVO::Command(HRESULT (IKIVOControl::*Operation)(Args...), Values... Arguments) {
  if (!Bound) return;
  if (const TComPtr<IKIVOControl> control = HeldInterface(FControl))
    (control.Get()->*Operation)(Arguments...);
}

int TKIVO::GetLeft() {
  return ReadLong(&IKIVOControl::get_Left, "this->get_Left((long*)&Value)", __LINE__, UnboundPlace);
}
void TKIVO::SetLeft(int Value) { Command(&IKIVOControl::set_Left, LONG{Value}); }

int TKIVO::GetTop() {
  return ReadLong(&IKIVOControl::get_Top, "this->get_Top((long*)&Value)", __LINE__, UnboundPlace);
}
void TKIVO::SetTop(int Value) { Command(&IKIVOControl::set_Top, LONG{Value}); }

int TKIVO::GetWidth() {
  return ReadLong(&IKIVOControl::get_Width, "this->get_Width((long*)&Value)", __LINE__,
                  UnboundPlace);
}

int TKIVO::GetHeight() {
  return ReadLong(&IKIVOControl::get_Height, "this->get_Height((long*)&Value)", __LINE__,
                  UnboundPlace);
}

bool TKIVO::GetVisible() {
  return ReadLong(&IKIVOControl::get_Visible, "this->get_Visible((long*)&Value)", __LINE__, false);
}
void TKIVO::SetVisible(bool Value) { Command(&IKIVOControl::set_Visible, ToFlag(Value)); }

int TKIVO::GetPlayStatus() {
  return ReadLong(&IKIVOControl::get_PlayStatus, "this->get_PlayStatus((long*)&Value)", __LINE__,
                  UnboundPlayStatus);
}

int TKIVO::GetTracks() {
  if (!Bound) return 0;
  const TComPtr<IKIVOPlayList> playList = HeldInterface(FPlayListIntf);
  if (!playList) return 0;
  LONG value = 0;
  if (FAILED(CheckResult(playList->get_Tracks(&value), "this->get_Tracks((long*)&Value)",
                         ResultFile, __LINE__)))
    return 0;
  return value;
}

int TKIVO::GetTrack() {
  return ReadLong(&IKIVOControl::get_Track, "this->get_Track((long*)&Value)", __LINE__, 0);
}
void TKIVO::SetTrack(int Value) { Command(&IKIVOControl::set_Track, LONG{Value}); }

int TKIVO::GetLength() {
  return ReadLong(&IKIVOControl::get_Length, "this->get_Length((long*)&Value)", __LINE__, 0);
}

// The one reader that keeps every failure to itself: a player that cannot
// tell its position is taken as gone, and the component lets go of it.
int TKIVO::GetPosition() {
  try {
    return ReadLong(&IKIVOControl::get_Position, "this->get_Position((long*)&Value)", __LINE__, 0);
  } catch (...) {
    Unbind();
    return 0;
  }
}
void TKIVO::SetPosition(int Value) { Command(&IKIVOControl::set_Position, LONG{Value}); }

int TKIVO::GetVolume() {
  return ReadLong(&IKIVOControl::get_Volume, "this->get_Volume((long*)&Value)", __LINE__, 0);
}
void TKIVO::SetVolume(int Value) { Command(&IKIVOControl::set_Volume, LONG{Value}); }

int TKIVO::GetCounter() {
  return ReadLong(&IKIVOControl::get_Counter, "this->get_Counter((long*)&Value)", __LINE__, 0);
}
void TKIVO::SetCounter(int Value) { Command(&IKIVOControl::set_Counter, LONG{Value}); }

bool TKIVO::GetRepeat() {
  return ReadBool(&IKIVOControl::get_Repeat, "this->get_Repeat((VARIANT_BOOL*)&Value)", __LINE__);
}
void TKIVO::SetRepeat(bool Value) { Command(&IKIVOControl::set_Repeat, ToVariantBool(Value)); }

bool TKIVO::GetRandom() {
  return ReadBool(&IKIVOControl::get_Random, "this->get_Random((VARIANT_BOOL*)&Value)", __LINE__);
}
void TKIVO::SetRandom(bool Value) { Command(&IKIVOControl::set_Random, ToVariantBool(Value)); }

bool TKIVO::GetRemainTime() {
  return ReadBool(&IKIVOControl::get_RemainTime, "this->get_RemainTime((VARIANT_BOOL*)&Value)",
                  __LINE__);
}
void TKIVO::SetRemainTime(bool Value) {
  Command(&IKIVOControl::set_RemainTime, ToVariantBool(Value));
}

bool TKIVO::GetOnTimer() {
  return ReadBool(&IKIVOControl::get_OnTimer, "this->get_OnTimer((VARIANT_BOOL*)&Value)", __LINE__);
}
void TKIVO::SetOnTimer(bool Value) { Command(&IKIVOControl::set_OnTimer, ToVariantBool(Value)); }

int TKIVO::GetOnTime() {
  return ReadLong(&IKIVOControl::get_OnTime, "this->get_OnTime((long*)&Value)", __LINE__, 0);
}
void TKIVO::SetOnTime(int Value) { Command(&IKIVOControl::set_OnTime, LONG{Value}); }

bool TKIVO::GetOffTimer() {
  return ReadBool(&IKIVOControl::get_OffTimer, "this->get_OffTimer((VARIANT_BOOL*)&Value)",
                  __LINE__);
}
void TKIVO::SetOffTimer(bool Value) { Command(&IKIVOControl::set_OffTimer, ToVariantBool(Value)); }

int TKIVO::GetOffTime() {
  return ReadLong(&IKIVOControl::get_OffTime, "this->get_OffTime((long*)&Value)", __LINE__, 0);
}
void TKIVO::SetOffTime(int Value) { Command(&IKIVOControl::set_OffTime, LONG{Value}); }

bool TKIVO::GetShutDownRecord() {
  return ReadBool(&IKIVOControl::get_ShutDownRecord,
                  "this->get_ShutDownRecord((VARIANT_BOOL*)&Value)", __LINE__);
}
void TKIVO::SetShutDownRecord(bool Value) {
  Command(&IKIVOControl::set_ShutDownRecord, ToVariantBool(Value));
}

int TKIVO::GetRecLevel() {
  return ReadLong(&IKIVOControl::get_RecLevel, "this->get_RecLevel((long*)&Value)", __LINE__,
                  UnboundLevel);
}
void TKIVO::SetRecLevel(int Value) { Command(&IKIVOControl::set_RecLevel, LONG{Value}); }

int TKIVO::GetRate() {
  return ReadLong(&IKIVOControl::get_Rate, "this->get_Rate((long*)&Value)", __LINE__, UnboundLevel);
}
void TKIVO::SetRate(int Value) { Command(&IKIVOControl::set_Rate, LONG{Value}); }

int TKIVO::GetAdjustVolLevel() {
  return ReadLong(&IKIVOControl::get_AdjustVolLevel, "this->get_AdjustVolLevel((long*)&Value)",
                  __LINE__, UnboundLevel);
}
void TKIVO::SetAdjustVolLevel(int Value) {
  Command(&IKIVOControl::set_AdjustVolLevel, LONG{Value});
}

int TKIVO::GetAdjustSpeanaLevel() {
  return ReadLong(&IKIVOControl::get_AdjustSpeanaLevel,
                  "this->get_AdjustSpeanaLevel((long*)&Value)", __LINE__, UnboundLevel);
}
void TKIVO::SetAdjustSpeanaLevel(int Value) {
  Command(&IKIVOControl::set_AdjustSpeanaLevel, LONG{Value});
}

TKIVODisplayMode TKIVO::GetDisplayMode() {
  const TKIVODisplayMode unbound = static_cast<TKIVODisplayMode>(0);
  if (!Bound) return unbound;
  const TComPtr<IKIVOControl> control = HeldInterface(FControl);
  if (!control) return unbound;
  TKIVODisplayMode mode = unbound;
  if (FAILED(CheckResult(control->get_DisplayMode(&mode),
                         "this->get_DisplayMode((Kivo_tlb::TKIVODisplayMode*)&Mode)", ResultFile,
                         __LINE__)))
    return unbound;
  return mode;
}
void TKIVO::SetDisplayMode(TKIVODisplayMode Value) {
  Command(&IKIVOControl::set_DisplayMode, Value);
}

void TKIVO::Play() { Command(&IKIVOControl::Play); }
void TKIVO::Stop() { Command(&IKIVOControl::Stop); }
void TKIVO::Pause() { Command(&IKIVOControl::Pause); }
void TKIVO::FF(bool Value) { Command(&IKIVOControl::FF, ToFlag(Value)); }
void TKIVO::Rewind(bool Value) { Command(&IKIVOControl::Rewind, ToFlag(Value)); }
void TKIVO::Next() { Command(&IKIVOControl::Next); }
void TKIVO::Back() { Command(&IKIVOControl::Back); }
void TKIVO::Eject() { Command(&IKIVOControl::Eject); }
void TKIVO::Seek(int Value1, int Value2) {
  Command(&IKIVOControl::Seek, LONG{Value1}, LONG{Value2});
}
void TKIVO::Click(int Value) { Command(&IKIVOControl::Click, LONG{Value}); }
void TKIVO::KeyDown(std::uint16_t Key, TShiftState Shift) {
  Command(&IKIVOControl::KeyDown, LONG{Key}, ShiftBits(Shift));
}
void TKIVO::ShowMenu() { Command(&IKIVOControl::ShowMenu); }
void TKIVO::ShowToolMenu() { Command(&IKIVOControl::ShowToolMenu); }
void TKIVO::ShowPlayList() { Command(&IKIVOControl::ShowPlayList); }
void TKIVO::ShowProperty() { Command(&IKIVOControl::ShowProperty); }
void TKIVO::SaveKIVOini() { Command(&IKIVOControl::SaveKIVOini); }

void TKIVO::GetFormImage(const std::string& FileName) {
  if (!Bound) return;
  const TBstr name = StringToBstr(FileName);
  Command(&IKIVOControl::GetFormImage, name.Get());
}

namespace {

// The playlist commands: the same steps as the control commands, through
// the playlist interface.
template <class... Args, class... Values>
void PlayListCommand(bool Bound, const std::unique_ptr<TInterfaceHolder<IKIVOPlayList>>& Holder,
                     HRESULT (IKIVOPlayList::*Operation)(Args...), Values... Arguments) {
  if (!Bound) return;
  if (const TComPtr<IKIVOPlayList> playList = HeldInterface(Holder))
    (playList.Get()->*Operation)(Arguments...);
}

}  // namespace

void TKIVO::New() { PlayListCommand(Bound, FPlayListIntf, &IKIVOPlayList::New); }

void TKIVO::Add(const std::string& FileName) {
  if (!Bound) return;
  const TBstr name = StringToBstr(FileName);
  PlayListCommand(Bound, FPlayListIntf, &IKIVOPlayList::Add, name.Get());
}

void TKIVO::Load(const std::string& FileName) {
  if (!Bound) return;
  const TBstr name = StringToBstr(FileName);
  PlayListCommand(Bound, FPlayListIntf, &IKIVOPlayList::Load, name.Get());
}

void TKIVO::Save(const std::string& FileName) {
  if (!Bound) return;
  const TBstr name = StringToBstr(FileName);
  PlayListCommand(Bound, FPlayListIntf, &IKIVOPlayList::Save, name.Get());
}

void TKIVO::GetVolumes(int* Left, int* Right) {
  LONG left = 0;
  LONG right = 0;
  if (Bound) {
    const TComPtr<IKIVOControl> control = HeldInterface(FControl);
    if (control && FAILED(control->GetVolumes(&left, &right))) left = right = 0;
  }
  if (Left != nullptr) *Left = left;
  if (Right != nullptr) *Right = right;
}

void TKIVO::GetSpeana(int* Level) {
  std::array<LONG, 10> levels{};
  if (Bound) {
    const TComPtr<IKIVOControl> control = HeldInterface(FControl);
    if (control &&
        FAILED(control->GetSpeana(&levels[0], &levels[1], &levels[2], &levels[3], &levels[4],
                                  &levels[5], &levels[6], &levels[7], &levels[8], &levels[9])))
      levels.fill(0);
  }
  if (Level == nullptr) return;
  for (std::size_t i = 0; i < levels.size(); ++i) Level[i] = levels[i];
}

int TKIVO::GetColor(int Index) {
  if (!Bound) return UnboundColor;
  const TComPtr<IKIVOControl> control = HeldInterface(FControl);
  if (!control) return UnboundColor;
  LONG color = UnboundColor;
  if (FAILED(control->GetColor(Index, &color))) return UnboundColor;
  return color;
}
