#include "platform/vcl/ExtCtrls.h"

TPanel::TPanel(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
}

TPanel::~TPanel() = default;

void TPanel::SetBevelInner(TBevelCut value) {
  if (value == FBevelInner) return;
  FBevelInner = value;
  Invalidate();
}

void TPanel::SetBevelOuter(TBevelCut value) {
  if (value == FBevelOuter) return;
  FBevelOuter = value;
  Invalidate();
}

void TPanel::SetBevelWidth(std::int32_t value) {
  if (value == FBevelWidth) return;
  FBevelWidth = value;
  Invalidate();
}

TImage::TImage(TComponent* AOwner) : TControl(AOwner), FPicture(std::make_unique<TPicture>()) {
  SetBounds(0, 0, 105, 105);
}

TImage::~TImage() = default;
