#include "player/notify/Notifications.h"

#include <algorithm>

namespace kivo {

namespace {

std::uint32_t Clamped(std::int32_t value, std::int32_t highest) {
  return static_cast<std::uint32_t>(std::clamp(value, 0, highest));
}

std::int32_t PackSigned16(std::int32_t low, std::int32_t high) {
  const auto low16 = static_cast<std::uint16_t>(static_cast<std::int16_t>(low));
  const auto high16 = static_cast<std::uint16_t>(static_cast<std::int16_t>(high));
  return static_cast<std::int32_t>(low16 | (std::uint32_t{high16} << 16));
}

}  // namespace

TNotification StatusNotification(TStatusCode code, std::int32_t value) {
  return {ClassStatus | code, LParamOf(value)};
}

TNotification ButtonNotification(TTransportButton button) { return {ClassButton | button, 0}; }

TNotification UserNotification(std::uint16_t code, std::int32_t value) {
  return {ClassUser | code, LParamOf(value)};
}

TNotification VolumeNotification(std::int32_t left, std::int32_t right) {
  const std::uint32_t packed = Clamped(left, 0xFFFF) | (Clamped(right, 0xFFFF) << 16);
  return {ClassVolume, LParamOf(static_cast<std::int32_t>(packed))};
}

TNotification MoveNotification(std::int32_t left, std::int32_t top) {
  return {ClassMove, LParamOf(PackSigned16(left, top))};
}

TNotification MovedNotification(std::int32_t left, std::int32_t top) {
  return {ClassStatus | stMoved, LParamOf(PackSigned16(left, top))};
}

TNotification SpeanaNotification(const std::array<std::int32_t, 10>& levels) {
  std::uint32_t low = 0;
  for (std::size_t band = 0; band < 8; ++band) low |= Clamped(levels[band], 15) << (4 * band);
  const std::uint32_t high = Clamped(levels[8], 15) | (Clamped(levels[9], 15) << 4);
  return {ClassSpeana | high, LParamOf(static_cast<std::int32_t>(low))};
}

}  // namespace kivo
