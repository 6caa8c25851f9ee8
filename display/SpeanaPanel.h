// The control that shows one audio channel's spectrum: ten bands, each with
// a bar meter and a peak meter, drawn as coloured segments (bar style,
// optionally over a background picture) or as frames cut from a bitmap
// sheet (frame style). The panel itself paints as a plain panel; all it
// shows inside are child elements that its meters create.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "display/Meter.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/ImgList.h"

class TSpeanaPanel : public TPanel {
 public:
  static constexpr std::int32_t kBandCount = 10;
  static constexpr std::int32_t kFramesPerRow = 11;  // levels 0 to 10
  // Band 9 at level 10 shows frame 109: a sheet with more frames than this
  // shows only its first ones, so no more are cut.
  static constexpr std::int32_t kMaxFrames = kBandCount * kFramesPerRow;

  static constexpr std::uint8_t kBarStyle = 0;
  static constexpr std::uint8_t kFrameStyle = 3;

  // Peak modes: 0 and 1 show bars only, 2 holds peaks, 3 lets them fall.
  static constexpr std::uint8_t kPeakHold = 2;
  static constexpr std::uint8_t kFallingPeak = 3;

  // The host application's own cursor number.
  static constexpr TCursor kPanelCursor = 16;

  // The owner also becomes the parent when it is a windowed control. The
  // panel starts in bar style with twenty meters laid out for its size now.
  explicit TSpeanaPanel(TComponent* AOwner);
  ~TSpeanaPanel() override;

  // Loads the graphics file for the current style, size, bevels and
  // direction; an empty path falls back to bar style without a picture.
  // Raises EFOpenError or EInvalidGraphic for a file that cannot be read;
  // the frame list then keeps its old frames (frame style) or the
  // background picture is left empty over the inner area (bar style).
  // The meters must be laid out again before the next SetLevel.
  void LoadGraphics(const std::string& path);
  // Replaces all twenty meters, releasing the old ones' elements at once.
  // New elements go in the order bar 0, peak 0, bar 1, ... and take the
  // panel's Tag and click handlers as they are now.
  void LayoutMeters();

  // Colour of segment index (0..9), for the bars and peak markers of every
  // band. Raises EListError for an index outside 0..9.
  void SetBarColor(std::int32_t index, TColor color);
  // Sets the peak mode (0..3) and clears every level.
  void SetPeakMode(std::uint8_t mode);
  // Sets every peak, then every bar, to level 0; hold counters stay.
  void ClearLevels();
  // Shows a band's level (clamped to 0..10) and, in peak modes 2 and 3,
  // moves its peak marker. Raises EListError for a band outside 0..9.
  void SetLevel(std::int32_t band, std::int32_t level);

  std::uint8_t PeakMode() const { return FPeakMode; }
  const std::string& Graphics() const { return FGraphics; }
  // The background picture (bar style with a graphics file), else null.
  TImage* Image() const { return FImage; }
  // The frame list (frame style with a graphics file), else null.
  TImageList* Images() const { return FImages; }
  TMeter* Bar(std::int32_t band) const { return FBars.at(static_cast<std::size_t>(band)).get(); }
  TMeter* Peak(std::int32_t band) const { return FPeaks.at(static_cast<std::size_t>(band)).get(); }

  // Written by whoever configures the panel, before LoadGraphics:
  // kFrameStyle or kBarStyle (LoadGraphics resets it to bar style for an
  // empty path; LayoutMeters copies it into the bar meters' kind), and the
  // direction, whose low three bits orient the meters and whose whole
  // value selects frame mirroring (2 or 6 left-right, 3 or 7 top-bottom).
  std::uint8_t FStyle = kBarStyle;
  std::int32_t FDirection = 0;

 private:
  std::int32_t BevelSize() const { return PanelBevelSize(*this); }
  std::int32_t InnerWidth() const { return Width() - 2 * BevelSize(); }
  std::int32_t InnerHeight() const { return Height() - 2 * BevelSize(); }

  std::unique_ptr<TMeter> MakeMeter(std::uint8_t kind, std::int32_t band);
  static void ReleaseMeter(std::unique_ptr<TMeter>& meter);

  void LoadFrames(const std::string& path);
  void LoadBackground(const std::string& path);
  void CutFrames(const TBitmap& sheet, std::int32_t frameWidth, std::int32_t frameHeight);
  void CutFrame(const TBitmap& sheet, std::int32_t left, std::int32_t top, TBitmap& tile) const;
  void MirrorFrame(TBitmap& tile) const;
  void ReleaseImage();
  void ReleaseImages();

  void MovePeak(std::int32_t band, std::int32_t level);

  std::array<std::unique_ptr<TMeter>, kBandCount> FBars;
  std::array<std::unique_ptr<TMeter>, kBandCount> FPeaks;
  std::uint8_t FPeakMode = 0;
  std::string FGraphics;
  TImage* FImage = nullptr;
  TImageList* FImages = nullptr;
};

// The frame height for a sheet of `sheetHeight` pixels in an inner area of
// `innerHeight`: the area's height when they match, else the sheet split
// into as many whole rows of about the area's height as fit, or the whole
// sheet when it is lower. Without an inner height the whole sheet is one
// row.
std::int32_t FrameHeight(std::int32_t sheetHeight, std::int32_t innerHeight);

// Mirrors a bitmap in place, left to right or top to bottom.
void FlipHorizontal(TBitmap& bitmap);
void FlipVertical(TBitmap& bitmap);
