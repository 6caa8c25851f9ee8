// The player's automation object: one object serving the four interfaces
// of the player's type library over the player's state. Every operation
// does to the state what the player's own controls would do and posts the
// notifications that the change calls for to the attached clients.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "hostlink/Kivo_tlb.h"
#include "platform/com/ComPtr.h"
#include "player/PlayerState.h"
#include "player/notify/ClientList.h"

namespace kivo {

// What the automation object leaves to the rest of the player.
class TPlayerActions {
 public:
  virtual HWND MainWindow() const = 0;
  // Writes the player settings file from the state.
  virtual void SaveSettings() = 0;
  // Writes the visualisation window as a PNG file; raises on failure.
  virtual void WriteFormImage(const std::string& path) = 0;
  // The names in the settings file's tool list.
  virtual std::vector<std::string> ToolNames() const = 0;
  // Shows a titled list to the person running the player.
  virtual void Show(const std::string& title, const std::vector<std::string>& lines) = 0;
  // Opens the player's menu of that identifier (the whole menu, the tools
  // submenu) in the view the person sees; false when there is none.
  virtual bool OpenMenu(std::int32_t) { return false; }
  // Brings the state's spectrum up to the latest block played, for a
  // client about to read it; nothing to do for a player that keeps it
  // current.
  virtual void UpdateSpectrum() {}
  // The same for the output levels.
  virtual void UpdateOutputLevels() {}

