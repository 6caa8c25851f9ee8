#include "platform/vcl/BmpReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <system_error>
#include <utility>

#include "platform/vcl/SysUtils.h"

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kCoreHeaderSize = 12;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kInfoHeaderWithMasksSize = 52;
constexpr std::size_t kMaskSize = 4;

constexpr std::int64_t kMaxSide = 32768;
// A skin's pictures are a few hundred pixels a side; a frame sheet of
// eleven frames a row for ten bands stays far below this too. The decoded
// pixels of the largest bitmap allowed take 64 MB, so that a few hundred
// bytes of run-length data cannot make the reader allocate more.
constexpr std::int64_t kMaxPixels = BmpMaxPixels;
// The largest file a bitmap within the limits can need, with room for
// headers and palette; anything bigger is refused before it is read.
constexpr std::int64_t kMaxFileSize = kMaxPixels * 4 + 65536;

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitFields = 3;

[[noreturn]] void Invalid(const std::string& why) {
  throw EInvalidGraphic("Bitmap image is not valid: " + why);
}

std::uint32_t Rgb(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return red | (green << 8) | (blue << 16);
}

// Bounds-checked little-endian reads; a read past the end means the file
// was cut short.
class TByteView {
 public:
  explicit TByteView(std::span<const std::uint8_t> bytes) : FBytes(bytes) {}

  std::size_t Size() const { return FBytes.size(); }

  std::span<const std::uint8_t> Slice(std::uint64_t offset, std::uint64_t length) const {
    if (offset > FBytes.size() || length > FBytes.size() - offset) Invalid("the file is truncated");
    return FBytes.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
  }

  std::span<const std::uint8_t> From(std::uint64_t offset) const {
    if (offset > FBytes.size()) Invalid("the pixel data lies beyond the end of the file");
    return FBytes.subspan(static_cast<std::size_t>(offset));
  }

  std::uint16_t U16(std::uint64_t offset) const {
    const auto b = Slice(offset, 2);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
  }

  std::uint32_t U32(std::uint64_t offset) const {
    const auto b = Slice(offset, 4);
    return std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) |
           (std::uint32_t{b[3]} << 24);
  }

  std::int32_t I32(std::uint64_t offset) const { return static_cast<std::int32_t>(U32(offset)); }

 private:
  std::span<const std::uint8_t> FBytes;
};

struct THeader {
  std::uint32_t Size = 0;
  std::int64_t Width = 0;
  std::int64_t Height = 0;  // rows, always positive
  bool TopDown = false;
  std::uint16_t BitsPerPixel = 0;
  std::uint32_t Compression = kBiRgb;
  std::uint32_t ColoursUsed = 0;
  bool Core = false;
};

THeader ReadCoreHeader(const TByteView& view) {
  constexpr std::size_t at = kFileHeaderSize;
  THeader header;
  header.Size = kCoreHeaderSize;
  header.Core = true;
  header.Width = view.U16(at + 4);
  header.Height = view.U16(at + 6);
  header.BitsPerPixel = view.U16(at + 10);
  return header;
}

THeader ReadInfoHeader(const TByteView& view, std::uint32_t size) {
  constexpr std::size_t at = kFileHeaderSize;
  view.Slice(at, size);
  THeader header;
  header.Size = size;
  header.Width = view.I32(at + 4);
  const std::int64_t height = view.I32(at + 8);
  header.TopDown = height < 0;
  header.Height = header.TopDown ? -height : height;
  header.BitsPerPixel = view.U16(at + 14);
  header.Compression = view.U32(at + 16);
  header.ColoursUsed = view.U32(at + 32);
  return header;
}

THeader ReadHeader(const TByteView& view) {
  const std::uint32_t size = view.U32(kFileHeaderSize);
  switch (size) {
    case kCoreHeaderSize:
      return ReadCoreHeader(view);
    case 40:
    case 52:
    case 56:
    case 108:
    case 124:
      return ReadInfoHeader(view, size);
    default:
      Invalid("unsupported header size " + std::to_string(size));
  }
}

bool IsPaletted(const THeader& header) { return header.BitsPerPixel <= 8; }

