#include "hostlink/KivoReports.h"

#include "platform/com/ComObj.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/SystemMessage.h"
#include "platform/win/Windows.h"

namespace {

constexpr UINT ReportBoxFlags = MB_YESNOCANCEL | MB_ICONQUESTION | MB_TASKMODAL;

// The composed text is kept in a string of its own, whole, whatever the
// length of the system's text in it.
int ShowReport(const std::string& Text, const std::string& Caption) {
  const std::string boxText =
      Text + "\nPress [Y]es to terminate, [N]o to continue and [C]ancel to Debug";
  return MessageBoxA(nullptr, boxText.c_str(), Caption.c_str(), ReportBoxFlags);
}

// The system's text for a code, with its trailing line break; empty when
// the system has none.
std::string SystemText(HRESULT Result) {
  char* buffer = nullptr;
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
                     static_cast<DWORD>(Result), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                     reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
  if (length == 0 || buffer == nullptr) return {};
  std::string text(buffer, length);
  LocalFree(buffer);
  return text;
}

}  // namespace

std::string ComposeResultText(HRESULT Result, const std::string& CallText, const std::string& File,
                              int Line) {
  const std::string system = SystemText(Result);
  if (!system.empty()) return Format("'%s': %s @ %s/%d", {CallText, system, File, Line});
  return Format("(%s) Error: %x (%d) @ %s/%d",
                {CallText, static_cast<DWORD>(Result), Result, File, Line});
}

void AssertReport(const std::string& Condition, const std::string& File, int Line) {
  const int answer = ShowReport(Format("%s @ %s/%d", {Condition, File, Line}), "_ASSERTE: ");
  if (answer == IDYES)
    throw EOleException(Format("%s failed - %s/%d", {Condition, File, Line}), E_FAIL, File, "", 0);
  if (answer == IDCANCEL) DebugBreak();
}

HRESULT CheckResult(HRESULT Result, const std::string& CallText, const std::string& File,
                    int Line) {
  if (SUCCEEDED(Result)) return Result;
  const std::string text = ComposeResultText(Result, CallText, File, Line);
  const int answer = ShowReport(text, "HRCHECK: ");
  if (answer == IDYES) throw EOleException(text, Result, File, "", 0);
  if (answer == IDCANCEL) DebugBreak();
  return Result;
}
