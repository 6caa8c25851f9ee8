// The host link: TKIVO, the non-visual component through which a client
// talks to the running KIVO player, with its companions (menu wrappers,
// track records, text objects and the lyrics cache).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostlink/KivoHolder.h"
#include "hostlink/Kivo_tlb.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Graphics.h"
#include "platform/win/Messages.h"

using Kivo_tlb::TKIVODeviceType;
using Kivo_tlb::TKIVODisplayMode;

class TKIVO;

// The optional notification classes a client can ask the player for.
enum TKIVOEventItem { evVolume, evSpeana, evLyrics, evCounter, evPosition, evTimer, evMove };
using TKIVOEventSet = TSet<TKIVOEventItem>;

// The component library's shift state, as KeyDown passes it on.
enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;

using TKIVOEvent = TMethod<void(TObject* Sender, DWORD Event, int Param)>;
using TKIVOParamEvent = TMethod<void(TObject* Sender, int Param)>;
using TKIVOLeftRightEvent = TMethod<void(TObject* Sender, int Left, int Right)>;
using TKIVOSpeanaEvent = TMethod<void(TObject* Sender, int* Level)>;
using TKIVOFlagEvent = TMethod<void(TObject* Sender, bool Flag)>;
using TKIVODeviceEvent = TMethod<void(TObject* Sender, TKIVODeviceType Device)>;
using TKIVODisplayModeEvent = TMethod<void(TObject* Sender, TKIVODisplayMode Mode)>;

// One wrapper per player menu identifier, owned by the TKIVO that made it.
class TKIVOMenu : public TComponent {
 public:
  TKIVOMenu(TKIVO* AOwner, int AMenuId);
  ~TKIVOMenu() override;

  int MenuId;
  TNotifyEvent OnSelect;
};

// A track of the player's playlist. Kind 16 and 17 mark audio-CD tracks.
struct TTrackInfo {
  std::string Text1;
  std::string Text2;
  std::string Path;
  std::string Text4;
  std::string Text5;
  std::int32_t Number1 = 0;
  std::int32_t Number2 = 0;
  std::int32_t Number3 = 0;
  std::int32_t Kind = 0;
  std::int32_t Drive = 0;
  std::int32_t CDTrack = 0;
  std::int32_t Number7 = 0;
  std::int32_t Number8 = 0;
  std::int32_t Number9 = 0;

  friend bool operator==(const TTrackInfo&, const TTrackInfo&) = default;
};

// The component's way to the playlist's track information.
class TPlayList {
 public:
  explicit TPlayList(TKIVO* AOwner) : Owner(AOwner) {}

  TTrackInfo GetTrackInfo(int Index) const;
  void SetTrackInfo(int Index, const TTrackInfo& Info) const;

  TKIVO* Owner;
};

// What the player delivers for one text: the display text or a lyrics line.
struct TKIVOTextRecord {
  LONG Number = -1;
  std::string Text;
  LONG Code = 2;
  VARIANT_BOOL Flag1 = VARIANT_TRUE;
  VARIANT_BOOL Flag2 = VARIANT_FALSE;
  std::string FontName;
  LONG Charset = DEFAULT_CHARSET;
  LONG Size = 0;
  LONG Style = 0;
  LONG Color = 0;
  LONG Value = 0;
};

// The look the player gives a font: name, charset, size (negative: a height
// in pixels), style bits (1 bold, 2 italic, 4 underline, 8 strike-out) and
// colour.
void AssignHostFont(TFont& Font, const std::string& Name, LONG Charset, LONG Size, LONG Style,
                    LONG Color);

// A text with its look.
class TLyrics {
 public:
  TLyrics();
  TLyrics(const TLyrics&) = delete;
  TLyrics& operator=(const TLyrics&) = delete;
  ~TLyrics();

  // Takes every value of the record, the number and second flag included.
  void Assign(const TKIVOTextRecord& Record);

  std::unique_ptr<TFont> Font;
  int Number = -1;
  std::string Text;
  std::uint8_t Code = 2;
  bool Flag1 = true;
  bool Flag2 = false;
  int Value = 0;
  int Spare = 0;
};

// The lyrics lines read so far, indexed by line number; owns its TLyrics.
class TLyricsList {
 public:
  explicit TLyricsList(TKIVO* AOwner) : Owner(AOwner) {}
  TLyricsList(const TLyricsList&) = delete;
  TLyricsList& operator=(const TLyricsList&) = delete;
  ~TLyricsList() { Clear(); }

  TLyrics* GetItem(int Index);
  int UpdateCount();
  void Clear();
  int Count() const { return static_cast<int>(Items.size()); }

  TKIVO* Owner;
  std::vector<std::unique_ptr<TLyrics>> Items;
};

