// The panel, a windowed control with a face colour and bevels, and the
// image control, which shows a picture.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/vcl/Controls.h"
#include "platform/vcl/Graphics.h"

// bvLowered: shadow on the top and left edges, highlight on the bottom and
// right ones; bvRaised the other way round. bvSpace takes the same room
// and, as the platform's panel paints it, looks like bvRaised.
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

// Painted from the edge inwards: the outer bevel, then the inner bevel
// inside it, each BevelWidth pixels wide, then the face fills the rest.
class TPanel : public TWinControl {
 public:
  explicit TPanel(TComponent* AOwner);
  ~TPanel() override;

  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut value);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut value);
  // A width below 1 draws no bevel.
  std::int32_t BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(std::int32_t value);

  TLook Look() const override { return TLook::Panel; }

 private:
  TBevelCut FBevelInner = bvNone;
  TBevelCut FBevelOuter = bvRaised;
  std::int32_t FBevelWidth = 1;
};

// Shows its picture's bitmap at natural size from its top-left corner,
// clipped to its bounds, neither stretched nor centred. Where the bitmap
// does not reach, what lies below shows through.
class TImage : public TControl {
 public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;

  TPicture* Picture() { return FPicture.get(); }
  const TPicture* Picture() const { return FPicture.get(); }

  TLook Look() const override { return TLook::Image; }

 private:
  std::unique_ptr<TPicture> FPicture;
};
