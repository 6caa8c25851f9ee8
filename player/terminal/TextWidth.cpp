#include "player/terminal/TextWidth.h"

#include <array>
#include <utility>

namespace kivo {

namespace {

using Range = std::pair<char32_t, char32_t>;

constexpr std::array kWide = {
    Range{0x1100, 0x115F},   Range{0x2E80, 0x303E},   Range{0x3041, 0x33FF},
    Range{0x3400, 0x4DBF},   Range{0x4E00, 0x9FFF},   Range{0xA000, 0xA4CF},
    Range{0xAC00, 0xD7A3},   Range{0xF900, 0xFAFF},   Range{0xFE30, 0xFE4F},
    Range{0xFF00, 0xFF60},   Range{0xFFE0, 0xFFE6},   Range{0x1F300, 0x1F64F},
    Range{0x1F900, 0x1F9FF}, Range{0x20000, 0x3FFFD},
};
constexpr std::array kZeroWidth = {Range{0x0300, 0x036F}, Range{0x200B, 0x200F},
                                   Range{0xFE00, 0xFE0F}, Range{0x20D0, 0x20FF}};

template <std::size_t N>
bool InAny(const std::array<Range, N>& ranges, char32_t character) {
  for (const auto& [first, last] : ranges) {
    if (character >= first && character <= last) return true;
  }
  return false;
}

bool IsControl(char32_t character) {
  return character < 0x20 || (character >= 0x7F && character <= 0x9F);
}

struct Decoded {
  char32_t Character = 0;
  std::size_t Length = 0;  // 0 when the bytes at that place are not UTF-8
};

// Decodes the character at the start of `text`, rejecting overlong forms,
// surrogates and values past U+10FFFF.
Decoded DecodeFirst(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  if (lead < 0x80) return {lead, 1};
  std::size_t length = 0;
  char32_t character = 0;
  char32_t smallest = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    character = lead & 0x1F;
    smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    character = lead & 0x0F;
    smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    character = lead & 0x07;
    smallest = 0x10000;
  } else {
    return {};
  }
  if (text.size() < length) return {};
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[i]);
    if ((next & 0xC0) != 0x80) return {};
    character = (character << 6) | (next & 0x3F);
  }
  if (character < smallest || character > 0x10FFFF ||
      (character >= 0xD800 && character <= 0xDFFF)) {
    return {};
  }
  return {character, length};
}

}  // namespace

int ColumnsOf(char32_t character) {
  if (InAny(kZeroWidth, character)) return 0;
  return InAny(kWide, character) ? 2 : 1;
}

std::string ClipToColumns(std::string_view text, std::int32_t columns) {
  std::string clipped;
  std::int32_t used = 0;
  while (!text.empty()) {
    const Decoded decoded = DecodeFirst(text);
    const bool shown = decoded.Length != 0 && !IsControl(decoded.Character);
    const int width = shown ? ColumnsOf(decoded.Character) : 1;
    if (used + width > columns) break;
    used += width;
    if (shown) {
      clipped += text.substr(0, decoded.Length);
    } else {
      clipped += '?';
    }
    text.remove_prefix(decoded.Length != 0 ? decoded.Length : 1);
  }
  return clipped;
}

}  // namespace kivo