void CheckFormat(const THeader& header) {
  const auto bpp = header.BitsPerPixel;
  const bool rgbDepth = bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
  bool valid = false;
  switch (header.Compression) {
    case kBiRgb:
      valid = rgbDepth && !(header.Core && (bpp == 16 || bpp == 32));
      break;
    case kBiRle8:
      valid = bpp == 8 && !header.Core;
      break;
    case kBiRle4:
      valid = bpp == 4 && !header.Core;
      break;
    case kBiBitFields:
      valid = (bpp == 16 || bpp == 32) && !header.Core;
      break;
    default:
      break;
  }
  if (!valid) {
    Invalid("unsupported format: " + std::to_string(bpp) + " bits per pixel, compression " +
            std::to_string(header.Compression));
  }
  const bool compressed = header.Compression == kBiRle8 || header.Compression == kBiRle4;
  if (compressed && header.TopDown) Invalid("a compressed bitmap cannot be stored top-down");
}

void CheckSize(const THeader& header) {
  if (header.Width < 0) Invalid("negative width");
  if (header.Width > kMaxSide || header.Height > kMaxSide ||
      header.Width * header.Height > kMaxPixels) {
    Invalid("the bitmap is too large (" + std::to_string(header.Width) + " x " +
            std::to_string(header.Height) + ")");
  }
}

// One colour channel of a bit-field pixel: a contiguous run of bits.
class TChannel {
 public:
  explicit TChannel(std::uint32_t mask) : FMask(mask) {
    if (mask == 0) return;
    FShift = std::countr_zero(mask);
    const std::uint64_t shifted = mask >> FShift;
    if ((shifted & (shifted + 1)) != 0) Invalid("a colour mask is not a contiguous run of bits");
    FMax = shifted;
  }

  std::uint32_t Scale(std::uint32_t pixel) const {
    if (FMax == 0) return 0;
    const std::uint64_t value = (pixel & FMask) >> FShift;
    return static_cast<std::uint32_t>((value * 255 + FMax / 2) / FMax);
  }

 private:
  std::uint32_t FMask;
  int FShift = 0;
  std::uint64_t FMax = 0;
};

struct TBitFields {
  TChannel Red;
  TChannel Green;
  TChannel Blue;

  std::uint32_t Colour(std::uint32_t pixel) const {
    return Rgb(Red.Scale(pixel), Green.Scale(pixel), Blue.Scale(pixel));
  }
};

TBitFields DefaultBitFields(std::uint16_t bitsPerPixel) {
  if (bitsPerPixel == 16) return {TChannel(0x7C00), TChannel(0x03E0), TChannel(0x001F)};
  return {TChannel(0x00FF0000), TChannel(0x0000FF00), TChannel(0x000000FF)};
}

// Where the masks of a BI_BITFIELDS bitmap are: inside a header large
// enough to hold them, otherwise in the twelve bytes after the header.
TBitFields ReadBitFields(const TByteView& view, const THeader& header) {
  if (header.Compression != kBiBitFields) return DefaultBitFields(header.BitsPerPixel);
  const std::uint64_t at = kFileHeaderSize + kInfoHeaderSize;
  return {TChannel(view.U32(at)), TChannel(view.U32(at + kMaskSize)),
          TChannel(view.U32(at + 2 * kMaskSize))};
}

std::uint64_t PaletteStart(const THeader& header) {
  const bool masksFollowHeader =
      header.Compression == kBiBitFields && header.Size < kInfoHeaderWithMasksSize;
  return kFileHeaderSize + header.Size + (masksFollowHeader ? 3 * kMaskSize : 0);
}

// The palette ends where the pixel data begins when a writer stored fewer
// entries than the header declares.
std::vector<std::uint32_t> ReadPalette(const TByteView& view, const THeader& header,
                                       std::uint64_t pixelOffset) {
  if (!IsPaletted(header)) return {};
  const std::uint64_t entrySize = header.Core ? 3 : 4;
  const std::uint64_t full = std::uint64_t{1} << header.BitsPerPixel;
  std::uint64_t count =
      header.ColoursUsed == 0 || header.ColoursUsed > full ? full : header.ColoursUsed;
  const std::uint64_t start = PaletteStart(header);
  count = std::min(count, (pixelOffset - start) / entrySize);
  const auto bytes = view.Slice(start, count * entrySize);
  std::vector<std::uint32_t> palette(count);
  for (std::size_t i = 0; i < count; ++i) {
    const auto* entry = &bytes[i * entrySize];
    palette[i] = Rgb(entry[2], entry[1], entry[0]);
  }
  return palette;
}

