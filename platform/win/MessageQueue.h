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

#include "platform/win/Windows.h"

class TThreadQueue;

// A message sent from another thread. Its state belongs to the sending
// thread's queue: it is read and written under that queue's lock, and that
// queue's condition wakes the sender.
struct TSentMessage {
  enum class TState { Waiting, Running, Done, Failed, Abandoned };

  HWND Window;
  UINT Message;
  WPARAM WParam;
  LPARAM LParam;
  std::shared_ptr<TThreadQueue> Sender;
  TState State = TState::Waiting;
  LRESULT Result = 0;
};

class TThreadQueue {
 public:
  TThreadQueue();

  // From any thread. False once the owning thread has ended.
  bool Post(const MSG& message);
  bool Send(std::shared_ptr<TSentMessage> message);

  // Owning thread only.
  bool TakePosted(MSG& message, HWND window, UINT filterMin, UINT filterMax, bool remove);
  std::shared_ptr<TSentMessage> TakeSent();
  void PostQuit(int exitCode);
  std::uint64_t Generation();
  void WaitForInput(std::uint64_t seenGeneration);
  // Drops what waits for a destroyed window; returns its waiting sends.
  std::vector<std::shared_ptr<TSentMessage>> DropWindow(HWND window);
  std::vector<std::shared_ptr<TSentMessage>> Close();

  bool IsHung();

  // The sender's side of a TSentMessage, under this (the sender's) queue.
  bool BeginRunning(TSentMessage& message);
  void Finish(TSentMessage& message, TSentMessage::TState state, LRESULT result);
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
  std::deque<MSG> FPosted;
  std::deque<std::shared_ptr<TSentMessage>> FSent;
  bool FQuitPosted = false;
  int FQuitCode = 0;
  bool FClosed = false;
  bool FWaiting = false;
  std::uint64_t FGeneration = 0;
  std::chrono::steady_clock::time_point FLastLook;
};
