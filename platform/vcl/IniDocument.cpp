#include "platform/vcl/IniDocument.h"

#include "platform/vcl/SysUtils.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) { return AnsiCompareText(a, b) == 0; }

std::string Unquoted(std::string_view value) {
  if (value.size() >= 2 && value.front() == value.back() &&
      (value.front() == '"' || value.front() == '\'')) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

}  // namespace

TIniDocument::TIniDocument(std::string_view text) {
  std::size_t start = 0;
  bool lineEndingSeen = false;
  while (start < text.size()) {
    const std::size_t newline = text.find('\n', start);
    std::string_view line =
        text.substr(start, newline == std::string_view::npos ? text.npos : newline - start);
    std::string ending;
    if (newline != std::string_view::npos) {
      const bool crlf = line.ends_with('\r');
      if (crlf) line.remove_suffix(1);
      ending = crlf ? "\r\n" : "\n";
      if (!lineEndingSeen) FLineEnding = ending;
      lineEndingSeen = true;
    }
    FLines.push_back(Classify(std::string(line), std::move(ending), FLines.empty()));
    start = newline == std::string_view::npos ? text.size() : newline + 1;
  }
}

TIniDocument::TLine TIniDocument::Classify(std::string text, std::string ending, bool first) {
  TLine line{std::move(text), std::move(ending)};
  std::string_view content = line.Text;
  if (first && content.starts_with(kByteOrderMark)) content.remove_prefix(kByteOrderMark.size());
  content = Trimmed(content);
  if (content.starts_with('[')) {
    const std::size_t close = content.find(']');
    if (close != std::string_view::npos) {
      line.Kind = TKind::Section;
      line.Name = Trimmed(content.substr(1, close - 1));
    }
    return line;
  }
  const std::size_t equals = content.find('=');
  if (content.starts_with(';') || equals == std::string_view::npos) return line;
  const std::string_view name = Trimmed(content.substr(0, equals));
  if (name.empty()) return line;
  line.Kind = TKind::Key;
  line.Name = name;
  line.Value = Trimmed(content.substr(equals + 1));
  return line;
}

std::string TIniDocument::Text() const {
  std::string text;
  for (const auto& line : FLines) {
    text += line.Text;
    text += line.Ending;
  }
  return text;
}

std::optional<TIniDocument::TRange> TIniDocument::FindSection(std::string_view section) const {
  for (std::size_t i = 0; i < FLines.size(); ++i) {
    if (FLines[i].Kind != TKind::Section || !SameName(FLines[i].Name, section)) continue;
    std::size_t end = i + 1;
    while (end < FLines.size() && FLines[end].Kind != TKind::Section) ++end;
    return TRange{i, end};
  }
  return std::nullopt;
}

std::optional<std::size_t> TIniDocument::FindKey(const TRange& range, std::string_view key) const {
  for (std::size_t i = range.Header + 1; i < range.End; ++i) {
    if (FLines[i].Kind == TKind::Key && SameName(FLines[i].Name, key)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> TIniDocument::Value(std::string_view section,
                                               std::string_view key) const {
  const auto range = FindSection(section);
  if (!range) return std::nullopt;
  const auto index = FindKey(*range, key);
  if (!index) return std::nullopt;
  return Unquoted(FLines[*index].Value);
}

bool TIniDocument::HasSection(std::string_view section) const {
  return FindSection(section).has_value();
}

std::vector<std::string> TIniDocument::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  const auto range = FindSection(section);
  if (!range) return keys;
  for (std::size_t i = range->Header + 1; i < range->End; ++i) {
    if (FLines[i].Kind == TKind::Key && FindKey(*range, FLines[i].Name) == i)
      keys.push_back(FLines[i].Name);
  }
  return keys;
}

std::vector<std::string> TIniDocument::Sections() const {
  std::vector<std::string> sections;
  for (std::size_t i = 0; i < FLines.size(); ++i) {
    if (FLines[i].Kind == TKind::Section && FindSection(FLines[i].Name)->Header == i) {
      sections.push_back(FLines[i].Name);
    }
  }
  return sections;
}

TIniDocument::TLine TIniDocument::NewLine(std::string text) const {
  return Classify(std::move(text), FLineEnding, false);
}

// A line is about to follow the last one, which may lack its ending.
void TIniDocument::EndLastLine() {
  if (!FLines.empty() && FLines.back().Ending.empty()) FLines.back().Ending = FLineEnding;
}

void TIniDocument::SetValue(std::string_view section, std::string_view key,
                            std::string_view value) {
  const auto range = FindSection(section);
  if (!range) {
    EndLastLine();
    FLines.push_back(NewLine("[" + std::string(section) + "]"));
    FLines.push_back(NewLine(std::string(key) + "=" + std::string(value)));
    return;
  }
  if (const auto index = FindKey(*range, key)) {
    // Everything up to the '=' stays: indentation, spelling, a byte-order mark.
    TLine& line = FLines[*index];
    line = Classify(line.Text.substr(0, line.Text.find('=') + 1) + std::string(value), line.Ending,
                    *index == 0);
    return;
  }
  std::size_t after = range->Header;
  for (std::size_t i = range->Header + 1; i < range->End; ++i) {
    if (!Trimmed(FLines[i].Text).empty()) after = i;
  }
  if (after + 1 == FLines.size()) EndLastLine();
  FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(after + 1),
                NewLine(std::string(key) + "=" + std::string(value)));
}

bool TIniDocument::DeleteKey(std::string_view section, std::string_view key) {
  const auto range = FindSection(section);
  if (!range) return false;
  const auto index = FindKey(*range, key);
  if (!index) return false;
  FLines.erase(FLines.begin() + static_cast<std::ptrdiff_t>(*index));
  return true;
}

bool TIniDocument::EraseSection(std::string_view section) {
  const auto range = FindSection(section);
  if (!range) return false;
  FLines.erase(FLines.begin() + static_cast<std::ptrdiff_t>(range->Header),
               FLines.begin() + static_cast<std::ptrdiff_t>(range->End));
  return true;
}