std::uint32_t PaletteColour(const std::vector<std::uint32_t>& palette, std::uint32_t index) {
  return index < palette.size() ? palette[index] : 0;
}

struct TLayout {
  std::size_t Width;
  std::size_t Height;
  bool TopDown;

  // Rows are stored bottom-up unless the height was negative.
  std::size_t DestinationRow(std::size_t fileRow) const {
    return TopDown ? fileRow : Height - 1 - fileRow;
  }
};

std::uint32_t PackedIndex(std::span<const std::uint8_t> row, std::size_t x, unsigned bits) {
  const std::size_t bit = x * bits;
  const unsigned shift = 8 - bits - static_cast<unsigned>(bit % 8);
  return (row[bit / 8] >> shift) & ((1u << bits) - 1);
}

std::uint32_t UncompressedPixel(std::span<const std::uint8_t> row, std::size_t x,
                                const THeader& header, const std::vector<std::uint32_t>& palette,
                                const TBitFields& fields) {
  switch (header.BitsPerPixel) {
    case 16: {
      const auto* p = &row[x * 2];
      return fields.Colour(p[0] | (p[1] << 8));
    }
    case 24: {
      const auto* p = &row[x * 3];
      return Rgb(p[2], p[1], p[0]);
    }
    case 32: {
      const auto* p = &row[x * 4];
      const std::uint32_t value = std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) |
                                  (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
      return fields.Colour(value);
    }
    default:
      return PaletteColour(palette, PackedIndex(row, x, header.BitsPerPixel));
  }
}

std::vector<std::uint32_t> DecodeUncompressed(std::span<const std::uint8_t> data,
                                              const THeader& header, const TLayout& layout,
                                              const std::vector<std::uint32_t>& palette,
                                              const TBitFields& fields) {
  const std::uint64_t stride = (layout.Width * header.BitsPerPixel + 31) / 32 * 4;
  if (stride * layout.Height > data.size()) Invalid("the pixel data is truncated");
  std::vector<std::uint32_t> pixels(layout.Width * layout.Height);
  for (std::size_t fileRow = 0; fileRow < layout.Height; ++fileRow) {
    const auto row = data.subspan(fileRow * stride, stride);
    auto* out = &pixels[layout.DestinationRow(fileRow) * layout.Width];
    for (std::size_t x = 0; x < layout.Width; ++x) {
      out[x] = UncompressedPixel(row, x, header, palette, fields);
    }
  }
  return pixels;
}

// Expands an RLE8 or RLE4 stream, whose rows run bottom-up, into colours.
// Pixels that fall outside the bitmap are dropped; pixels never written
// keep palette entry 0.
class TRleDecoder {
 public:
  TRleDecoder(std::span<const std::uint8_t> data, const TLayout& layout, bool fourBit,
              const std::vector<std::uint32_t>& palette)
      : FData(data),
        FLayout(layout),
        FFourBit(fourBit),
        FPalette(palette),
        FPixels(layout.Width * layout.Height, PaletteColour(palette, 0)) {}

  std::vector<std::uint32_t> Decode() {
    for (;;) {
      const std::uint8_t count = Next();
      const std::uint8_t value = Next();
      if (count > 0) {
        EncodedRun(count, value);
      } else if (value == 0) {
        FX = 0;
        ++FY;
      } else if (value == 1) {
        return std::move(FPixels);
      } else if (value == 2) {
        FX += Next();
        FY += Next();
      } else {
        AbsoluteRun(value);
      }
    }
  }

 private:
  std::uint8_t Next() {
    if (FPos >= FData.size()) Invalid("the compressed data ends before its end code");
    return FData[FPos++];
  }

  void Put(std::uint8_t index) {
    if (FX < FLayout.Width && FY < FLayout.Height) {
      FPixels[FLayout.DestinationRow(FY) * FLayout.Width + FX] = PaletteColour(FPalette, index);
    }
    ++FX;
  }

