// The numbers of the player protocol that several parts of the host link
// share: notification classes, event-mask bits, the messages the component
// sends and the fixed menu identifiers.
#pragma once

#include <cstdint>

#include "platform/win/WinTypes.h"

// Notification classes of "WM_KIVO"; the same values are event-mask bits.
inline constexpr DWORD ClassOpen = 0x1;
inline constexpr DWORD ClassClose = 0x2;
inline constexpr DWORD ClassRun = 0x4;
inline constexpr DWORD ClassAbort = 0x8;
inline constexpr DWORD ClassPlayStatus = 0x10;
inline constexpr DWORD ClassTimer = 0x20;
inline constexpr DWORD ClassCounter = 0x40;
inline constexpr DWORD ClassPosition = 0x80;
inline constexpr DWORD ClassVolume = 0x100;
inline constexpr DWORD ClassLyrics = 0x200;
inline constexpr DWORD ClassMove = 0x400;
inline constexpr DWORD ClassMenu = 0x800;
inline constexpr DWORD ClassSpeana = 0x10000000;
inline constexpr DWORD ClassButton = 0x20000000;
inline constexpr DWORD ClassStatus = 0x40000000;
inline constexpr DWORD ClassUser = 0x80000000;

// Every class except the seven optional ones a client subscribes to.
inline constexpr DWORD DefaultEventMask = 0xEFFFF81F;

// What the component itself sends with "WM_KIVO".
inline constexpr WPARAM AnnounceMessage = 0x401;
inline constexpr WPARAM ToolChangeMessage = 0x403;

// The menus that have a wrapper for the component's whole life, in the
// order the component makes them.
inline constexpr int FixedMenuIds[4] = {0x4000, 0x5000, 0x9000, 0x8000};

// Window handles travel as 32-bit values across the automation boundary;
// the platform's handles fit in them.
inline LONG HandleValue(HWND Window) {
  return static_cast<LONG>(reinterpret_cast<std::uintptr_t>(Window));
}
inline HWND WindowFromValue(LONG Value) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(static_cast<DWORD>(Value)));
}
