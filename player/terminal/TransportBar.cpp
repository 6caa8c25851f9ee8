#include "player/terminal/TransportBar.h"

#include <array>
#include <string_view>

namespace kivo {

namespace {

// The faces in the order of kTransportButtons.
constexpr std::array<std::string_view, std::size(kTransportButtons)> kFaces = {"[|<]", "[>||]",
                                                                               "[[]]", "[>|]"};
constexpr std::string_view kGap = " ";
constexpr std::string_view kAfterBar = "  ";

}  // namespace

std::string TransportBarText() {
  std::string text;
  for (std::size_t i = 0; i < kFaces.size(); ++i) {
    if (i > 0) text += kGap;
    text += kFaces[i];
  }
  return text + std::string(kAfterBar);
}

std::optional<TTransportButton> TransportButtonAt(std::int32_t column) {
  std::int32_t start = 0;
  for (std::size_t i = 0; i < kFaces.size(); ++i) {
    const auto end = start + static_cast<std::int32_t>(kFaces[i].size());
    if (column >= start && column < end) return kTransportButtons[i].Button;
    start = end + static_cast<std::int32_t>(kGap.size());
  }
  return std::nullopt;
}

}  // namespace kivo
