// The transport buttons at the start of the terminal's status line:
// previous, play/pause, stop, next, each a bracketed symbol a click hits.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "player/notify/Notifications.h"

namespace kivo {

// "[|<] [>||] [[]] [>|]  ", plain ASCII so that every terminal gives each
// character one column.
std::string TransportBarText();
// The button drawn at a column of the status line (0-based), if any.
std::optional<TTransportButton> TransportButtonAt(std::int32_t column);

}  // namespace kivo
