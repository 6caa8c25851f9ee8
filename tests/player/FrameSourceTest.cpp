#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <vector>

#include "player/input/DemoSource.h"
#include "player/input/RawStereoSource.h"
#include "player/input/SoundFileSource.h"

namespace {

using kivo::Frame;
using kivo::PackFrame;

std::vector<Frame> ReadAll(kivo::FrameSource& source) {
  std::vector<Frame> all;
  std::vector<Frame> chunk(1000);
  while (const std::size_t got = source.Read(chunk))
    all.insert(all.end(), chunk.begin(), chunk.begin() + got);
  return all;
}

class TempDir {
 public:
  TempDir()
      : FPath(std::filesystem::temp_directory_path() /
              ("kivo-test-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(FPath);
  }
  ~TempDir() { std::filesystem::remove_all(FPath); }
  std::string File(const std::string& name) const { return (FPath / name).string(); }

 private:
  std::filesystem::path FPath;
};

void WriteFloatWav(const std::string& path, int channels, const std::vector<float>& samples) {
  SF_INFO info{};
  info.samplerate = 8000;
  info.channels = channels;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size() / channels));
  sf_close(file);
}

TEST(SampleConversionTest, RoundsToNearestAndClamps) {
  EXPECT_EQ(kivo::SampleToInt16(0.0), 0);
  EXPECT_EQ(kivo::SampleToInt16(0.5), 16384);
  EXPECT_EQ(kivo::SampleToInt16(-1.0), -32768);
  EXPECT_EQ(kivo::SampleToInt16(1.0), 32767);
  EXPECT_EQ(kivo::SampleToInt16(7.5), 32767);
  EXPECT_EQ(kivo::SampleToInt16(-7.5), -32768);
  EXPECT_EQ(kivo::SampleToInt16(1.4 / 32768), 1);
  EXPECT_EQ(kivo::SampleToInt16(1.6 / 32768), 2);
  EXPECT_EQ(kivo::SampleToInt16(-1.6 / 32768), -2);
  EXPECT_EQ(kivo::SampleToInt16(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(kivo::SampleToInt16(std::numeric_limits<double>::infinity()), 32767);
}

TEST(SampleConversionTest, PacksLeftIntoTheLowHalf) {
  EXPECT_EQ(PackFrame(1, 2), 0x00020001u);
  EXPECT_EQ(PackFrame(-1, 0), 0x0000FFFFu);
  EXPECT_EQ(PackFrame(0, -32768), 0x80000000u);
}

TEST(SoundFileSourceTest, ConvertsChannelsAndFloatSamples) {
  TempDir dir;
  WriteFloatWav(dir.File("mono.wav"), 1, {0.25f, -2.0f});
  kivo::SoundFileSource mono(dir.File("mono.wav"));
  EXPECT_EQ(ReadAll(mono), (std::vector<Frame>{PackFrame(8192, 8192), PackFrame(-32768, -32768)}));

  WriteFloatWav(dir.File("three.wav"), 3, {0.5f, -0.5f, 0.9f, 0.0f, 1.5f, -0.9f});
  kivo::SoundFileSource three(dir.File("three.wav"));
  EXPECT_EQ(three.Channels(), 3);
  EXPECT_EQ(ReadAll(three), (std::vector<Frame>{PackFrame(16384, -16384), PackFrame(0, 32767)}));
}

TEST(SoundFileSourceTest, SixteenBitFilesReadExactlyAcrossChunksWhateverTheReadSizes) {
  TempDir dir;
  // Longer than two of the source's chunks, every extreme value included.
  std::vector<short> samples;
  std::vector<Frame> expected;
  for (int i = 0; i < 70001; ++i) {
    const auto left = static_cast<short>(i * 7919 % 65536 - 32768);
    const auto right = static_cast<short>(32767 - i % 65536);
    samples.insert(samples.end(), {left, right});
    expected.push_back(PackFrame(left, right));
  }
  SF_INFO info{};
  info.samplerate = 44100;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(dir.File("long.wav").c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  sf_writef_short(file, samples.data(), static_cast<sf_count_t>(expected.size()));
  sf_close(file);

  kivo::SoundFileSource whole(dir.File("long.wav"));
  EXPECT_EQ(ReadAll(whole), expected);

  kivo::SoundFileSource uneven(dir.File("long.wav"));
  std::vector<Frame> read;
  for (const std::size_t size : {1u, 32767u, 2u, 40000u, 5000u}) {
    std::vector<Frame> part(size);
    part.resize(uneven.Read(part));
    read.insert(read.end(), part.begin(), part.end());
  }
  EXPECT_EQ(read, expected);
  std::vector<Frame> more(10);
  EXPECT_EQ(uneven.Read(more), 0u);
}

TEST(SoundFileSourceTest, ReportsMissingAndUnreadableFiles) {
  TempDir dir;
  EXPECT_THROW(kivo::SoundFileSource(dir.File("absent.wav")), kivo::InputError);
  std::ofstream(dir.File("garbage.wav")) << "this is not audio at all";
  EXPECT_THROW(kivo::SoundFileSource(dir.File("garbage.wav")), kivo::InputError);
  EXPECT_THROW(kivo::SoundFileSource(dir.File("")), kivo::InputError);
}

TEST(RawStereoSourceTest, ReadsLittleEndianFramesAndDropsAPartialOne) {
  std::FILE* stream = std::tmpfile();
  ASSERT_NE(stream, nullptr);
  const unsigned char bytes[] = {0x01, 0x00, 0xFF, 0xFF, 0x00, 0x80, 0xFF, 0x7F, 0x12};
  std::fwrite(bytes, 1, sizeof bytes, stream);
  std::rewind(stream);
  kivo::RawStereoSource source(stream);
  EXPECT_EQ(ReadAll(source), (std::vector<Frame>{PackFrame(1, -1), PackFrame(-32768, 32767)}));
  std::fclose(stream);
}

TEST(DemoSourceTest, IsMusicLikeAndEnds) {
  kivo::DemoSource demo;
  const std::vector<Frame> frames = ReadAll(demo);
  ASSERT_EQ(frames.size(), kivo::DemoSource::TotalFrames());
  std::size_t differentChannels = 0;
  int loudest = 0;
  for (const Frame frame : frames) {
    const auto left = static_cast<std::int16_t>(frame & 0xFFFF);
    const auto right = static_cast<std::int16_t>(frame >> 16);
    differentChannels += left != right;
    loudest = std::max({loudest, std::abs(int{left}), std::abs(int{right})});
  }
  EXPECT_GT(differentChannels, frames.size() / 2) << "the channels are mixed apart";
  EXPECT_GT(loudest, 8000);
  EXPECT_LT(loudest, 32767) << "the demo does not clip";
}

}  // namespace
