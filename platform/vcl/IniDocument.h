// The text of an INI file as lines, each kept with its own line ending, so
// that a change rewrites only the lines it means to and leaves every other
// line, comment and blank exactly as it was.
//
// Reading rules: a line whose first non-blank character is '[' and which
// holds a ']' is a section header; a line holding '=' after a non-empty
// name is a key; a line whose first non-blank character is ';' is a
// comment; anything else, and keys before the first header, are skipped.
// Section and key names are compared without regard to case and the first
// match wins: the first section of a name is that section, the first key
// of a name within it is that key.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TIniDocument {
 public:
  TIniDocument() = default;
  explicit TIniDocument(std::string_view text);

  std::string Text() const;

  // The key's value with blanks around it dropped and one pair of matching
  // quotation marks (" or ') removed; nothing when section or key is missing.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;
  bool HasSection(std::string_view section) const;
  // Names as written, each once, in file order.
  std::vector<std::string> Keys(std::string_view section) const;
  std::vector<std::string> Sections() const;

  // Replaces an existing key's line in place, or adds the key after the
  // section's last entry, or adds the section at the end of the text.
  void SetValue(std::string_view section, std::string_view key, std::string_view value);
  // Each returns whether the text changed.
  bool DeleteKey(std::string_view section, std::string_view key);
  bool EraseSection(std::string_view section);

 private:
  enum class TKind { Other, Section, Key };
  struct TLine {
    std::string Text;
    std::string Ending;  // "\n", "\r\n" or, on a last line, ""
    TKind Kind = TKind::Other;
    std::string Name{};   // section or key name
    std::string Value{};  // a key's text after its '=', blanks dropped
  };
  struct TRange {
    std::size_t Header;
    std::size_t End;  // the next header, or the number of lines
  };

  static TLine Classify(std::string text, std::string ending, bool first);
  std::optional<TRange> FindSection(std::string_view section) const;
  std::optional<std::size_t> FindKey(const TRange& range, std::string_view key) const;
  TLine NewLine(std::string text) const;
  void EndLastLine();

  std::vector<TLine> FLines;
  std::string FLineEnding = "\n";
};
