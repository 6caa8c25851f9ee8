#include "player/automation/KivoAutomation.h"

#include <unistd.h>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <string>

#include "platform/com/Bstr.h"
#include "player/Tracks.h"
#include "player/menu/PlayerMenu.h"

namespace kivo {

using namespace Kivo_tlb;

namespace {

struct TFontRecord {
  const char* Name;
  LONG Charset;
  LONG Size;
  LONG Style;
  LONG Color;
};

// The player's display: background, text, time, title, frame, then the
// three levels of its own spectrum display (0x00BBGGRR).
constexpr LONG kColors[] = {0x000000, 0xFFFFFF, 0x00FF00, 0xFFFF00,
                            0x808080, 0x00FF00, 0x00FFFF, 0x0000FF};
// The display's fonts: text, title, time. Charset 1 is the default one;
// style bit 0 is bold.
constexpr TFontRecord kFonts[] = {
    {"Sans", 1, 9, 0, 0xFFFFFF}, {"Sans", 1, 12, 1, 0xFFFF00}, {"Monospace", 1, 9, 0, 0x00FF00}};

// Keys the player answers, as the platform's virtual key codes.
constexpr LONG kKeySpace = 0x20;
constexpr LONG kKeyLeft = 0x25;
constexpr LONG kKeyUp = 0x26;
constexpr LONG kKeyRight = 0x27;
constexpr LONG kKeyDown = 0x28;
constexpr LONG kVolumeStep = 5;

constexpr LONG kSeekAbsolute = 0;
constexpr LONG kSeekRelative = 1;

HRESULT PutText(BSTR* out, const std::string& text) {
  if (out == nullptr) return E_POINTER;
  *out = StringToBstr(text).Detach();
  return S_OK;
}

template <class T, class V>
HRESULT PutValue(T* out, V value) {
  if (out == nullptr) return E_POINTER;
  *out = static_cast<T>(value);
  return S_OK;
}

HRESULT PutBool(VARIANT_BOOL* out, bool value) {
  return PutValue(out, value ? VARIANT_TRUE : VARIANT_FALSE);
}

HWND WindowOf(LONG value) { return WindowFromValue(value); }

}  // namespace

TComPtr<IKIVOControl> TKivoAutomation::Create(TPlayerState& state, TClientList& clients,
                                              TPlayerActions& actions) {
  return TComPtr<IKIVOControl>::Adopt(new TKivoAutomation(state, clients, actions));
}

// ---- IUnknown and IDispatch ----

HRESULT TKivoAutomation::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IKIVOControl)
    *object = static_cast<IKIVOControl*>(this);
  else if (riid == IID_IKIVOPlayList)
    *object = static_cast<IKIVOPlayList*>(this);
  else if (riid == IID_IKIVOLyrics)
    *object = static_cast<IKIVOLyrics*>(this);
  else if (riid == IID_IKIVOMenu)
    *object = static_cast<IKIVOMenu*>(this);
  else
    return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

ULONG TKivoAutomation::AddRef() { return ++FReferences; }

ULONG TKivoAutomation::Release() {
  const ULONG remaining = --FReferences;
  if (remaining == 0) delete this;
  return remaining;
}

// Clients bind to the interfaces' own slots; late binding by name is not
// offered, as the platform's runtime here has no type information.
HRESULT TKivoAutomation::GetTypeInfoCount(UINT* count) { return PutValue(count, 0); }
HRESULT TKivoAutomation::GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo) {
  if (typeInfo != nullptr) *typeInfo = nullptr;
  return E_NOTIMPL;
}
HRESULT TKivoAutomation::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return DISP_E_UNKNOWNNAME;
}
HRESULT TKivoAutomation::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                UINT*) {
  return DISP_E_MEMBERNOTFOUND;
}

// ---- helpers ----

void TKivoAutomation::NotifyStatus(TStatusCode code, std::int32_t value) {
  Notify(StatusNotification(code, value));
}

void TKivoAutomation::NotifyPlayStatus() { Notify({ClassPlayStatus, LParamOf(FState.PlayStatus)}); }

void TKivoAutomation::SetPlayStatus(std::int32_t status) {
  if (FState.PlayStatus == status) return;
  FState.PlayStatus = status;
  NotifyPlayStatus();
}

void TKivoAutomation::SelectTrack(std::int32_t track) {
  if (FState.Track != 0) NotifyStatus(stCloseTrack, FState.Track);
  FState.Track = track;
  FState.PositionMs = 0;
  FState.SeekPending = true;
  FState.Counter = 0;
  const TTrack* current = FState.CurrentTrack();
  FState.Lyrics = current != nullptr ? LoadLyricsBeside(current->Path) : std::vector<TLyricsLine>{};
  FState.LyricsName.clear();
  if (!FState.Lyrics.empty())
    FState.LyricsName = std::filesystem::path(current->Path).replace_extension(".lrc").string();
  if (track == 0) return;
  NotifyStatus(stOpenTrack, track);
  if (!FState.Lyrics.empty()) NotifyStatus(stLoadLyrics, 0);
}

