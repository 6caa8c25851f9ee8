#include "player/audio/QuietSoundLibrary.h"

#include <alsa/asoundlib.h>

namespace kivo {

namespace {

void IgnoreMessage(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void QuietSoundLibrary() { snd_lib_error_set_handler(IgnoreMessage); }

}  // namespace kivo
