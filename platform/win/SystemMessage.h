// The system's message texts for error codes, and the local heap that
// hands them out.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "platform/win/WinTypes.h"

using HLOCAL = HANDLE;

inline constexpr UINT LMEM_FIXED = 0x0000;
inline constexpr UINT LMEM_ZEROINIT = 0x0040;
inline constexpr UINT LPTR = LMEM_FIXED | LMEM_ZEROINIT;

// Allocates `bytes` (fixed memory: the handle is the address); null when
// out of memory or for flags other than the two above.
HLOCAL LocalAlloc(UINT flags, std::size_t bytes);
// Frees memory from LocalAlloc; returns null on success (also for null).
HLOCAL LocalFree(HLOCAL memory);

inline constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
inline constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
inline constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;

inline constexpr WORD LANG_NEUTRAL = 0x00;
inline constexpr WORD SUBLANG_DEFAULT = 0x01;
constexpr DWORD MAKELANGID(WORD primary, WORD sub) { return (DWORD{sub} << 10) | primary; }

// The system text of an error code (a Win32 error, or an HRESULT), ending
// in "\r\n", in English whatever the language asked for. Only system texts
// exist here: FORMAT_MESSAGE_FROM_SYSTEM is required, and no text has
// inserts. With FORMAT_MESSAGE_ALLOCATE_BUFFER, `buffer` is really an LPSTR*
// that receives a LocalAlloc'd text of at least `size` bytes; otherwise the
// text and its terminating zero are copied into `buffer` of `size` bytes.
// Returns the text's length without the zero, or 0 with the last error set
// (ERROR_MR_MID_NOT_FOUND for a code without text, ERROR_INSUFFICIENT_BUFFER,
// ERROR_INVALID_PARAMETER).
DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
                     LPSTR buffer, DWORD size, va_list* arguments);
