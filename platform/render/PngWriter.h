// Writes a frame as an 8-bit RGBA PNG file.
#pragma once

#include <string>

#include "platform/render/Frame.h"
#include "platform/vcl/SysUtils.h"

class EPngWriteError : public Exception {
 public:
  explicit EPngWriteError(std::string message);
  ~EPngWriteError() override;
};

// Raises EPngWriteError when the frame is empty or the file cannot be
// written.
void WritePng(const TFrame& frame, const std::string& path);
