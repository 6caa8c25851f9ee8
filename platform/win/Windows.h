// The Windows API as the units use it: window messages, the named mutex,
// starting processes, message boxes and the formatting of reports, together
// with the last error, the code pages and the system texts. Only what the
// units call is here, with the values and results of the platform.
#pragma once

#include <cstdarg>

#include "platform/win/CodePage.h"
#include "platform/win/LastError.h"
#include "platform/win/SystemMessage.h"
#include "platform/win/WinTypes.h"

using LPVOID = void*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using PDWORD_PTR = std::uintptr_t*;

// --- Windows and messages --------------------------------------------------

inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_USER = 0x0400;

inline const HWND HWND_BROADCAST = reinterpret_cast<HWND>(std::uintptr_t{0xFFFF});

inline constexpr UINT SMTO_NORMAL = 0x0000;
inline constexpr UINT SMTO_BLOCK = 0x0001;
inline constexpr UINT SMTO_ABORTIFHUNG = 0x0002;

inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
using LPMSG = MSG*;

// Registered message numbers lie in 0xC000..0xFFFF; the same name, compared
// without regard to ASCII case, gives the same number for the life of the
// process, and in every process of the session (the number follows from the
// name). An empty or null name, or one longer than 255 bytes, gives 0.
UINT RegisterWindowMessageA(LPCSTR name);

// The top-level window of that class (ASCII case ignored) and title (exact,
// ASCII case ignored; null matches any); the newest one when several match,
// this process's before those of other processes on the session bus.
// Message-only windows are never found.
HWND FindWindowA(LPCSTR className, LPCSTR windowName);
BOOL IsWindow(HWND window);
// The process that owns the window, through `processId` (which may be null);
// returns 0 for a window that does not exist, else a non-zero thread number
// (this layer names no threads of other processes: 1 for those).
DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId);
// Only the thread that made a window may destroy it. Its queued messages are
// dropped; sends still waiting for it fail.
BOOL DestroyWindow(HWND window);

// Queues the message on the window's thread, in this process or another on
// the session bus; HWND_BROADCAST queues it for every top-level window.
// Fails for a window that does not exist (or whose process has gone), and
// for a null one: this layer has no messages for a thread without a window.
// A post to another process never waits for it: one that has too many posts
// on their way already refuses more (ERROR_NOT_ENOUGH_QUOTA), and a window
// that its live process no longer has may take one post before it fails.
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Calls the window procedure directly on the window's own thread; from
// another thread, waits until that thread takes the message from its queue
// and returns the procedure's result.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// As SendMessageA, giving up after the time-out (ms) when the window belongs
// to another thread. Returns 0 on failure or time-out, non-zero on success
// with the procedure's result written through `result` (which may be null).
// SMTO_BLOCK: the waiting thread handles no messages sent to it meanwhile.
// SMTO_ABORTIFHUNG: returns at once when the window's thread has not looked
// at its queue for five seconds.
LRESULT SendMessageTimeoutA(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                            UINT timeout, PDWORD_PTR result);
// The default processing: an invisible window has nothing to do, so 0.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Takes the oldest posted message of the calling thread's windows (of
// `window` only, when given; within [filterMin, filterMax] unless both are 0)
// after handling the messages other threads sent to this one.
BOOL PeekMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
// Waits for such a message; returns FALSE for WM_QUIT, TRUE otherwise.
BOOL GetMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax);
LRESULT DispatchMessageA(const MSG* message);
// No keyboard here, so no character messages to make: returns FALSE.
BOOL TranslateMessage(const MSG* message);
// GetMessageA returns FALSE once the thread's other posted messages are done.
void PostQuitMessage(int exitCode);

inline constexpr DWORD QS_ALLINPUT = 0x04FF;
// Only the form without objects: waits until a message is posted or sent
// to the calling thread (WAIT_OBJECT_0, at once when some are already
// waiting) or the time-out (ms) passes (WAIT_TIMEOUT).
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll,
                                DWORD milliseconds, DWORD wakeMask);

// --- Kernel objects --------------------------------------------------------

inline constexpr DWORD INFINITE = 0xFFFFFFFF;
inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
inline constexpr DWORD STILL_ACTIVE = 259;

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

BOOL CloseHandle(HANDLE object);

// A system-wide named marker. The last error is ERROR_ALREADY_EXISTS when
// the name was already open in this or any other process of the user (the
// handle then names the same mutex), ERROR_SUCCESS when it is new. A process
// that ends lets go of its handles. An empty or null name makes an unnamed
// mutex. The attributes are not used.
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name);
// Gives up one level of ownership; fails with ERROR_NOT_OWNER when the
// calling thread does not own the mutex.
BOOL ReleaseMutex(HANDLE mutex);

// --- Processes -------------------------------------------------------------

inline constexpr DWORD STARTF_USESHOWWINDOW = 0x00000001;
inline constexpr DWORD STARTF_USESTDHANDLES = 0x00000100;

