// The component library's exception classes. Errors of the platform are
// C++ exceptions of these classes; they pass to the caller unless a unit
// catches them on purpose.
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
 public:
  explicit Exception(std::string message);
  ~Exception() override;

  const std::string& Message() const { return FMessage; }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

// A picture file that is not a graphic the platform can read.
class EInvalidGraphic : public Exception {
 public:
  explicit EInvalidGraphic(std::string message);
  ~EInvalidGraphic() override;
};

// A file that cannot be opened or read.
class EFOpenError : public Exception {
 public:
  explicit EFOpenError(std::string message);
  ~EFOpenError() override;
};
