#include "player/VideoRecorder.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>

#include "player/FrameOutputs.h"
#include "player/Playback.h"

extern char** environ;

namespace kivo {

namespace {

// Above the standard descriptors and the audio's own 3 in ffmpeg.
constexpr int kFirstFreeFd = 10;

class TRecordingSource final : public FrameSource {
 public:
  TRecordingSource(std::unique_ptr<FrameSource> source, TVideoRecorder& recorder)
      : FSource(std::move(source)), FRecorder(recorder) {}

  std::size_t Read(std::span<Frame> frames) override {
    const std::size_t got = FSource->Read(frames);
    FRecorder.WriteAudio(frames.first(got));
    return got;
  }

 private:
  std::unique_ptr<FrameSource> FSource;
  TVideoRecorder& FRecorder;
};

// A pipe whose ends are closed in any program started, the reading end
// above the descriptors the program is given.
struct TPipe {
  int Read = -1;
  int Write = -1;
};

TPipe MakePipe() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("cannot make a pipe for ffmpeg");
  const int read = ::fcntl(fds[0], F_DUPFD_CLOEXEC, kFirstFreeFd);
  ::close(fds[0]);
  return {read, fds[1]};
}

void CloseFd(int& fd) noexcept {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

void WriteBytes(int fd, const void* data, std::size_t size, const std::string& outputPath) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = ::write(fd, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) throw std::runtime_error("ffmpeg stopped taking the video for " + outputPath);
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
}

}  // namespace

// Writes the sound to ffmpeg on a thread of its own. An encoder that holds
// pictures back (its lookahead) makes ffmpeg take the sound far ahead of
// the pictures, so neither pipe may wait for the other to be read.
class TSoundFeed {
 public:
  TSoundFeed(int fd, std::string outputPath)
      : FFd(fd), FOutputPath(std::move(outputPath)), FThread([this] { Run(); }) {}
  ~TSoundFeed() { Close(); }
  TSoundFeed(const TSoundFeed&) = delete;
  TSoundFeed& operator=(const TSoundFeed&) = delete;

  // Raises when ffmpeg stopped taking the sound.
  void Add(std::span<const Frame> frames) {
    const std::lock_guard lock(FLock);
    if (FFailed) throw std::runtime_error("ffmpeg stopped taking the sound for " + FOutputPath);
    FPending.insert(FPending.end(), frames.begin(), frames.end());
    FChanged.notify_one();
  }

  // Writes what is left and ends the sound; false when it could not.
  bool Close() noexcept {
    {
      const std::lock_guard lock(FLock);
      FClosing = true;
      FChanged.notify_one();
    }
    if (FThread.joinable()) FThread.join();
    return !FFailed;
  }

 private:
  void Run() {
    std::vector<Frame> writing;
    std::unique_lock lock(FLock);
    while (true) {
      FChanged.wait(lock, [this] { return !FPending.empty() || FClosing; });
      if (FPending.empty()) break;
      writing.swap(FPending);
      lock.unlock();
      const bool written = WriteFrames(writing);
      writing.clear();
      lock.lock();
      if (!written) {
        FFailed = true;
        break;
      }
    }
    // Ended, or failed: the reader sees the end of the sound either way.
    lock.unlock();
    CloseFd(FFd);
  }

  bool WriteFrames(std::span<const Frame> frames) const {
    const auto* bytes = reinterpret_cast<const char*>(frames.data());
    std::size_t size = frames.size_bytes();
    while (size > 0) {
      const ssize_t written = ::write(FFd, bytes, size);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return false;
      bytes += written;
      size -= static_cast<std::size_t>(written);
    }
    return true;
  }

  int FFd;
  std::string FOutputPath;
  std::mutex FLock;
  std::condition_variable FChanged;
  std::vector<Frame> FPending;
  bool FClosing = false;
  bool FFailed = false;
  std::thread FThread;  // last: it starts once everything above is ready
};

TFrameTimeline::TFrameTimeline(std::size_t hop) : FHop(hop) {
  if (hop == 0) throw std::invalid_argument("a video's pictures need a spacing");
}

std::size_t TFrameTimeline::Place(std::uint64_t position) {
  if (!FOrigin) {
    FOrigin = position;
    return 0;
  }
  // The nearest slot, so that a picture is never shown more than half a
  // slot away from its time.
  const std::uint64_t slot = (position - *FOrigin + FHop / 2) / FHop;
  if (slot <= FSlot) return 0;
  const std::size_t filled = static_cast<std::size_t>(slot - FSlot);
  FSlot = slot;
  return filled;
}

int CommonSampleRate(const std::vector<TTrack>& tracks) {
  int rate = 0;
  const TTrack* first = nullptr;
  for (const TTrack& track : tracks) {
    int trackRate = 0;
    try {
      trackRate = OpenTrackAudio(track).SampleRate;
    } catch (const InputError&) {
      // Skipped when its turn comes, it adds no sound to the video.
      continue;
    }
    if (first == nullptr) {
      first = &track;
      rate = trackRate;
    } else if (trackRate != rate) {
      throw std::runtime_error("--video takes tracks of one sample rate: " + first->Title +
                               " plays at " + std::to_string(rate) + " Hz, " + track.Title +
                               " at " + std::to_string(trackRate) + " Hz");
    }
  }
  return first != nullptr ? rate : kDefaultSampleRate;
}

