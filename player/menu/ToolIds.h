// The identifiers of the client items in the player's menu. Clients add
// items by name to the tool list of the player settings file; the player
// numbers them in the order it first sees them, from 0x5001, and keeps an
// item's number for as long as its name is in the list. A name that comes
// back after it was gone is a new item with a new number, so that a client
// that heard the old one deleted never meets it again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kivo {

inline constexpr std::int32_t kFirstToolId = 0x5001;

struct TToolItem {
  std::int32_t Id = 0;
  std::string Name;
  bool operator==(const TToolItem&) const = default;
};

class TToolIds {
 public:
  // Takes the tool list as read now, in its order (names compared without
  // regard to case, as the settings file compares its keys); returns the
  // identifiers of the items that are gone since the last read, in the
  // order they were listed. Nothing: the list could not be read, and the
  // items stay as they were.
  std::vector<std::int32_t> Update(const std::optional<std::vector<std::string>>& names);

  const std::vector<TToolItem>& Items() const { return FItems; }

 private:
  std::int32_t TakeNextId();

  std::vector<TToolItem> FItems;
  std::int32_t FNext = kFirstToolId;
};

}  // namespace kivo
