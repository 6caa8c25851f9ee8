// Points and rectangles in pixels. A rectangle includes its left and top
// edges and excludes its right and bottom ones, as the platform's do.
#pragma once

#include <cstdint>

struct TPoint {
  std::int32_t X = 0;
  std::int32_t Y = 0;
  friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;

  // Wide enough for any two edges.
  constexpr std::int64_t Width() const { return std::int64_t{Right} - Left; }
  constexpr std::int64_t Height() const { return std::int64_t{Bottom} - Top; }
  constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  constexpr bool Contains(TPoint p) const {
    return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom;
  }
  friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

constexpr TPoint Point(std::int32_t x, std::int32_t y) { return TPoint{x, y}; }

constexpr TRect Rect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
  return TRect{left, top, right, bottom};
}

// The far edges saturate at the largest coordinate instead of wrapping.
constexpr TRect Bounds(std::int32_t left, std::int32_t top, std::int32_t width,
                       std::int32_t height) {
  constexpr std::int64_t kMax = INT32_MAX;
  constexpr std::int64_t kMin = INT32_MIN;
  const auto edge = [](std::int64_t v) {
    return static_cast<std::int32_t>(v > kMax ? kMax : v < kMin ? kMin : v);
  };
  return TRect{left, top, edge(std::int64_t{left} + width), edge(std::int64_t{top} + height)};
}

// The overlap of two rectangles; empty (possibly with Right < Left) when
// they do not meet.
constexpr TRect IntersectRect(const TRect& a, const TRect& b) {
  return TRect{a.Left > b.Left ? a.Left : b.Left, a.Top > b.Top ? a.Top : b.Top,
               a.Right < b.Right ? a.Right : b.Right, a.Bottom < b.Bottom ? a.Bottom : b.Bottom};
}
