// Draws the skins' bitmaps: the background picture of the "picture" skin
// and the frame sheet of the "frames" skin, as 24-bit BMP files.
//
//   make_skin_bitmaps OUTPUT_DIR
//
// The sizes follow the design files: the picture covers a panel's inner
// area, and a frame is one band's column of the inner area.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Rgb {
  std::uint8_t R, G, B;
};

class Image {
 public:
  Image(int width, int height) : FWidth(width), FHeight(height), FPixels(width * height) {}
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  Rgb& At(int x, int y) { return FPixels[static_cast<std::size_t>(y * FWidth + x)]; }
  const Rgb& At(int x, int y) const { return FPixels[static_cast<std::size_t>(y * FWidth + x)]; }

 private:
  int FWidth;
  int FHeight;
  std::vector<Rgb> FPixels;
};

void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A bottom-up 24-bit file with an info header.
void WriteBmp(const Image& image, const std::filesystem::path& path) {
  const std::uint32_t rowBytes = (static_cast<std::uint32_t>(image.Width()) * 3 + 3) & ~3u;
  const std::uint32_t pixelBytes = rowBytes * static_cast<std::uint32_t>(image.Height());
  std::vector<std::uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  PutLittleEndian(out, 14 + 40 + pixelBytes, 4);
  PutLittleEndian(out, 0, 4);
  PutLittleEndian(out, 14 + 40, 4);
  PutLittleEndian(out, 40, 4);
  PutLittleEndian(out, static_cast<std::uint32_t>(image.Width()), 4);
  PutLittleEndian(out, static_cast<std::uint32_t>(image.Height()), 4);
  PutLittleEndian(out, 1, 2);
  PutLittleEndian(out, 24, 2);
  for (int i = 0; i < 6; ++i) PutLittleEndian(out, 0, 4);
  for (int y = image.Height() - 1; y >= 0; --y) {
    for (int x = 0; x < image.Width(); ++x) {
      const Rgb& pixel = image.At(x, y);
      out.insert(out.end(), {pixel.B, pixel.G, pixel.R});
    }
    out.resize(out.size() + rowBytes - static_cast<std::uint32_t>(image.Width()) * 3, 0);
  }
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  if (!file) throw std::runtime_error("cannot write " + path.string());
}

std::uint8_t Channel(double value) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

Rgb Mix(Rgb a, Rgb b, double t) {
  return {Channel(a.R + (b.R - a.R) * t), Channel(a.G + (b.G - a.G) * t),
          Channel(a.B + (b.B - a.B) * t)};
}

// A hue from 0 (red) round to 1, fully saturated.
Rgb Hue(double h) {
  const double r = std::clamp(std::abs(h * 6 - 3) - 1, 0.0, 1.0);
  const double g = std::clamp(2 - std::abs(h * 6 - 2), 0.0, 1.0);
  const double b = std::clamp(2 - std::abs(h * 6 - 4), 0.0, 1.0);
  return {Channel(r * 255), Channel(g * 255), Channel(b * 255)};
}

// Night sky: a violet-to-black gradient with faint level lines every tenth
// of the height, so that bars over it can be read against a scale.
Image Background(int width, int height) {
  Image image(width, height);
  for (int y = 0; y < height; ++y) {
    const double t = static_cast<double>(y) / std::max(1, height - 1);
    const Rgb row = Mix({60, 20, 90}, {4, 4, 16}, t);
    const bool levelLine = (height - y) % std::max(1, height / 10) == 0;
    for (int x = 0; x < width; ++x) {
      image.At(x, y) = levelLine && x % 4 != 3 ? Mix(row, {140, 120, 200}, 0.35) : row;
    }
  }
  return image;
}

// One frame per band and level: a column of ten blocks, the lowest `level`
// of them lit in the band's hue, the others dim.
Image FrameSheet(int frameWidth, int frameHeight) {
  constexpr int kLevels = 11;
  constexpr int kBands = 10;
  Image sheet(frameWidth * kLevels, frameHeight * kBands);
  const int block = frameHeight / 10;
  for (int band = 0; band < kBands; ++band) {
    const Rgb lit = Hue(0.62 - 0.62 * band / (kBands - 1));
    const Rgb dim = Mix(lit, {16, 8, 8}, 0.85);
    for (int level = 0; level < kLevels; ++level) {
      const int left = level * frameWidth;
      const int top = band * frameHeight;
      for (int y = 0; y < frameHeight; ++y) {
        const int fromBottom = frameHeight - 1 - y;
        const int slot = fromBottom / std::max(1, block);
        const bool gap = fromBottom % std::max(1, block) == block - 1;
        for (int x = 0; x < frameWidth; ++x) {
          const bool margin = x == 0 || x == frameWidth - 1 || gap || slot >= 10;
          Rgb colour = {16, 8, 8};
          if (!margin) colour = slot < level ? Mix(lit, {255, 255, 255}, 0.15 * (x % 3 == 1)) : dim;
          sheet.At(left + x, top + y) = colour;
        }
      }
    }
  }
  return sheet;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_skin_bitmaps OUTPUT_DIR\n");
    return 2;
  }
  const std::filesystem::path out = argv[1];
  try {
    std::filesystem::create_directories(out / "picture");
    std::filesystem::create_directories(out / "frames");
    // picture: 200x120 panels with a one-pixel outer bevel.
    WriteBmp(Background(198, 118), out / "picture" / "background.bmp");
    // frames: 170x120 panels without bevels, ten 17-pixel columns.
    WriteBmp(FrameSheet(17, 120), out / "frames" / "frames.bmp");
  } catch (const std::exception& error) {
    std::fprintf(stderr, "make_skin_bitmaps: %s\n", error.what());
    return 1;
  }
  return 0;
}
