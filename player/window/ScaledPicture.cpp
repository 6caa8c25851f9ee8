#include "player/window/ScaledPicture.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

namespace kivo {

namespace {

// TFrame pixels are 0xAABBGGRR words, which is SDL's ABGR8888.
constexpr Uint32 kFrameFormat = SDL_PIXELFORMAT_ABGR8888;

// The window span [first, last) that picture span [first, last) covers at
// `scale` from `origin`, cut to [0, limit).
struct TSpan {
  std::int32_t First = 0;
  std::int32_t Last = 0;
  bool IsEmpty() const { return Last <= First; }
};

TSpan Covered(std::int32_t first, std::int32_t last, std::int32_t origin, std::int32_t scale,
              std::int32_t limit) {
  return {std::max(origin + first * scale, 0), std::min(origin + last * scale, limit)};
}

// Window pixels [0, width) of `to` from the picture pixels of `from`, each
// `scale` times, the first cut by `skip` window pixels on its left.
template <typename TPixel>
void Widen(const std::uint8_t* from, std::uint8_t* to, std::int32_t width, std::int32_t skip,
           std::int32_t scale) {
  const auto* source = reinterpret_cast<const TPixel*>(from);
  auto* target = reinterpret_cast<TPixel*>(to);
  std::int32_t x = 0;
  // The first square may be cut on its left.
  for (std::int32_t run = scale - skip % scale; x < width; run = scale, ++source) {
    const TPixel pixel = *source;
    for (const std::int32_t end = std::min(x + run, width); x < end; ++x) *target++ = pixel;
  }
}

// The same for pixels of any size.
void WidenBytes(const std::uint8_t* from, std::uint8_t* to, std::int32_t width,
                std::int32_t skip, std::int32_t scale, std::int32_t bytes) {
  for (std::int32_t x = 0; x < width; ++x) {
    const std::int32_t column = (x + skip) / scale - skip / scale;
    std::memcpy(to + static_cast<std::size_t>(x) * static_cast<std::size_t>(bytes),
                from + static_cast<std::size_t>(column) * static_cast<std::size_t>(bytes),
                static_cast<std::size_t>(bytes));
  }
}

std::uint8_t* PixelAt(SDL_Surface& surface, std::int32_t x, std::int32_t y) {
  return static_cast<std::uint8_t*>(surface.pixels) +
         static_cast<std::ptrdiff_t>(y) * surface.pitch +
         static_cast<std::ptrdiff_t>(x) * surface.format->BytesPerPixel;
}

}  // namespace

void TScaledPicture::Take(const TFrame& frame, std::span<const TRect> areas) {
  for (const TRect& area : areas) {
    for (std::int32_t y = area.Top; y < area.Bottom; ++y) {
      const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.Width) +
                             static_cast<std::size_t>(area.Left);
      std::copy_n(&frame.Pixels[at], area.Width(), &FPixels[at]);
    }
  }
}

void TScaledPicture::TakeAll(const TFrame& frame) {
  FSize = {frame.Width, frame.Height};
  FPixels = frame.Pixels;
}

SDL_Rect TScaledPicture::Draw(SDL_Surface& surface, const PicturePlacement& placement,
                              const TRect& area) {
  const std::int32_t scale = placement.Scale;
  const TSpan columns = Covered(area.Left, area.Right, placement.Left, scale, surface.w);
  // The strip below the picture cuts it where the window is too small.
  const TSpan rows = Covered(area.Top, area.Bottom, placement.Top, scale,
                             std::min(surface.h, placement.StripTop));
  if (columns.IsEmpty() || rows.IsEmpty()) return {0, 0, 0, 0};

  // The picture columns under the window's, and how far into the first
  // one's square the window's first column lies.
  const std::int32_t skip = columns.First - placement.Left;
  const std::int32_t firstColumn = skip / scale;
  const std::int32_t count = (columns.Last - 1 - placement.Left) / scale - firstColumn + 1;
  const std::int32_t width = columns.Last - columns.First;
  const int bytes = surface.format->BytesPerPixel;
  FRow.resize(static_cast<std::size_t>(count) * static_cast<std::size_t>(bytes));

  const bool locked = SDL_MUSTLOCK(&surface);
  if (locked && SDL_LockSurface(&surface) != 0)
    throw std::runtime_error(std::string("cannot draw in the window: ") + SDL_GetError());
  const std::uint8_t* previous = nullptr;
  std::int32_t previousRow = -1;
  for (std::int32_t y = rows.First; y < rows.Last; ++y) {
    const std::int32_t row = (y - placement.Top) / scale;
    std::uint8_t* target = PixelAt(surface, columns.First, y);
    // The other rows of a square are copies of its first.
    if (row == previousRow) {
      std::memcpy(target, previous, static_cast<std::size_t>(width) * static_cast<std::size_t>(bytes));
      continue;
    }
    const std::uint32_t* source =
        &FPixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(FSize.Width) +
                 static_cast<std::size_t>(firstColumn)];
    SDL_ConvertPixels(count, 1, kFrameFormat, source, count * 4, surface.format->format,
                      FRow.data(), count * bytes);
    if (bytes == 4)
      Widen<std::uint32_t>(FRow.data(), target, width, skip, scale);
    else
      WidenBytes(FRow.data(), target, width, skip, scale, bytes);
    previous = target;
    previousRow = row;
  }
  if (locked) SDL_UnlockSurface(&surface);
  return {columns.First, rows.First, width, rows.Last - rows.First};
}

void TScaledPicture::DrawAll(SDL_Surface& surface, const PicturePlacement& placement) {
  SDL_FillRect(&surface, nullptr, SDL_MapRGB(surface.format, 0, 0, 0));
  Draw(surface, placement, {0, 0, FSize.Width, FSize.Height});
}

}  // namespace kivo
