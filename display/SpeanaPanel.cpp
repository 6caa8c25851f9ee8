#include "display/SpeanaPanel.h"

#include <algorithm>
#include <string>

namespace {

constexpr std::uint8_t kHoldAfterNewPeak = 16;
constexpr std::uint8_t kFallAfterNewPeak = 8;
// Peak hold: after a peak has expired it jumps to the current level and
// stays there for this many calls.
constexpr std::uint8_t kHoldAfterJump = 8;
// Falling peak: one level down every second call.
constexpr std::uint8_t kFallStep = 2;

void CheckBand(std::int32_t band) {
  if (band < 0 || band >= TSpeanaPanel::kBandCount) {
    throw EListError("Band index out of bounds (" + std::to_string(band) + ")");
  }
}

void Fill(TBitmap& bitmap, TColor color) {
  const auto pixel = static_cast<std::uint32_t>(ColorToRGB(color));
  for (std::int32_t y = 0; y < bitmap.Height(); ++y) std::ranges::fill(bitmap.Row(y), pixel);
}

}  // namespace

std::int32_t FrameHeight(std::int32_t sheetHeight, std::int32_t innerHeight) {
  if (sheetHeight == innerHeight) return innerHeight;
  if (innerHeight <= 0) return sheetHeight;
  const std::int32_t rows = sheetHeight / innerHeight;
  return rows != 0 ? sheetHeight / rows : sheetHeight;
}

void FlipHorizontal(TBitmap& bitmap) {
  for (std::int32_t y = 0; y < bitmap.Height(); ++y) std::ranges::reverse(bitmap.Row(y));
}

void FlipVertical(TBitmap& bitmap) {
  const std::int32_t h = bitmap.Height();
  for (std::int32_t y = 0; y < h / 2; ++y) {
    std::ranges::swap_ranges(bitmap.Row(y), bitmap.Row(h - 1 - y));
  }
}

TSpeanaPanel::TSpeanaPanel(TComponent* AOwner) : TPanel(AOwner) {
  SetParent(dynamic_cast<TWinControl*>(AOwner));
  SetCursor(kPanelCursor);
  LayoutMeters();
}

// The meters go with the panel's members; their elements, the frame list
// and the background picture go with the panel as components it owns.
TSpeanaPanel::~TSpeanaPanel() = default;

// --- Meters ------------------------------------------------------------------

std::unique_ptr<TMeter> TSpeanaPanel::MakeMeter(std::uint8_t kind, std::int32_t band) {
  auto meter = std::make_unique<TMeter>(this);
  meter->FKind = kind;
  if (kind != TMeter::kPeakMarker) meter->FImages = FImages;
  meter->Layout(FDirection, band, kBandCount);
  if (kind != TMeter::kPeakMarker) meter->FHideUnlit = FImage != nullptr;
  return meter;
}

void TSpeanaPanel::LayoutMeters() {
  for (std::int32_t k = 0; k < kBandCount; ++k) {
    const auto index = static_cast<std::size_t>(k);
    ReleaseMeter(FBars[index]);
    FBars[index] = MakeMeter(FStyle, k);
    ReleaseMeter(FPeaks[index]);
    FPeaks[index] = MakeMeter(TMeter::kPeakMarker, k);
  }
}

void TSpeanaPanel::ReleaseMeter(std::unique_ptr<TMeter>& meter) {
  if (meter == nullptr) return;
  meter->ReleaseElements();
  meter.reset();
}

// --- Graphics ----------------------------------------------------------------

void TSpeanaPanel::LoadGraphics(const std::string& path) {
  FGraphics = path;
  if (path.empty()) {
    ReleaseImage();
    ReleaseImages();
    FStyle = kBarStyle;
  } else if (FStyle == kFrameStyle) {
    LoadFrames(path);
  } else {
    LoadBackground(path);
  }
}

void TSpeanaPanel::ReleaseImage() {
  delete FImage;
  FImage = nullptr;
}

void TSpeanaPanel::ReleaseImages() {
  delete FImages;
  FImages = nullptr;
  // Bar meters borrow the list; none may keep a dangling reference until
  // the next layout.
  for (const auto& bar : FBars) {
    if (bar != nullptr) bar->FImages = nullptr;
  }
}

void TSpeanaPanel::LoadBackground(const std::string& path) {
  ReleaseImages();
  if (FImage == nullptr) {
    FImage = new TImage(this);
    FImage->SetParent(this);
    FImage->OnClick = OnClick;
    FImage->OnDblClick = OnDblClick;
  }
  FImage->SetBounds(BevelSize(), BevelSize(), InnerWidth(), InnerHeight());
  // Emptied first, so that a file that cannot be read leaves no old picture.
  FImage->Picture()->SetBitmap(nullptr);
  FImage->Picture()->Bitmap()->LoadFromFile(path);
  FImage->SetVisible(true);
}

