#include "platform/vcl/StringList.h"

#include <utility>

EStringListError::EStringListError(std::string message) : Exception(std::move(message)) {}
EStringListError::~EStringListError() = default;

namespace {

constexpr char kDelimiter = ',';
constexpr char kQuote = '"';

// Blanks and control characters separate comma-text items; a NUL ends the
// text, as it ends the platform's strings.
bool IsBlank(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 1 && u <= ' ';
}

bool NeedsQuotes(std::string_view item) {
  for (const char c : item) {
    if (IsBlank(c) || c == kQuote || c == kDelimiter) return true;
  }
  return false;
}

std::string Quoted(std::string_view item) {
  std::string result(1, kQuote);
  for (const char c : item) {
    result += c;
    if (c == kQuote) result += kQuote;
  }
  result += kQuote;
  return result;
}

// Reads a quoted item from pos (at its opening quote) and leaves pos after
// the closing quote; an unclosed quote takes the rest of the text.
std::string ReadQuoted(std::string_view text, std::size_t& pos) {
  std::string item;
  ++pos;
  while (pos < text.size()) {
    if (text[pos] != kQuote) {
      item += text[pos++];
    } else if (pos + 1 < text.size() && text[pos + 1] == kQuote) {
      item += kQuote;
      pos += 2;
    } else {
      ++pos;
      break;
    }
  }
  return item;
}

std::string ReadPlain(std::string_view text, std::size_t& pos) {
  const std::size_t start = pos;
  while (pos < text.size() && !IsBlank(text[pos]) && text[pos] != kDelimiter) ++pos;
  return std::string(text.substr(start, pos - start));
}

void SkipBlanks(std::string_view text, std::size_t& pos) {
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
}

std::string_view NameOf(std::string_view item) {
  const std::size_t equals = item.find('=');
  return equals == std::string_view::npos ? std::string_view() : item.substr(0, equals);
}

}  // namespace

void TStringList::CheckIndex(int index, int limit) const {
  if (index < 0 || index >= limit) {
    throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
  }
}

const std::string& TStringList::Strings(int index) const {
  CheckIndex(index, Count());
  return FItems[static_cast<std::size_t>(index)];
}

void TStringList::SetStrings(int index, const std::string& value) {
  CheckIndex(index, Count());
  FItems[static_cast<std::size_t>(index)] = value;
}

int TStringList::Add(const std::string& value) {
  FItems.push_back(value);
  return Count() - 1;
}

void TStringList::Insert(int index, const std::string& value) {
  CheckIndex(index, Count() + 1);
  FItems.insert(FItems.begin() + index, value);
}

void TStringList::Delete(int index) {
  CheckIndex(index, Count());
  FItems.erase(FItems.begin() + index);
}

int TStringList::IndexOf(std::string_view value) const {
  for (int i = 0; i < Count(); ++i) {
    if (AnsiCompareText(FItems[static_cast<std::size_t>(i)], value) == 0) return i;
  }
  return -1;
}

std::string TStringList::CommaText() const {
  if (FItems.size() == 1 && FItems.front().empty()) return std::string(2, kQuote);
  std::string result;
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    if (i > 0) result += kDelimiter;
    result += NeedsQuotes(FItems[i]) ? Quoted(FItems[i]) : FItems[i];
  }
  return result;
}

void TStringList::SetCommaText(std::string_view text) {
  Clear();
  text = text.substr(0, text.find('\0'));
  std::size_t pos = 0;
  SkipBlanks(text, pos);
  while (pos < text.size()) {
    Add(text[pos] == kQuote ? ReadQuoted(text, pos) : ReadPlain(text, pos));
    SkipBlanks(text, pos);
    if (pos < text.size() && text[pos] == kDelimiter) {
      if (pos + 1 == text.size()) Add("");
      ++pos;
      SkipBlanks(text, pos);
    }
  }
}

std::string TStringList::Names(int index) const { return std::string(NameOf(Strings(index))); }

int TStringList::IndexOfName(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string& item = FItems[static_cast<std::size_t>(i)];
    if (item.find('=') != std::string::npos && AnsiCompareText(NameOf(item), name) == 0) return i;
  }
  return -1;
}

std::string TStringList::Values(std::string_view name) const {
  const int index = IndexOfName(name);
  if (index < 0) return "";
  const std::string& item = FItems[static_cast<std::size_t>(index)];
  return item.substr(item.find('=') + 1);
}

void TStringList::SetValues(std::string_view name, const std::string& value) {
  const int index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  const std::string item = std::string(name) + "=" + value;
  if (index < 0) {
    Add(item);
  } else {
    FItems[static_cast<std::size_t>(index)] = item;
  }
}
