// Where the pictures of the visualisation window go: one PNG per block
// into a folder, and raw frames piped to ffmpeg for a video.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "platform/render/Frame.h"

namespace kivo {

// The full path of a program found along PATH, or empty.
std::string FindOnPath(const std::string& program);

// "<folder>/frame-000042.png" for block 42.
std::string FramePngPath(const std::string& folder, std::size_t block);

// Feeds RGBA frames of one size to ffmpeg, which encodes them to a video
// file. Raises std::runtime_error with a message for the user when ffmpeg
// is not installed or cannot be started.
class TVideoPipe {
 public:
  TVideoPipe(const std::string& outputPath, std::int32_t width, std::int32_t height, int fps);
  ~TVideoPipe();
  TVideoPipe(const TVideoPipe&) = delete;
  TVideoPipe& operator=(const TVideoPipe&) = delete;

  void Write(const TFrame& frame);
  // Waits for ffmpeg to finish; raises when it failed.
  void Finish();

 private:
  struct TPipeCloser {
    void operator()(std::FILE* pipe) const;
  };
  std::unique_ptr<std::FILE, TPipeCloser> FPipe;
  std::string FOutputPath;
};

}  // namespace kivo
