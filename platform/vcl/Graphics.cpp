#include "platform/vcl/Graphics.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <utility>

#include "platform/vcl/BmpReader.h"

static_assert(TBitmap::MaxPixels == BmpMaxPixels,
              "every bitmap file that can be read fits a bitmap");

namespace {

constexpr std::uint32_t kRgbMask = 0x00FFFFFF;

// Stamps are never reused, so a stamp names one content for the whole run.
std::uint64_t NewStamp() {
  static std::atomic<std::uint64_t> last{0};
  return last.fetch_add(1, std::memory_order_relaxed) + 1;
}
constexpr TColor kNewPixel = clWhite;

// The classic grey desktop scheme, by system colour index.
constexpr std::array<TColor, 25> kSystemColors{
    RGB(0xD4, 0xD0, 0xC8),  // scroll bar
    RGB(0x3A, 0x6E, 0xA5),  // desktop
    RGB(0x0A, 0x24, 0x6A),  // active caption
    RGB(0x80, 0x80, 0x80),  // inactive caption
    RGB(0xD4, 0xD0, 0xC8),  // menu
    RGB(0xFF, 0xFF, 0xFF),  // window
    RGB(0x00, 0x00, 0x00),  // window frame
    RGB(0x00, 0x00, 0x00),  // menu text
    RGB(0x00, 0x00, 0x00),  // window text
    RGB(0xFF, 0xFF, 0xFF),  // caption text
    RGB(0xD4, 0xD0, 0xC8),  // active border
    RGB(0xD4, 0xD0, 0xC8),  // inactive border
    RGB(0x80, 0x80, 0x80),  // application work space
    RGB(0x0A, 0x24, 0x6A),  // highlight
    RGB(0xFF, 0xFF, 0xFF),  // highlight text
    RGB(0xD4, 0xD0, 0xC8),  // button face
    RGB(0x80, 0x80, 0x80),  // button shadow
    RGB(0x80, 0x80, 0x80),  // grey text
    RGB(0x00, 0x00, 0x00),  // button text
    RGB(0xD4, 0xD0, 0xC8),  // inactive caption text
    RGB(0xFF, 0xFF, 0xFF),  // button highlight
    RGB(0x40, 0x40, 0x40),  // 3D dark shadow
    RGB(0xD4, 0xD0, 0xC8),  // 3D light
    RGB(0x00, 0x00, 0x00),  // tooltip text
    RGB(0xFF, 0xFF, 0xE1),  // tooltip background
};

// a * b / c rounded to the nearest integer, halves away from zero, as the
// platform's MulDiv does; -1 when c is 0.
std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c) {
  if (c == 0) return -1;
  const std::int64_t product = std::int64_t{a} * b;
  const std::int64_t quotient = product / c;
  const std::int64_t remainder = product % c;
  const bool negative = (product < 0) != (c < 0);
  const bool roundAway = 2 * std::llabs(remainder) >= std::llabs(c);
  return static_cast<std::int32_t>(roundAway ? quotient + (negative ? -1 : 1) : quotient);
}

// How a copy mode combines a source pixel with the destination pixel.
using TRasterOp = std::uint32_t (*)(std::uint32_t source, std::uint32_t dest);

// Null for a copy mode that is not supported.
TRasterOp RasterOpOf(TCopyMode mode) {
  switch (mode) {
    case cmBlackness:
      return [](std::uint32_t, std::uint32_t) -> std::uint32_t { return 0; };
    case cmNotSrcCopy:
      return [](std::uint32_t s, std::uint32_t) { return ~s & kRgbMask; };
    case cmSrcInvert:
      return [](std::uint32_t s, std::uint32_t d) { return s ^ d; };
    case cmSrcAnd:
      return [](std::uint32_t s, std::uint32_t d) { return s & d; };
    case cmSrcCopy:
      return [](std::uint32_t s, std::uint32_t) { return s; };
    case cmSrcPaint:
      return [](std::uint32_t s, std::uint32_t d) { return s | d; };
    case cmWhiteness:
      return [](std::uint32_t, std::uint32_t) { return kRgbMask; };
    default:
      return nullptr;
  }
}

