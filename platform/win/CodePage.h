// Conversions between UTF-16 and 8-bit text. The ANSI code page of this
// system is UTF-8, so CP_ACP and CP_UTF8 convert the same way; they differ
// only in the default-character arguments, which UTF-8 proper refuses.
#pragma once

#include "platform/win/WinTypes.h"

inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_UTF8 = 65001;

inline constexpr DWORD MB_PRECOMPOSED = 0x00000001;
inline constexpr DWORD MB_ERR_INVALID_CHARS = 0x00000008;

inline constexpr DWORD WC_ERR_INVALID_CHARS = 0x00000080;
inline constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x00000400;

// Converts srcLen UTF-16 units (-1: up to and including the terminating
// zero) to 8-bit text. With dstLen 0 it returns the bytes needed and writes
// nothing; otherwise the bytes written, or 0 with the last error set
// (ERROR_INSUFFICIENT_BUFFER, ERROR_NO_UNICODE_TRANSLATION with
// WC_ERR_INVALID_CHARS, ERROR_INVALID_PARAMETER, ERROR_INVALID_FLAGS).
// A lone surrogate becomes U+FFFD, or under CP_ACP the default character
// when one is given, and sets *usedDefaultChar.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLen, LPSTR dst, int dstLen,
                        LPCSTR defaultChar, BOOL* usedDefaultChar);

// Converts srcLen bytes (-1: up to and including the terminating zero) to
// UTF-16, with the same size and failure conventions. Each maximal invalid
// subpart of the input becomes one U+FFFD, unless MB_ERR_INVALID_CHARS asks
// for failure with ERROR_NO_UNICODE_TRANSLATION.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst, int dstLen);
