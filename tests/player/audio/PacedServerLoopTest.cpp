#include <gtest/gtest.h>
#include <pulse/timeval.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "player/audio/PacedServerLoop.h"

namespace {

using namespace std::chrono_literals;
using kivo::PacedServerLoop;

// What the loop's callbacks did, waited for by the test's thread.
struct Seen {
  std::mutex Lock;
  std::condition_variable Changed;
  int Calls = 0;
  std::thread::id Thread;

  void Note() {
    {
      const std::lock_guard lock(Lock);
      ++Calls;
      Thread = std::this_thread::get_id();
    }
    Changed.notify_all();
  }
  bool WaitFor(int calls) {
    std::unique_lock lock(Lock);
    return Changed.wait_for(lock, 5s, [&] { return Calls >= calls; });
  }
};

// The way the client library reads: one piece of what is ready per turn.
void ReadOnePiece(pa_mainloop_api*, pa_io_event*, int fd, pa_io_event_flags_t, void* seen) {
  char piece = 0;
  if (read(fd, &piece, 1) == 1) static_cast<Seen*>(seen)->Note();
}

TEST(PacedServerLoopTest, TimersAndWorkAddedFromAnotherThreadRunOnTheLoopsOwnThread) {
  PacedServerLoop loop(20ms);
  loop.SetPaced(true);
  Seen timer;
  Seen deferred;
  loop.Lock();
  timeval when{};
  pa_timeval_add(pa_gettimeofday(&when), 10'000);
  loop.Api()->time_new(
      loop.Api(), &when,
      [](pa_mainloop_api* api, pa_time_event* event, const timeval*, void* seen) {
        api->time_free(event);
        static_cast<Seen*>(seen)->Note();
      },
      &timer);
  loop.Unlock();
  loop.Start();
  ASSERT_TRUE(timer.WaitFor(1)) << "a timer set before the start fires";
  EXPECT_NE(timer.Thread, std::this_thread::get_id());

  // Added while the loop sleeps: the lock is free, and the loop wakes for it.
  loop.Lock();
  loop.Api()->defer_new(
      loop.Api(),
      [](pa_mainloop_api* api, pa_defer_event* event, void* seen) {
        api->defer_free(event);
        static_cast<Seen*>(seen)->Note();
      },
      &deferred);
  loop.Unlock();
  EXPECT_TRUE(deferred.WaitFor(1));
  loop.Stop();
  loop.Stop();
}

// The client library reads one piece of a message per turn of the loop:
// a backlog must be drained in one wake, not a piece a pace.
TEST(PacedServerLoopTest, WhatIsReadyAlreadyIsTakenWithoutWaitingForThePace) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  constexpr int kPieces = 200;
  const std::string backlog(kPieces, 'x');
  ASSERT_EQ(write(ends[1], backlog.data(), backlog.size()), kPieces);
  Seen readable;
  PacedServerLoop loop(std::chrono::hours(1));
  loop.SetPaced(true);
  loop.Lock();
  pa_io_event* io = loop.Api()->io_new(
      loop.Api(), ends[0], PA_IO_EVENT_INPUT,
      ReadOnePiece,
      &readable);
  loop.Unlock();
  loop.Start();
  EXPECT_TRUE(readable.WaitFor(kPieces)) << readable.Calls << " pieces taken";
  loop.Stop();
  loop.Api()->io_free(io);
  close(ends[0]);
  close(ends[1]);
}

// Pumped by its owner: what is ready and what is due runs on the owner's
// thread, and a pump with nothing to do returns at once.
TEST(PacedServerLoopTest, APumpServesWhatIsReadyOnTheCallersThreadAndNeverWaits) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  ASSERT_EQ(write(ends[1], "xyz", 3), 3);
  Seen readable;
  Seen timer;
  PacedServerLoop loop(std::chrono::hours(1));
  loop.Pump();
  pa_io_event* io = loop.Api()->io_new(
      loop.Api(), ends[0], PA_IO_EVENT_INPUT,
      ReadOnePiece,
      &readable);
  timeval now{};
  loop.Api()->time_new(
      loop.Api(), pa_gettimeofday(&now),
      [](pa_mainloop_api* api, pa_time_event* event, const timeval*, void* seen) {
        api->time_free(event);
        static_cast<Seen*>(seen)->Note();
      },
      &timer);
  timeval later{};
  pa_timeval_add(pa_gettimeofday(&later), 3'600'000'000ULL);
  pa_time_event* notYet = loop.Api()->time_new(
      loop.Api(), &later, [](pa_mainloop_api*, pa_time_event*, const timeval*, void*) {},
      nullptr);
  loop.Pump();
  EXPECT_EQ(readable.Calls, 3) << "the whole backlog in one pump";
  EXPECT_EQ(timer.Calls, 1);
  EXPECT_EQ(readable.Thread, std::this_thread::get_id());
  loop.Pump();
  EXPECT_EQ(readable.Calls, 3);
  loop.Api()->time_free(notYet);
  loop.Api()->io_free(io);
  close(ends[0]);
  close(ends[1]);
}

TEST(PacedServerLoopTest, ALoopNeverStartedOrWaitingForeverStopsAtOnce) {
  { PacedServerLoop idle(1s); }
  // Inside a pace of an hour: a stop that waited for its end would hang.
  PacedServerLoop loop(std::chrono::hours(1));
  loop.SetPaced(true);
  loop.Start();
  loop.Stop();
}

}  // namespace