void TKivoAutomation::SeekTo(std::int32_t positionMs) {
  FState.PositionMs = std::clamp(positionMs, 0, std::max(FState.LengthMs(), 0));
  FState.SeekPending = true;
  ++FState.SeekCount;
  Notify({ClassPosition, LParamOf(FState.PositionMs)});
}

void TKivoAutomation::MoveTo(std::int32_t left, std::int32_t top) {
  if (FState.Left == left && FState.Top == top) return;
  FState.Left = left;
  FState.Top = top;
  Notify(MoveNotification(left, top));
  Notify(MovedNotification(left, top));
}

void TKivoAutomation::SetLevel(std::int32_t& level, LONG value) {
  level = value;
  NotifyStatus(stAdjustLevel, value);
}

void TKivoAutomation::PlayListChanged() {
  FState.PlayListEdited = true;
  NotifyStatus(stChangePlayList, static_cast<std::int32_t>(FState.PlayList.size()));
}

const TTrack* TKivoAutomation::TrackAt(LONG index) const {
  if (index < 1 || index > static_cast<LONG>(FState.PlayList.size())) return nullptr;
  return &FState.PlayList[static_cast<std::size_t>(index - 1)];
}

// ---- IKIVOControl: identity and window ----

HRESULT TKivoAutomation::get_Version(LONG* Value) { return PutValue(Value, kVersion); }

HRESULT TKivoAutomation::CheckVersion(LONG Version) {
  return Version >= kOldestClientVersion && Version <= kVersion ? S_OK : S_FALSE;
}

HRESULT TKivoAutomation::get_Handle(LONG* Value) {
  return PutValue(Value, HandleValue(FActions.MainWindow()));
}

HRESULT TKivoAutomation::get_Visible(LONG* Value) {
  return PutValue(Value, FState.Visible ? 1 : 0);
}

HRESULT TKivoAutomation::set_Visible(LONG Value) {
  const bool visible = Value != 0;
  if (FState.Visible == visible) return S_OK;
  FState.Visible = visible;
  NotifyStatus(stVisible, visible ? 1 : 0);
  return S_OK;
}

HRESULT TKivoAutomation::get_Left(LONG* Value) { return PutValue(Value, FState.Left); }
HRESULT TKivoAutomation::set_Left(LONG Value) {
  MoveTo(Value, FState.Top);
  return S_OK;
}
HRESULT TKivoAutomation::get_Top(LONG* Value) { return PutValue(Value, FState.Top); }
HRESULT TKivoAutomation::set_Top(LONG Value) {
  MoveTo(FState.Left, Value);
  return S_OK;
}
HRESULT TKivoAutomation::get_Width(LONG* Value) { return PutValue(Value, FState.Width); }
HRESULT TKivoAutomation::get_Height(LONG* Value) { return PutValue(Value, FState.Height); }

// ---- transport ----

HRESULT TKivoAutomation::get_PlayStatus(LONG* Value) { return PutValue(Value, FState.PlayStatus); }

HRESULT TKivoAutomation::get_Track(LONG* Value) { return PutValue(Value, FState.Track); }

HRESULT TKivoAutomation::set_Track(LONG Value) {
  if (TrackAt(Value) == nullptr) return E_INVALIDARG;
  SelectTrack(Value);
  return S_OK;
}

HRESULT TKivoAutomation::get_Position(LONG* Value) { return PutValue(Value, FState.PositionMs); }

HRESULT TKivoAutomation::set_Position(LONG Value) {
  if (FState.CurrentTrack() == nullptr) return E_UNEXPECTED;
  SeekTo(Value);
  return S_OK;
}

HRESULT TKivoAutomation::get_Length(LONG* Value) { return PutValue(Value, FState.LengthMs()); }

HRESULT TKivoAutomation::get_Volume(LONG* Value) { return PutValue(Value, FState.Volume); }

HRESULT TKivoAutomation::set_Volume(LONG Value) {
  const std::int32_t volume = std::clamp<LONG>(Value, 0, 100);
  if (FState.Volume == volume) return S_OK;
  FState.Volume = volume;
  NotifyStatus(stChangeVolume, volume);
  return S_OK;
}

HRESULT TKivoAutomation::get_Counter(LONG* Value) { return PutValue(Value, FState.Counter); }

HRESULT TKivoAutomation::set_Counter(LONG Value) {
  FState.Counter = Value;
  Notify({ClassCounter, LParamOf(Value)});
  return S_OK;
}