 protected:
  ~TPlayerActions() = default;
};

class TKivoAutomation final : public Kivo_tlb::IKIVOControl,
                              public Kivo_tlb::IKIVOPlayList,
                              public Kivo_tlb::IKIVOLyrics,
                              public Kivo_tlb::IKIVOMenu {
 public:
  static constexpr LONG kVersion = 6100;
  // The oldest client interface version the player still serves.
  static constexpr LONG kOldestClientVersion = 4300;
  static constexpr LONG kSeekStepMs = 5000;

  // A new object with one reference, which the caller owns. The state, the
  // client list and the actions must outlive it.
  static TComPtr<Kivo_tlb::IKIVOControl> Create(TPlayerState& state, TClientList& clients,
                                                TPlayerActions& actions);

  // ---- IUnknown and IDispatch ----
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** typeInfo) override;
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT nameCount, LCID locale,
                        DISPID* dispIds) override;
  HRESULT Invoke(DISPID member, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* exceptionInfo, UINT* argumentError) override;

  // ---- IKIVOControl ----
  HRESULT get_Version(LONG* Value) override;
  HRESULT CheckVersion(LONG Version) override;
  HRESULT get_Handle(LONG* Value) override;
  HRESULT get_Visible(LONG* Value) override;
  HRESULT set_Visible(LONG Value) override;
  HRESULT get_Left(LONG* Value) override;
  HRESULT set_Left(LONG Value) override;
  HRESULT get_Top(LONG* Value) override;
  HRESULT set_Top(LONG Value) override;
  HRESULT get_Width(LONG* Value) override;
  HRESULT get_Height(LONG* Value) override;
  HRESULT get_PlayStatus(LONG* Value) override;
  HRESULT get_Track(LONG* Value) override;
  HRESULT set_Track(LONG Value) override;
  HRESULT get_Position(LONG* Value) override;
  HRESULT set_Position(LONG Value) override;
  HRESULT get_Length(LONG* Value) override;
  HRESULT get_Volume(LONG* Value) override;
  HRESULT set_Volume(LONG Value) override;
  HRESULT get_Counter(LONG* Value) override;
  HRESULT set_Counter(LONG Value) override;
  HRESULT get_Repeat(VARIANT_BOOL* Value) override;
  HRESULT set_Repeat(VARIANT_BOOL Value) override;
  HRESULT get_Random(VARIANT_BOOL* Value) override;
  HRESULT set_Random(VARIANT_BOOL Value) override;
  HRESULT get_RemainTime(VARIANT_BOOL* Value) override;
  HRESULT set_RemainTime(VARIANT_BOOL Value) override;
  HRESULT get_Design(BSTR* Value) override;
  HRESULT set_Design(BSTR Value) override;
  HRESULT get_Skin(BSTR* Value) override;
  HRESULT set_Skin(BSTR Value) override;
  HRESULT get_DisplayMode(Kivo_tlb::TKIVODisplayMode* Mode) override;
  HRESULT set_DisplayMode(Kivo_tlb::TKIVODisplayMode Mode) override;
  HRESULT get_OnTimer(VARIANT_BOOL* Value) override;
  HRESULT set_OnTimer(VARIANT_BOOL Value) override;
  HRESULT get_OnTime(LONG* Value) override;
  HRESULT set_OnTime(LONG Value) override;
  HRESULT get_OffTimer(VARIANT_BOOL* Value) override;
  HRESULT set_OffTimer(VARIANT_BOOL Value) override;
  HRESULT get_OffTime(LONG* Value) override;
  HRESULT set_OffTime(LONG Value) override;
  HRESULT get_ShutDownRecord(VARIANT_BOOL* Value) override;
  HRESULT set_ShutDownRecord(VARIANT_BOOL Value) override;
  HRESULT get_RecLevel(LONG* Value) override;
  HRESULT set_RecLevel(LONG Value) override;
  HRESULT Attach(LONG Instance, LONG ProcessId, LONG Window, LONG* State, LONG* Reserved) override;
  HRESULT Detach(LONG Window) override;
  HRESULT Abort(LONG Window) override;
  HRESULT Close() override;
  HRESULT ShutDown() override;
  HRESULT GetEvent(LONG Window, LONG* Mask) override;
  HRESULT SetEvent(LONG Window, LONG Mask) override;
  HRESULT NotifyEvent(LONG Window, LONG WParam, LONG LParam) override;
  HRESULT Stop() override;
  HRESULT Pause() override;
  HRESULT Play() override;
  HRESULT FF(LONG Flag) override;
  HRESULT Rewind(LONG Flag) override;
  HRESULT Next() override;
  HRESULT Back() override;
  HRESULT Eject() override;
  HRESULT Seek(LONG Value1, LONG Value2) override;
  HRESULT ShowPlayList() override;
  HRESULT ShowProperty() override;
  HRESULT ShowMenu() override;
  HRESULT ShowToolMenu() override;
  HRESULT Click(LONG Value) override;
  HRESULT KeyDown(LONG Key, LONG Shift) override;
  HRESULT GetText(BSTR* Text, LONG* Code, VARIANT_BOOL* Flag1, VARIANT_BOOL* Flag2, BSTR* FontName,
                  LONG* Charset, LONG* Size, LONG* Style, LONG* Color, LONG* Value) override;
  HRESULT GetVolumes(LONG* Left, LONG* Right) override;
  HRESULT GetSpeana(LONG* Level0, LONG* Level1, LONG* Level2, LONG* Level3, LONG* Level4,
                    LONG* Level5, LONG* Level6, LONG* Level7, LONG* Level8, LONG* Level9) override;
  HRESULT SaveKIVOini() override;
  HRESULT Refresh() override;
  HRESULT GetColor(LONG Index, LONG* Color) override;
  HRESULT GetFont(LONG Index, BSTR* Name, LONG* Charset, LONG* Size, LONG* Style,
                  LONG* Color) override;
  HRESULT GetFormImage(BSTR FileName) override;
  HRESULT get_Rate(LONG* Value) override;
  HRESULT set_Rate(LONG Value) override;
  HRESULT get_AdjustVolLevel(LONG* Value) override;
  HRESULT set_AdjustVolLevel(LONG Value) override;
  HRESULT get_AdjustSpeanaLevel(LONG* Value) override;
  HRESULT set_AdjustSpeanaLevel(LONG Value) override;

  // ---- IKIVOPlayList ----
  HRESULT get_Edited(VARIANT_BOOL* Value) override;
  HRESULT get_Tracks(LONG* Value) override;
  HRESULT get_PlayListTitle(BSTR* Value) override;
  HRESULT get_PlayListDesign(BSTR* Value) override;
  HRESULT get_FirstTrack(LONG* Value) override;
  HRESULT get_LastTrack(LONG* Value) override;
  HRESULT get_PlayListName(BSTR* Value) override;
  HRESULT get_RepeatFrom(LONG* Value) override;
  HRESULT get_RepeatTo(LONG* Value) override;
  HRESULT get_SelectedTrack(LONG* Value) override;
  HRESULT get_PlayListVisible(VARIANT_BOOL* Value) override;
  HRESULT set_PlayListTitle(BSTR Value) override;
  HRESULT set_PlayListDesign(BSTR Value) override;
  HRESULT set_FirstTrack(LONG Value) override;
  HRESULT set_LastTrack(LONG Value) override;
  HRESULT set_RepeatFrom(LONG Value) override;
  HRESULT set_RepeatTo(LONG Value) override;
  HRESULT set_SelectedTrack(LONG Value) override;
  HRESULT New() override;
  HRESULT Delete(LONG Index) override;
  HRESULT set_PlayListVisible(VARIANT_BOOL Value) override;
  HRESULT Add(BSTR FileName) override;
  HRESULT Load(BSTR FileName) override;
  HRESULT Save(BSTR FileName) override;
  HRESULT GetTrackInfo(LONG Index, BSTR* Text1, BSTR* Text2, BSTR* Path, BSTR* Text4, BSTR* Text5,
                       LONG* Number1, LONG* Number2, LONG* Number3, LONG* Kind, LONG* DriveTrack,
                       LONG* Number7, LONG* Number8) override;
  HRESULT SetTrackInfo(LONG Index, BSTR Text1, BSTR Text2, BSTR Path, BSTR Text4, BSTR Text5,
                       LONG Number1, LONG Number2, LONG Number3, LONG Kind, LONG DriveTrack,
                       LONG Number7, LONG Number8) override;

  // ---- IKIVOLyrics ----
  HRESULT get_Line(LONG* Value) override;
  HRESULT get_Lines(LONG* Value) override;
  HRESULT get_VisibleLyrics(VARIANT_BOOL* Value) override;
  HRESULT get_ShowAccelChar(VARIANT_BOOL* Value) override;
  HRESULT get_Adjust(LONG* Value) override;
  HRESULT get_LyricsTitle(BSTR* Value) override;
  HRESULT get_LyricsArtist(BSTR* Value) override;
  HRESULT get_Lyrics(BSTR* Value) override;
  HRESULT get_Music(BSTR* Value) override;
  HRESULT get_Presenter(BSTR* Value) override;
  HRESULT get_Comment(BSTR* Value) override;
  HRESULT get_LyricsWidth(LONG* Value) override;
  HRESULT get_LyricsHeight(LONG* Value) override;
  HRESULT get_LyricsName(BSTR* Value) override;
  HRESULT GetLine(LONG Index, LONG* Number, BSTR* Text, LONG* Code, VARIANT_BOOL* Flag1,
                  BSTR* FontName, LONG* Charset, LONG* Size, LONG* Style, LONG* Color,
                  LONG* Value) override;

 private:
  TKivoAutomation(TPlayerState& state, TClientList& clients, TPlayerActions& actions)
      : FState(state), FClients(clients), FActions(actions) {}
  ~TKivoAutomation() = default;

  void Notify(const TNotification& notification) { FClients.Notify(notification); }
  void NotifyStatus(TStatusCode code, std::int32_t value);
  void NotifyPlayStatus();
  void SetPlayStatus(std::int32_t status);
  // Closes the current track and opens track `track` (1-based, 0 for none).
  void SelectTrack(std::int32_t track);
  void SeekTo(std::int32_t positionMs);
  void MoveTo(std::int32_t left, std::int32_t top);
  void SetLevel(std::int32_t& level, LONG value);
  void PlayListChanged();
  const TTrack* TrackAt(LONG index) const;

  TPlayerState& FState;
  TClientList& FClients;
  TPlayerActions& FActions;
  std::atomic<ULONG> FReferences{1};
};

}  // namespace kivo
