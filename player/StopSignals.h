// SIGINT, SIGTERM and SIGHUP end a rendering or playing player the way its
// own end does: its loop sees the request between blocks or frames and
// leaves through the session's end (the close notification, the plug-in
// stopped, the terminal and the bus names given back), and the program
// exits with 128 + the signal's number, as a shell reports a program the
// signal ended, so that a script can tell a cut-short run from a whole one.
#pragma once

namespace kivo {

// Installs the handlers while it lives, one guard at a time; the handlers
// there were before come back when it ends. Install it before SDL starts,
// which then leaves these signals to it.
class TStopSignals {
 public:
  TStopSignals();
  ~TStopSignals();
  TStopSignals(const TStopSignals&) = delete;
  TStopSignals& operator=(const TStopSignals&) = delete;
};

// The first stop signal taken while a guard lives, 0 for none.
int StopSignalReceived();
// Readable from the first stop signal on, so that a poll ends with it;
// -1 without a guard.
int StopSignalWakeFd();
// The exit status of a run that ended on `signal`, or normally (0).
int ExitStatusAfter(int signal);

}  // namespace kivo
