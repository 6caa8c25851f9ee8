// Builds BMP files byte by byte, for the variants and the broken files that
// no tool writes.
#pragma once

#include <cstdint>
#include <vector>

namespace bmp_test {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitFields = 3;

inline void PutU16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, value >> 16);
}

// A BMP file described field by field. Masks go inside a header of 52 bytes
// or more, and after a smaller one. Palette entries are TColors.
struct TBmpFile {
  std::uint32_t HeaderSize = 40;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::uint16_t BitsPerPixel = 24;
  std::uint32_t Compression = kBiRgb;
  std::uint32_t ColoursUsed = 0;
  std::vector<std::uint32_t> Masks{};
  std::vector<std::uint32_t> Palette{};
  std::vector<std::uint8_t> Data{};
  // Replaces the offset of the pixel data when not zero.
  std::uint32_t PixelOffset = 0;

  std::vector<std::uint8_t> Bytes() const {
    std::vector<std::uint8_t> header;
    PutU32(header, HeaderSize);
    if (HeaderSize == 12) {
      PutU16(header, static_cast<std::uint32_t>(Width));
      PutU16(header, static_cast<std::uint32_t>(Height));
      PutU16(header, 1);
      PutU16(header, BitsPerPixel);
    } else {
      PutU32(header, static_cast<std::uint32_t>(Width));
      PutU32(header, static_cast<std::uint32_t>(Height));
      PutU16(header, 1);
      PutU16(header, BitsPerPixel);
      PutU32(header, Compression);
      PutU32(header, static_cast<std::uint32_t>(Data.size()));
      PutU32(header, 2835);
      PutU32(header, 2835);
      PutU32(header, ColoursUsed);
      PutU32(header, 0);
      for (const auto mask : Masks) PutU32(header, mask);
      if (header.size() < HeaderSize) header.resize(HeaderSize, 0);
    }
    for (const auto colour : Palette) {
      header.push_back(static_cast<std::uint8_t>(colour >> 16));
      header.push_back(static_cast<std::uint8_t>(colour >> 8));
      header.push_back(static_cast<std::uint8_t>(colour));
      if (HeaderSize != 12) header.push_back(0);
    }
    std::vector<std::uint8_t> file{'B', 'M'};
    const auto offset = static_cast<std::uint32_t>(14 + header.size());
    PutU32(file, static_cast<std::uint32_t>(offset + Data.size()));
    PutU32(file, 0);
    PutU32(file, PixelOffset != 0 ? PixelOffset : offset);
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), Data.begin(), Data.end());
    return file;
  }
};

}  // namespace bmp_test
