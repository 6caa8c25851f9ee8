// Windows of the other processes of the session, reached over the session
// bus, and this process's windows as the bus shows them to the others.
// Internal to the window layer. Without a bus every window is local and
// none of the remote operations is called.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/win/MessageQueue.h"
#include "platform/win/Windows.h"

namespace kivo_bus {
class TBus;
}

// The bus with this process's windows published on it; null without one.
kivo_bus::TBus* WindowBus();

// The number after which this process's window handles are counted.
std::uintptr_t FirstWindowNumber();
// A handle of another process's block; always false without a bus.
bool IsRemoteHandle(HWND window);

std::optional<HWND> FindRemoteWindow(LPCSTR className, LPCSTR windowName);
BOOL IsRemoteWindow(HWND window);
// As PostMessageA; a window whose process has gone is a stale handle.
BOOL PostRemote(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostToRemoteTopLevel(UINT message, WPARAM wParam, LPARAM lParam);
// Sends and waits as SendMessageTimeoutA does for a window of another
// thread, handling sends to this thread meanwhile unless SMTO_BLOCK.
LRESULT SendRemote(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                   UINT timeout, PDWORD_PTR result);
std::vector<HWND> RemoteTopLevelWindows();

// ---- This process's side, implemented with the window registry ----

struct TWindowListing {
  HWND Handle;
  std::string ClassName;
  std::string Title;
};
std::vector<TWindowListing> LocalTopLevelWindows();
bool PostLocal(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool IsLocalWindow(HWND window);
// Queues a message sent from another process; false when the window does
// not exist, or is hung and the flags say to give up then.
bool QueueSendFromRemote(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                         std::shared_ptr<TSendWaiter> waiter);
// The calling thread waits for the answer to `sent` as for a send to
// another thread; fills `result` and the last error.
LRESULT AwaitSendReply(const std::shared_ptr<TSentMessage>& sent, UINT flags, UINT timeout,
                       PDWORD_PTR result);
std::shared_ptr<TThreadQueue> CallingThreadQueue();
