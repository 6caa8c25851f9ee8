// A fixed-size array of doubles whose first element starts a 64-byte cache
// line, so that vectors of up to eight doubles read from it and written to
// it never straddle two lines: one allocation 64 bytes larger than needed,
// its start rounded up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

class TAlignedArray {
 public:
  static constexpr std::size_t kAlignment = 64;

  TAlignedArray() = default;
  explicit TAlignedArray(std::size_t count)
      : FStorage(std::make_unique<std::byte[]>(count * sizeof(double) + kAlignment)),
        FData(AlignUp(FStorage.get())),
        FCount(count) {}

  double* data() { return FData; }
  const double* data() const { return FData; }
  std::size_t size() const { return FCount; }
  double& operator[](std::size_t i) { return FData[i]; }
  double operator[](std::size_t i) const { return FData[i]; }
  std::span<double> span() { return {FData, FCount}; }
  std::span<const double> span() const { return {FData, FCount}; }

 private:
  static double* AlignUp(std::byte* raw) {
    const auto address = reinterpret_cast<std::uintptr_t>(raw);
    const auto aligned = (address + kAlignment - 1) & ~std::uintptr_t{kAlignment - 1};
    return reinterpret_cast<double*>(raw + (aligned - address));
  }

  std::unique_ptr<std::byte[]> FStorage;
  double* FData = nullptr;
  std::size_t FCount = 0;
};