// ---- switches ----

HRESULT TKivoAutomation::get_Repeat(VARIANT_BOOL* Value) { return PutBool(Value, FState.Repeat); }
HRESULT TKivoAutomation::set_Repeat(VARIANT_BOOL Value) {
  FState.Repeat = Value != VARIANT_FALSE;
  NotifyStatus(stRepeat, FState.Repeat ? 1 : 0);
  return S_OK;
}
HRESULT TKivoAutomation::get_Random(VARIANT_BOOL* Value) { return PutBool(Value, FState.Random); }
HRESULT TKivoAutomation::set_Random(VARIANT_BOOL Value) {
  FState.Random = Value != VARIANT_FALSE;
  NotifyStatus(stRandom, FState.Random ? 1 : 0);
  return S_OK;
}
HRESULT TKivoAutomation::get_RemainTime(VARIANT_BOOL* Value) {
  return PutBool(Value, FState.RemainTime);
}
HRESULT TKivoAutomation::set_RemainTime(VARIANT_BOOL Value) {
  FState.RemainTime = Value != VARIANT_FALSE;
  NotifyStatus(stDisplayTime, FState.RemainTime ? 1 : 0);
  return S_OK;
}

// ---- look ----

HRESULT TKivoAutomation::get_Design(BSTR* Value) { return PutText(Value, FState.Design); }
HRESULT TKivoAutomation::set_Design(BSTR Value) {
  FState.Design = BstrToString(Value);
  NotifyStatus(stDesign, 0);
  return S_OK;
}
HRESULT TKivoAutomation::get_Skin(BSTR* Value) { return PutText(Value, FState.Skin); }
HRESULT TKivoAutomation::set_Skin(BSTR Value) {
  FState.Skin = BstrToString(Value);
  NotifyStatus(stDesign, 0);
  return S_OK;
}

HRESULT TKivoAutomation::get_DisplayMode(TKIVODisplayMode* Mode) {
  return PutValue(Mode, FState.DisplayMode);
}

HRESULT TKivoAutomation::set_DisplayMode(TKIVODisplayMode Mode) {
  if (Mode < dmTrackInfo || Mode > dmSpectrumFalling) return E_INVALIDARG;
  FState.DisplayMode = Mode;
  NotifyStatus(stChangeDisplayMode, Mode);
  return S_OK;
}

// ---- timers ----

HRESULT TKivoAutomation::get_OnTimer(VARIANT_BOOL* Value) { return PutBool(Value, FState.OnTimer); }
HRESULT TKivoAutomation::set_OnTimer(VARIANT_BOOL Value) {
  FState.OnTimer = Value != VARIANT_FALSE;
  return S_OK;
}
HRESULT TKivoAutomation::get_OnTime(LONG* Value) { return PutValue(Value, FState.OnTime); }
HRESULT TKivoAutomation::set_OnTime(LONG Value) {
  FState.OnTime = Value;
  return S_OK;
}
HRESULT TKivoAutomation::get_OffTimer(VARIANT_BOOL* Value) {
  return PutBool(Value, FState.OffTimer);
}
HRESULT TKivoAutomation::set_OffTimer(VARIANT_BOOL Value) {
  FState.OffTimer = Value != VARIANT_FALSE;
  return S_OK;
}
HRESULT TKivoAutomation::get_OffTime(LONG* Value) { return PutValue(Value, FState.OffTime); }
HRESULT TKivoAutomation::set_OffTime(LONG Value) {
  FState.OffTime = Value;
  return S_OK;
}
HRESULT TKivoAutomation::get_ShutDownRecord(VARIANT_BOOL* Value) {
  return PutBool(Value, FState.ShutDownRecord);
}
HRESULT TKivoAutomation::set_ShutDownRecord(VARIANT_BOOL Value) {
  FState.ShutDownRecord = Value != VARIANT_FALSE;
  return S_OK;
}

// ---- levels ----

HRESULT TKivoAutomation::get_RecLevel(LONG* Value) { return PutValue(Value, FState.RecLevel); }
HRESULT TKivoAutomation::set_RecLevel(LONG Value) {
  SetLevel(FState.RecLevel, Value);
  return S_OK;
}
HRESULT TKivoAutomation::get_Rate(LONG* Value) { return PutValue(Value, FState.Rate); }
HRESULT TKivoAutomation::set_Rate(LONG Value) {
  if (Value <= 0) return E_INVALIDARG;
  FState.Rate = Value;
  return S_OK;
}
HRESULT TKivoAutomation::get_AdjustVolLevel(LONG* Value) {
  return PutValue(Value, FState.AdjustVolLevel);
}
HRESULT TKivoAutomation::set_AdjustVolLevel(LONG Value) {
  SetLevel(FState.AdjustVolLevel, Value);
  return S_OK;
}
HRESULT TKivoAutomation::get_AdjustSpeanaLevel(LONG* Value) {
  return PutValue(Value, FState.AdjustSpeanaLevel);
}
HRESULT TKivoAutomation::set_AdjustSpeanaLevel(LONG Value) {
  SetLevel(FState.AdjustSpeanaLevel, Value);
  return S_OK;
}

