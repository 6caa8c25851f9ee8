#include "platform/vcl/SysUtils.h"

#include <utility>

// Defined out of line so that the class's type information lives in the
// platform library alone, and an error raised in one module is caught as
// the same class in another.
Exception::Exception(std::string message) : FMessage(std::move(message)) {}
Exception::~Exception() = default;

EInvalidGraphic::EInvalidGraphic(std::string message) : Exception(std::move(message)) {}
EInvalidGraphic::~EInvalidGraphic() = default;

EFOpenError::EFOpenError(std::string message) : Exception(std::move(message)) {}
EFOpenError::~EFOpenError() = default;
