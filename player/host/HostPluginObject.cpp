#include "player/host/HostPluginObject.h"

#include <cstddef>
#include <type_traits>

namespace kivo {

const THostPluginVTable THostPlugin::kVTable = {
    &THostPlugin::GetHostVersion,
    &THostPlugin::AcceptsVersion,
    &THostPlugin::ExitPlugin,
    {&THostPlugin::Unused, &THostPlugin::Unused, &THostPlugin::Unused, &THostPlugin::Unused,
     &THostPlugin::Unused, &THostPlugin::Unused, &THostPlugin::Unused, &THostPlugin::Unused,
     &THostPlugin::Unused, &THostPlugin::Unused},
    &THostPlugin::GetHostComponent,
    &THostPlugin::AttachControl,
    &THostPlugin::GetOwnerComponent,
};

THostPlugin::THostPlugin(THostOptions options, TVisualisationWindow& windows)
    : FOptions(options), FWindows(windows), FBound{{&kVTable}, this} {}

THostPlugin& THostPlugin::From(THostPluginObject* self) {
  static_assert(std::is_standard_layout_v<TBoundObject> && offsetof(TBoundObject, Object) == 0);
  return *reinterpret_cast<TBoundObject*>(self)->Host;
}

std::int32_t THostPlugin::GetHostVersion(THostPluginObject* self) {
  return From(self).FOptions.Version;
}

std::uint32_t THostPlugin::AcceptsVersion(THostPluginObject* self, std::int32_t version) {
  THostPlugin& host = From(self);
  host.FAskedVersions.push_back(version);
  return host.FOptions.AcceptsInterface ? 1 : 0;
}

std::int32_t THostPlugin::ExitPlugin(THostPluginObject* self) {
  ++From(self).FExitCount;
  return 0;
}

// The player's other operations serve plug-ins of other kinds; this
// player has nothing for them to do.
void THostPlugin::Unused(THostPluginObject*) {}

TComponent* THostPlugin::GetHostComponent(THostPluginObject* self, std::int32_t code) {
  THostPlugin& host = From(self);
  if (code == kVisualisationWindowCode) return &host.FWindows.Window();
  if (code == kSecondWindowCode) return &host.FWindows.SecondWindow();
  return nullptr;
}

void THostPlugin::AttachControl(THostPluginObject* self, TControl* control) {
  From(self).FAttached.push_back(control);
}

TComponent* THostPlugin::GetOwnerComponent(THostPluginObject* self) {
  return &From(self).FWindows.Owner();
}

}  // namespace kivo