// ---- clients ----

HRESULT TKivoAutomation::Attach(LONG, LONG ProcessId, LONG Window, LONG* State, LONG* Reserved) {
  if (Window == 0) return E_INVALIDARG;
  FClients.Attach(WindowOf(Window));
  // A client inside the player's own process is one of its plug-ins.
  const bool plugin = static_cast<pid_t>(ProcessId) == getpid();
  if (State != nullptr) *State = plugin ? 2 : 1;
  if (Reserved != nullptr) *Reserved = static_cast<LONG>(FClients.Count());
  return S_OK;
}

HRESULT TKivoAutomation::Detach(LONG Window) {
  return FClients.Detach(WindowOf(Window)) ? S_OK : S_FALSE;
}

HRESULT TKivoAutomation::Abort(LONG Window) {
  const HWND client = WindowOf(Window);
  if (!FClients.Contains(client)) return E_INVALIDARG;
  FClients.NotifyWindow(client, {ClassAbort, 0});
  FClients.Detach(client);
  return S_OK;
}

HRESULT TKivoAutomation::Close() {
  Notify({ClassClose, 0});
  FState.QuitRequested = true;
  FState.CloseAnnounced = true;
  return S_OK;
}

// The stand-in player runs no machine: shutting down ends the player as
// closing does.
HRESULT TKivoAutomation::ShutDown() { return Close(); }

HRESULT TKivoAutomation::GetEvent(LONG Window, LONG* Mask) {
  const std::optional<DWORD> mask = FClients.Mask(WindowOf(Window));
  if (!mask) return E_INVALIDARG;
  return PutValue(Mask, static_cast<LONG>(*mask));
}

HRESULT TKivoAutomation::SetEvent(LONG Window, LONG Mask) {
  return FClients.SetMask(WindowOf(Window), static_cast<DWORD>(Mask)) ? S_OK : E_INVALIDARG;
}

HRESULT TKivoAutomation::NotifyEvent(LONG Window, LONG WParam, LONG LParam) {
  const TNotification notification{static_cast<WPARAM>(static_cast<DWORD>(WParam)),
                                   LParamOf(LParam)};
  // No window names every attached client, as a relay to all of them.
  if (Window == 0) {
    FClients.NotifyAll(notification);
    return S_OK;
  }
  return FClients.NotifyWindow(WindowOf(Window), notification) ? S_OK : E_HANDLE;
}

// ---- commands ----

HRESULT TKivoAutomation::Stop() {
  SetPlayStatus(kStatusStopped);
  if (FState.CurrentTrack() != nullptr) SeekTo(0);
  return S_OK;
}

HRESULT TKivoAutomation::Pause() {
  if (FState.PlayStatus == kStatusPlaying)
    SetPlayStatus(kStatusPaused);
  else if (FState.PlayStatus == kStatusPaused)
    SetPlayStatus(kStatusPlaying);
  return S_OK;
}

HRESULT TKivoAutomation::Play() {
  if (FState.CurrentTrack() == nullptr) {
    if (FState.PlayList.empty()) return E_UNEXPECTED;
    SelectTrack(1);
  }
  SetPlayStatus(kStatusPlaying);
  return S_OK;
}

// Fast forward and rewind jump by a step each time they are pressed; a
// release (flag 0) has nothing left to stop.
HRESULT TKivoAutomation::FF(LONG Flag) {
  if (Flag != 0 && FState.CurrentTrack() != nullptr) SeekTo(FState.PositionMs + kSeekStepMs);
  return S_OK;
}

HRESULT TKivoAutomation::Rewind(LONG Flag) {
  if (Flag != 0 && FState.CurrentTrack() != nullptr) SeekTo(FState.PositionMs - kSeekStepMs);
  return S_OK;
}

HRESULT TKivoAutomation::Next() {
  const auto tracks = static_cast<std::int32_t>(FState.PlayList.size());
  if (tracks == 0) return E_UNEXPECTED;
  if (FState.Track < tracks)
    SelectTrack(FState.Track + 1);
  else if (FState.Repeat)
    SelectTrack(1);
  else
    return S_FALSE;
  return S_OK;
}

