#include "platform/vcl/ImgList.h"

#include <algorithm>
#include <utility>

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
  TCell cell{std::make_unique<TBitmap>(), {}};
  cell.Image->SetWidth(FWidth);
  cell.Image->SetHeight(FHeight);
  for (std::int32_t y = 0; y < FHeight; ++y) {
    const auto row =
        image.Row(y).subspan(static_cast<std::size_t>(left), static_cast<std::size_t>(FWidth));
    std::ranges::copy(row, cell.Image->Row(y).begin());
  }
  if (FMasked && mask != nullptr) {
    cell.Transparent.reserve(static_cast<std::size_t>(FWidth) * static_cast<std::size_t>(FHeight));
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
  if (!FMasked || cell.Transparent.empty()) {
    bitmap->AssignPixels(*cell.Image);
    return;
  }
  bitmap->SetWidth(FWidth);
  bitmap->SetHeight(FHeight);
  for (std::int32_t y = 0; y < FHeight; ++y) {
    const auto from = std::as_const(*cell.Image).Row(y);
    const auto row = bitmap->Row(y);
    const std::size_t start = static_cast<std::size_t>(y) * static_cast<std::size_t>(FWidth);
    for (std::size_t x = 0; x < row.size(); ++x) {
      if (!cell.Transparent[start + x]) row[x] = from[x];
    }
  }
}

TImageList::TImageList(TComponent* AOwner) : TCustomImageList(AOwner) {}
TImageList::~TImageList() = default;
