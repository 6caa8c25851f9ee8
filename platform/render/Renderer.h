// Paints a control tree into a frame. Each control paints as its kind does
// on the platform:
// - a panel: its bevels (outer, then inner) and its face colour inside;
// - any other windowed control: its colour;
// - a label: an opaque rectangle of its colour (captions are not drawn);
// - an image: its picture's bitmap, unscaled from its top-left corner.
// Children are painted after their parent in the order they were put in,
// so later ones lie above, and each is clipped to its parent's bounds. An
// invisible control hides everything inside it.
#pragma once

#include "platform/render/Frame.h"
#include "platform/vcl/Controls.h"

// Paints root with its top-left corner at the frame's origin, whatever its
// own Left and Top; pixels outside the frame are skipped.
void PaintControl(const TControl& root, TFrame& frame);

// A frame of root's size, transparent black where root paints nothing.
TFrame RenderControl(const TControl& root);
