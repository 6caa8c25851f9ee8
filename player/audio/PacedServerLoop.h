// The sound server's client loop on a thread of its own that, while paced,
// wakes at most once a pace: whatever the server sent meanwhile is handled
// together. The server hands a record stream over in pieces of its own
// choosing (often twice or more a displayed frame, whatever fragment was
// asked for), and every piece would otherwise wake the process. Unpaced
// (connecting, looking for a device), every answer is taken at once.
//
// Like the client library's own threaded loop, everything the loop calls
// runs inside its lock; another thread that calls into the library takes
// the lock first. A call that needs the loop to act wakes it, at the next
// pace at the latest.
//
// Or no thread at all: the owner pumps the loop at times of its own (a
// live view at each frame), which costs no wake-up of its own.
#pragma once

#include <pulse/mainloop.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace kivo {

class PacedServerLoop {
 public:
  using Clock = std::chrono::steady_clock;

  // Raises CaptureError when the client library gives no loop.
  explicit PacedServerLoop(std::chrono::microseconds pace);
  // Stops the thread if it still runs.
  ~PacedServerLoop();
  PacedServerLoop(const PacedServerLoop&) = delete;
  PacedServerLoop& operator=(const PacedServerLoop&) = delete;

  pa_mainloop_api* Api() const { return pa_mainloop_get_api(FLoop); }
  void Start();
  // Serves the loop on the caller's thread without ever waiting: what the
  // server sent since the last time, and the timers that are due. For a
  // loop that was not started.
  void Pump();
  // Returns once the thread has ended; nothing the loop calls runs after.
  void Stop();
  // Starts unpaced.
  void SetPaced(bool paced);
  void Lock() { FLock.lock(); }
  void Unlock() { FLock.unlock(); }

 private:
  void Run();
  static int Poll(pollfd* descriptors, unsigned long count, int timeoutMs, void* self);
  // False when asked to stop while waiting.
  bool WaitForPace();

  const Clock::duration FPace;
  pa_mainloop* FLoop;
  std::mutex FLock;
  std::thread FThread;
  std::mutex FPaceLock;
  std::condition_variable FStopAsked;
  bool FStopping = false;
  bool FPaced = false;
  Clock::time_point FLastWake;
};

}  // namespace kivo
