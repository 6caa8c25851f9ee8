// A video of a rendering run with its sound: ffmpeg takes the window's
// pictures as raw RGBA frames on one pipe and the audio played as raw
// 16-bit stereo on another, and muxes them. The picture of a block is
// shown from the moment its last frame is heard.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/render/Frame.h"
#include "player/PlayerState.h"
#include "player/input/FrameSource.h"

namespace kivo {

// Where the pictures fall on a video's steady frame rate of one picture
// every `hop` audio frames, counted from the first picture's position: a
// picture holds its slot until the next one's slot begins.
class TFrameTimeline {
 public:
  explicit TFrameTimeline(std::size_t hop);

  // A picture at audio position `position` (never less than the one
  // before): how many slots the picture held until now fills. 0 means
  // it falls into the same slot and replaces it.
  std::size_t Place(std::uint64_t position);

  // The position of the first picture; none before it.
  std::optional<std::uint64_t> Origin() const { return FOrigin; }

 private:
  std::size_t FHop;
  std::optional<std::uint64_t> FOrigin;
  std::uint64_t FSlot = 0;  // the slot of the picture held
};

// The one sample rate of every track, which a video's sound needs; raises
// std::runtime_error naming two tracks that differ. Tracks that cannot be
// opened are left out: they are skipped.
int CommonSampleRate(const std::vector<TTrack>& tracks);

class TSoundFeed;

class TVideoRecorder {
 public:
  // Raises std::runtime_error when ffmpeg is not installed. ffmpeg itself
  // starts with the first picture, whose time it must be told.
  TVideoRecorder(std::string outputPath, std::int32_t width, std::int32_t height, int sampleRate,
                 std::size_t hop);
  ~TVideoRecorder();
  TVideoRecorder(const TVideoRecorder&) = delete;
  TVideoRecorder& operator=(const TVideoRecorder&) = delete;

  // A track's source whose frames, as they are read, are also the video's
  // sound.
  std::unique_ptr<FrameSource> Recording(std::unique_ptr<FrameSource> source);
  void WriteAudio(std::span<const Frame> frames);
  // The window after the latest block, shown from the end of the sound
  // written so far.
  void WriteFrame(const TFrame& frame);
  // Writes the last picture, waits for ffmpeg and raises when it failed or
  // when no picture came at all.
  void Finish();

 private:
  void Start();
  void WriteHeld(std::size_t times);
  void Stop() noexcept;

  std::string FOutputPath;
  std::string FFfmpeg;
  std::int32_t FWidth;
  std::int32_t FHeight;
  int FSampleRate;
  std::size_t FHop;
  TFrameTimeline FTimeline;
  std::uint64_t FAudioFrames = 0;
  std::vector<Frame> FEarlyAudio;  // before the first picture, when ffmpeg waits to start
  std::optional<TFrame> FHeld;
  pid_t FProcess = -1;
  int FVideoFd = -1;
  std::unique_ptr<TSoundFeed> FSound;
};

}  // namespace kivo
