#include "player/live/SkinCycle.h"

#include <algorithm>

namespace kivo {

namespace fs = std::filesystem;

namespace {

std::string Normal(const std::string& path) {
  return fs::absolute(path).lexically_normal().string();
}

}  // namespace

std::vector<std::string> ListSkinDesigns(const std::vector<fs::path>& folders) {
  std::vector<fs::path> designs;
  for (const fs::path& folder : folders) {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
      const fs::path design = entry.path() / kSkinDesignFile;
      if (entry.is_directory(error) && fs::is_regular_file(design, error))
        designs.push_back(fs::absolute(design).lexically_normal());
    }
  }
  std::stable_sort(designs.begin(), designs.end(), [](const fs::path& a, const fs::path& b) {
    return a.parent_path().filename() < b.parent_path().filename();
  });
  std::vector<std::string> names;
  for (const fs::path& design : designs) names.push_back(design.string());
  return names;
}

TSkinCycle::TSkinCycle(std::vector<fs::path> folders) : FFolders(std::move(folders)) {}

std::optional<std::string> TSkinCycle::After(const std::string& current) const {
  const std::vector<std::string> designs = ListSkinDesigns(FFolders);
  if (designs.empty()) return std::nullopt;
  const std::string normal = current.empty() ? std::string() : Normal(current);
  const auto at = std::find(designs.begin(), designs.end(), normal);
  const std::size_t count = designs.size();
  const std::size_t start =
      at == designs.end() ? count - 1 : static_cast<std::size_t>(at - designs.begin());
  for (std::size_t step = 1; step <= count; ++step) {
    const std::string& candidate = designs[(start + step) % count];
    if (candidate != normal && !FBroken.contains(candidate)) return candidate;
  }
  return std::nullopt;
}

void TSkinCycle::MarkBroken(const std::string& design) { FBroken.insert(Normal(design)); }

std::string SkinName(const std::string& design) {
  return fs::path(design).parent_path().filename().string();
}

}  // namespace kivo