HRESULT TKivoAutomation::Back() {
  const auto tracks = static_cast<std::int32_t>(FState.PlayList.size());
  if (tracks == 0) return E_UNEXPECTED;
  if (FState.Track > 1)
    SelectTrack(FState.Track - 1);
  else if (FState.Repeat)
    SelectTrack(tracks);
  else
    return S_FALSE;
  return S_OK;
}

HRESULT TKivoAutomation::Eject() {
  SetPlayStatus(kStatusStopped);
  SelectTrack(0);
  return S_OK;
}

HRESULT TKivoAutomation::Seek(LONG Value1, LONG Value2) {
  if (FState.CurrentTrack() == nullptr) return E_UNEXPECTED;
  if (Value2 == kSeekAbsolute)
    SeekTo(Value1);
  else if (Value2 == kSeekRelative)
    SeekTo(FState.PositionMs + Value1);
  else
    return E_INVALIDARG;
  return S_OK;
}

HRESULT TKivoAutomation::ShowPlayList() {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < FState.PlayList.size(); ++i) {
    const TTrack& track = FState.PlayList[i];
    const bool current = static_cast<std::int32_t>(i + 1) == FState.Track;
    lines.push_back((current ? "* " : "  ") + std::to_string(i + 1) + ". " + track.Title + " (" +
                    std::to_string(track.LengthMs / 1000) + " s) " + track.Path);
  }
  FActions.Show("Playlist", lines);
  return S_OK;
}

HRESULT TKivoAutomation::ShowProperty() {
  FActions.Show("Properties",
                {"Design: " + FState.Design, "Display mode: " + std::to_string(FState.DisplayMode),
                 "Volume: " + std::to_string(FState.Volume),
                 "Recording level: " + std::to_string(FState.RecLevel),
                 "Spectrum level adjustment: " + std::to_string(FState.AdjustSpeanaLevel),
                 "Band pattern: " + std::to_string(FState.SpeanaPattern)});
  return S_OK;
}

HRESULT TKivoAutomation::ShowMenu() {
  if (FActions.OpenMenu(kMainMenuId)) return S_OK;
  FActions.Show("Menu", {"Play", "Pause", "Stop", "Next", "Back", "Repeat", "Random",
                         "Display mode", "Save settings", "Close"});
  return S_OK;
}

HRESULT TKivoAutomation::ShowToolMenu() {
  if (FActions.OpenMenu(kToolsMenuId)) return S_OK;
  FActions.Show("Tools", FActions.ToolNames());
  return S_OK;
}

HRESULT TKivoAutomation::Click(LONG Value) {
  NotifyStatus(stClick, Value);
  return S_OK;
}

HRESULT TKivoAutomation::KeyDown(LONG Key, LONG) {
  switch (Key) {
    case kKeySpace:
      return FState.PlayStatus == kStatusPlaying || FState.PlayStatus == kStatusPaused ? Pause()
                                                                                       : Play();
    case kKeyLeft:
      return Rewind(1);
    case kKeyRight:
      return FF(1);
    case kKeyUp:
      return set_Volume(FState.Volume + kVolumeStep);
    case kKeyDown:
      return set_Volume(FState.Volume - kVolumeStep);
    case 'N':
      return Next();
    case 'B':
      return Back();
    case 'S':
      return Stop();
    default:
      return S_FALSE;
  }
}

HRESULT TKivoAutomation::GetText(BSTR* Text, LONG* Code, VARIANT_BOOL* Flag1, VARIANT_BOOL* Flag2,
                                 BSTR* FontName, LONG* Charset, LONG* Size, LONG* Style,
                                 LONG* Color, LONG* Value) {
  const TTrack* track = FState.CurrentTrack();
  const std::string text =
      track != nullptr ? std::to_string(FState.Track) + ". " + track->Title : std::string();
  const std::int32_t shownTime =
      FState.RemainTime ? FState.LengthMs() - FState.PositionMs : FState.PositionMs;
  const TFontRecord& font = kFonts[0];
  if (Text == nullptr || Code == nullptr || Flag1 == nullptr || Flag2 == nullptr ||
      FontName == nullptr || Charset == nullptr || Size == nullptr || Style == nullptr ||
      Color == nullptr || Value == nullptr)
    return E_POINTER;
  PutText(Text, text);
  *Code = FState.DisplayMode;
  *Flag1 = FState.Visible ? VARIANT_TRUE : VARIANT_FALSE;
  *Flag2 = FState.RemainTime ? VARIANT_TRUE : VARIANT_FALSE;
  PutText(FontName, font.Name);
  *Charset = font.Charset;
  *Size = font.Size;
  *Style = font.Style;
  *Color = font.Color;
  *Value = shownTime;
  return S_OK;
}

HRESULT TKivoAutomation::GetVolumes(LONG* Left, LONG* Right) {
  if (Left == nullptr || Right == nullptr) return E_POINTER;
  FActions.UpdateOutputLevels();
  *Left = FState.OutputLevels[0];
  *Right = FState.OutputLevels[1];
  return S_OK;
}