inline constexpr WORD SW_HIDE = 0;
inline constexpr WORD SW_SHOWNORMAL = 1;
inline constexpr WORD SW_SHOW = 5;

struct STARTUPINFOA {
  DWORD cb;
  LPSTR lpReserved;
  LPSTR lpDesktop;
  LPSTR lpTitle;
  DWORD dwX;
  DWORD dwY;
  DWORD dwXSize;
  DWORD dwYSize;
  DWORD dwXCountChars;
  DWORD dwYCountChars;
  DWORD dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  LPBYTE lpReserved2;
  HANDLE hStdInput;
  HANDLE hStdOutput;
  HANDLE hStdError;
};
using LPSTARTUPINFOA = STARTUPINFOA*;

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};
using LPPROCESS_INFORMATION = PROCESS_INFORMATION*;

// Starts `applicationName` (no search; relative to the current directory),
// or, when that is null, the first word of the command line searched along
// PATH. The command line is split into the program's arguments by the
// platform's rules (see CommandLine.h); an empty one gives the application
// name alone. `environment` is null (this process's environment) or a block
// of "NAME=value" strings, each ended by a zero, ended by another zero.
// With STARTF_USESTDHANDLES the standard handles must be null, and the
// program gets /dev/null for its standard streams; without it, it shares
// this process's. Creation flags other than 0 are refused
// (ERROR_INVALID_PARAMETER). Handles are not inherited: there is nothing of
// this layer to inherit. Both returned handles must be closed.
BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine,
                    LPSECURITY_ATTRIBUTES processAttributes, LPSECURITY_ATTRIBUTES threadAttributes,
                    BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
                    LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation);

// A started program is idle once its message loop has first found its queue
// empty: this layer's loop then signals the process that started it through
// an inherited pipe. Returns 0 when it is idle, WAIT_TIMEOUT, or WAIT_FAILED
// when the program ended without becoming idle (it never ran a loop of this
// layer) or the handle is not a process of ours.
DWORD WaitForInputIdle(HANDLE process, DWORD milliseconds);
// Waits until a started process ends. Only process handles can be waited
// on: the units never wait on anything else.
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);
BOOL TerminateProcess(HANDLE process, UINT exitCode);
DWORD GetCurrentProcessId();

// --- Message boxes and reports ---------------------------------------------

inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_OKCANCEL = 0x00000001;
inline constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
inline constexpr UINT MB_YESNOCANCEL = 0x00000003;
inline constexpr UINT MB_YESNO = 0x00000004;
inline constexpr UINT MB_RETRYCANCEL = 0x00000005;
inline constexpr UINT MB_CANCELTRYCONTINUE = 0x00000006;
inline constexpr UINT MB_TYPEMASK = 0x0000000F;
inline constexpr UINT MB_ICONHAND = 0x00000010;
inline constexpr UINT MB_ICONERROR = MB_ICONHAND;
inline constexpr UINT MB_ICONQUESTION = 0x00000020;
inline constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
inline constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr UINT MB_ICONASTERISK = 0x00000040;
inline constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr UINT MB_DEFBUTTON1 = 0x00000000;
inline constexpr UINT MB_DEFBUTTON2 = 0x00000100;
inline constexpr UINT MB_DEFBUTTON3 = 0x00000200;
inline constexpr UINT MB_DEFMASK = 0x00000F00;
inline constexpr UINT MB_APPLMODAL = 0x00000000;
inline constexpr UINT MB_SYSTEMMODAL = 0x00001000;
inline constexpr UINT MB_TASKMODAL = 0x00002000;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
inline constexpr int IDTRYAGAIN = 10;
inline constexpr int IDCONTINUE = 11;

// Asks the dialog responder (DialogResponder.h). A null caption is "Error",
// as on the platform. An unknown button set gives 0 and
// ERROR_INVALID_PARAMETER.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
BOOL MessageBeep(UINT type);

// Whether a tracer (a debugger) is attached to this process.
BOOL IsDebuggerPresent();
// Stops in the attached debugger (SIGTRAP); returns at once without one.
void DebugBreak();

// The platform's small formatter: %d %i %u %x %X %c %s %%, with the flags
// '-', '0' and '#', a width and a precision, and the size prefixes 'l' and
// 'h'. Integers are 32-bit as on the platform, 'l' included (LONG). A null
// %s prints "(null)"; an unknown conversion prints its letter.
// wnsprintfA writes at most size - 1 characters and a zero, and returns the
// number of characters written (without the zero), or -1 when size < 1.
int wnsprintfA(LPSTR buffer, int size, LPCSTR format, ...);
int wvnsprintfA(LPSTR buffer, int size, LPCSTR format, va_list arguments);
// The classic forms write at most 1024 characters and a zero: the buffer
// must hold 1025 bytes.
inline constexpr int WSPRINTF_BUFFER_SIZE = 1025;
int wsprintfA(LPSTR buffer, LPCSTR format, ...);
int wvsprintfA(LPSTR buffer, LPCSTR format, va_list arguments);