class TKIVO : public TComponent {
 public:
  explicit TKIVO(TComponent* AOwner);
  ~TKIVO() override;

  void Loaded() override;
  virtual void WndProc(TMessage& Message);
  virtual void KIVOHandler(WPARAM WParam, LPARAM LParam);

  // Discovery and binding.
  void Bind();
  void Unbind();
  bool Execute(const std::string& Params);
  HWND GetKIVOHandle();
  bool Post(int Msg, int WParam, int LParam);
  int Request(int Msg, int WParam, int LParam);
  void Close();
  void Abort();
  void ShutDown();
  int GetVersion();
  bool CheckVersion(int Version);
  bool IsPlugin() const;
  bool AutoLink() const { return FAutoLink; }
  void SetAutoLink(bool Value);
  bool IsBound() const { return Bound; }
  HWND KIVOWindow() const { return HostWindow; }
  UINT KIVOMessage() const { return MessageId; }

  // Properties of the player.
  int GetLeft();
  void SetLeft(int Value);
  int GetTop();
  void SetTop(int Value);
  int GetWidth();
  int GetHeight();
  bool GetVisible();
  void SetVisible(bool Value);
  int GetPlayStatus();
  int GetTracks();
  int GetTrack();
  void SetTrack(int Value);
  int GetLength();
  int GetPosition();
  void SetPosition(int Value);
  int GetVolume();
  void SetVolume(int Value);
  int GetCounter();
  void SetCounter(int Value);
  bool GetRepeat();
  void SetRepeat(bool Value);
  bool GetRandom();
  void SetRandom(bool Value);
  bool GetRemainTime();
  void SetRemainTime(bool Value);
  bool GetOnTimer();
  void SetOnTimer(bool Value);
  int GetOnTime();
  void SetOnTime(int Value);
  bool GetOffTimer();
  void SetOffTimer(bool Value);
  int GetOffTime();
  void SetOffTime(int Value);
  bool GetShutDownRecord();
  void SetShutDownRecord(bool Value);
  int GetRecLevel();
  void SetRecLevel(int Value);
  int GetRate();
  void SetRate(int Value);
  int GetAdjustVolLevel();
  void SetAdjustVolLevel(int Value);
  int GetAdjustSpeanaLevel();
  void SetAdjustSpeanaLevel(int Value);
  TKIVODisplayMode GetDisplayMode();
  void SetDisplayMode(TKIVODisplayMode Value);

  // Commands.
  void Play();
  void Stop();
  void Pause();
  void FF(bool Value);
  void Rewind(bool Value);
  void Next();
  void Back();
  void Eject();
  void Seek(int Value1, int Value2);
  void Click(int Value);
  void KeyDown(std::uint16_t Key, TShiftState Shift);
  void ShowMenu();
  void ShowToolMenu();
  void ShowPlayList();
  void ShowProperty();
  void SaveKIVOini();
  void GetFormImage(const std::string& FileName);
  void New();
  void Add(const std::string& FileName);
  void Load(const std::string& FileName);
  void Save(const std::string& FileName);

  // Values read without a report.
  void GetVolumes(int* Left, int* Right);
  void GetSpeana(int* Level);
  int GetColor(int Index);

  // Design and tool settings.
  std::string GetDesign();
  void SetDesign(const std::string& Path);
  bool ToolExists(const std::string& Name) const;
  void SetTool(const std::string& Name, const std::string& Value);
  void DeleteTool(const std::string& Name);

  // Track information and text objects; the pointers stay owned here.
  TTrackInfo GetTrackInfo(int Index);
  void SetTrackInfo(int Index, const TTrackInfo& Info);
  TLyrics* GetText();
  TLyrics* GetLyricsText(int Index);
  TFont* GetFont(int Index);

  // Menu wrappers.
  TKIVOMenu* GetMenu(int Id);
  TKIVOMenu* RemoveMenu(TKIVOMenu* Menu);
  void DeleteMenu(TKIVOMenu* Menu);
  void ClearMenuList();
  int MenuCount() const { return FMenuList->Count(); }
  void NotifyMenu(int Id);
  void NotifyDeleteMenu(int Id);

  // Notifications from the player.
  void NotifyOpen(HWND Window);
  void NotifyClose(LPARAM Value);
  void NotifyRun(int Value);
  void NotifyAbort();
  void NotifyUser(UINT Code, int Value);
  void NotifyPlayStatus(int Value);
  void NotifyLyrics(int Value);
  void NotifyCounter(int Value);
  void NotifyPosition(int Value);
  void NotifyTimer(int Value);
  void NotifyVolume(int Left, int Right);
  void NotifyMove(int Left, int Right);
  void NotifyButton(int Code, int Value);
  void NotifyStatus(int Code, int Value);
  void NotifySpeana(int WParam, int LParam);

