// The KIVO player's automation type library: its class, its four dual
// interfaces and its enumerations. The player implements these interfaces;
// the host link only calls them. Every interface keeps the operations of the
// type library in their slot order, including those that no client here
// calls, so the player and its clients agree on every slot.
#pragma once

#include <cstdint>

#include "platform/com/Bstr.h"
#include "platform/com/Unknown.h"

namespace Kivo_tlb {

inline constexpr CLSID CLSID_KIVOControl = StringToGUID("{83329E85-0A15-11D3-95BA-004845C01785}");
inline constexpr IID IID_IKIVOControl = StringToGUID("{83329E81-0A15-11D3-95BA-004845C01785}");
inline constexpr IID IID_IKIVOPlayList = StringToGUID("{83329E82-0A15-11D3-95BA-004845C01785}");
inline constexpr IID IID_IKIVOLyrics = StringToGUID("{83329E83-0A15-11D3-95BA-004845C01785}");
inline constexpr IID IID_IKIVOMenu = StringToGUID("{83329E84-0A15-11D3-95BA-004845C01785}");

// The player's display modes; clients pass them through unchanged. The
// three spectrum displays are 2, 3 and 4.
enum TKIVODisplayMode : std::int32_t {
  dmTrackInfo = 0,
  dmLevelMeter = 1,
  dmSpectrumBars = 2,
  dmSpectrumPeaks = 3,
  dmSpectrumFalling = 4,
};

// The kind of device the player shows; passed through unchanged.
enum TKIVODeviceType : std::int32_t {
  dtNone = 0,
  dtFile = 1,
  dtAudioCD = 2,
  dtStream = 3,
};

// The player itself: window, transport, levels, switches, settings, text,
// colours, fonts and notifications. Window handles travel as LONG.
class IKIVOControl : public IDispatch {
 public:
  virtual HRESULT get_Version(LONG* Value) = 0;                 // 1
  virtual HRESULT CheckVersion(LONG Version) = 0;               // 2
  virtual HRESULT get_Handle(LONG* Value) = 0;                  // 3
  virtual HRESULT get_Visible(LONG* Value) = 0;                 // 4
  virtual HRESULT set_Visible(LONG Value) = 0;                  // 5
  virtual HRESULT get_Left(LONG* Value) = 0;                    // 6
  virtual HRESULT set_Left(LONG Value) = 0;                     // 7
  virtual HRESULT get_Top(LONG* Value) = 0;                     // 8
  virtual HRESULT set_Top(LONG Value) = 0;                      // 9
  virtual HRESULT get_Width(LONG* Value) = 0;                   // 10
  virtual HRESULT get_Height(LONG* Value) = 0;                  // 11
  virtual HRESULT get_PlayStatus(LONG* Value) = 0;              // 12
  virtual HRESULT get_Track(LONG* Value) = 0;                   // 13
  virtual HRESULT set_Track(LONG Value) = 0;                    // 14
  virtual HRESULT get_Position(LONG* Value) = 0;                // 15
  virtual HRESULT set_Position(LONG Value) = 0;                 // 16
  virtual HRESULT get_Length(LONG* Value) = 0;                  // 17
  virtual HRESULT get_Volume(LONG* Value) = 0;                  // 18
  virtual HRESULT set_Volume(LONG Value) = 0;                   // 19
  virtual HRESULT get_Counter(LONG* Value) = 0;                 // 20
  virtual HRESULT set_Counter(LONG Value) = 0;                  // 21
  virtual HRESULT get_Repeat(VARIANT_BOOL* Value) = 0;          // 22
  virtual HRESULT set_Repeat(VARIANT_BOOL Value) = 0;           // 23
  virtual HRESULT get_Random(VARIANT_BOOL* Value) = 0;          // 24
  virtual HRESULT set_Random(VARIANT_BOOL Value) = 0;           // 25
  virtual HRESULT get_RemainTime(VARIANT_BOOL* Value) = 0;      // 26
  virtual HRESULT set_RemainTime(VARIANT_BOOL Value) = 0;       // 27
  virtual HRESULT get_Design(BSTR* Value) = 0;                  // 28
  virtual HRESULT set_Design(BSTR Value) = 0;                   // 29
  virtual HRESULT get_Skin(BSTR* Value) = 0;                    // 30
  virtual HRESULT set_Skin(BSTR Value) = 0;                     // 31
  virtual HRESULT get_DisplayMode(TKIVODisplayMode* Mode) = 0;  // 32
  virtual HRESULT set_DisplayMode(TKIVODisplayMode Mode) = 0;   // 33
  virtual HRESULT get_OnTimer(VARIANT_BOOL* Value) = 0;         // 34
  virtual HRESULT set_OnTimer(VARIANT_BOOL Value) = 0;          // 35
  virtual HRESULT get_OnTime(LONG* Value) = 0;                  // 36
  virtual HRESULT set_OnTime(LONG Value) = 0;                   // 37
  virtual HRESULT get_OffTimer(VARIANT_BOOL* Value) = 0;        // 38
  virtual HRESULT set_OffTimer(VARIANT_BOOL Value) = 0;         // 39
  virtual HRESULT get_OffTime(LONG* Value) = 0;                 // 40
  virtual HRESULT set_OffTime(LONG Value) = 0;                  // 41
  virtual HRESULT get_ShutDownRecord(VARIANT_BOOL* Value) = 0;  // 42
  virtual HRESULT set_ShutDownRecord(VARIANT_BOOL Value) = 0;   // 43
  virtual HRESULT get_RecLevel(LONG* Value) = 0;                // 44
  virtual HRESULT set_RecLevel(LONG Value) = 0;                 // 45
  // The player writes the client's plug-in state into *State (0 no answer,
  // 1 not a plug-in, other values a plug-in); *Reserved is the player's.
  virtual HRESULT Attach(LONG Instance, LONG ProcessId, LONG Window, LONG* State,
                         LONG* Reserved) = 0;                              // 46
  virtual HRESULT Detach(LONG Window) = 0;                                 // 47
  virtual HRESULT Abort(LONG Window) = 0;                                  // 48
  virtual HRESULT Close() = 0;                                             // 49
  virtual HRESULT ShutDown() = 0;                                          // 50
  virtual HRESULT GetEvent(LONG Window, LONG* Mask) = 0;                   // 51
  virtual HRESULT SetEvent(LONG Window, LONG Mask) = 0;                    // 52
  virtual HRESULT NotifyEvent(LONG Window, LONG WParam, LONG LParam) = 0;  // 53
  virtual HRESULT Stop() = 0;                                              // 54
  virtual HRESULT Pause() = 0;                                             // 55
  virtual HRESULT Play() = 0;                                              // 56
  virtual HRESULT FF(LONG Flag) = 0;                                       // 57
  virtual HRESULT Rewind(LONG Flag) = 0;                                   // 58
  virtual HRESULT Next() = 0;                                              // 59
  virtual HRESULT Back() = 0;                                              // 60
  virtual HRESULT Eject() = 0;                                             // 61
  virtual HRESULT Seek(LONG Value1, LONG Value2) = 0;                      // 62
  virtual HRESULT ShowPlayList() = 0;                                      // 63
  virtual HRESULT ShowProperty() = 0;                                      // 64
  virtual HRESULT ShowMenu() = 0;                                          // 65
  virtual HRESULT ShowToolMenu() = 0;                                      // 66
  virtual HRESULT Click(LONG Value) = 0;                                   // 67
  virtual HRESULT KeyDown(LONG Key, LONG Shift) = 0;                       // 68
  virtual HRESULT GetText(BSTR* Text, LONG* Code, VARIANT_BOOL* Flag1, VARIANT_BOOL* Flag2,
                          BSTR* FontName, LONG* Charset, LONG* Size, LONG* Style, LONG* Color,
                          LONG* Value) = 0;                 // 69
  virtual HRESULT GetVolumes(LONG* Left, LONG* Right) = 0;  // 70
  virtual HRESULT GetSpeana(LONG* Level0, LONG* Level1, LONG* Level2, LONG* Level3, LONG* Level4,
                            LONG* Level5, LONG* Level6, LONG* Level7, LONG* Level8,
                            LONG* Level9) = 0;            // 71
  virtual HRESULT SaveKIVOini() = 0;                      // 72
  virtual HRESULT Refresh() = 0;                          // 73
  virtual HRESULT GetColor(LONG Index, LONG* Color) = 0;  // 74
  virtual HRESULT GetFont(LONG Index, BSTR* Name, LONG* Charset, LONG* Size, LONG* Style,
                          LONG* Color) = 0;                // 75
  virtual HRESULT GetFormImage(BSTR FileName) = 0;         // 76
  virtual HRESULT get_Rate(LONG* Value) = 0;               // 77
  virtual HRESULT set_Rate(LONG Value) = 0;                // 78
  virtual HRESULT get_AdjustVolLevel(LONG* Value) = 0;     // 79
  virtual HRESULT set_AdjustVolLevel(LONG Value) = 0;      // 80
  virtual HRESULT get_AdjustSpeanaLevel(LONG* Value) = 0;  // 81
  virtual HRESULT set_AdjustSpeanaLevel(LONG Value) = 0;   // 82

