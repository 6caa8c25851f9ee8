// The label: here an opaque rectangle of its colour. Text is not drawn, so
// a caption changes nothing in the picture and AutoSize never resizes.
#pragma once

#include <string>

#include "platform/vcl/Controls.h"

class TLabel : public TControl {
 public:
  explicit TLabel(TComponent* AOwner);
  ~TLabel() override;

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& value) { FCaption = value; }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value) { FAutoSize = value; }

  TLook Look() const override { return TLook::Fill; }

 private:
  std::string FCaption;
  bool FAutoSize = true;
};
