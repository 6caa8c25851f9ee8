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

// Found in the bus daemon's list of names, which the daemon answers
// itself: a process that does not answer costs nothing.
std::optional<HWND> FindRemoteWindow(LPCSTR className, LPCSTR windowName);
BOOL IsRemoteWindow(HWND window);
// As PostMessageA, without waiting for the receiver. A window whose process
// has gone is a stale handle, and so is one that its process said it no
// longer has; a receiver with too many posts not yet taken from the bus
// refuses more (ERROR_NOT_ENOUGH_QUOTA).
BOOL PostRemote(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostToRemoteTopLevel(UINT message, WPARAM wParam, LPARAM lParam);
// Leaves a post with the process that owns `window`, which that process
// makes itself should this one leave the bus without taking it back.
BOOL PostRemoteOnExit(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL CancelRemoteOnExit(HWND window);
std::optional<DWORD> RemoteProcessOf(HWND window);
std::string RemoteProgramPath(HWND window);
void SetPublishedProgramPath(const std::string& path);
std::string PublishedProgramPath();

// Top-level windows are listed as names on the bus while they exist.
void PublishTopLevel(HWND window, const std::string& className, const std::string& title);
void WithdrawTopLevel(HWND window, const std::string& className, const std::string& title);
// Sends and waits as SendMessageTimeoutA does for a window of another
// thread, handling sends to this thread meanwhile unless SMTO_BLOCK.
LRESULT SendRemote(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                   UINT timeout, PDWORD_PTR result);
std::vector<HWND> RemoteTopLevelWindows();

// ---- This process's side, implemented with the window registry ----

// `ticket` is held while the post waits in the window's queue.
bool PostLocal(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
               std::shared_ptr<const void> ticket = nullptr);
bool IsLocalWindow(HWND window);
// A window of this process that other processes may address: a top-level
// window, or one whose handle this process gave to another. The others
// (component message windows, the threads' object windows) are internal.
bool IsAddressableWindow(HWND window);
// Whether other processes may send `message`: only the messages registered
// in this process, whose values are integers by agreement. System and
// private numbers (WM_USER, WM_APP ranges) stay inside the process.
bool CrossesProcesses(UINT message);
// A value on its way to another process: the handle of a window of this
// process makes that window addressable from outside.
void NoteValueLeaving(std::uint64_t value);
// Queues a message sent from another process: Waiting once queued, Failed
// when the window does not exist, Hung when its thread is hung and the
// flags say to give up then.
TSendState QueueSendFromRemote(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                               std::shared_ptr<TSendWaiter> waiter);
// The calling thread waits for the answer to `sent` as for a send to
// another thread; fills `result` and the last error.
LRESULT AwaitSendReply(const std::shared_ptr<TSentMessage>& sent, UINT flags, UINT timeout,
                       PDWORD_PTR result);
std::shared_ptr<TThreadQueue> CallingThreadQueue();
