// Windows whose procedure is a method, as the component library makes them,
// and its way of running the message loop. The API functions that post,
// send and take messages are declared in Windows.h.
#pragma once

#include <string>

#include "platform/vcl/Method.h"
#include "platform/win/Windows.h"

// The component library's message record: a window method reads the message
// and leaves its answer in Result (0 unless set).
struct TMessage {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
};

using TWndMethod = TMethod<void(TMessage& Message)>;

// A message-only window of the calling thread: it receives posts and sends,
// but broadcasts and FindWindowA pass it by.
HWND AllocateHWnd(TWndMethod method);
void DeallocateHWnd(HWND window);
// Lets broadcasts reach a message window, as they reach the platform's
// hidden utility windows: posts to HWND_BROADCAST from this process and
// from every other one. It stays hidden otherwise (FindWindowA passes it
// by, other processes cannot address it until given its handle).
BOOL HearBroadcasts(HWND window);

// A top-level window of the calling thread with a class name and a title, as
// a form is: FindWindowA finds it and broadcasts reach it. Destroyed with
// DestroyWindow.
HWND CreateTopLevelWindow(LPCSTR className, LPCSTR windowName, TWndMethod method);

// Leaves a post with the process that owns `window`, which that process
// makes itself should this one leave the session bus without taking it
// back: how a peer hears that this process was killed. One per window (a
// later one replaces it). Nothing to leave for a window of this process,
// which ends with it: TRUE. FALSE for a window that does not exist.
BOOL PostMessageOnExit(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL CancelPostMessageOnExit(HWND window);

// The program a process shows the other processes of the session as its
// own (by default its executable): a player that is reached through a link
// names the link, beside which its settings file lies.
void PublishProgramPath(const std::string& path);
// The program path that the process owning `window` shows; empty when the
// window or its process is not known.
std::string ProgramPathOfWindow(HWND window);

// A descriptor that polls readable once a message arrives in the calling
// thread's queue, until ProcessMessages next runs: for a loop that waits on
// other descriptors too (a terminal's keys) and is to answer at once.
int MessageQueueWakeFd();

// Dispatches the calling thread's messages until its queue is empty, the
// ones posted while it runs included, as the component library's
// Application.ProcessMessages does. A WM_QUIT stops it and stays queued for
// the thread's GetMessageA loop.
void ProcessMessages();

// Whether the program that started this one waits until its message loop
// is first idle (WaitForInputIdle), as a client starting the player does;
// false once the loop was idle, and for a program started otherwise.
bool StarterAwaitsIdle();
