// Writes a frame as an 8-bit RGBA PNG file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/render/Frame.h"
#include "platform/vcl/SysUtils.h"

class EPngWriteError : public Exception {
 public:
  explicit EPngWriteError(std::string message);
  ~EPngWriteError() override;
};

// Small: the smallest file, for pictures that are kept and passed on. Fast:
// several times quicker to write and a few times larger, for long series
// of pictures that are written once and read rarely. Both hold the same
// pixels.
enum class TPngCompression { Small, Fast };

// Raises EPngWriteError when the frame is empty or the file cannot be
// written.
void WritePng(const TFrame& frame, const std::string& path,
              TPngCompression compression = TPngCompression::Small);

// The PNG file of `frame` into `bytes`, whose storage is reused; raises
// EPngWriteError when the frame is empty.
void EncodePng(const TFrame& frame, TPngCompression compression, std::vector<std::uint8_t>& bytes);
