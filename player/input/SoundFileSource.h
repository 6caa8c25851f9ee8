// Audio files of any format libsndfile reads, as 16-bit stereo frames.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "player/input/FrameSource.h"

struct sf_private_tag;

namespace kivo {

class SoundFileSource final : public FrameSource {
 public:
  explicit SoundFileSource(const std::string& path);
  ~SoundFileSource() override;

  std::size_t Read(std::span<Frame> frames) override;

  int SampleRate() const { return FSampleRate; }
  int Channels() const { return FChannels; }

 private:
  struct Closer {
    void operator()(sf_private_tag* file) const;
  };

  std::string FPath;
  std::unique_ptr<sf_private_tag, Closer> FFile;
  int FSampleRate = 0;
  int FChannels = 0;
  std::vector<double> FBuffer;
};

}  // namespace kivo
