// What the player's views report of themselves to the attached clients:
// the window's focus and minimised state, stay on top, what the status
// line shows, double clicks on a panel and the transport buttons.
#pragma once

#include <cstdint>
#include <string>

#include "hostlink/Kivo_tlb.h"
#include "player/PlayerState.h"
#include "player/live/LiveView.h"
#include "player/notify/ClientList.h"

namespace kivo {

class TPlayerSession;

// Flips the stay-on-top state and tells the clients (status 4, 1 or 0).
// The key `t` and the player's menu both come here.
void ToggleStayOnTop(TPlayerState& state, TClientList& clients);

// The status line's first item moves on: track number, title, device,
// timer, caption, and round again. Tells the clients which one with its
// status code and the value then shown (see ShownItemValue).
void NextStatusItem(TPlayerState& state, TClientList& clients, Kivo_tlb::TKIVODeviceType device);

// The value that goes with the item's status code: the track number (8),
// the number of the track whose title is shown (9), the device type (10),
// the timer shown as minutes after midnight, -1 for none (11), 0 (12).
std::int32_t ShownItemValue(const TPlayerState& state, TStatusItem item,
                            Kivo_tlb::TKIVODeviceType device);
// The item as the status line shows it.
std::string ShownItemText(const TPlayerState& state, Kivo_tlb::TKIVODeviceType device);

// The keys that are the views' own (`t`, `d`); false for any other key.
bool ApplyViewKey(Key key, TPlayerSession& session, Kivo_tlb::TKIVODeviceType device);

// A double click on a panel, a transport button, a window state; false for
// the events the live loop handles itself (keys, single clicks).
bool HandleViewEvent(const ViewEvent& event, TPlayerSession& session);

// A double click's value: the point in the visualisation window, x in the
// low and y in the high 16 bits, each a signed 16-bit number.
std::int32_t ClickValue(WindowPoint point);

}  // namespace kivo
