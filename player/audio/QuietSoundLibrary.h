// ALSA, which SDL opens the sound device through, writes what it cannot
// find (a card, a configuration entry) to standard error line after line
// before SDL gives up. The player says in one line what that means, so the
// library's own lines are not shown.
#pragma once

namespace kivo {

// From now on, for the whole process; harmless to call more than once.
void QuietSoundLibrary();

}  // namespace kivo
