// One message queue per thread: the messages posted to the thread's windows
// and the messages other threads send to them, waiting for the thread to
// take them. Internal to the window layer.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/win/FileDescriptor.h"
#include "platform/win/Windows.h"

struct TSentMessage;

// Hung: given up at once, since the receiving thread was not reading its
// queue and the sender asked to abort then.
enum class TSendState { Waiting, Running, Done, Failed, Hung, Abandoned };

// The side that waits for a sent message's answer: another thread's queue,
// or a caller in another process that the session bus answers.
class TSendWaiter {
 public:
  virtual ~TSendWaiter() = default;
  // False when the sender gave up: the procedure must not run.
  virtual bool BeginRunning(TSentMessage& message) = 0;
  virtual void Finish(TSentMessage& message, TSendState state, LRESULT result) = 0;
};

// A message sent from another thread or process. Its state belongs to the
// sender: it is read and written under the sender's lock.
struct TSentMessage {
  using TState = TSendState;

  HWND Window;
  UINT Message;
  WPARAM WParam;
  LPARAM LParam;
  std::shared_ptr<TSendWaiter> Sender;
  TState State = TState::Waiting;
  LRESULT Result = 0;
};

class TThreadQueue final : public TSendWaiter {
 public:
  TThreadQueue();

  // From any thread. False once the owning thread has ended. `ticket` is
  // held while the post waits here and let go once it is taken or dropped.
  bool Post(const MSG& message, std::shared_ptr<const void> ticket = nullptr);
  bool Send(std::shared_ptr<TSentMessage> message);

  // Owning thread only.
  bool TakePosted(MSG& message, HWND window, UINT filterMin, UINT filterMax, bool remove);
  std::shared_ptr<TSentMessage> TakeSent();
  bool HasSent();
  void PostQuit(int exitCode);
  std::uint64_t Generation();
  void WaitForInput(std::uint64_t seenGeneration);
  // As WaitForInput, giving up at the deadline; false then.
  bool WaitForInputUntil(std::uint64_t seenGeneration,
                         std::chrono::steady_clock::time_point deadline);
  // Drops what waits for a destroyed window; returns its waiting sends.
  std::vector<std::shared_ptr<TSentMessage>> DropWindow(HWND window);
  std::vector<std::shared_ptr<TSentMessage>> Close();

  bool IsHung();

  // An event descriptor that polls readable once something arrives after
  // the last ClearWake; made on first use.
  int WakeFd();
  void ClearWake();

  // The sender's side of a TSentMessage, under this (the sender's) queue.
  bool BeginRunning(TSentMessage& message) override;
  void Finish(TSentMessage& message, TSendState state, LRESULT result) override;
  enum class TReplyWait { Replied, Incoming, TimedOut };
  // Waits until the message is answered or has failed, until the deadline
  // passes (the message is then abandoned: its procedure will not run if it
  // has not begun), or, with `acceptIncoming`, until a message is sent to
  // this thread.
  TReplyWait WaitForReply(TSentMessage& message,
                          std::optional<std::chrono::steady_clock::time_point> deadline,
                          bool acceptIncoming);

 private:
  void Signal(std::unique_lock<std::mutex>& lock);
  bool TakeQuit(MSG& message, HWND window, UINT filterMin, UINT filterMax, bool remove);

  std::mutex FLock;
  std::condition_variable FChanged;
  struct TPosted {
    MSG Message;
    std::shared_ptr<const void> Ticket;
  };
  std::deque<TPosted> FPosted;
  std::deque<std::shared_ptr<TSentMessage>> FSent;
  bool FQuitPosted = false;
  int FQuitCode = 0;
  bool FClosed = false;
  bool FWaiting = false;
  std::uint64_t FGeneration = 0;
  std::chrono::steady_clock::time_point FLastLook;
  TFileDescriptor FWake;
};
