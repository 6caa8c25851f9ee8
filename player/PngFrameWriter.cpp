#include "player/PngFrameWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "platform/render/PngWriter.h"
#include "player/FrameOutputs.h"

namespace kivo {

namespace {

struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(path.c_str(), "wb"));
  bool written =
      file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  if (file) written = std::fclose(file.release()) == 0 && written;
  if (!written) throw EPngWriteError("Cannot write " + path + ": " + std::strerror(errno));
}

}  // namespace

std::size_t TPngFrameWriter::DefaultEncoders() {
  const std::size_t cores = std::thread::hardware_concurrency();
  return std::clamp<std::size_t>(cores > 1 ? cores - 1 : 1, 1, 2);
}

TPngFrameWriter::TPngFrameWriter(std::string folder, std::size_t encoders, std::size_t queued)
    : FFolder(std::move(folder)), FLimit(std::max<std::size_t>(queued, 1)) {
  for (std::size_t i = 0; i < std::max<std::size_t>(encoders, 1); ++i)
    FEncoders.emplace_back([this] { Encode(); });
}

TPngFrameWriter::~TPngFrameWriter() {
  {
    const std::lock_guard lock(FMutex);
    FStopping = true;
  }
  FChanged.notify_all();
  FEncoders.clear();
}

void TPngFrameWriter::Write(const TFrame& frame, std::size_t block, bool unchanged) {
  std::unique_lock lock(FMutex);
  // A full queue: the caller lends a hand rather than wait.
  while (!FError && FQueue.size() >= FLimit) {
    TJob job = std::move(FQueue.front());
    FQueue.pop_front();
    lock.unlock();
    Process(job, FCallerBytes);
    lock.lock();
  }
  if (FError) std::rethrow_exception(FError);
  TJob job;
  job.Turn = FGiven++;
  job.Block = block;
  // The first frame has none before it to stand for.
  job.Unchanged = unchanged && job.Turn > 0;
  if (!job.Unchanged) {
    if (!FSpare.empty()) {
      job.Frame = std::move(FSpare.back());
      FSpare.pop_back();
    }
    job.Frame.Width = frame.Width;
    job.Frame.Height = frame.Height;
    job.Frame.Pixels.assign(frame.Pixels.begin(), frame.Pixels.end());
  }
  FQueue.push_back(std::move(job));
  lock.unlock();
  FChanged.notify_all();
}

void TPngFrameWriter::Finish() {
  std::unique_lock lock(FMutex);
  FChanged.wait(lock, [this] { return FError || FWritten == FGiven; });
  if (FError) std::rethrow_exception(FError);
}

void TPngFrameWriter::Fail(std::exception_ptr error) {
  const std::lock_guard lock(FMutex);
  if (!FError) FError = std::move(error);
}

void TPngFrameWriter::Encode() {
  std::vector<std::uint8_t> bytes;
  for (;;) {
    TJob job;
    {
      std::unique_lock lock(FMutex);
      FChanged.wait(lock, [this] { return FStopping || !FQueue.empty(); });
      if (FStopping) return;
      job = std::move(FQueue.front());
      FQueue.pop_front();
    }
    FChanged.notify_all();  // room in the queue
    Process(job, bytes);
  }
}

void TPngFrameWriter::Process(TJob& job, std::vector<std::uint8_t>& bytes) {
  try {
    if (!job.Unchanged) EncodePng(job.Frame, TPngCompression::Fast, bytes);
  } catch (...) {
    Fail(std::current_exception());
  }
  WriteInTurn(job, bytes);
}

void TPngFrameWriter::WriteInTurn(TJob& job, std::vector<std::uint8_t>& bytes) {
  {
    std::unique_lock lock(FMutex);
    FChanged.wait(lock, [this, &job] { return FStopping || FWritten == job.Turn; });
    if (FStopping) return;
  }
  // Alone now: the turns before are done and the later ones wait.
  bool failed = false;
  {
    const std::lock_guard lock(FMutex);
    failed = FError != nullptr;
  }
  if (!failed) {
    try {
      if (!job.Unchanged) std::swap(FLastFile, bytes);
      WriteFile(FramePngPath(FFolder, job.Block), FLastFile);
    } catch (...) {
      Fail(std::current_exception());
    }
  }
  {
    const std::lock_guard lock(FMutex);
    ++FWritten;
    if (!job.Unchanged) FSpare.push_back(std::move(job.Frame));
  }
  FChanged.notify_all();
}

}  // namespace kivo
