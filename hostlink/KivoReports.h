// The two reports of the host link: the assertion report for a call that
// has no interface to go through, and the result report for a read that the
// player failed. Both ask Yes/No/Cancel; [Y]es raises EOleException to the
// caller, [N]o returns, [C]ancel breaks into a debugger and then returns.
#pragma once

#include <string>

#include "platform/com/ComBase.h"

// The text a failed result is reported with: the system's text for the
// code when it has one, else the code in hexadecimal and decimal.
std::string ComposeResultText(HRESULT Result, const std::string& CallText, const std::string& File,
                              int Line);

void AssertReport(const std::string& Condition, const std::string& File, int Line);

// Returns the result unchanged; shows the result report first when it is a
// failure.
HRESULT CheckResult(HRESULT Result, const std::string& CallText, const std::string& File, int Line);
