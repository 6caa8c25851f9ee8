// Reads Windows bitmap (BMP) files the way the platform's bitmap class
// does: core, info, V4 and V5 headers; 1, 4, 8, 16, 24 and 32 bits per
// pixel; uncompressed, RLE4, RLE8 and bit fields; bottom-up and top-down.
//
// Choices where files leave room:
// - A palette index beyond the palette gives black; nothing outside the
//   palette is read.
// - Pixels that an RLE stream never writes (skipped by a delta or an early
//   end of line or bitmap) keep palette entry 0: the decoded index image
//   starts cleared, as a palette bitmap's bits do.
// - A bit-field channel of n bits is scaled to 8 bits as v * 255 / (2^n - 1),
//   rounded to nearest, for every n; an 8-bit channel is thus unchanged.
// - Alpha is dropped (a TColor has none): every pixel is opaque, and the
//   fourth byte of a 32-bit file without bit fields is unused.
// - A width or height of 0 gives an empty bitmap of 0 x 0 pixels.
// - An RLE stream must end with its end-of-bitmap code; one that stops
//   short is a truncated file.
// - Sides above 32768 pixels, or more than BmpMaxPixels (4096 x 4096)
//   pixels in all, are refused before anything is allocated, so that no
//   file, however it is compressed, costs more than 64 MB of pixels.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

inline constexpr std::int64_t BmpMaxPixels = std::int64_t{4096} * 4096;

// Pixels of a decoded bitmap, top row first, each 0x00BBGGRR (a TColor).
struct TBmpImage {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::uint16_t BitsPerPixel = 0;  // as stored in the file
  std::vector<std::uint32_t> Pixels;
};

// Throws EInvalidGraphic when the bytes are not a readable bitmap.
TBmpImage DecodeBmp(std::span<const std::uint8_t> bytes);

// Throws EFOpenError when the file cannot be opened or read,
// EInvalidGraphic when it is not a readable bitmap.
TBmpImage ReadBmpFile(const std::string& path);