void TSpeanaPanel::LoadFrames(const std::string& path) {
  ReleaseImage();
  if (FImages == nullptr) FImages = new TImageList(this);
  TBitmap sheet;
  sheet.LoadFromFile(path);
  sheet.SetPixelFormat(pf24bit);
  const std::int32_t frameWidth = sheet.Width() / kFramesPerRow;
  const std::int32_t frameHeight = FrameHeight(sheet.Height(), InnerHeight());
  FImages->SetWidth(frameWidth);
  FImages->SetHeight(frameHeight);
  FImages->Clear();
  FImages->SetMasked(false);
  // A sheet narrower than 11 pixels has no frames to cut: the list stays
  // empty and the band images show nothing.
  if (frameWidth < 1 || frameHeight < 1) return;
  CutFrames(sheet, frameWidth, frameHeight);
}

void TSpeanaPanel::CutFrames(const TBitmap& sheet, std::int32_t frameWidth,
                             std::int32_t frameHeight) {
  TBitmap tile;
  tile.SetPixelFormat(sheet.PixelFormat());
  tile.Canvas()->SetCopyMode(cmSrcCopy);
  tile.SetWidth(frameWidth);
  tile.SetHeight(frameHeight);
  for (std::int64_t top = 0; top < sheet.Height(); top += frameHeight) {
    for (std::int64_t left = 0; left < sheet.Width(); left += frameWidth) {
      if (FImages->Count() == kMaxFrames) return;
      CutFrame(sheet, static_cast<std::int32_t>(left), static_cast<std::int32_t>(top), tile);
      MirrorFrame(tile);
      FImages->Add(&tile);
    }
  }
}

void TSpeanaPanel::CutFrame(const TBitmap& sheet, std::int32_t left, std::int32_t top,
                            TBitmap& tile) const {
  // Where a partial frame reaches beyond the sheet it shows the panel's
  // face, as if the band image were not there.
  Fill(tile, Color());
  tile.Canvas()->CopyRect(Rect(0, 0, tile.Width(), tile.Height()), sheet.Canvas(),
                          Rect(left, top, left + tile.Width(), top + tile.Height()));
}

void TSpeanaPanel::MirrorFrame(TBitmap& tile) const {
  if (FDirection == 2 || FDirection == 6) FlipHorizontal(tile);
  if (FDirection == 3 || FDirection == 7) FlipVertical(tile);
}

// --- Levels --------------------------------------------------------------------

void TSpeanaPanel::SetBarColor(std::int32_t index, TColor color) {
  for (std::int32_t k = 0; k < kBandCount; ++k) {
    const auto band = static_cast<std::size_t>(k);
    FBars[band]->SetSegmentColor(index, color);
    FPeaks[band]->SetSegmentColor(index, color);
  }
}

void TSpeanaPanel::SetPeakMode(std::uint8_t mode) {
  FPeakMode = mode;
  ClearLevels();
}

void TSpeanaPanel::ClearLevels() {
  for (std::int32_t k = 0; k < kBandCount; ++k) {
    const auto band = static_cast<std::size_t>(k);
    FPeaks[band]->SetLevel(0);
    FBars[band]->SetLevel(0);
  }
}

void TSpeanaPanel::SetLevel(std::int32_t band, std::int32_t level) {
  CheckBand(band);
  FBars[static_cast<std::size_t>(band)]->SetLevel(level);
  if (FPeakMode == kPeakHold || FPeakMode == kFallingPeak) MovePeak(band, level);
}

// The hold counter counts calls for this band, that is analysed blocks.
void TSpeanaPanel::MovePeak(std::int32_t band, std::int32_t level) {
  TMeter& peak = *FPeaks[static_cast<std::size_t>(band)];
  const bool hold = FPeakMode == kPeakHold;
  const std::int32_t current = peak.FLevel;
  std::int32_t next = current;
  if (level >= current) {
    next = level;
    peak.FHold = hold ? kHoldAfterNewPeak : kFallAfterNewPeak;
  } else if (current == 0) {
    next = 0;
  } else if (peak.FHold - 1 > 0) {
    peak.FHold -= 1;
  } else if (hold) {
    next = level;
    peak.FHold = kHoldAfterJump;
  } else {
    next = current - 1;
    peak.FHold = kFallStep;
  }
  peak.SetLevel(std::min(next, TMeter::kMaxLevel));
}
