#include "platform/vcl/ImgList.h"

#include <algorithm>

#include "platform/vcl/Controls.h"

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}
TCustomImageList::~TCustomImageList() = default;

void TCustomImageList::SetSize(std::int32_t width, std::int32_t height) {
  if (width == FWidth && height == FHeight) return;
  FWidth = width;
  FHeight = height;
  Clear();
}

void TCustomImageList::SetWidth(std::int32_t value) { SetSize(value, FHeight); }
void TCustomImageList::SetHeight(std::int32_t value) { SetSize(FWidth, value); }

TCustomImageList::TCell TCustomImageList::CutCell(const TBitmap& image, const TBitmap* mask,
                                                  std::int32_t left) const {
  TCell cell;
  cell.Pixels.reserve(static_cast<std::size_t>(FWidth) * static_cast<std::size_t>(FHeight));
  for (std::int32_t y = 0; y < FHeight; ++y) {
    const auto row =
        image.Row(y).subspan(static_cast<std::size_t>(left), static_cast<std::size_t>(FWidth));
    cell.Pixels.insert(cell.Pixels.end(), row.begin(), row.end());
  }
  if (FMasked && mask != nullptr) {
    cell.Transparent.reserve(cell.Pixels.size());
    for (std::int32_t y = 0; y < FHeight; ++y) {
      for (std::int32_t x = left; x < left + FWidth; ++x) {
        const TColor m = mask->Canvas()->Pixels(x, y);
        cell.Transparent.push_back(m != CLR_INVALID && m != clBlack);
      }
    }
  }
  return cell;
}

std::int32_t TCustomImageList::Add(const TBitmap* image, const TBitmap* mask) {
  if (image == nullptr || FWidth < 1 || FHeight < 1) return -1;
  if (image->Width() < FWidth || image->Height() < FHeight) {
    throw EInvalidOperation("Invalid image size");
  }
  const std::int32_t first = Count();
  for (std::int32_t left = 0; left + FWidth <= image->Width(); left += FWidth) {
    FImages.push_back(CutCell(*image, mask, left));
  }
  return first;
}

void TCustomImageList::GetBitmap(std::int32_t index, TBitmap* bitmap) const {
  if (bitmap == nullptr || index < 0 || index >= Count()) return;
  const TCell& cell = FImages[static_cast<std::size_t>(index)];
  bitmap->SetWidth(FWidth);
  bitmap->SetHeight(FHeight);
  const bool masked = FMasked && !cell.Transparent.empty();
  for (std::int32_t y = 0; y < FHeight; ++y) {
    const auto row = bitmap->Row(y);
    const std::size_t start = static_cast<std::size_t>(y) * static_cast<std::size_t>(FWidth);
    if (!masked) {
      std::copy_n(cell.Pixels.begin() + static_cast<std::ptrdiff_t>(start), row.size(),
                  row.begin());
      continue;
    }
    for (std::size_t x = 0; x < row.size(); ++x) {
      if (!cell.Transparent[start + x]) row[x] = cell.Pixels[start + x];
    }
  }
}

TImageList::TImageList(TComponent* AOwner) : TCustomImageList(AOwner) {}
TImageList::~TImageList() = default;