TVideoRecorder::TVideoRecorder(std::string outputPath, std::int32_t width, std::int32_t height,
                               int sampleRate, std::size_t hop)
    : FOutputPath(std::move(outputPath)),
      FFfmpeg(FindOnPath("ffmpeg")),
      FWidth(width),
      FHeight(height),
      FSampleRate(sampleRate),
      FHop(hop),
      FTimeline(hop) {
  if (FFfmpeg.empty())
    throw std::runtime_error("--video needs ffmpeg, which is not installed (not found on PATH)");
}

TVideoRecorder::~TVideoRecorder() { Stop(); }

std::unique_ptr<FrameSource> TVideoRecorder::Recording(std::unique_ptr<FrameSource> source) {
  return std::make_unique<TRecordingSource>(std::move(source), *this);
}

void TVideoRecorder::WriteAudio(std::span<const Frame> frames) {
  FAudioFrames += frames.size();
  if (FProcess < 0) {
    FEarlyAudio.insert(FEarlyAudio.end(), frames.begin(), frames.end());
    return;
  }
  // A frame is left 16 bits, then right, in this machine's byte order: the
  // little-endian interleaved stereo ffmpeg is told to expect.
  FSound->Add(frames);
}

void TVideoRecorder::WriteFrame(const TFrame& frame) {
  const std::size_t filled = FTimeline.Place(FAudioFrames);
  if (FProcess < 0) Start();
  WriteHeld(filled);
  // Assigned over the picture held, so its pixels reuse the held buffer.
  FHeld = frame;
}

void TVideoRecorder::WriteHeld(std::size_t times) {
  if (!FHeld) return;
  // Each pixel 0xAABBGGRR is, byte by byte, R, G, B, A on this machine.
  const std::size_t bytes = FHeld->Pixels.size() * sizeof(std::uint32_t);
  for (std::size_t i = 0; i < times; ++i)
    WriteBytes(FVideoFd, FHeld->Pixels.data(), bytes, FOutputPath);
}

void TVideoRecorder::Start() {
  const std::string size = std::to_string(FWidth) + "x" + std::to_string(FHeight);
  const std::string rate = std::to_string(FSampleRate) + "/" + std::to_string(FHop);
  std::vector<std::string> arguments = {FFfmpeg, "-nostdin", "-loglevel", "error", "-y"};
  const auto add = [&arguments](std::initializer_list<std::string> words) {
    arguments.insert(arguments.end(), words);
  };
  // Both inputs are raw with every parameter given: nothing to probe, so
  // ffmpeg does not wait for seconds of one input before it reads the other.
  const std::initializer_list<std::string> noProbing = {"-probesize", "32", "-analyzeduration",
                                                        "0"};
  add(noProbing);
  add({"-f", "rawvideo", "-pix_fmt", "rgba", "-s", size, "-framerate", rate});
  add({"-i", "pipe:0"});
  add(noProbing);
  add({"-f", "s16le", "-ar", std::to_string(FSampleRate), "-ac", "2", "-i", "pipe:3"});
  // Picture n is shown at audio frame origin + n * hop, counted exactly in
  // audio frames; the first one belongs to the end of the sound before it,
  // and nothing is repeated to fill the time before it. Video encoders want
  // even sizes; the padding is black.
  const std::string times = "settb=1/" + std::to_string(FSampleRate) +
                            ",setpts=" + std::to_string(*FTimeline.Origin()) + "+N*" +
                            std::to_string(FHop);
  add({"-vf", times + ",pad=ceil(iw/2)*2:ceil(ih/2)*2", "-pix_fmt", "yuv420p"});
  add({"-fps_mode", "passthrough", "-enc_time_base:v", "1/" + std::to_string(FSampleRate)});
  add({FOutputPath});
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  TPipe video = MakePipe();
  TPipe audio = MakePipe();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, video.Read, 0);
  posix_spawn_file_actions_adddup2(&actions, audio.Read, 3);
  const int failed =
      ::posix_spawn(&FProcess, FFfmpeg.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  CloseFd(video.Read);
  CloseFd(audio.Read);
  FVideoFd = video.Write;
  if (failed != 0) {
    FProcess = -1;
    CloseFd(audio.Write);
    Stop();
    throw std::runtime_error("cannot start ffmpeg for " + FOutputPath);
  }
  // An ffmpeg that gives up must show as a failed write, not end the player.
  std::signal(SIGPIPE, SIG_IGN);
  FSound = std::make_unique<TSoundFeed>(audio.Write, FOutputPath);
  FSound->Add(FEarlyAudio);
  FEarlyAudio = {};
}

void TVideoRecorder::Finish() {
  if (FProcess < 0) throw std::runtime_error("no block was played: no video for " + FOutputPath);
  WriteHeld(1);
  CloseFd(FVideoFd);
  const bool soundWritten = FSound->Close();
  int status = 0;
  const pid_t waited = ::waitpid(FProcess, &status, 0);
  FProcess = -1;
  if (waited < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || !soundWritten)
    throw std::runtime_error("ffmpeg could not write " + FOutputPath);
}

// Without a finish (an error on the way), ffmpeg sees the end of both
// inputs and ends too.
void TVideoRecorder::Stop() noexcept {
  CloseFd(FVideoFd);
  FSound.reset();
  if (FProcess < 0) return;
  int status = 0;
  while (::waitpid(FProcess, &status, 0) < 0 && errno == EINTR) {
  }
  FProcess = -1;
}

}  // namespace kivo
