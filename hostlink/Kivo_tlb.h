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

// The operations of the three interfaces with operations of their own, in
// slot order after the three IUnknown and four IDispatch slots: the one
// description from which the interfaces are declared here and their proxies
// and stubs for other processes are made (KivoMarshal.cpp). Each row is
// X(slot, name, (parameters), (argument names)).
#define KIVO_CONTROL_OPERATIONS(X)                                                             \
  X(1, get_Version, (LONG * Value), (Value))                                                   \
  X(2, CheckVersion, (LONG Version), (Version))                                                \
  X(3, get_Handle, (LONG * Value), (Value))                                                    \
  X(4, get_Visible, (LONG * Value), (Value))                                                   \
  X(5, set_Visible, (LONG Value), (Value))                                                     \
  X(6, get_Left, (LONG * Value), (Value))                                                      \
  X(7, set_Left, (LONG Value), (Value))                                                        \
  X(8, get_Top, (LONG * Value), (Value))                                                       \
  X(9, set_Top, (LONG Value), (Value))                                                         \
  X(10, get_Width, (LONG * Value), (Value))                                                    \
  X(11, get_Height, (LONG * Value), (Value))                                                   \
  X(12, get_PlayStatus, (LONG * Value), (Value))                                               \
  X(13, get_Track, (LONG * Value), (Value))                                                    \
  X(14, set_Track, (LONG Value), (Value))                                                      \
  X(15, get_Position, (LONG * Value), (Value))                                                 \
  X(16, set_Position, (LONG Value), (Value))                                                   \
  X(17, get_Length, (LONG * Value), (Value))                                                   \
  X(18, get_Volume, (LONG * Value), (Value))                                                   \
  X(19, set_Volume, (LONG Value), (Value))                                                     \
  X(20, get_Counter, (LONG * Value), (Value))                                                  \
  X(21, set_Counter, (LONG Value), (Value))                                                    \
  X(22, get_Repeat, (VARIANT_BOOL * Value), (Value))                                           \
  X(23, set_Repeat, (VARIANT_BOOL Value), (Value))                                             \
  X(24, get_Random, (VARIANT_BOOL * Value), (Value))                                           \
  X(25, set_Random, (VARIANT_BOOL Value), (Value))                                             \
  X(26, get_RemainTime, (VARIANT_BOOL * Value), (Value))                                       \
  X(27, set_RemainTime, (VARIANT_BOOL Value), (Value))                                         \
  X(28, get_Design, (BSTR * Value), (Value))                                                   \
  X(29, set_Design, (BSTR Value), (Value))                                                     \
  X(30, get_Skin, (BSTR * Value), (Value))                                                     \
  X(31, set_Skin, (BSTR Value), (Value))                                                       \
  X(32, get_DisplayMode, (TKIVODisplayMode * Mode), (Mode))                                    \
  X(33, set_DisplayMode, (TKIVODisplayMode Mode), (Mode))                                      \
  X(34, get_OnTimer, (VARIANT_BOOL * Value), (Value))                                          \
  X(35, set_OnTimer, (VARIANT_BOOL Value), (Value))                                            \
  X(36, get_OnTime, (LONG * Value), (Value))                                                   \
  X(37, set_OnTime, (LONG Value), (Value))                                                     \
  X(38, get_OffTimer, (VARIANT_BOOL * Value), (Value))                                         \
  X(39, set_OffTimer, (VARIANT_BOOL Value), (Value))                                           \
  X(40, get_OffTime, (LONG * Value), (Value))                                                  \
  X(41, set_OffTime, (LONG Value), (Value))                                                    \
  X(42, get_ShutDownRecord, (VARIANT_BOOL * Value), (Value))                                   \
  X(43, set_ShutDownRecord, (VARIANT_BOOL Value), (Value))                                     \
  X(44, get_RecLevel, (LONG * Value), (Value))                                                 \
  X(45, set_RecLevel, (LONG Value), (Value))                                                   \
  X(46, Attach, (LONG Instance, LONG ProcessId, LONG Window, LONG * State, LONG * Reserved),   \
    (Instance, ProcessId, Window, State, Reserved))                                            \
  X(47, Detach, (LONG Window), (Window))                                                       \
  X(48, Abort, (LONG Window), (Window))                                                        \
  X(49, Close, (), ())                                                                         \
  X(50, ShutDown, (), ())                                                                      \
  X(51, GetEvent, (LONG Window, LONG * Mask), (Window, Mask))                                  \
  X(52, SetEvent, (LONG Window, LONG Mask), (Window, Mask))                                    \
  X(53, NotifyEvent, (LONG Window, LONG WParam, LONG LParam), (Window, WParam, LParam))        \
  X(54, Stop, (), ())                                                                          \
  X(55, Pause, (), ())                                                                         \
  X(56, Play, (), ())                                                                          \
  X(57, FF, (LONG Flag), (Flag))                                                               \
  X(58, Rewind, (LONG Flag), (Flag))                                                           \
  X(59, Next, (), ())                                                                          \
  X(60, Back, (), ())                                                                          \
  X(61, Eject, (), ())                                                                         \
  X(62, Seek, (LONG Value1, LONG Value2), (Value1, Value2))                                    \
  X(63, ShowPlayList, (), ())                                                                  \
  X(64, ShowProperty, (), ())                                                                  \
  X(65, ShowMenu, (), ())                                                                      \
  X(66, ShowToolMenu, (), ())                                                                  \
  X(67, Click, (LONG Value), (Value))                                                          \
  X(68, KeyDown, (LONG Key, LONG Shift), (Key, Shift))                                         \
  X(69, GetText,                                                                               \
    (BSTR * Text, LONG * Code, VARIANT_BOOL * Flag1, VARIANT_BOOL * Flag2, BSTR * FontName,    \
     LONG * Charset, LONG * Size, LONG * Style, LONG * Color, LONG * Value),                   \
    (Text, Code, Flag1, Flag2, FontName, Charset, Size, Style, Color, Value))                  \
  X(70, GetVolumes, (LONG * Left, LONG * Right), (Left, Right))                                \
  X(71, GetSpeana,                                                                             \
    (LONG * Level0, LONG * Level1, LONG * Level2, LONG * Level3, LONG * Level4, LONG * Level5, \
     LONG * Level6, LONG * Level7, LONG * Level8, LONG * Level9),                              \
    (Level0, Level1, Level2, Level3, Level4, Level5, Level6, Level7, Level8, Level9))          \
  X(72, SaveKIVOini, (), ())                                                                   \
  X(73, Refresh, (), ())                                                                       \
  X(74, GetColor, (LONG Index, LONG * Color), (Index, Color))                                  \
  X(75, GetFont,                                                                               \
    (LONG Index, BSTR * Name, LONG * Charset, LONG * Size, LONG * Style, LONG * Color),        \
    (Index, Name, Charset, Size, Style, Color))                                                \
  X(76, GetFormImage, (BSTR FileName), (FileName))                                             \
  X(77, get_Rate, (LONG * Value), (Value))                                                     \
  X(78, set_Rate, (LONG Value), (Value))                                                       \
  X(79, get_AdjustVolLevel, (LONG * Value), (Value))                                           \
  X(80, set_AdjustVolLevel, (LONG Value), (Value))                                             \
  X(81, get_AdjustSpeanaLevel, (LONG * Value), (Value))                                        \
  X(82, set_AdjustSpeanaLevel, (LONG Value), (Value))

