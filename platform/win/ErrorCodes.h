// The platform's error code for a POSIX errno value, for the functions of
// this layer that meet the file system.
#pragma once

#include "platform/win/Windows.h"

DWORD ErrorFromErrno(int error);
