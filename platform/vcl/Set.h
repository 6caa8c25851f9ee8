// A set of enumeration values, as the component library's Pascal sets are
// (`ComponentState`, a font's `Style`). Enumerators must lie in 0..63.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

template <typename E>
class TSet {
  static_assert(std::is_enum_v<E>, "a set holds enumeration values");

 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> items) {
    for (E item : items) Include(item);
  }

  constexpr bool Contains(E item) const { return (FBits & Bit(item)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }

  constexpr TSet& Include(E item) {
    FBits |= Bit(item);
    return *this;
  }
  constexpr TSet& Exclude(E item) {
    FBits &= ~Bit(item);
    return *this;
  }

  constexpr TSet operator+(TSet other) const { return FromBits(FBits | other.FBits); }
  constexpr TSet operator-(TSet other) const { return FromBits(FBits & ~other.FBits); }
  constexpr TSet operator*(TSet other) const { return FromBits(FBits & other.FBits); }
  friend constexpr bool operator==(TSet, TSet) = default;

 private:
  static constexpr std::uint64_t Bit(E item) {
    return std::uint64_t{1} << static_cast<unsigned>(item);
  }
  static constexpr TSet FromBits(std::uint64_t bits) {
    TSet result;
    result.FBits = bits;
    return result;
  }

  std::uint64_t FBits = 0;
};
