#include "platform/win/Windows.h"

namespace {
thread_local DWORD tLastError = ERROR_SUCCESS;
}

DWORD GetLastError() { return tLastError; }

void SetLastError(DWORD errorCode) { tLastError = errorCode; }
