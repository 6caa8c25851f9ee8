// The plug-in library's three entries, exported with C linkage under these
// undecorated names; the player finds them by name once it has loaded
// kolmira.so. All three run on the player's user-interface thread.
#pragma once

#include <cstdint>

#include "plugin/PlayerContract.h"

extern "C" {

// Starts the plug-in with the player's plug-in object. Returns the running
// controller's address (never zero, and pointer-sized so that it cannot be
// cut to zero); on a refused start, ExitPlugin's result, unchanged. An error
// raised while the controller is built passes to the caller.
std::intptr_t _pinRun(THostPluginObject* Host);
// Analyses the block while the plug-in runs; always returns its argument.
TSampleBlock* _pinSampling(TSampleBlock* Block);
// Stops the plug-in and gives up its single-instance lock.
void _pinAbort();

using TPinRun = std::intptr_t (*)(THostPluginObject* Host);
using TPinSampling = TSampleBlock* (*)(TSampleBlock* Block);
using TPinAbort = void (*)();

}  // extern "C"
