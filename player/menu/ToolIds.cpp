#include "player/menu/ToolIds.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "platform/vcl/SysUtils.h"

namespace kivo {

namespace {

// The blocks of the display-mode and skins submenus (0x8000 to 0x9FFF),
// whose first identifiers are two of the fixed menus.
constexpr std::int32_t kReservedFirst = 0x8000;
constexpr std::int32_t kReservedEnd = 0xA000;

const TToolItem* FindByName(const std::vector<TToolItem>& items, const std::string& name) {
  const auto found = std::find_if(items.begin(), items.end(), [&name](const TToolItem& item) {
    return AnsiCompareText(item.Name, name) == 0;
  });
  return found == items.end() ? nullptr : &*found;
}

}  // namespace

std::int32_t TToolIds::TakeNextId() {
  if (FNext >= kReservedFirst && FNext < kReservedEnd) FNext = kReservedEnd;
  const std::int32_t id = FNext;
  // After some two thousand million items the numbers start again; any
  // still in use are passed over.
  FNext = FNext == std::numeric_limits<std::int32_t>::max() ? kFirstToolId : FNext + 1;
  const bool inUse = std::any_of(FItems.begin(), FItems.end(),
                                 [id](const TToolItem& item) { return item.Id == id; });
  return inUse ? TakeNextId() : id;
}

std::vector<std::int32_t> TToolIds::Update(
    const std::optional<std::vector<std::string>>& names) {
  if (!names) return {};
  std::vector<TToolItem> items;
  for (const std::string& name : *names) {
    if (FindByName(items, name) != nullptr) continue;
    const TToolItem* known = FindByName(FItems, name);
    items.push_back({known != nullptr ? known->Id : 0, name});
  }
  std::vector<std::int32_t> gone;
  for (const TToolItem& item : FItems)
    if (FindByName(items, item.Name) == nullptr) gone.push_back(item.Id);
  // New items are numbered once the gone ones left, in the list's order.
  FItems = std::move(items);
  for (TToolItem& item : FItems)
    if (item.Id == 0) item.Id = TakeNextId();
  return gone;
}

}  // namespace kivo
