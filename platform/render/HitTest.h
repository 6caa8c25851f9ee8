// Finds the control under a point and delivers clicks to it.
#pragma once

#include <cstdint>

#include "platform/vcl/Controls.h"

// The topmost visible control at (x, y) in root's coordinates (its top-left
// corner is 0, 0): the last-added visible child containing the point,
// searched again inside it, or root itself when no child is there. Null
// when root is invisible or the point lies outside it.
TControl* HitTest(TControl& root, std::int64_t x, std::int64_t y);

// Clicks the control at (x, y): its OnClick runs with it as sender. Returns
// the control clicked, or null when there was none.
TControl* ClickAt(TControl& root, std::int64_t x, std::int64_t y);
TControl* DblClickAt(TControl& root, std::int64_t x, std::int64_t y);
