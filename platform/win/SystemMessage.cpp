#include "platform/win/SystemMessage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/win/LastError.h"

namespace {

struct TMessageText {
  DWORD Code;
  std::string_view Text;
};

// Win32 error codes; an HRESULT of the Win32 facility shares its text.
constexpr TMessageText kWin32Texts[] = {
    {0, "The operation completed successfully."},
    {1, "Incorrect function."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough memory resources are available to process this command."},
    {14, "Not enough storage is available to complete this operation."},
    {87, "The parameter is incorrect."},
    {122, "The data area passed to a system call is too small."},
    {183, "Cannot create a file when that file already exists."},
    {258, "The wait operation timed out."},
    {1004, "Invalid flags."},
    {1113, "No mapping for the Unicode character exists in the target multi-byte code page."},
    {1400, "Invalid window handle."},
    {1460, "This operation returned because the timeout period expired."},
    {1816, "Not enough quota is available to process this command."},
};

constexpr TMessageText kHresultTexts[] = {
    {0x80004001, "Not implemented"},
    {0x80004002, "No such interface supported"},
    {0x80004003, "Invalid pointer"},
    {0x80004004, "Operation aborted"},
    {0x8000FFFF, "Catastrophic failure"},
    {0x80010001, "Call was rejected by callee."},
    {0x80010105, "The server threw an exception."},
    {0x80010106, "Cannot change thread mode after it is set."},
    {0x80010108, "The object invoked has disconnected from its clients."},
    {0x8001010A, "The message filter indicated that the application is busy."},
    {0x80020001, "Unknown interface."},
    {0x80020003, "Member not found."},
    {0x80020004, "Parameter not found."},
    {0x80020005, "Type mismatch."},
    {0x80020006, "Unknown name."},
    {0x80020009, "Exception occurred."},
    {0x8002000E, "Invalid number of parameters."},
    {0x80040110, "Class does not support aggregation (or class object is remote)"},
    {0x80040111, "ClassFactory cannot supply requested class"},
    {0x80040154, "Class not registered"},
    {0x800401F0, "CoInitialize has not been called."},
    {0x800401FB, "Object is not registered"},
};

template <std::size_t N>
const TMessageText* Find(const TMessageText (&table)[N], DWORD code) {
  const auto* found =
      std::find_if(std::begin(table), std::end(table),
                   [code](const TMessageText& entry) { return entry.Code == code; });
  return found == std::end(table) ? nullptr : found;
}

constexpr DWORD kWin32FacilityMask = 0xFFFF0000;
constexpr DWORD kWin32Facility = 0x80070000;

const TMessageText* SystemText(DWORD code) {
  if (const TMessageText* text = Find(kHresultTexts, code)) return text;
  if ((code & kWin32FacilityMask) == kWin32Facility) return Find(kWin32Texts, code & 0xFFFF);
  return Find(kWin32Texts, code);
}

DWORD Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

// Copies the text with its line break and a terminating zero to `target`,
// which holds at least text length + 3 bytes.
void WriteText(char* target, std::string_view text) {
  std::memcpy(target, text.data(), text.size());
  std::memcpy(target + text.size(), "\r\n", 3);
}

}  // namespace

HLOCAL LocalAlloc(UINT flags, std::size_t bytes) {
  if ((flags & ~LMEM_ZEROINIT) != 0) return nullptr;
  // Zero bytes still give a distinct block that LocalFree accepts.
  const std::size_t size = std::max<std::size_t>(bytes, 1);
  return (flags & LMEM_ZEROINIT) != 0 ? std::calloc(size, 1) : std::malloc(size);
}

HLOCAL LocalFree(HLOCAL memory) {
  std::free(memory);
  return nullptr;
}

DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD /*languageId*/,
                     LPSTR buffer, DWORD size, va_list* /*arguments*/) {
  const DWORD supported =
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS;
  if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || (flags & ~supported) != 0 || source != nullptr ||
      buffer == nullptr) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  const bool allocate = (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0;
  if (allocate) *reinterpret_cast<LPSTR*>(buffer) = nullptr;

  const TMessageText* text = SystemText(messageId);
  if (text == nullptr) return Fail(ERROR_MR_MID_NOT_FOUND);
  const std::size_t length = text->Text.size() + 2;

  if (allocate) {
    void* memory = LocalAlloc(LMEM_FIXED, std::max<std::size_t>(length + 1, size));
    if (memory == nullptr) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    WriteText(static_cast<char*>(memory), text->Text);
    *reinterpret_cast<LPSTR*>(buffer) = static_cast<LPSTR>(memory);
  } else {
    if (size < length + 1) return Fail(ERROR_INSUFFICIENT_BUFFER);
    WriteText(buffer, text->Text);
  }
  return static_cast<DWORD>(length);
}