  // Event subscription.
  DWORD GetEvent();
  void SetEvent(DWORD Mask);
  TKIVOEventSet GetEvents();
  void SetEvents(TKIVOEventSet Events);
  void NotifyEvent(HWND Target, DWORD WParam, int LParam);

  std::string HostPath;
  HWND WindowHandle = nullptr;

  TKIVOEvent OnKIVO;
  TNotifyEvent OnOpen;
  TNotifyEvent OnClose;
  TNotifyEvent OnRun;
  TNotifyEvent OnAbort;
  TKIVOParamEvent OnPlayStatus;
  TKIVOLeftRightEvent OnVolume;
  TKIVOSpeanaEvent OnSpeana;
  TKIVOParamEvent OnLyrics;
  TKIVOParamEvent OnCounter;
  TKIVOParamEvent OnPosition;
  TKIVOParamEvent OnIntTimer;
  TKIVOEvent OnButton;
  TNotifyEvent OnMenu;
  TNotifyEvent OnBind;
  TNotifyEvent OnUnbind;
  TKIVOLeftRightEvent OnMove;
  TKIVOLeftRightEvent OnMoved;
  TKIVOEvent OnStatus;
  TKIVOFlagEvent OnVisible;
  TKIVOFlagEvent OnActive;
  TKIVOFlagEvent OnMinimize;
  TKIVOFlagEvent OnStayOnTop;
  TKIVOFlagEvent OnRepeat;
  TKIVOFlagEvent OnRandom;
  TKIVOFlagEvent OnDisplayTime;
  TKIVOParamEvent OnChangeVolume;
  TKIVOParamEvent OnDisplayTrack;
  TKIVOParamEvent OnDisplayTitle;
  TKIVODeviceEvent OnDisplayDevice;
  TNotifyEvent OnDisplayCaption;
  TKIVOParamEvent OnDisplayTimer;
  TKIVOParamEvent OnOpenTrack;
  TKIVOParamEvent OnCloseTrack;
  TNotifyEvent OnSaveKIVOini;
  TNotifyEvent OnDesign;
  TKIVOParamEvent OnClick;
  TKIVOParamEvent OnDblClick;
  TNotifyEvent OnDisplayMenu;
  TKIVOEvent OnUser;
  TNotifyEvent OnLoadLyrics;
  TKIVOParamEvent OnChangePlayList;
  TKIVODisplayModeEvent OnChangeDisplayMode;
  TKIVOParamEvent OnAdjustLevel;

 private:
  friend class TPlayList;
  friend class TLyricsList;
  friend struct KivoTestAccess;

  void LocateHostProgram();
  bool QueryInterfaces(const TComPtr<IUnknown>& Object);
  void ShowBindError(const std::string& Message);
  void Attach();
  void DispatchBoundClass(DWORD Class, DWORD SubCode, WPARAM WParam, LPARAM LParam);
  void RaiseStatusEvent(int Code, int Value);
  std::string SettingsFileName() const;
  std::string ExpandDesignPath(const std::string& Design) const;
  void ReleaseHolders();
  bool MenuAlive(const TKIVOMenu* Menu) const;

  template <class Result>
  Result ReadLong(HRESULT (Kivo_tlb::IKIVOControl::*Read)(LONG*), const char* CallText, int Line,
                  Result Unbound);
  bool ReadBool(HRESULT (Kivo_tlb::IKIVOControl::*Read)(VARIANT_BOOL*), const char* CallText,
                int Line);
  template <class... Args, class... Values>
  void Command(HRESULT (Kivo_tlb::IKIVOControl::*Operation)(Args...), Values... Arguments);

  UINT MessageId = 0;
  std::unique_ptr<TInterfaceHolder<Kivo_tlb::IKIVOControl>> FControl;
  std::unique_ptr<TInterfaceHolder<Kivo_tlb::IKIVOPlayList>> FPlayListIntf;
  std::unique_ptr<TInterfaceHolder<Kivo_tlb::IKIVOLyrics>> FLyricsIntf;
  std::unique_ptr<TInterfaceHolder<Kivo_tlb::IKIVOMenu>> FMenuIntf;
  HWND HostWindow = nullptr;
  std::uint8_t PluginState = 0;
  bool Bound = false;
  bool FAutoLink = true;
  DWORD EventMask = 0;
  std::unique_ptr<TLyrics> FText;
  std::unique_ptr<TLyricsList> FLyricsList;
  std::unique_ptr<TPlayList> FPlayList;
  std::array<TKIVOMenu*, 4> FFixedMenus{};
  std::unique_ptr<TList> FMenuList;
  std::unique_ptr<TFont> FFont;
  bool ComInitialized = false;
};

namespace Kivo {
// Design-time registration: places TKIVO on the palette page "SOLVANE".
void Register();
}  // namespace Kivo
