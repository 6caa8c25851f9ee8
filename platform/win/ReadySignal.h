// How a started program tells the process that started it that it is idle:
// the starter passes one end of a socket pair, whose descriptor number is in
// this environment variable, and the program's message loop writes a byte
// to it the first time the loop finds nothing to do.
#pragma once

inline constexpr const char* KIVO_READY_FD = "KIVO_READY_FD";

// Called by the message loop whenever the queue is empty; only the first
// call of the process signals.
void SignalReadyOnce();