 protected:
  ~IKIVOControl() = default;
};

// The playlist. A track's information travels as five texts and seven
// numbers; the fifth number packs the drive (upper 16 bits) and the audio-CD
// track (lower 16 bits).
class IKIVOPlayList : public IDispatch {
 public:
  virtual HRESULT get_Edited(VARIANT_BOOL* Value) = 0;           // 1
  virtual HRESULT get_Tracks(LONG* Value) = 0;                   // 2
  virtual HRESULT get_PlayListTitle(BSTR* Value) = 0;            // 3
  virtual HRESULT get_PlayListDesign(BSTR* Value) = 0;           // 4
  virtual HRESULT get_FirstTrack(LONG* Value) = 0;               // 5
  virtual HRESULT get_LastTrack(LONG* Value) = 0;                // 6
  virtual HRESULT get_PlayListName(BSTR* Value) = 0;             // 7
  virtual HRESULT get_RepeatFrom(LONG* Value) = 0;               // 8
  virtual HRESULT get_RepeatTo(LONG* Value) = 0;                 // 9
  virtual HRESULT get_SelectedTrack(LONG* Value) = 0;            // 10
  virtual HRESULT get_PlayListVisible(VARIANT_BOOL* Value) = 0;  // 11
  virtual HRESULT set_PlayListTitle(BSTR Value) = 0;             // 12
  virtual HRESULT set_PlayListDesign(BSTR Value) = 0;            // 13
  virtual HRESULT set_FirstTrack(LONG Value) = 0;                // 14
  virtual HRESULT set_LastTrack(LONG Value) = 0;                 // 15
  virtual HRESULT set_RepeatFrom(LONG Value) = 0;                // 16
  virtual HRESULT set_RepeatTo(LONG Value) = 0;                  // 17
  virtual HRESULT set_SelectedTrack(LONG Value) = 0;             // 18
  virtual HRESULT New() = 0;                                     // 19
  virtual HRESULT Delete(LONG Index) = 0;                        // 20
  virtual HRESULT set_PlayListVisible(VARIANT_BOOL Value) = 0;   // 21
  virtual HRESULT Add(BSTR FileName) = 0;                        // 22
  virtual HRESULT Load(BSTR FileName) = 0;                       // 23
  virtual HRESULT Save(BSTR FileName) = 0;                       // 24
  virtual HRESULT GetTrackInfo(LONG Index, BSTR* Text1, BSTR* Text2, BSTR* Path, BSTR* Text4,
                               BSTR* Text5, LONG* Number1, LONG* Number2, LONG* Number3, LONG* Kind,
                               LONG* DriveTrack, LONG* Number7,
                               LONG* Number8) = 0;  // 25
  virtual HRESULT SetTrackInfo(LONG Index, BSTR Text1, BSTR Text2, BSTR Path, BSTR Text4,
                               BSTR Text5, LONG Number1, LONG Number2, LONG Number3, LONG Kind,
                               LONG DriveTrack, LONG Number7, LONG Number8) = 0;  // 26

