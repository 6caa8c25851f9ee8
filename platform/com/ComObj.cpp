#include "platform/com/ComObj.h"

#include <cstdio>
#include <utility>

#include "platform/win/SystemMessage.h"

namespace {

// The system's text for a code as a sentence fragment: the trailing line
// break, blanks and full stop removed. Empty when there is none.
std::string SystemErrorText(HRESULT code) {
  char* buffer = nullptr;
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
                     static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                     reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
  std::string text = length > 0 ? std::string(buffer, length) : std::string();
  LocalFree(buffer);
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.'))
    text.pop_back();
  return text;
}

std::string OleErrorMessage(const std::string& message, HRESULT code) {
  if (!message.empty()) return message;
  std::string text = SystemErrorText(code);
  if (!text.empty()) return text;
  char fallback[32];
  std::snprintf(fallback, sizeof fallback, "OLE error %.8X", static_cast<unsigned>(code));
  return fallback;
}

}  // namespace

// Constructors and destructors are defined here so that the classes' type
// information lives in the platform library alone.
EOleError::EOleError(std::string message) : Exception(std::move(message)) {}
EOleError::~EOleError() = default;

EOleSysError::EOleSysError(const std::string& message, HRESULT errorCode, int helpContext)
    : EOleError(OleErrorMessage(message, errorCode)),
      FErrorCode(errorCode),
      FHelpContext(helpContext) {}
EOleSysError::~EOleSysError() = default;

EOleException::EOleException(const std::string& message, HRESULT errorCode, std::string source,
                             std::string helpFile, int helpContext)
    : EOleSysError(message, errorCode, helpContext),
      FSource(std::move(source)),
      FHelpFile(std::move(helpFile)) {}
EOleException::~EOleException() = default;

HRESULT OleCheck(HRESULT result) {
  if (FAILED(result)) throw EOleSysError("", result, 0);
  return result;
}
