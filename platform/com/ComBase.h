// The component object runtime's basic types: globally unique identifiers,
// result codes and the scalar types of automation.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/win/WinTypes.h"

using ULONG = std::uint32_t;

struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];

  friend constexpr bool operator==(const GUID&, const GUID&) = default;
};

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

namespace com_detail {

constexpr unsigned HexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  throw std::invalid_argument("GUID text has a character that is not a hexadecimal digit");
}

constexpr std::uint32_t HexValue(std::string_view text, std::size_t first, std::size_t digits) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < digits; ++i) value = (value << 4) | HexDigit(text[first + i]);
  return value;
}

}  // namespace com_detail

// Reads a GUID written as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}". In a
// constant expression a malformed text fails to compile.
constexpr GUID StringToGUID(std::string_view text) {
  using com_detail::HexValue;
  if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' || text[14] != '-' ||
      text[19] != '-' || text[24] != '-') {
    throw std::invalid_argument(
        "GUID text is not of the form {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}");
  }
  GUID guid{};
  guid.Data1 = HexValue(text, 1, 8);
  guid.Data2 = static_cast<WORD>(HexValue(text, 10, 4));
  guid.Data3 = static_cast<WORD>(HexValue(text, 15, 4));
  guid.Data4[0] = static_cast<BYTE>(HexValue(text, 20, 2));
  guid.Data4[1] = static_cast<BYTE>(HexValue(text, 22, 2));
  for (std::size_t i = 0; i < 6; ++i)
    guid.Data4[2 + i] = static_cast<BYTE>(HexValue(text, 25 + 2 * i, 2));
  return guid;
}

// The same form that StringToGUID reads, with capital letters.
std::string GUIDToString(REFGUID guid);

inline constexpr GUID GUID_NULL{};

// Result codes: negative is failure.
constexpr HRESULT MakeHResult(std::uint32_t bits) { return static_cast<HRESULT>(bits); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002);
inline constexpr HRESULT E_POINTER = MakeHResult(0x80004003);
inline constexpr HRESULT E_ABORT = MakeHResult(0x80004004);
inline constexpr HRESULT E_FAIL = MakeHResult(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFF);
inline constexpr HRESULT E_ACCESSDENIED = MakeHResult(0x80070005);
inline constexpr HRESULT E_HANDLE = MakeHResult(0x80070006);
inline constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHResult(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHResult(0x80040111);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHResult(0x80040154);
inline constexpr HRESULT CO_E_NOTINITIALIZED = MakeHResult(0x800401F0);
inline constexpr HRESULT CO_E_OBJNOTREG = MakeHResult(0x800401FB);
inline constexpr HRESULT RPC_E_CALL_REJECTED = MakeHResult(0x80010001);
inline constexpr HRESULT RPC_E_SERVERFAULT = MakeHResult(0x80010105);
inline constexpr HRESULT RPC_E_CHANGED_MODE = MakeHResult(0x80010106);
inline constexpr HRESULT RPC_E_DISCONNECTED = MakeHResult(0x80010108);
inline constexpr HRESULT RPC_E_SERVERCALL_RETRYLATER = MakeHResult(0x8001010A);
inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = MakeHResult(0x80020001);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeHResult(0x80020003);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = MakeHResult(0x80020004);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHResult(0x80020005);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = MakeHResult(0x80020006);
inline constexpr HRESULT DISP_E_EXCEPTION = MakeHResult(0x80020009);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeHResult(0x8002000E);

constexpr bool SUCCEEDED(HRESULT result) { return result >= 0; }
constexpr bool FAILED(HRESULT result) { return result < 0; }

// Automation scalars.
using OLECHAR = WCHAR;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using LCID = DWORD;
using DISPID = LONG;
using VARIANT_BOOL = std::int16_t;

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;