HRESULT TKivoAutomation::GetSpeana(LONG* Level0, LONG* Level1, LONG* Level2, LONG* Level3,
                                   LONG* Level4, LONG* Level5, LONG* Level6, LONG* Level7,
                                   LONG* Level8, LONG* Level9) {
  LONG* const levels[] = {Level0, Level1, Level2, Level3, Level4,
                          Level5, Level6, Level7, Level8, Level9};
  for (LONG* level : levels)
    if (level == nullptr) return E_POINTER;
  FActions.UpdateSpectrum();
  for (std::size_t band = 0; band < FState.Spectrum.size(); ++band)
    *levels[band] = FState.Spectrum[band];
  return S_OK;
}

HRESULT TKivoAutomation::SaveKIVOini() {
  try {
    FActions.SaveSettings();
  } catch (const std::exception&) {
    return E_FAIL;
  }
  NotifyStatus(stSaveKIVOini, 0);
  return S_OK;
}

// Shows the current state again: clients hear the play status and the
// track once more.
HRESULT TKivoAutomation::Refresh() {
  NotifyPlayStatus();
  NotifyStatus(stDisplayTrack, FState.Track);
  return S_OK;
}

HRESULT TKivoAutomation::GetColor(LONG Index, LONG* Color) {
  if (Index < 0 || Index >= static_cast<LONG>(std::size(kColors))) return E_INVALIDARG;
  return PutValue(Color, kColors[Index]);
}

HRESULT TKivoAutomation::GetFont(LONG Index, BSTR* Name, LONG* Charset, LONG* Size, LONG* Style,
                                 LONG* Color) {
  if (Index < 0 || Index >= static_cast<LONG>(std::size(kFonts))) return E_INVALIDARG;
  if (Name == nullptr || Charset == nullptr || Size == nullptr || Style == nullptr ||
      Color == nullptr)
    return E_POINTER;
  const TFontRecord& font = kFonts[Index];
  PutText(Name, font.Name);
  *Charset = font.Charset;
  *Size = font.Size;
  *Style = font.Style;
  *Color = font.Color;
  return S_OK;
}

HRESULT TKivoAutomation::GetFormImage(BSTR FileName) {
  const std::string path = BstrToString(FileName);
  if (path.empty()) return E_INVALIDARG;
  try {
    FActions.WriteFormImage(path);
  } catch (const std::exception&) {
    return E_FAIL;
  }
  return S_OK;
}

// ---- IKIVOPlayList ----

HRESULT TKivoAutomation::get_Edited(VARIANT_BOOL* Value) {
  return PutBool(Value, FState.PlayListEdited);
}
HRESULT TKivoAutomation::get_Tracks(LONG* Value) { return PutValue(Value, FState.PlayList.size()); }
HRESULT TKivoAutomation::get_PlayListTitle(BSTR* Value) {
  return PutText(Value, FState.PlayListTitle);
}
HRESULT TKivoAutomation::get_PlayListDesign(BSTR* Value) { return PutText(Value, FState.Design); }
HRESULT TKivoAutomation::get_FirstTrack(LONG* Value) {
  return PutValue(Value, FState.PlayList.empty() ? 0 : 1);
}
HRESULT TKivoAutomation::get_LastTrack(LONG* Value) {
  return PutValue(Value, FState.PlayList.size());
}
HRESULT TKivoAutomation::get_PlayListName(BSTR* Value) {
  return PutText(Value, FState.PlayListName);
}
HRESULT TKivoAutomation::get_RepeatFrom(LONG* Value) { return PutValue(Value, FState.RepeatFrom); }
HRESULT TKivoAutomation::get_RepeatTo(LONG* Value) { return PutValue(Value, FState.RepeatTo); }
HRESULT TKivoAutomation::get_SelectedTrack(LONG* Value) {
  return PutValue(Value, FState.SelectedTrack);
}
HRESULT TKivoAutomation::get_PlayListVisible(VARIANT_BOOL* Value) {
  return PutBool(Value, FState.PlayListVisible);
}
HRESULT TKivoAutomation::set_PlayListTitle(BSTR Value) {
  FState.PlayListTitle = BstrToString(Value);
  PlayListChanged();
  return S_OK;
}
// The playlist shows in the player's own design.
HRESULT TKivoAutomation::set_PlayListDesign(BSTR Value) { return set_Design(Value); }

