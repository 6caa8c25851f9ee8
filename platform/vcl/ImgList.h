// A list of equally sized images, filled by cutting bitmaps into cells.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/vcl/Classes.h"
#include "platform/vcl/Graphics.h"

class TCustomImageList : public TComponent {
 public:
  explicit TCustomImageList(TComponent* AOwner);
  ~TCustomImageList() override;

  // Changing the size of the images empties the list.
  std::int32_t Width() const { return FWidth; }
  void SetWidth(std::int32_t value);
  std::int32_t Height() const { return FHeight; }
  void SetHeight(std::int32_t value);
  // Whether masks given to Add are kept and applied.
  bool Masked() const { return FMasked; }
  void SetMasked(bool value) { FMasked = value; }

  std::int32_t Count() const { return static_cast<std::int32_t>(FImages.size()); }
  void Clear() { FImages.clear(); }

  // Cuts image into cells of Width x Height from its top-left corner, left
  // to right along its top row, and appends every whole cell; returns the
  // index of the first one. A mask pixel that is not black makes the
  // image's pixel transparent. Returns -1 and adds nothing for a null
  // image or a list whose images have no area; raises EInvalidOperation
  // for an image smaller than one cell.
  std::int32_t Add(const TBitmap* image, const TBitmap* mask = nullptr);

  // Makes bitmap Width x Height and draws image index onto it, leaving the
  // bitmap's own pixels where the image is transparent. An index outside
  // the list or a null bitmap changes nothing. An image without a mask is
  // shared with the bitmap, not copied.
  void GetBitmap(std::int32_t index, TBitmap* bitmap) const;

 private:
  struct TCell {
    std::unique_ptr<TBitmap> Image;
    std::vector<bool> Transparent;  // empty when the cell has no mask
  };

  void SetSize(std::int32_t width, std::int32_t height);
  TCell CutCell(const TBitmap& image, const TBitmap* mask, std::int32_t left) const;

  std::int32_t FWidth = 16;
  std::int32_t FHeight = 16;
  bool FMasked = true;
  std::vector<TCell> FImages;
};

class TImageList : public TCustomImageList {
 public:
  explicit TImageList(TComponent* AOwner);
  ~TImageList() override;
};