TPixelFormat FormatOfFile(std::uint16_t bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1:
      return pf1bit;
    case 4:
      return pf4bit;
    case 8:
      return pf8bit;
    case 16:
      return pf16bit;
    case 24:
      return pf24bit;
    case 32:
      return pf32bit;
    default:
      return pfCustom;
  }
}

// The source coordinate that destination offset `i` of `destExtent`
// pixels samples, for a source of `sourceExtent` pixels from `sourceStart`.
std::int64_t SourceCoordinate(std::int64_t i, std::int64_t destExtent, std::int64_t sourceStart,
                              std::int64_t sourceExtent) {
  return sourceStart + i * sourceExtent / destExtent;
}

}  // namespace

TColor ColorToRGB(TColor color) {
  if (color >= 0) return color;
  const auto index = static_cast<std::size_t>(color & 0xFF);
  return index < kSystemColors.size() ? kSystemColors[index] : clBlack;
}

EInvalidGraphicOperation::EInvalidGraphicOperation(std::string message)
    : Exception(std::move(message)) {}
EInvalidGraphicOperation::~EInvalidGraphicOperation() = default;

// --- TFont -------------------------------------------------------------------

TFont::~TFont() = default;

std::int32_t TFont::Size() const { return -MulDiv(FHeight, 72, PixelsPerInch); }

void TFont::SetSize(std::int32_t value) { FHeight = -MulDiv(value, PixelsPerInch, 72); }

void TFont::Assign(const TFont& source) {
  FName = source.FName;
  FCharset = source.FCharset;
  FHeight = source.FHeight;
  FStyle = source.FStyle;
  FColor = source.FColor;
}

// --- TCanvas -----------------------------------------------------------------

TCanvas::TCanvas(TBitmap& bitmap) : FBitmap(bitmap) {}
TCanvas::~TCanvas() = default;

TColor TCanvas::Pixels(std::int32_t x, std::int32_t y) const {
  if (x < 0 || y < 0 || x >= FBitmap.Width() || y >= FBitmap.Height()) return CLR_INVALID;
  return static_cast<TColor>(std::as_const(FBitmap).Row(y)[static_cast<std::size_t>(x)]);
}

void TCanvas::SetPixels(std::int32_t x, std::int32_t y, TColor color) {
  if (x < 0 || y < 0 || x >= FBitmap.Width() || y >= FBitmap.Height()) return;
  FBitmap.Row(y)[static_cast<std::size_t>(x)] =
      static_cast<std::uint32_t>(ColorToRGB(color)) & kRgbMask;
}

void TCanvas::CopyRect(const TRect& dest, const TCanvas* canvas, const TRect& source) {
  const TRasterOp combine = RasterOpOf(FCopyMode);
  if (combine == nullptr) throw EInvalidGraphicOperation("Unsupported copy mode");
  if (canvas == nullptr || dest.IsEmpty() || source.IsEmpty()) return;

  // Copying within one bitmap reads a snapshot, so overlapping rectangles
  // copy as if through a buffer.
  TBitmap snapshot;
  const TBitmap* from = &canvas->FBitmap;
  if (from == &FBitmap) {
    snapshot.Assign(from);
    from = &snapshot;
  }

  const TRect target = IntersectRect(dest, Rect(0, 0, FBitmap.Width(), FBitmap.Height()));
  for (std::int32_t y = target.Top; y < target.Bottom; ++y) {
    const std::int64_t sy =
        SourceCoordinate(std::int64_t{y} - dest.Top, dest.Height(), source.Top, source.Height());
    if (sy < 0 || sy >= from->Height()) continue;
    const auto sourceRow = from->Row(static_cast<std::int32_t>(sy));
    const auto destRow = FBitmap.Row(y);
    for (std::int32_t x = target.Left; x < target.Right; ++x) {
      const std::int64_t sx =
          SourceCoordinate(std::int64_t{x} - dest.Left, dest.Width(), source.Left, source.Width());
      if (sx < 0 || sx >= from->Width()) continue;
      std::uint32_t& pixel = destRow[static_cast<std::size_t>(x)];
      pixel = combine(sourceRow[static_cast<std::size_t>(sx)], pixel);
    }
  }
}