#define KIVO_PLAYLIST_OPERATIONS(X)                                                        \
  X(1, get_Edited, (VARIANT_BOOL * Value), (Value))                                        \
  X(2, get_Tracks, (LONG * Value), (Value))                                                \
  X(3, get_PlayListTitle, (BSTR * Value), (Value))                                         \
  X(4, get_PlayListDesign, (BSTR * Value), (Value))                                        \
  X(5, get_FirstTrack, (LONG * Value), (Value))                                            \
  X(6, get_LastTrack, (LONG * Value), (Value))                                             \
  X(7, get_PlayListName, (BSTR * Value), (Value))                                          \
  X(8, get_RepeatFrom, (LONG * Value), (Value))                                            \
  X(9, get_RepeatTo, (LONG * Value), (Value))                                              \
  X(10, get_SelectedTrack, (LONG * Value), (Value))                                        \
  X(11, get_PlayListVisible, (VARIANT_BOOL * Value), (Value))                              \
  X(12, set_PlayListTitle, (BSTR Value), (Value))                                          \
  X(13, set_PlayListDesign, (BSTR Value), (Value))                                         \
  X(14, set_FirstTrack, (LONG Value), (Value))                                             \
  X(15, set_LastTrack, (LONG Value), (Value))                                              \
  X(16, set_RepeatFrom, (LONG Value), (Value))                                             \
  X(17, set_RepeatTo, (LONG Value), (Value))                                               \
  X(18, set_SelectedTrack, (LONG Value), (Value))                                          \
  X(19, New, (), ())                                                                       \
  X(20, Delete, (LONG Index), (Index))                                                     \
  X(21, set_PlayListVisible, (VARIANT_BOOL Value), (Value))                                \
  X(22, Add, (BSTR FileName), (FileName))                                                  \
  X(23, Load, (BSTR FileName), (FileName))                                                 \
  X(24, Save, (BSTR FileName), (FileName))                                                 \
  X(25, GetTrackInfo,                                                                      \
    (LONG Index, BSTR * Text1, BSTR * Text2, BSTR * Path, BSTR * Text4, BSTR * Text5,      \
     LONG * Number1, LONG * Number2, LONG * Number3, LONG * Kind, LONG * DriveTrack,       \
     LONG * Number7, LONG * Number8),                                                      \
    (Index, Text1, Text2, Path, Text4, Text5, Number1, Number2, Number3, Kind, DriveTrack, \
     Number7, Number8))                                                                    \
  X(26, SetTrackInfo,                                                                      \
    (LONG Index, BSTR Text1, BSTR Text2, BSTR Path, BSTR Text4, BSTR Text5, LONG Number1,  \
     LONG Number2, LONG Number3, LONG Kind, LONG DriveTrack, LONG Number7, LONG Number8),  \
    (Index, Text1, Text2, Path, Text4, Text5, Number1, Number2, Number3, Kind, DriveTrack, \
     Number7, Number8))

