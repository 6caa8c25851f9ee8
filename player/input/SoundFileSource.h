// Audio files of any format libsndfile reads, as 16-bit stereo frames. The
// file is decoded in large chunks, whatever the size of each read.
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
  static constexpr std::size_t kChunkFrames = 32768;

  struct Closer {
    void operator()(sf_private_tag* file) const;
  };

  // Decodes the next chunk into FChunk; fewer frames only at the end.
  void DecodeChunk();
  std::size_t DecodeShorts(std::size_t frames);
  std::size_t DecodeDoubles(std::size_t frames);
  void CheckRead() const;

  std::string FPath;
  std::unique_ptr<sf_private_tag, Closer> FFile;
  int FSampleRate = 0;
  int FChannels = 0;
  // 16-bit PCM is read as it is stored; anything else as doubles, rounded.
  bool FPcm16 = false;
  std::vector<double> FDoubles;
  std::vector<short> FShorts;
  std::vector<Frame> FChunk;
  std::size_t FChunkRead = 0;  // frames of FChunk handed out
  bool FEnded = false;
};

}  // namespace kivo
