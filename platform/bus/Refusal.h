// What a process answers a peer whose call it will not carry out: the
// argument at fault and why. The bus turns it into an error reply named
// kRefusedError; code that takes calls without a bus (a fuzzer, a unit
// test) catches it as it is.
#pragma once

#include <stdexcept>
#include <string>

namespace kivo_bus {

inline constexpr const char* kRefusedError = "org.kolmira.Error.InvalidArgument";
inline constexpr const char* kBusyError = "org.kolmira.Error.LimitsExceeded";

class TRefusal : public std::runtime_error {
 public:
  TRefusal(std::string argument, const std::string& reason, bool busy = false)
      : std::runtime_error(argument + ": " + reason), FArgument(std::move(argument)), FBusy(busy) {}
  const std::string& Argument() const { return FArgument; }
  // The peer has as much waiting here as it may: not a wrong value, and
  // the same call may be made again later.
  bool Busy() const { return FBusy; }
  const char* ErrorName() const { return FBusy ? kBusyError : kRefusedError; }

 private:
  std::string FArgument;
  bool FBusy;
};

}  // namespace kivo_bus