// The first and last tracks are those of the list itself; a range to play
// is set with RepeatFrom and RepeatTo.
HRESULT TKivoAutomation::set_FirstTrack(LONG Value) {
  if (TrackAt(Value) == nullptr) return E_INVALIDARG;
  FState.RepeatFrom = Value;
  return S_OK;
}
HRESULT TKivoAutomation::set_LastTrack(LONG Value) {
  if (TrackAt(Value) == nullptr) return E_INVALIDARG;
  FState.RepeatTo = Value;
  return S_OK;
}
HRESULT TKivoAutomation::set_RepeatFrom(LONG Value) {
  if (Value != 0 && TrackAt(Value) == nullptr) return E_INVALIDARG;
  FState.RepeatFrom = Value;
  return S_OK;
}
HRESULT TKivoAutomation::set_RepeatTo(LONG Value) {
  if (Value != 0 && TrackAt(Value) == nullptr) return E_INVALIDARG;
  FState.RepeatTo = Value;
  return S_OK;
}
HRESULT TKivoAutomation::set_SelectedTrack(LONG Value) {
  if (Value != 0 && TrackAt(Value) == nullptr) return E_INVALIDARG;
  FState.SelectedTrack = Value;
  return S_OK;
}

HRESULT TKivoAutomation::New() {
  SetPlayStatus(kStatusStopped);
  SelectTrack(0);
  FState.PlayList.clear();
  FState.PlayListName.clear();
  FState.PlayListTitle.clear();
  FState.SelectedTrack = FState.RepeatFrom = FState.RepeatTo = 0;
  PlayListChanged();
  return S_OK;
}

HRESULT TKivoAutomation::Delete(LONG Index) {
  if (TrackAt(Index) == nullptr) return E_INVALIDARG;
  if (Index == FState.Track) {
    SetPlayStatus(kStatusStopped);
    SelectTrack(0);
  } else if (Index < FState.Track) {
    --FState.Track;
  }
  FState.PlayList.erase(FState.PlayList.begin() + (Index - 1));
  const auto tracks = static_cast<LONG>(FState.PlayList.size());
  for (std::int32_t* index : {&FState.SelectedTrack, &FState.RepeatFrom, &FState.RepeatTo})
    if (*index > tracks) *index = tracks;
  PlayListChanged();
  return S_OK;
}

HRESULT TKivoAutomation::set_PlayListVisible(VARIANT_BOOL Value) {
  FState.PlayListVisible = Value != VARIANT_FALSE;
  return S_OK;
}

HRESULT TKivoAutomation::Add(BSTR FileName) {
  const std::string path = BstrToString(FileName);
  if (path.empty()) return E_INVALIDARG;
  FState.PlayList.push_back(MakeTrack(path));
  PlayListChanged();
  return S_OK;
}

HRESULT TKivoAutomation::Load(BSTR FileName) {
  const std::string path = BstrToString(FileName);
  std::vector<TTrack> tracks;
  try {
    for (const std::string& entry : ReadPlayListFile(path)) tracks.push_back(MakeTrack(entry));
  } catch (const std::exception&) {
    return E_FAIL;
  }
  New();
  FState.PlayList = std::move(tracks);
  FState.PlayListName = path;
  PlayListChanged();
  FState.PlayListEdited = false;
  return S_OK;
}

HRESULT TKivoAutomation::Save(BSTR FileName) {
  const std::string path = BstrToString(FileName);
  try {
    WritePlayListFile(path, FState.PlayList);
  } catch (const std::exception&) {
    return E_FAIL;
  }
  FState.PlayListName = path;
  FState.PlayListEdited = false;
  return S_OK;
}

// A track's numbers: its length in ms, its number in the list, its bit
// rate (0: not known here), its kind, drive and CD track (0 for files),
// and two the player does not use.
HRESULT TKivoAutomation::GetTrackInfo(LONG Index, BSTR* Text1, BSTR* Text2, BSTR* Path, BSTR* Text4,
                                      BSTR* Text5, LONG* Number1, LONG* Number2, LONG* Number3,
                                      LONG* Kind, LONG* DriveTrack, LONG* Number7, LONG* Number8) {
  const TTrack* track = TrackAt(Index);
  if (track == nullptr) return E_INVALIDARG;
  BSTR* const texts[] = {Text1, Text2, Path, Text4, Text5};
  LONG* const numbers[] = {Number1, Number2, Number3, Kind, DriveTrack, Number7, Number8};
  for (BSTR* text : texts)
    if (text == nullptr) return E_POINTER;
  for (LONG* number : numbers)
    if (number == nullptr) return E_POINTER;
  PutText(Text1, track->Title);
  PutText(Text2, track->Artist);
  PutText(Path, track->Path);
  PutText(Text4, track->Album);
  PutText(Text5, track->Comment);
  *Number1 = track->LengthMs;
  const std::array<std::int32_t, 6> own = {Index, 0, track->Path.empty() ? dtStream : dtFile,
                                           0,     0, 0};
  const std::array<std::int32_t, 6>& values = track->WrittenNumbers.value_or(own);
  for (std::size_t i = 0; i < values.size(); ++i) *numbers[i + 1] = values[i];
  return S_OK;
}

