// The audio of the live player on its way to the sound output: read from
// the track's source a little ahead of what is heard, and kept for a while
// after it was queued, so that the block the plug-in gets at each displayed
// frame is the one sounding at that moment rather than the one just read.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "player/audio/PlayedFrames.h"
#include "player/audio/SoundOutput.h"
#include "player/input/FrameSource.h"

namespace kivo {

class TLiveAudio {
 public:
  // Keeps `aheadFrames` queued beyond the frame being heard.
  TLiveAudio(std::unique_ptr<SoundOutput> output, std::size_t aheadFrames);

  SoundOutput& Output() { return *FOutput; }

  // Plays `source`, whose first frame is frame `firstFrame` of its track,
  // after what is queued already (the end of the previous track still
  // sounds for a moment).
  void Open(std::unique_ptr<FrameSource> source, std::uint64_t firstFrame);
  // Queues from the source until enough lies ahead of what is heard.
  void Fill();
  // True once the source ran dry and everything queued has been heard.
  bool Finished() const;

  // The frame of the track being heard: the first frame until the track's
  // audio reaches the ear.
  std::uint64_t TrackFrame() const;
  // Up to one analysis block (2048 frames) that ends at the frame heard
  // now, of the source opened last only: empty until its audio is heard,
  // while the end of the one before still sounds.
  std::vector<Frame> HeardBlock() const;

 private:
  std::unique_ptr<SoundOutput> FOutput;
  std::size_t FAhead;
  PlayedFrames FPlayed;
  std::unique_ptr<FrameSource> FSource;
  std::uint64_t FTrackStart = 0;  // output position of the source's first frame
  std::uint64_t FFirstFrame = 0;
  std::vector<Frame> FChunk;
};

}  // namespace kivo
