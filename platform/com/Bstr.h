// Automation strings: UTF-16 text with its length in bytes stored in the
// 32 bits before the first character and a terminating zero after the
// last. A null BSTR is the empty string.
#pragma once

#include <string>
#include <utility>

#include "platform/com/ComBase.h"

using BSTR = OLECHAR*;

// A string of `length` characters copied from `source`, or zeroed when
// `source` is null; null when out of memory.
BSTR SysAllocStringLen(const OLECHAR* source, UINT length);
// A copy of a zero-terminated string; null for null.
BSTR SysAllocString(const OLECHAR* source);
UINT SysStringLen(BSTR text);
void SysFreeString(BSTR text);

// Owns one BSTR and frees it when done; Put receives one from a call.
class TBstr {
 public:
  TBstr() = default;
  explicit TBstr(BSTR adopted) : FText(adopted) {}
  TBstr(const TBstr&) = delete;
  TBstr& operator=(const TBstr&) = delete;
  TBstr(TBstr&& other) noexcept : FText(std::exchange(other.FText, nullptr)) {}
  TBstr& operator=(TBstr&& other) noexcept;
  ~TBstr() { SysFreeString(FText); }

  BSTR Get() const { return FText; }
  UINT Length() const { return SysStringLen(FText); }
  // Gives up ownership to the caller.
  BSTR Detach() { return std::exchange(FText, nullptr); }
  // Frees the string held and gives the address for an out-parameter.
  BSTR* Put();

 private:
  BSTR FText = nullptr;
};

// The 8-bit (ANSI, here UTF-8) form of a BSTR, up to its first zero
// character; a null or empty BSTR gives the empty string.
std::string BstrToString(BSTR text);
// A new BSTR holding the UTF-16 form of an 8-bit (ANSI) string, all of it.
TBstr StringToBstr(const std::string& text);
