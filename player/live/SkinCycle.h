// The skins the `s` key steps through: each a folder holding a design file
// "design.ini", from the default skins and from the home's "skins" folder,
// in the order of their names.
#pragma once

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kivo {

inline constexpr const char* kSkinDesignFile = "design.ini";

// The design files of the skins in `folders`, ordered by skin (folder) name;
// a folder that does not exist adds nothing.
std::vector<std::string> ListSkinDesigns(const std::vector<std::filesystem::path>& folders);

// Looks into its folders on every step, so that a skin added while
// playing is found.
class TSkinCycle {
 public:
  explicit TSkinCycle(std::vector<std::filesystem::path> folders);

  // The skin after the one of `current` (the first one when `current` is
  // none of them), passing over those marked broken; nothing when there is
  // no other skin to go to.
  std::optional<std::string> After(const std::string& current) const;
  // A skin that failed to load is passed over from now on.
  void MarkBroken(const std::string& design);

 private:
  std::vector<std::filesystem::path> FFolders;
  std::set<std::string> FBroken;
};

// The name a skin is known by: its folder's name.
std::string SkinName(const std::string& design);

}  // namespace kivo
