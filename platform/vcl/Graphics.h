// Colours, fonts, bitmaps and the canvas through which bitmap pixels are
// read, written and copied.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/vcl/Classes.h"
#include "platform/vcl/Set.h"
#include "platform/vcl/Types.h"

// 0x00BBGGRR for a plain colour (red in the low byte). A system colour has
// the high byte 0xFF and the system colour index in the low byte, so it is
// negative; ColorToRGB resolves it.
using TColor = std::int32_t;

constexpr TColor RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<TColor>(r | (g << 8) | (b << 16));
}
constexpr std::uint8_t GetRValue(TColor c) { return static_cast<std::uint8_t>(c & 0xFF); }
constexpr std::uint8_t GetGValue(TColor c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
constexpr std::uint8_t GetBValue(TColor c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

// The value a pixel read outside a bitmap gives.
constexpr TColor CLR_INVALID = -1;

constexpr TColor SystemColor(std::uint8_t index) {
  return static_cast<TColor>(0xFF000000u | index);
}
constexpr TColor clScrollBar = SystemColor(0);
constexpr TColor clBackground = SystemColor(1);
constexpr TColor clActiveCaption = SystemColor(2);
constexpr TColor clInactiveCaption = SystemColor(3);
constexpr TColor clMenu = SystemColor(4);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowFrame = SystemColor(6);
constexpr TColor clMenuText = SystemColor(7);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clCaptionText = SystemColor(9);
constexpr TColor clActiveBorder = SystemColor(10);
constexpr TColor clInactiveBorder = SystemColor(11);
constexpr TColor clAppWorkSpace = SystemColor(12);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clInactiveCaptionText = SystemColor(19);
constexpr TColor clBtnHighlight = SystemColor(20);
constexpr TColor cl3DDkShadow = SystemColor(21);
constexpr TColor cl3DLight = SystemColor(22);
constexpr TColor clInfoText = SystemColor(23);
constexpr TColor clInfoBk = SystemColor(24);

// A plain colour stays as it is. A system colour becomes the colour of the
// classic grey desktop scheme: face 0xD4D0C8 (RGB), shadow 0x808080,
// highlight 0xFFFFFF, dark shadow 0x404040, window 0xFFFFFF, text black;
// an unknown system colour index gives black.
TColor ColorToRGB(TColor color);

// A graphics operation the platform cannot carry out.
class EInvalidGraphicOperation : public Exception {
 public:
  explicit EInvalidGraphicOperation(std::string message);
  ~EInvalidGraphicOperation() override;
};

// --- Fonts -------------------------------------------------------------------

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
using TFontCharset = std::uint8_t;

constexpr TFontCharset ANSI_CHARSET = 0;
constexpr TFontCharset DEFAULT_CHARSET = 1;
constexpr TFontCharset SHIFTJIS_CHARSET = 128;

// A font's description; nothing here draws text. The size in points and
// the character height in pixels (negative) are two views of one value at
// 96 pixels per inch: Height = -MulDiv(Size, 96, 72). A positive height is
// a cell height, and reads back as a negative size.
class TFont : public TObject {
 public:
  static constexpr std::int32_t PixelsPerInch = 96;

  TFont() = default;
  ~TFont() override;

  const std::string& Name() const { return FName; }
  void SetName(const std::string& value) { FName = value; }
  TFontCharset Charset() const { return FCharset; }
  void SetCharset(TFontCharset value) { FCharset = value; }
  std::int32_t Height() const { return FHeight; }
  void SetHeight(std::int32_t value) { FHeight = value; }
  std::int32_t Size() const;
  void SetSize(std::int32_t value);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles value) { FStyle = value; }
  TColor Color() const { return FColor; }
  void SetColor(TColor value) { FColor = value; }

  void Assign(const TFont& source);

 private:
  std::string FName = "MS Sans Serif";
  TFontCharset FCharset = DEFAULT_CHARSET;
  std::int32_t FHeight = -11;  // 8 points
  TFontStyles FStyle;
  TColor FColor = clWindowText;
};

// --- Canvas and bitmap -------------------------------------------------------

// Raster operations of CopyRect: how a source pixel s combines with the
// destination pixel d.
using TCopyMode = std::uint32_t;
constexpr TCopyMode cmBlackness = 0x00000042;   // black
constexpr TCopyMode cmNotSrcCopy = 0x00330008;  // ~s
constexpr TCopyMode cmSrcInvert = 0x00660046;   // s ^ d
constexpr TCopyMode cmSrcAnd = 0x008800C6;      // s & d
constexpr TCopyMode cmSrcCopy = 0x00CC0020;     // s
constexpr TCopyMode cmSrcPaint = 0x00EE0086;    // s | d
constexpr TCopyMode cmWhiteness = 0x00FF0062;   // white

enum TPixelFormat {
  pfDevice,
  pf1bit,
  pf4bit,
  pf8bit,
  pf15bit,
  pf16bit,
  pf24bit,
  pf32bit,
  pfCustom
};

class TBitmap;

// The drawing surface of one bitmap.
class TCanvas : public TObject {
 public:
  explicit TCanvas(TBitmap& bitmap);
  ~TCanvas() override;

  // A pixel's colour, or CLR_INVALID outside the bitmap.
  TColor Pixels(std::int32_t x, std::int32_t y) const;
  // Sets a pixel (system colours resolved); outside the bitmap nothing.
  void SetPixels(std::int32_t x, std::int32_t y, TColor color);

  TCopyMode CopyMode() const { return FCopyMode; }
  void SetCopyMode(TCopyMode value) { FCopyMode = value; }

  // Copies `source` of `canvas` onto `dest` of this canvas with CopyMode,
  // stretching (nearest pixel) when the sizes differ. Only pixels inside
  // both bitmaps take part: a destination pixel whose source lies outside
  // the source bitmap keeps its colour. A rectangle with no width or
  // height copies nothing. Raises EInvalidGraphicOperation for a copy mode
  // not listed above.
  void CopyRect(const TRect& dest, const TCanvas* canvas, const TRect& source);

 private:
  TBitmap& FBitmap;
  TCopyMode FCopyMode = cmSrcCopy;
};

// A bitmap in memory, its pixels held as 0x00BBGGRR whatever its pixel
// format. A new one is empty (0 x 0). Copies share their pixels until one
// of them is written, so that showing a picture held elsewhere costs no copy.
class TBitmap : public TObject {
 public:
  // Larger bitmaps are refused before anything is allocated: as many
  // pixels as the largest bitmap file that can be read (64 MB).
  static constexpr std::int64_t MaxPixels = std::int64_t{1} << 24;

  TBitmap();
  ~TBitmap() override;

  std::int32_t Width() const { return FWidth; }
  std::int32_t Height() const { return FHeight; }
  // Resizing keeps the pixels that stay inside and makes new ones white; a
  // negative side counts as 0. Raises EInvalidGraphicOperation when the
  // bitmap would exceed MaxPixels.
  void SetWidth(std::int32_t value) { Resize(value, FHeight); }
  void SetHeight(std::int32_t value) { Resize(FWidth, value); }
  bool Empty() const { return FWidth == 0 || FHeight == 0; }

  // pfDevice until a file sets the format it was stored with. Colours are
  // kept whole in every format, so a bitmap can become pfDevice, pf24bit or
  // pf32bit without loss; any other change raises EInvalidGraphicOperation.
  TPixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TPixelFormat value);

  TCanvas* Canvas() { return FCanvas.get(); }
  const TCanvas* Canvas() const { return FCanvas.get(); }

  // Reads a Windows bitmap file. Raises EFOpenError or EInvalidGraphic and
  // then leaves the bitmap as it was.
  void LoadFromFile(const std::string& path);

  // Becomes a copy of source; a null source empties the bitmap.
  void Assign(const TBitmap* source);
  // Takes the size and pixels of source, keeping its own pixel format.
  void AssignPixels(const TBitmap& source);

  // One row of pixels, top row 0; `y` must lie inside the bitmap. The
  // writable row is the bitmap's own: taking it ends any sharing. It is to
  // be written before the next ContentStamp.
  std::span<const std::uint32_t> Row(std::int32_t y) const;
  std::span<std::uint32_t> Row(std::int32_t y);

  // Names the size and pixels: two bitmaps with the same stamp hold the
  // same pixels. Any write or resize gives a new stamp.
  std::uint64_t ContentStamp() const;

  using TPixels = std::vector<std::uint32_t>;
  // The pixels as they are now, row by row from the top; they stay so while
  // they are held, whatever is written to the bitmap meanwhile.
  std::shared_ptr<const TPixels> PixelsNow() const { return FPixels; }

 private:
  void Resize(std::int32_t width, std::int32_t height);
  // Gives the bitmap new pixels of its own.
  void Adopt(TPixels pixels, std::int32_t width, std::int32_t height);

  std::int32_t FWidth = 0;
  std::int32_t FHeight = 0;
  TPixelFormat FPixelFormat = pfDevice;
  std::shared_ptr<TPixels> FPixels;
  // 0 once written: the next ContentStamp names the new pixels.
  mutable std::uint64_t FStamp = 0;
  std::unique_ptr<TCanvas> FCanvas;
};

// What an image control shows: here always a bitmap.
class TPicture : public TObject {
 public:
  TPicture();
  ~TPicture() override;

  TBitmap* Bitmap() { return FBitmap.get(); }
  const TBitmap* Bitmap() const { return FBitmap.get(); }
  // Copies value into the picture's own bitmap.
  void SetBitmap(const TBitmap* value) { FBitmap->Assign(value); }

 private:
  std::unique_ptr<TBitmap> FBitmap;
};
