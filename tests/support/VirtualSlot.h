// The table slot of a virtual operation, read from the compiled code: under
// the Itanium C++ ABI a pointer to a virtual member function holds 1 plus
// the byte offset of the operation's slot in the virtual table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace slot_test {

// -1 for a member function that is not virtual.
template <typename Class, typename Function>
std::ptrdiff_t VirtualSlot(Function Class::*member) {
  struct TRepresentation {
    std::uintptr_t Pointer;
    std::ptrdiff_t Adjustment;
  };
  static_assert(sizeof(member) == sizeof(TRepresentation), "an Itanium C++ ABI member pointer");
  TRepresentation representation{};
  std::memcpy(&representation, &member, sizeof representation);
  if ((representation.Pointer & 1) == 0) return -1;
  return static_cast<std::ptrdiff_t>((representation.Pointer - 1) / sizeof(void*));
}

}  // namespace slot_test
