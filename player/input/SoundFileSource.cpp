#include "player/input/SoundFileSource.h"

#include <sndfile.h>

#include <algorithm>
#include <filesystem>

namespace kivo {

namespace {

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

}  // namespace

void SoundFileSource::Closer::operator()(sf_private_tag* file) const { sf_close(file); }

SoundFileSource::SoundFileSource(const std::string& path) : FPath(path) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) {
    throw InputError("cannot open " + Quoted(path) + ": no such file");
  }
  if (std::filesystem::is_directory(path, error)) {
    throw InputError("cannot open " + Quoted(path) + ": it is a directory");
  }
  SF_INFO info{};
  FFile.reset(sf_open(path.c_str(), SFM_READ, &info));
  if (!FFile) {
    throw InputError("cannot read " + Quoted(path) + ": " + sf_strerror(nullptr));
  }
  if (info.channels < 1 || info.samplerate < 1) {
    throw InputError("cannot read " + Quoted(path) + ": no audio channels");
  }
  FSampleRate = info.samplerate;
  FChannels = info.channels;
  // Read as doubles, 16-bit PCM would come back as v / 32768 and round back
  // to v: reading it as it is stored gives the same frames.
  FPcm16 = (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16;
}

SoundFileSource::~SoundFileSource() = default;

std::size_t SoundFileSource::Read(std::span<Frame> frames) {
  std::size_t filled = 0;
  while (filled < frames.size()) {
    if (FChunkRead == FChunk.size()) {
      if (FEnded) break;
      DecodeChunk();
      if (FChunk.empty()) break;
    }
    const std::size_t count = std::min(frames.size() - filled, FChunk.size() - FChunkRead);
    std::copy_n(FChunk.begin() + static_cast<std::ptrdiff_t>(FChunkRead), count,
                frames.begin() + static_cast<std::ptrdiff_t>(filled));
    FChunkRead += count;
    filled += count;
  }
  return filled;
}

void SoundFileSource::CheckRead() const {
  if (sf_error(FFile.get()) != SF_ERR_NO_ERROR) {
    throw InputError("cannot read " + Quoted(FPath) + ": " + sf_strerror(FFile.get()));
  }
}

void SoundFileSource::DecodeChunk() {
  FChunk.resize(kChunkFrames);
  const std::size_t count = FPcm16 ? DecodeShorts(kChunkFrames) : DecodeDoubles(kChunkFrames);
  FChunk.resize(count);
  FChunkRead = 0;
  FEnded = count < kChunkFrames;
}

// Mono goes to both channels; beyond two channels only the first two count.
std::size_t SoundFileSource::DecodeShorts(std::size_t frames) {
  const auto channels = static_cast<std::size_t>(FChannels);
  FShorts.resize(frames * channels);
  const sf_count_t got =
      sf_readf_short(FFile.get(), FShorts.data(), static_cast<sf_count_t>(frames));
  CheckRead();
  const auto count = static_cast<std::size_t>(std::max<sf_count_t>(got, 0));
  const std::size_t rightOffset = channels > 1 ? 1 : 0;
  for (std::size_t i = 0; i < count; ++i) {
    const short* frame = &FShorts[i * channels];
    FChunk[i] = PackFrame(frame[0], frame[rightOffset]);
  }
  return count;
}

std::size_t SoundFileSource::DecodeDoubles(std::size_t frames) {
  const auto channels = static_cast<std::size_t>(FChannels);
  FDoubles.resize(frames * channels);
  const sf_count_t got =
      sf_readf_double(FFile.get(), FDoubles.data(), static_cast<sf_count_t>(frames));
  CheckRead();
  const auto count = static_cast<std::size_t>(std::max<sf_count_t>(got, 0));
  const std::size_t rightOffset = channels > 1 ? 1 : 0;
  for (std::size_t i = 0; i < count; ++i) {
    const double* frame = &FDoubles[i * channels];
    FChunk[i] = PackFrame(SampleToInt16(frame[0]), SampleToInt16(frame[rightOffset]));
  }
  return count;
}

}  // namespace kivo
