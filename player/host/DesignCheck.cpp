#include "player/host/DesignCheck.h"

#include <filesystem>

#include "platform/vcl/IniFiles.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/SysUtils.h"
#include "player/host/VisualisationWindow.h"

namespace kivo {

namespace {

struct TNumberKey {
  const char* Name;
  std::int32_t Lowest;
  std::int32_t Highest;
};

// The ranges within which a panel shows as designed: its place and size
// inside the largest window, and the four bevel kinds.
constexpr TNumberKey kPanelKeys[] = {
    {"Left", 0, kMaxWindowSide},   {"Top", 0, kMaxWindowSide}, {"Width", 0, kMaxWindowSide},
    {"Height", 0, kMaxWindowSide}, {"EdgeInner", 0, 3},        {"EdgeOuter", 0, 3},
};
constexpr const char* kFlagKeys[] = {"Visible", "Checked", "BackColor"};

// An integer by the INI rules: the two defaults tell a number from text.
bool IsNumber(const TIniFile& design, const char* section, const char* key) {
  return design.ReadInteger(section, key, 0) == design.ReadInteger(section, key, 1);
}

void CheckPanel(const TIniFile& design, const char* section, std::vector<std::string>& problems) {
  const auto named = [&](const char* key) {
    return std::string(section) + " " + key + "=" + design.ReadString(section, key, "");
  };
  for (const char* key : kFlagKeys)
    if (design.ValueExists(section, key) && !IsNumber(design, section, key))
      problems.push_back(named(key) + " is not a number: 0 is used");
  for (const TNumberKey& key : kPanelKeys) {
    if (!design.ValueExists(section, key.Name)) continue;
    if (!IsNumber(design, section, key.Name)) {
      problems.push_back(named(key.Name) + " is not a number: 0 is used");
      continue;
    }
    const std::int32_t value = design.ReadInteger(section, key.Name, 0);
    if (value < key.Lowest || value > key.Highest)
      problems.push_back(named(key.Name) + " is out of range (" + std::to_string(key.Lowest) +
                         " to " + std::to_string(key.Highest) + ")");
  }
}

void CheckColors(const TIniFile& design, std::vector<std::string>& problems) {
  if (!design.ValueExists("Lyrics", "Colors")) return;
  TStringList colors;
  colors.SetCommaText(design.ReadString("Lyrics", "Colors", ""));
  for (int i = 0; i < colors.Count() && i < 10; ++i) {
    const std::string item = colors.Strings(i);
    if (StrToIntDef(item, 0) != StrToIntDef(item, 1))
      problems.push_back("Lyrics Colors item " + std::to_string(i + 1) + " (" + item +
                         ") is not a number: 255 is used");
  }
}

}  // namespace

std::vector<std::string> DesignProblems(const std::string& designPath) {
  std::vector<std::string> problems;
  std::error_code error;
  if (designPath.empty() || !std::filesystem::is_regular_file(designPath, error)) return problems;
  const TIniFile design(designPath);
  for (const char* section : {"SpeanaL", "SpeanaR"}) CheckPanel(design, section, problems);
  CheckColors(design, problems);
  return problems;
}

std::string DesignNotice(const std::string& designPath) {
  const std::vector<std::string> problems = DesignProblems(designPath);
  if (problems.empty()) return {};
  std::string notice = "design " + designPath + ": ";
  for (std::size_t i = 0; i < problems.size(); ++i) notice += (i > 0 ? "; " : "") + problems[i];
  return notice;
}

}  // namespace kivo
