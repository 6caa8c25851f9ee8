// What the keys of the live view do. Each key is a command of the player's
// own automation object, so that the plug-in hears of it through the same
// notifications as of a change made by any other client.
#pragma once

#include <cstdint>

#include "hostlink/Kivo_tlb.h"
#include "player/PlayerState.h"
#include "player/terminal/InputDecoder.h"

namespace kivo {

inline constexpr std::int32_t kVolumeKeyStep = 5;
inline constexpr std::int32_t kBandPatternCount = 6;

// NextSkin: the caller moves to the next skin, which takes more than the
// automation object (the plug-in is started again). OpenMenu: the caller
// opens the player's menu in its view.
enum class KeyOutcome { Continue, NextSkin, Quit, OpenMenu };

// Space pauses and resumes (or starts a stopped player); 0-4 set the display
// mode; + and - step the volume; p moves to the next band pattern and saves
// the settings, so that the plug-in re-reads them; s asks for the next
// skin; n and b change track;
// m opens the menu; q and Ctrl-C quit. The arrows, Enter and Escape
// serve the open menu alone.
KeyOutcome ApplyKey(Key key, Kivo_tlb::IKIVOControl& control, TPlayerState& state);

// Sets the band pattern and saves the settings, so that the plug-in
// re-reads them; a pattern that cannot be saved is not taken.
void SetBandPattern(Kivo_tlb::IKIVOControl& control, TPlayerState& state, std::int32_t pattern);

}  // namespace kivo
