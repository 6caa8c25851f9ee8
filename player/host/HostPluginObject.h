// The host plug-in object the player hands to its plug-in: a C-layout
// object whose first word points to the table of the player's operations.
#pragma once

#include <cstdint>
#include <vector>

#include "player/host/VisualisationWindow.h"
#include "plugin/PlayerContract.h"

namespace kivo {

struct THostOptions {
  // What the player answers; the defaults let the plug-in start.
  std::int32_t Version = 6100;
  bool AcceptsInterface = true;
};

class THostPlugin {
 public:
  static constexpr std::int32_t kVisualisationWindowCode = 1;
  static constexpr std::int32_t kSecondWindowCode = 33;

  // The windows must outlive the plug-in's use of this object.
  THostPlugin(THostOptions options, TVisualisationWindow& windows);
  THostPlugin(const THostPlugin&) = delete;
  THostPlugin& operator=(const THostPlugin&) = delete;

  THostPluginObject* Object() { return &FBound.Object; }

  // How often the plug-in said it will not run.
  int ExitCount() const { return FExitCount; }
  const std::vector<TControl*>& AttachedControls() const { return FAttached; }
  // The interface versions the plug-in asked about, in order.
  const std::vector<std::int32_t>& AskedVersions() const { return FAskedVersions; }

 private:
  // The object the plug-in sees, and the way back to this player.
  struct TBoundObject {
    THostPluginObject Object;
    THostPlugin* Host;
  };
  static THostPlugin& From(THostPluginObject* self);

  static std::int32_t GetHostVersion(THostPluginObject* self);
  static std::uint32_t AcceptsVersion(THostPluginObject* self, std::int32_t version);
  static std::int32_t ExitPlugin(THostPluginObject* self);
  static void Unused(THostPluginObject* self);
  static TComponent* GetHostComponent(THostPluginObject* self, std::int32_t code);
  static void AttachControl(THostPluginObject* self, TControl* control);
  static TComponent* GetOwnerComponent(THostPluginObject* self);
  static const THostPluginVTable kVTable;

  THostOptions FOptions;
  TVisualisationWindow& FWindows;
  TBoundObject FBound;
  int FExitCount = 0;
  std::vector<TControl*> FAttached;
  std::vector<std::int32_t> FAskedVersions;
};

}  // namespace kivo
