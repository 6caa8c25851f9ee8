#include "player/audio/PacedServerLoop.h"

#include <poll.h>

#include <algorithm>

#include "player/audio/AudioDevices.h"

namespace kivo {

PacedServerLoop::PacedServerLoop(std::chrono::microseconds pace)
    : FPace(std::max(pace, std::chrono::microseconds(1000))), FLoop(pa_mainloop_new()) {
  if (FLoop == nullptr) throw CaptureError("cannot capture: the sound client library has no loop");
  pa_mainloop_set_poll_func(FLoop, Poll, this);
}

PacedServerLoop::~PacedServerLoop() {
  Stop();
  pa_mainloop_free(FLoop);
}

void PacedServerLoop::Start() {
  FLastWake = Clock::now();
  FThread = std::thread([this] { Run(); });
}

void PacedServerLoop::Pump() {
  // Enough for everything a frame or two brings; the rest waits for the
  // next pump rather than holding up the caller.
  constexpr int kMostTurns = 256;
  const std::lock_guard lock(FLock);
  for (int turn = 0; turn < kMostTurns; ++turn)
    if (pa_mainloop_iterate(FLoop, 0, nullptr) <= 0) return;
}

void PacedServerLoop::Stop() {
  if (!FThread.joinable()) return;
  {
    const std::lock_guard lock(FPaceLock);
    FStopping = true;
  }
  FStopAsked.notify_all();
  pa_mainloop_wakeup(FLoop);
  FThread.join();
}

void PacedServerLoop::SetPaced(bool paced) {
  const std::lock_guard lock(FPaceLock);
  FPaced = paced;
}

void PacedServerLoop::Run() {
  const std::lock_guard lock(FLock);
  for (;;) {
    {
      const std::lock_guard pace(FPaceLock);
      if (FStopping) return;
    }
    if (pa_mainloop_iterate(FLoop, 1, nullptr) < 0) return;
  }
}

bool PacedServerLoop::WaitForPace() {
  std::unique_lock lock(FPaceLock);
  if (!FPaced) return !FStopping;
  return !FStopAsked.wait_until(lock, FLastWake + FPace, [this] { return FStopping; });
}

// Called by the loop, inside the lock, when it would wait for the server.
// What is ready already is taken at once: the client library reads one
// piece of a message at a time, so a backlog is drained by turns of the
// loop that never sleep. Only a wait for something new first sleeps out
// the rest of the pace. The lock is free for other threads meanwhile.
int PacedServerLoop::Poll(pollfd* descriptors, unsigned long count, int timeoutMs, void* self) {
  auto* loop = static_cast<PacedServerLoop*>(self);
  loop->FLock.unlock();
  int ready = poll(descriptors, count, 0);
  if (ready == 0 && timeoutMs != 0) {
    const Clock::time_point before = Clock::now();
    if (loop->WaitForPace()) {
      int left = timeoutMs;
      if (timeoutMs > 0) {
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - before).count();
        left = static_cast<int>(std::max<std::int64_t>(0, timeoutMs - waited));
      }
      ready = poll(descriptors, count, left);
    }
    loop->FLastWake = Clock::now();
  }
  loop->FLock.lock();
  return ready;
}

}  // namespace kivo