 protected:
  ~IKIVOPlayList() = default;
};

// The lyrics. A line comes with its look: number, text, code, flag, font
// name, charset, size, style bits, colour and value.
class IKIVOLyrics : public IDispatch {
 public:
  virtual HRESULT get_Line(LONG* Value) = 0;                   // 1
  virtual HRESULT get_Lines(LONG* Value) = 0;                  // 2
  virtual HRESULT get_VisibleLyrics(VARIANT_BOOL* Value) = 0;  // 3
  virtual HRESULT get_ShowAccelChar(VARIANT_BOOL* Value) = 0;  // 4
  virtual HRESULT get_Adjust(LONG* Value) = 0;                 // 5
  virtual HRESULT get_LyricsTitle(BSTR* Value) = 0;            // 6
  virtual HRESULT get_LyricsArtist(BSTR* Value) = 0;           // 7
  virtual HRESULT get_Lyrics(BSTR* Value) = 0;                 // 8
  virtual HRESULT get_Music(BSTR* Value) = 0;                  // 9
  virtual HRESULT get_Presenter(BSTR* Value) = 0;              // 10
  virtual HRESULT get_Comment(BSTR* Value) = 0;                // 11
  virtual HRESULT get_LyricsWidth(LONG* Value) = 0;            // 12
  virtual HRESULT get_LyricsHeight(LONG* Value) = 0;           // 13
  virtual HRESULT get_LyricsName(BSTR* Value) = 0;             // 14
  virtual HRESULT GetLine(LONG Index, LONG* Number, BSTR* Text, LONG* Code, VARIANT_BOOL* Flag1,
                          BSTR* FontName, LONG* Charset, LONG* Size, LONG* Style, LONG* Color,
                          LONG* Value) = 0;  // 15

 protected:
  ~IKIVOLyrics() = default;
};

// The player's menus. Clients hold it while bound; the host link calls none
// of its operations.
class IKIVOMenu : public IDispatch {
 protected:
  ~IKIVOMenu() = default;
};

}  // namespace Kivo_tlb
