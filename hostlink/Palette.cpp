#include "hostlink/Palette.h"

#include <algorithm>
#include <map>

namespace {

std::map<std::string, std::vector<std::string>>& PalettePages() {
  static std::map<std::string, std::vector<std::string>> pages;
  return pages;
}

}  // namespace

void RegisterComponents(const std::string& Page, std::initializer_list<std::string> ClassNames) {
  std::vector<std::string>& page = PalettePages()[Page];
  for (const std::string& name : ClassNames)
    if (std::find(page.begin(), page.end(), name) == page.end()) page.push_back(name);
}

std::vector<std::string> PaletteComponents(const std::string& Page) {
  const auto found = PalettePages().find(Page);
  return found == PalettePages().end() ? std::vector<std::string>{} : found->second;
}
