#include "player/live/KeyCommands.h"

#include <algorithm>

namespace kivo {

namespace {

void TogglePause(Kivo_tlb::IKIVOControl& control, const TPlayerState& state) {
  if (state.PlayStatus == kStatusPlaying || state.PlayStatus == kStatusPaused)
    control.Pause();
  else
    control.Play();
}

void NextBandPattern(Kivo_tlb::IKIVOControl& control, TPlayerState& state) {
  SetBandPattern(control, state,
                 (std::clamp(state.SpeanaPattern, 0, kBandPatternCount - 1) + 1) %
                     kBandPatternCount);
}

Kivo_tlb::TKIVODisplayMode DisplayModeOf(Key digit) {
  return static_cast<Kivo_tlb::TKIVODisplayMode>(static_cast<int>(digit) -
                                                 static_cast<int>(Key::Digit0));
}

}  // namespace

// A pattern that cannot be saved is not taken: the plug-in would never
// read it, and the status line would show a pattern nobody uses.
void SetBandPattern(Kivo_tlb::IKIVOControl& control, TPlayerState& state, std::int32_t pattern) {
  const std::int32_t previous = state.SpeanaPattern;
  state.SpeanaPattern = std::clamp(pattern, 0, kBandPatternCount - 1);
  if (FAILED(control.SaveKIVOini())) state.SpeanaPattern = previous;
}

KeyOutcome ApplyKey(Key key, Kivo_tlb::IKIVOControl& control, TPlayerState& state) {
  switch (key) {
    case Key::Space:
      TogglePause(control, state);
      break;
    case Key::Digit0:
    case Key::Digit1:
    case Key::Digit2:
    case Key::Digit3:
    case Key::Digit4:
      control.set_DisplayMode(DisplayModeOf(key));
      break;
    case Key::Plus:
      control.set_Volume(state.Volume + kVolumeKeyStep);
      break;
    case Key::Minus:
      control.set_Volume(state.Volume - kVolumeKeyStep);
      break;
    case Key::P:
      NextBandPattern(control, state);
      break;
    case Key::S:
      return KeyOutcome::NextSkin;
    case Key::N:
      control.Next();
      break;
    case Key::B:
      control.Back();
      break;
    case Key::Q:
    case Key::CtrlC:
      return KeyOutcome::Quit;
    case Key::M:
      return KeyOutcome::OpenMenu;
    case Key::Up:
    case Key::Down:
    case Key::Left:
    case Key::Right:
    case Key::Enter:
    case Key::Escape:
      break;
    case Key::T:
    case Key::D:
      break;  // the views' own keys (ViewStates.h)
  }
  return KeyOutcome::Continue;
}

}  // namespace kivo