#define KIVO_LYRICS_OPERATIONS(X)                                                                \
  X(1, get_Line, (LONG * Value), (Value))                                                        \
  X(2, get_Lines, (LONG * Value), (Value))                                                       \
  X(3, get_VisibleLyrics, (VARIANT_BOOL * Value), (Value))                                       \
  X(4, get_ShowAccelChar, (VARIANT_BOOL * Value), (Value))                                       \
  X(5, get_Adjust, (LONG * Value), (Value))                                                      \
  X(6, get_LyricsTitle, (BSTR * Value), (Value))                                                 \
  X(7, get_LyricsArtist, (BSTR * Value), (Value))                                                \
  X(8, get_Lyrics, (BSTR * Value), (Value))                                                      \
  X(9, get_Music, (BSTR * Value), (Value))                                                       \
  X(10, get_Presenter, (BSTR * Value), (Value))                                                  \
  X(11, get_Comment, (BSTR * Value), (Value))                                                    \
  X(12, get_LyricsWidth, (LONG * Value), (Value))                                                \
  X(13, get_LyricsHeight, (LONG * Value), (Value))                                               \
  X(14, get_LyricsName, (BSTR * Value), (Value))                                                 \
  X(15, GetLine,                                                                                 \
    (LONG Index, LONG * Number, BSTR * Text, LONG * Code, VARIANT_BOOL * Flag1, BSTR * FontName, \
     LONG * Charset, LONG * Size, LONG * Style, LONG * Color, LONG * Value),                     \
    (Index, Number, Text, Code, Flag1, FontName, Charset, Size, Style, Color, Value))

#define KIVO_TLB_DECLARE(slot, name, parameters, arguments) virtual HRESULT name parameters = 0;

// The player itself: window, transport, levels, switches, settings, text,
// colours, fonts and notifications. Window handles travel as LONG. At
// attach, the player writes the client's plug-in state into *State (0 no
// answer, 1 not a plug-in, other values a plug-in); *Reserved is the
// player's.
class IKIVOControl : public IDispatch {
 public:
  KIVO_CONTROL_OPERATIONS(KIVO_TLB_DECLARE)

 protected:
  ~IKIVOControl() = default;
};

// The playlist. A track's information travels as five texts and seven
// numbers; the fifth number packs the drive (upper 16 bits) and the audio-CD
// track (lower 16 bits).
class IKIVOPlayList : public IDispatch {
 public:
  KIVO_PLAYLIST_OPERATIONS(KIVO_TLB_DECLARE)

 protected:
  ~IKIVOPlayList() = default;
};

// The lyrics. A line comes with its look: number, text, code, flag, font
// name, charset, size, style bits, colour and value.
class IKIVOLyrics : public IDispatch {
 public:
  KIVO_LYRICS_OPERATIONS(KIVO_TLB_DECLARE)

 protected:
  ~IKIVOLyrics() = default;
};

#undef KIVO_TLB_DECLARE

// The player's menus. Clients hold it while bound; the host link calls none
// of its operations.
class IKIVOMenu : public IDispatch {
 protected:
  ~IKIVOMenu() = default;
};

// Makes the four interfaces reachable from other processes; called by the
// player before it serves them and by the host link before it binds. Calling
// it again changes nothing.
void RegisterMarshalers();

}  // namespace Kivo_tlb
