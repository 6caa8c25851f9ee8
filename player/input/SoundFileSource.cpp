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
}

SoundFileSource::~SoundFileSource() = default;

std::size_t SoundFileSource::Read(std::span<Frame> frames) {
  const auto channels = static_cast<std::size_t>(FChannels);
  FBuffer.resize(frames.size() * channels);
  const sf_count_t got =
      sf_readf_double(FFile.get(), FBuffer.data(), static_cast<sf_count_t>(frames.size()));
  if (sf_error(FFile.get()) != SF_ERR_NO_ERROR) {
    throw InputError("cannot read " + Quoted(FPath) + ": " + sf_strerror(FFile.get()));
  }
  const auto count = static_cast<std::size_t>(std::max<sf_count_t>(got, 0));
  // Mono goes to both channels; beyond two channels only the first two count.
  const std::size_t rightOffset = channels > 1 ? 1 : 0;
  for (std::size_t i = 0; i < count; ++i) {
    const double* frame = &FBuffer[i * channels];
    frames[i] = PackFrame(SampleToInt16(frame[0]), SampleToInt16(frame[rightOffset]));
  }
  return count;
}

}  // namespace kivo
