#include "player/terminal/InputDecoder.h"

#include <charconv>
#include <optional>

namespace kivo {

namespace {

constexpr char kEscape = '\x1b';
constexpr char kCtrlC = '\x03';
// Longer than any report a terminal sends; a longer run without an end is
// garbage and is dropped rather than kept waiting for ever.
constexpr std::size_t kLongestSequence = 64;

std::optional<Key> KeyOf(char byte) {
  switch (byte) {
    case ' ':
      return Key::Space;
    case '0':
      return Key::Digit0;
    case '1':
      return Key::Digit1;
    case '2':
      return Key::Digit2;
    case '3':
      return Key::Digit3;
    case '4':
      return Key::Digit4;
    case '+':
      return Key::Plus;
    case '-':
      return Key::Minus;
    case 'p':
      return Key::P;
    case 's':
      return Key::S;
    case 'n':
      return Key::N;
    case 'b':
      return Key::B;
    case 'q':
      return Key::Q;
    case 'm':
      return Key::M;
    case '\r':
    case '\n':
      return Key::Enter;
    case 't':
      return Key::T;
    case 'd':
      return Key::D;
    case kCtrlC:
      return Key::CtrlC;
    default:
      return std::nullopt;
  }
}

bool IsFinalByte(char byte) { return byte >= 0x40 && byte <= 0x7E; }

// The cursor keys, in normal ("ESC [ A") and application mode ("ESC O A").
std::optional<Key> CursorKeyOf(char final) {
  switch (final) {
    case 'A':
      return Key::Up;
    case 'B':
      return Key::Down;
    case 'C':
      return Key::Right;
    case 'D':
      return Key::Left;
    default:
      return std::nullopt;
  }
}

// Parses "b;x;y" of an SGR mouse report.
std::optional<MouseClick> ParseMousePress(std::string_view parameters) {
  int numbers[3] = {};
  const char* at = parameters.data();
  const char* end = parameters.data() + parameters.size();
  for (int i = 0; i < 3; ++i) {
    const auto [next, error] = std::from_chars(at, end, numbers[i]);
    if (error != std::errc() || next == at) return std::nullopt;
    at = next;
    if (i < 2) {
      if (at == end || *at != ';') return std::nullopt;
      ++at;
    }
  }
  if (at != end || numbers[1] < 1 || numbers[2] < 1) return std::nullopt;

  const int code = numbers[0];
  constexpr int kMotion = 32;
  constexpr int kWheelOrExtra = 64 | 128;
  constexpr int kModifiers = 4 | 8 | 16;
  if ((code & (kMotion | kWheelOrExtra)) != 0) return std::nullopt;
  const int button = code & ~kModifiers;
  if (button > 2) return std::nullopt;
  return MouseClick{static_cast<MouseButton>(button), numbers[1] - 1, numbers[2] - 1};
}

}  // namespace

std::optional<Key> KeyOfCharacter(char character) { return KeyOf(character); }

std::vector<InputEvent> InputDecoder::Feed(std::string_view bytes) {
  FPending += bytes;
  std::vector<InputEvent> events;
  std::size_t start = 0;
  while (start < FPending.size()) {
    const std::size_t used = DecodeOne(std::string_view(FPending).substr(start), events);
    if (used == 0) break;
    start += used;
  }
  FPending.erase(0, start);
  if (FPending.size() > kLongestSequence) FPending.clear();
  return events;
}

std::vector<InputEvent> InputDecoder::Pause() {
  if (FPending != std::string(1, kEscape)) return {};
  FPending.clear();
  return {KeyPress{Key::Escape}};
}

std::size_t InputDecoder::DecodeOne(std::string_view text, std::vector<InputEvent>& events) {
  if (text[0] != kEscape) {
    if (const auto key = KeyOf(text[0])) events.push_back(KeyPress{*key});
    return 1;
  }
  if (text.size() < 2) return 0;
  if (text[1] == 'O') {  // a function key
    if (text.size() < 3) return 0;
    if (const auto key = CursorKeyOf(text[2])) events.push_back(KeyPress{*key});
    return 3;
  }
  if (text[1] == kEscape) {  // Escape pressed twice
    events.push_back(KeyPress{Key::Escape});
    return 1;
  }
  if (text[1] != '[') return 1;  // Alt with a key: the key alone

  // A control sequence: parameters and intermediates, then a final byte.
  std::size_t end = 2;
  while (end < text.size() && !IsFinalByte(text[end])) ++end;
  if (end == text.size()) return 0;

  const char final = text[end];
  if (text[2] == '<' && final == 'M') {
    if (const auto click = ParseMousePress(text.substr(3, end - 3))) events.push_back(*click);
  } else if (end == 2) {
    if (const auto key = CursorKeyOf(final)) events.push_back(KeyPress{*key});
  }
  return end + 1;
}

}  // namespace kivo
