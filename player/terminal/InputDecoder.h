// Turns the bytes a terminal in raw mode sends into the player's keys and
// mouse clicks (SGR mouse reports). A sequence split across reads is kept
// until its end arrives; sequences the player has no use for are skipped.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kivo {

enum class Key {
  Space,
  Digit0,
  Digit1,
  Digit2,
  Digit3,
  Digit4,
  Plus,
  Minus,
  P,
  S,
  N,
  B,
  Q,
  CtrlC,
  M,
  Up,
  Down,
  Left,
  Right,
  Enter,
  Escape,
  T,
  D
};

// The key a typed character stands for, if the player has one for it.
std::optional<Key> KeyOfCharacter(char character);

enum class MouseButton { Left, Middle, Right };

struct KeyPress {
  Key Pressed;
  bool operator==(const KeyPress&) const = default;
};

// A button pressed on a screen cell, counted from 0 at the top-left.
struct MouseClick {
  MouseButton Button;
  std::int32_t Column;
  std::int32_t Row;
  bool operator==(const MouseClick&) const = default;
};

using InputEvent = std::variant<KeyPress, MouseClick>;

class InputDecoder {
 public:
  // The events completed by these bytes, in order.
  std::vector<InputEvent> Feed(std::string_view bytes);
  // No more bytes came for a while: an escape still kept is the Escape key
  // itself, not the start of a sequence.
  std::vector<InputEvent> Pause();

 private:
  // Decodes the event at the start of `text`; returns how many bytes it
  // used, or 0 when the sequence there is not complete yet.
  static std::size_t DecodeOne(std::string_view text, std::vector<InputEvent>& events);

  std::string FPending;
};

}  // namespace kivo
