// Message boxes, beeps and the debugger break.
#include <signal.h>

#include <fstream>
#include <limits>
#include <string>

#include "platform/win/DialogResponder.h"
#include "platform/win/Windows.h"

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  if ((type & MB_TYPEMASK) > MB_CANCELTRYCONTINUE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return DialogResponder().MessageBox(text != nullptr ? text : "",
                                      caption != nullptr ? caption : "Error", type);
}

BOOL MessageBeep(UINT type) {
  DialogResponder().Beep(type);
  return TRUE;
}

BOOL IsDebuggerPresent() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "TracerPid:") {
      long tracer = 0;
      status >> tracer;
      return tracer != 0 ? TRUE : FALSE;
    }
    status.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
  }
  return FALSE;
}

void DebugBreak() {
  if (IsDebuggerPresent()) raise(SIGTRAP);
}
