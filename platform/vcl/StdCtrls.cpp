#include "platform/vcl/StdCtrls.h"

TLabel::TLabel(TComponent* AOwner) : TControl(AOwner) {
  SetBounds(0, 0, 65, 17);
  SetColor(clBtnFace);
}

TLabel::~TLabel() = default;