HRESULT TKivoAutomation::SetTrackInfo(LONG Index, BSTR Text1, BSTR Text2, BSTR Path, BSTR Text4,
                                      BSTR Text5, LONG Number1, LONG Number2, LONG Number3,
                                      LONG Kind, LONG DriveTrack, LONG Number7, LONG Number8) {
  if (TrackAt(Index) == nullptr) return E_INVALIDARG;
  TTrack& track = FState.PlayList[static_cast<std::size_t>(Index - 1)];
  track.Title = BstrToString(Text1);
  track.Artist = BstrToString(Text2);
  track.Path = BstrToString(Path);
  track.Album = BstrToString(Text4);
  track.Comment = BstrToString(Text5);
  track.LengthMs = std::max<LONG>(Number1, 0);
  track.WrittenNumbers = {Number2, Number3, Kind, DriveTrack, Number7, Number8};
  PlayListChanged();
  return S_OK;
}

// ---- IKIVOLyrics ----

HRESULT TKivoAutomation::get_Line(LONG* Value) {
  return PutValue(Value, LyricsLineAt(FState.Lyrics, FState.PositionMs + FState.LyricsAdjustMs));
}
HRESULT TKivoAutomation::get_Lines(LONG* Value) { return PutValue(Value, FState.Lyrics.size()); }
HRESULT TKivoAutomation::get_VisibleLyrics(VARIANT_BOOL* Value) {
  return PutBool(Value, FState.LyricsVisible);
}
HRESULT TKivoAutomation::get_ShowAccelChar(VARIANT_BOOL* Value) { return PutBool(Value, false); }
HRESULT TKivoAutomation::get_Adjust(LONG* Value) { return PutValue(Value, FState.LyricsAdjustMs); }
HRESULT TKivoAutomation::get_LyricsTitle(BSTR* Value) {
  const TTrack* track = FState.CurrentTrack();
  return PutText(Value, track != nullptr ? track->Title : "");
}
HRESULT TKivoAutomation::get_LyricsArtist(BSTR* Value) {
  const TTrack* track = FState.CurrentTrack();
  return PutText(Value, track != nullptr ? track->Artist : "");
}
// A timed lyrics file names neither lyricist, composer nor presenter.
HRESULT TKivoAutomation::get_Lyrics(BSTR* Value) { return PutText(Value, ""); }
HRESULT TKivoAutomation::get_Music(BSTR* Value) { return PutText(Value, ""); }
HRESULT TKivoAutomation::get_Presenter(BSTR* Value) { return PutText(Value, ""); }
HRESULT TKivoAutomation::get_Comment(BSTR* Value) {
  const TTrack* track = FState.CurrentTrack();
  return PutText(Value, track != nullptr ? track->Comment : "");
}
HRESULT TKivoAutomation::get_LyricsWidth(LONG* Value) { return PutValue(Value, FState.Width); }
HRESULT TKivoAutomation::get_LyricsHeight(LONG* Value) { return PutValue(Value, FState.Height); }
HRESULT TKivoAutomation::get_LyricsName(BSTR* Value) { return PutText(Value, FState.LyricsName); }

// A line: its time in ms as its number, its text, its index as its code,
// whether it is being sung, and the display's lyrics font.
HRESULT TKivoAutomation::GetLine(LONG Index, LONG* Number, BSTR* Text, LONG* Code,
                                 VARIANT_BOOL* Flag1, BSTR* FontName, LONG* Charset, LONG* Size,
                                 LONG* Style, LONG* Color, LONG* Value) {
  if (Index < 0 || Index >= static_cast<LONG>(FState.Lyrics.size())) return E_INVALIDARG;
  if (Number == nullptr || Text == nullptr || Code == nullptr || Flag1 == nullptr ||
      FontName == nullptr || Charset == nullptr || Size == nullptr || Style == nullptr ||
      Color == nullptr || Value == nullptr)
    return E_POINTER;
  const TLyricsLine& line = FState.Lyrics[static_cast<std::size_t>(Index)];
  const TFontRecord& font = kFonts[1];
  LONG current = 0;
  get_Line(&current);
  *Number = line.TimeMs;
  PutText(Text, line.Text);
  *Code = Index;
  *Flag1 = current == Index ? VARIANT_TRUE : VARIANT_FALSE;
  PutText(FontName, font.Name);
  *Charset = font.Charset;
  *Size = font.Size;
  *Style = font.Style;
  *Color = font.Color;
  *Value = line.TimeMs - FState.PositionMs;
  return S_OK;
}

}  // namespace kivo
