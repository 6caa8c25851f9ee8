// Owns a POSIX file descriptor and closes it once.
#pragma once

#include <unistd.h>

#include <utility>

class TFileDescriptor {
 public:
  TFileDescriptor() = default;
  explicit TFileDescriptor(int descriptor) : FDescriptor(descriptor) {}
  TFileDescriptor(TFileDescriptor&& other) noexcept
      : FDescriptor(std::exchange(other.FDescriptor, -1)) {}
  TFileDescriptor& operator=(TFileDescriptor&& other) noexcept {
    if (this != &other) {
      Reset();
      FDescriptor = std::exchange(other.FDescriptor, -1);
    }
    return *this;
  }
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;
  ~TFileDescriptor() { Reset(); }

  int Get() const { return FDescriptor; }
  bool Valid() const { return FDescriptor >= 0; }

  void Reset() {
    if (FDescriptor >= 0) close(FDescriptor);
    FDescriptor = -1;
  }

 private:
  int FDescriptor = -1;
};