// --- TBitmap -----------------------------------------------------------------

TBitmap::TBitmap()
    : FPixels(std::make_shared<TPixels>()), FCanvas(std::make_unique<TCanvas>(*this)) {}
TBitmap::~TBitmap() = default;

void TBitmap::Adopt(TPixels pixels, std::int32_t width, std::int32_t height) {
  FPixels = std::make_shared<TPixels>(std::move(pixels));
  FWidth = width;
  FHeight = height;
  FStamp = 0;
}

void TBitmap::Resize(std::int32_t width, std::int32_t height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == FWidth && height == FHeight) return;
  if (std::int64_t{width} * height > MaxPixels) {
    throw EInvalidGraphicOperation("Bitmap too large");
  }
  TPixels pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                 static_cast<std::uint32_t>(kNewPixel));
  const std::int32_t keptWidth = std::min(width, FWidth);
  const std::int32_t keptHeight = std::min(height, FHeight);
  for (std::int32_t y = 0; y < keptHeight; ++y) {
    const auto row = std::as_const(*this).Row(y);
    std::copy_n(row.begin(), keptWidth, pixels.begin() + static_cast<std::ptrdiff_t>(y) * width);
  }
  Adopt(std::move(pixels), width, height);
}

void TBitmap::SetPixelFormat(TPixelFormat value) {
  const bool lossless = value == pfDevice || value == pf24bit || value == pf32bit;
  if (value != FPixelFormat && !lossless) {
    throw EInvalidGraphicOperation("Unsupported pixel format");
  }
  FPixelFormat = value;
}

void TBitmap::LoadFromFile(const std::string& path) {
  TBmpImage image = ReadBmpFile(path);
  Adopt(std::move(image.Pixels), image.Width, image.Height);
  FPixelFormat = FormatOfFile(image.BitsPerPixel);
}

void TBitmap::Assign(const TBitmap* source) {
  if (source == this) return;
  if (source == nullptr) {
    Adopt({}, 0, 0);
    return;
  }
  AssignPixels(*source);
  FPixelFormat = source->FPixelFormat;
}

void TBitmap::AssignPixels(const TBitmap& source) {
  FPixels = source.FPixels;
  FWidth = source.FWidth;
  FHeight = source.FHeight;
  FStamp = source.ContentStamp();
}

std::uint64_t TBitmap::ContentStamp() const {
  if (FStamp == 0) FStamp = NewStamp();
  return FStamp;
}

std::span<const std::uint32_t> TBitmap::Row(std::int32_t y) const {
  return std::span<const std::uint32_t>(*FPixels).subspan(
      static_cast<std::size_t>(y) * static_cast<std::size_t>(FWidth),
      static_cast<std::size_t>(FWidth));
}

std::span<std::uint32_t> TBitmap::Row(std::int32_t y) {
  if (FPixels.use_count() > 1) FPixels = std::make_shared<TPixels>(*FPixels);
  FStamp = 0;
  return std::span<std::uint32_t>(*FPixels).subspan(
      static_cast<std::size_t>(y) * static_cast<std::size_t>(FWidth),
      static_cast<std::size_t>(FWidth));
}

// --- TPicture ----------------------------------------------------------------

TPicture::TPicture() : FBitmap(std::make_unique<TBitmap>()) {}
TPicture::~TPicture() = default;
