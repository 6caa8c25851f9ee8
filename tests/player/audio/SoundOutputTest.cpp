#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "player/audio/SoundOutput.h"

namespace {

using namespace std::chrono_literals;
using kivo::Frame;
using kivo::PackFrame;

// Only guards against hanging; how long playing takes is not checked.
constexpr auto kPatience = 20s;

// Makes SDL use the given driver for the outputs opened in its lifetime.
class AudioDriverChoice {
 public:
  explicit AudioDriverChoice(const char* driver) { ::setenv("SDL_AUDIODRIVER", driver, 1); }
  ~AudioDriverChoice() { ::unsetenv("SDL_AUDIODRIVER"); }
  AudioDriverChoice(const AudioDriverChoice&) = delete;
  AudioDriverChoice& operator=(const AudioDriverChoice&) = delete;
};

template <typename Condition>
bool Eventually(Condition condition) {
  const auto giveUp = std::chrono::steady_clock::now() + kPatience;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > giveUp) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

TEST(VolumeTest, ScalesEachChannelByItsOwnGain) {
  EXPECT_EQ(kivo::ApplyVolume(PackFrame(1000, -1000), 1.0f, 1.0f), PackFrame(1000, -1000));
  EXPECT_EQ(kivo::ApplyVolume(PackFrame(1000, -1000), 0.5f, 0.0f), PackFrame(500, 0));
  EXPECT_EQ(kivo::ApplyVolume(PackFrame(-32768, 32767), 0.25f, 0.5f), PackFrame(-8192, 16384));
  EXPECT_EQ(kivo::ApplyVolume(PackFrame(3, -3), 0.5f, 0.5f), PackFrame(2, -2)) << "rounded";
}

TEST(VolumeTest, GainsOutsideZeroToOneAreClamped) {
  EXPECT_EQ(kivo::ApplyVolume(PackFrame(-32768, 32767), 2.0f, 9.0f), PackFrame(-32768, 32767));
  EXPECT_EQ(kivo::ApplyVolume(PackFrame(100, 100), -1.0f, -0.5f), PackFrame(0, 0));
}

TEST(OpenSoundOutputTest, NoSoundGivesASilentOutputAndSaysSoOnce) {
  std::ostringstream notices;
  const auto output = kivo::OpenSoundOutput({44100, false}, notices);
  EXPECT_FALSE(output->Audible());
  EXPECT_EQ(notices.str(), "Sound is off: playing silently in real time.\n");
}

TEST(OpenSoundOutputTest, WithoutADeviceItFallsBackToSilenceAndSaysWhy) {
  const AudioDriverChoice driver("no-such-driver");
  std::ostringstream notices;
  const auto output = kivo::OpenSoundOutput({}, notices);
  EXPECT_FALSE(output->Audible());
  EXPECT_EQ(notices.str().rfind("No sound device (", 0), 0u) << notices.str();
  EXPECT_NE(notices.str().find("): playing silently in real time.\n"), std::string::npos);
}

// What the process writes to standard error while it lives, read back.
class StandardErrorCapture {
 public:
  StandardErrorCapture() {
    std::fflush(stderr);
    FSaved = ::dup(2);
    const int file = ::open(FPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ::dup2(file, 2);
    ::close(file);
  }
  ~StandardErrorCapture() {
    Restore();
    std::filesystem::remove(FPath);
  }
  StandardErrorCapture(const StandardErrorCapture&) = delete;
  StandardErrorCapture& operator=(const StandardErrorCapture&) = delete;

  std::string Text() {
    Restore();
    std::ifstream file(FPath);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }

 private:
  void Restore() {
    if (FSaved < 0) return;
    std::fflush(stderr);
    ::dup2(FSaved, 2);
    ::close(FSaved);
    FSaved = -1;
  }

  std::string FPath = (std::filesystem::temp_directory_path() /
                       ("kivo-stderr-" + std::to_string(::getpid()) + ".txt"))
                          .string();
  int FSaved = -1;
};

// ALSA on a device that does not exist complains line after line by itself;
// only the player's notice is to be seen.
TEST(OpenSoundOutputTest, TheSoundLibrarysOwnMessagesAreNotShown) {
  const AudioDriverChoice driver("alsa");
  ::setenv("AUDIODEV", "kivo-no-such-device", 1);
  std::ostringstream notices;
  StandardErrorCapture errors;
  const auto output = kivo::OpenSoundOutput({}, notices);
  const std::string shown = errors.Text();
  ::unsetenv("AUDIODEV");
  EXPECT_FALSE(output->Audible());
  EXPECT_EQ(shown, "");
  const std::string notice = notices.str();
  EXPECT_EQ(notice.rfind("No sound device (", 0), 0u) << notice;
  EXPECT_EQ(std::count(notice.begin(), notice.end(), '\n'), 1) << notice;
}

TEST(OpenSoundOutputTest, ADeviceConsumesWhatIsQueuedAndPauses) {
  const AudioDriverChoice driver("dummy");
  std::ostringstream notices;
  const auto output = kivo::OpenSoundOutput({}, notices);
  ASSERT_TRUE(output->Audible()) << notices.str();
  EXPECT_EQ(notices.str(), "");

  const std::vector<Frame> frames(8192, PackFrame(100, -100));
  output->SetVolume(0.5f, 0.5f);
  output->Play(frames);
  EXPECT_EQ(output->QueuedFrames(), frames.size());
  ASSERT_TRUE(Eventually([&] { return output->HeardFrame() > 0; }));
  EXPECT_LE(output->HeardFrame(), frames.size());

  output->Pause();
  EXPECT_TRUE(output->Paused());
  const std::uint64_t held = output->HeardFrame();
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(output->HeardFrame(), held) << "nothing is heard while paused";
  output->Resume();
  EXPECT_FALSE(output->Paused());
  EXPECT_TRUE(Eventually([&] { return output->HeardFrame() == frames.size(); }))
      << "everything queued is heard in the end, and no more";
}

TEST(OpenSoundOutputTest, TheVolumeAppliesToWhatTheDevicePlays) {
  const std::filesystem::path recording = std::filesystem::temp_directory_path() /
                                          ("kivo-sound-" + std::to_string(::getpid()) + ".raw");
  ::setenv("SDL_DISKAUDIOFILE", recording.c_str(), 1);
  {
    const AudioDriverChoice driver("disk");
    std::ostringstream notices;
    const auto output = kivo::OpenSoundOutput({}, notices);
    ASSERT_TRUE(output->Audible()) << notices.str();
    output->SetVolume(0.5f, 0.25f);
    output->Play(std::vector<Frame>(4096, PackFrame(1000, -1000)));
    // Silence after it, so that the sound is surely written out once this is heard.
    output->Play(std::vector<Frame>(8192, 0));
    ASSERT_TRUE(Eventually([&] { return output->HeardFrame() == 4096 + 8192; }));
  }
  ::unsetenv("SDL_DISKAUDIOFILE");

  std::ifstream file(recording, std::ios::binary);
  std::vector<Frame> played;
  for (Frame frame; file.read(reinterpret_cast<char*>(&frame), sizeof frame);) {
    if (frame != 0) played.push_back(frame);
  }
  file.close();
  std::filesystem::remove(recording);
  EXPECT_EQ(played, std::vector<Frame>(4096, PackFrame(500, -250)));
}

}  // namespace
