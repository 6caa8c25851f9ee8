// How the player's notifications are encoded in "WM_KIVO": the class in
// wParam (with a 16-bit sub-code for the high classes) and its value in
// lParam.
#pragma once

#include <array>
#include <cstdint>

#include "hostlink/KivoConstants.h"
#include "platform/win/WinTypes.h"

namespace kivo {

// Status codes of the status class that this player reports.
enum TStatusCode : std::uint16_t {
  stVisible = 1,
  stActive = 2,
  stMinimize = 3,
  stStayOnTop = 4,
  stRepeat = 5,
  stRandom = 6,
  stDisplayTime = 7,
  stDisplayTrack = 8,
  stDisplayTitle = 9,
  stDisplayDevice = 10,
  stDisplayTimer = 11,
  stDisplayCaption = 12,
  stChangeVolume = 13,
  stOpenTrack = 14,
  stCloseTrack = 15,
  stLoadLyrics = 16,
  stSaveKIVOini = 17,
  stDesign = 18,
  stChangePlayList = 21,
  stDisplayMenu = 22,
  stClick = 25,
  stDblClick = 26,
  stDeleteMenu = 27,
  stChangeDisplayMode = 28,
  stMoved = 30,
  stAdjustLevel = 31,
};

// The close notification's value (which clients do not read otherwise):
// 1 when the player's process ended without closing, and its clients in
// other processes hear of it through the posts it left with them.
inline constexpr std::int32_t kClosedInOrder = 0;
inline constexpr std::int32_t kClosedByExit = 1;

// The transport buttons of the status line; the code is the sub-code of
// the button class.
enum TTransportButton : std::uint16_t {
  tbPrevious = 1,
  tbPlayPause = 2,
  tbStop = 3,
  tbNext = 4,
};
struct TTransportButtonName {
  TTransportButton Button;
  const char* Name;
};
// In the order the status line shows them.
inline constexpr TTransportButtonName kTransportButtons[] = {
    {tbPrevious, "previous"}, {tbPlayPause, "play-pause"}, {tbStop, "stop"}, {tbNext, "next"}};

struct TNotification {
  WPARAM WParam = 0;
  LPARAM LParam = 0;

  friend bool operator==(const TNotification&, const TNotification&) = default;
};

// The class a wParam selects: itself below 0x10000, else its high half.
constexpr DWORD NotificationClass(WPARAM wParam) {
  return wParam < 0x10000 ? static_cast<DWORD>(wParam) : static_cast<DWORD>(wParam & 0xFFFF0000u);
}

// A 32-bit lParam as it travels: negative values keep their bits.
constexpr LPARAM LParamOf(std::int32_t value) { return static_cast<LPARAM>(value); }

TNotification StatusNotification(TStatusCode code, std::int32_t value);
TNotification ButtonNotification(TTransportButton button);
// The code is the sub-code (0 to 65535), the value lParam.
TNotification UserNotification(std::uint16_t code, std::int32_t value);
// Both levels clamped to 0..65535; left in the low half.
TNotification VolumeNotification(std::int32_t left, std::int32_t right);
// Both coordinates as signed 16-bit numbers; left in the low half.
TNotification MoveNotification(std::int32_t left, std::int32_t top);
TNotification MovedNotification(std::int32_t left, std::int32_t top);
// Ten levels, each clamped to 0..15: bands 0 to 7 in lParam (band 0 in
// the lowest four bits), bands 8 and 9 in the lowest byte of wParam.
TNotification SpeanaNotification(const std::array<std::int32_t, 10>& levels);

}  // namespace kivo
