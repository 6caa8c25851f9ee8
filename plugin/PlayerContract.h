// What the player and the plug-in agree on at the library boundary: the
// host plug-in object the player hands to _pinRun, and the sample block it
// hands to _pinSampling. Both sides include this header, so its layout is
// the layout of the boundary.
#pragma once

#include <cstddef>
#include <cstdint>

class TComponent;
class TControl;

extern "C" {

struct THostPluginObject;

// The player fills every slot, the unused ones too; the plug-in calls only
// slots 0, 1, 2, 13, 14 and 15. Each operation takes the object first.
struct THostPluginVTable {
  std::int32_t (*GetHostVersion)(THostPluginObject* self);
  // Only the low byte of the answer is tested.
  std::uint32_t (*AcceptsVersion)(THostPluginObject* self, std::int32_t version);
  std::int32_t (*ExitPlugin)(THostPluginObject* self);
  void (*Unused[10])(THostPluginObject* self);
  TComponent* (*GetHostComponent)(THostPluginObject* self, std::int32_t code);
  void (*AttachControl)(THostPluginObject* self, TControl* control);
  TComponent* (*GetOwnerComponent)(THostPluginObject* self);
};

struct THostPluginObject {
  const THostPluginVTable* VTable;
};

// One block of stereo audio. Each frame is a 32-bit little-endian word: the
// left signed 16-bit sample in the low half, the right one in the high half.
struct TSampleBlock {
  std::uint32_t* Samples;
  std::uint32_t Capacity;  // bytes in the buffer
  std::uint32_t Size;      // valid bytes; usable only when Size <= Capacity
};

}  // extern "C"

static_assert(offsetof(THostPluginVTable, GetHostComponent) == 13 * sizeof(void*));
static_assert(offsetof(THostPluginVTable, GetOwnerComponent) == 15 * sizeof(void*));