  void EncodedRun(unsigned count, std::uint8_t value) {
    for (unsigned i = 0; i < count; ++i) {
      Put(FFourBit ? static_cast<std::uint8_t>(i % 2 == 0 ? value >> 4 : value & 0x0F) : value);
    }
  }

  // Literal pixels, padded to a whole number of 16-bit words.
  void AbsoluteRun(unsigned count) {
    const unsigned bytes = FFourBit ? (count + 1) / 2 : count;
    std::uint8_t byte = 0;
    for (unsigned i = 0; i < count; ++i) {
      if (!FFourBit) {
        Put(Next());
      } else if (i % 2 == 0) {
        byte = Next();
        Put(static_cast<std::uint8_t>(byte >> 4));
      } else {
        Put(static_cast<std::uint8_t>(byte & 0x0F));
      }
    }
    if (bytes % 2 != 0) Next();
  }

  std::span<const std::uint8_t> FData;
  TLayout FLayout;
  bool FFourBit;
  const std::vector<std::uint32_t>& FPalette;
  std::vector<std::uint32_t> FPixels;
  std::size_t FPos = 0;
  std::uint64_t FX = 0;
  std::uint64_t FY = 0;
};

// Owns an open file descriptor.
class TFileDescriptor {
 public:
  explicit TFileDescriptor(int fd) : FFd(fd) {}
  ~TFileDescriptor() {
    if (FFd >= 0) ::close(FFd);
  }
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;

  int Get() const { return FFd; }

 private:
  int FFd;
};

std::string ErrnoText(int error) { return std::generic_category().message(error); }

[[noreturn]] void CannotRead(const std::string& path, const std::string& why) {
  throw EFOpenError("Cannot read file \"" + path + "\": " + why);
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  const TFileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) {
    throw EFOpenError("Cannot open file \"" + path + "\": " + ErrnoText(errno));
  }
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0) CannotRead(path, ErrnoText(errno));
  if (!S_ISREG(status.st_mode)) CannotRead(path, "not a regular file");
  if (status.st_size > kMaxFileSize) {
    throw EInvalidGraphic("Bitmap image is not valid: \"" + path + "\" is too large");
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(status.st_size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = ::read(file.Get(), bytes.data() + done, bytes.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) CannotRead(path, ErrnoText(errno));
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  bytes.resize(done);
  return bytes;
}

}  // namespace

TBmpImage DecodeBmp(std::span<const std::uint8_t> bytes) {
  const TByteView view(bytes);
  const auto signature = view.Slice(0, 2);
  if (signature[0] != 'B' || signature[1] != 'M') Invalid("no bitmap signature");
  const std::uint32_t pixelOffset = view.U32(10);
  const THeader header = ReadHeader(view);
  CheckFormat(header);
  CheckSize(header);

  TBmpImage image;
  image.BitsPerPixel = header.BitsPerPixel;
  if (header.Width == 0 || header.Height == 0) return image;

  if (pixelOffset < PaletteStart(header)) Invalid("the pixel data offset points into the header");
  const auto palette = ReadPalette(view, header, pixelOffset);
  const auto data = view.From(pixelOffset);
  const TLayout layout{static_cast<std::size_t>(header.Width),
                       static_cast<std::size_t>(header.Height), header.TopDown};
  if (header.Compression == kBiRle8 || header.Compression == kBiRle4) {
    image.Pixels = TRleDecoder(data, layout, header.Compression == kBiRle4, palette).Decode();
  } else {
    const TBitFields fields = ReadBitFields(view, header);
    image.Pixels = DecodeUncompressed(data, header, layout, palette, fields);
  }
  image.Width = static_cast<std::int32_t>(header.Width);
  image.Height = static_cast<std::int32_t>(header.Height);
  return image;
}

TBmpImage ReadBmpFile(const std::string& path) {
  const auto bytes = ReadWholeFile(path);
  try {
    return DecodeBmp(bytes);
  } catch (const EInvalidGraphic& error) {
    throw EInvalidGraphic(error.Message() + " (file \"" + path + "\")");
  }
}
