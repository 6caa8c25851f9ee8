// The component library's errors of the component object runtime.
#pragma once

#include <string>

#include "platform/com/ComBase.h"
#include "platform/vcl/SysUtils.h"

class EOleError : public Exception {
 public:
  explicit EOleError(std::string message);
  ~EOleError() override;
};

// A failed HRESULT. An empty message takes the system's text for the code
// (without its trailing line break and full stop), or "OLE error %.8X"
// when the system has none.
class EOleSysError : public EOleError {
 public:
  EOleSysError(const std::string& message, HRESULT errorCode, int helpContext = 0);
  ~EOleSysError() override;

  HRESULT ErrorCode() const { return FErrorCode; }
  void SetErrorCode(HRESULT errorCode) { FErrorCode = errorCode; }
  int HelpContext() const { return FHelpContext; }

 private:
  HRESULT FErrorCode;
  int FHelpContext;
};

// An error that an automation object reported, with its source and help.
class EOleException : public EOleSysError {
 public:
  EOleException(const std::string& message, HRESULT errorCode, std::string source,
                std::string helpFile, int helpContext);
  ~EOleException() override;

  const std::string& Source() const { return FSource; }
  const std::string& HelpFile() const { return FHelpFile; }

 private:
  std::string FSource;
  std::string FHelpFile;
};

// Raises EOleSysError for a failed result; returns a successful one.
HRESULT OleCheck(HRESULT result);
