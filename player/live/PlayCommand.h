// `kivo play`: live in the terminal when standard output is one, rendered
// as `kivo render` does otherwise.
#pragma once

#include "player/SessionCommands.h"

namespace kivo {

void RunPlayCommand(const TSessionCommandLine& commandLine);

}  // namespace kivo
