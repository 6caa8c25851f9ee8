#include <gtest/gtest.h>

#include <string>

#include "platform/com/ComBase.h"
#include "platform/win/LastError.h"
#include "platform/win/SystemMessage.h"

namespace {

constexpr DWORD kSystemAllocating = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER;

struct TSystemText {
  DWORD Length;
  std::string Text;
  DWORD Error;
};

// Asks exactly as the host link's result report does, and frees the buffer.
TSystemText AskSystem(DWORD code) {
  char* buffer = reinterpret_cast<char*>(&buffer);
  SetLastError(ERROR_SUCCESS);
  static_assert(MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT) == 0x400);
  const DWORD length =
      FormatMessageA(kSystemAllocating, nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                     reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
  TSystemText result{length, buffer == nullptr ? std::string() : std::string(buffer),
                     GetLastError()};
  EXPECT_EQ(LocalFree(buffer), nullptr);
  return result;
}

TEST(FormatMessage, GivesTheSystemTextOfCommonResultsWithItsLineBreak) {
  const struct {
    HRESULT Code;
    const char* Text;
  } expected[] = {
      {E_NOINTERFACE, "No such interface supported\r\n"},
      {E_POINTER, "Invalid pointer\r\n"},
      {E_NOTIMPL, "Not implemented\r\n"},
      {E_UNEXPECTED, "Catastrophic failure\r\n"},
      {E_OUTOFMEMORY, "Not enough storage is available to complete this operation.\r\n"},
      {E_INVALIDARG, "The parameter is incorrect.\r\n"},
      {REGDB_E_CLASSNOTREG, "Class not registered\r\n"},
      {CO_E_NOTINITIALIZED, "CoInitialize has not been called.\r\n"},
      {RPC_E_DISCONNECTED, "The object invoked has disconnected from its clients.\r\n"},
  };
  for (const auto& [code, text] : expected) {
    const TSystemText answer = AskSystem(static_cast<DWORD>(code));
    EXPECT_EQ(answer.Text, text) << std::hex << code;
    EXPECT_EQ(answer.Length, answer.Text.size()) << "the length leaves out the terminating zero";
  }
}

TEST(FormatMessage, Win32CodesAndTheirResultFormShareOneText) {
  EXPECT_EQ(AskSystem(ERROR_ACCESS_DENIED).Text, "Access is denied.\r\n");
  EXPECT_EQ(AskSystem(static_cast<DWORD>(E_ACCESSDENIED)).Text, "Access is denied.\r\n");
  EXPECT_EQ(AskSystem(ERROR_FILE_NOT_FOUND).Text, "The system cannot find the file specified.\r\n");
}

TEST(FormatMessage, UnknownCodeGivesNoTextAndNoBuffer) {
  const TSystemText answer = AskSystem(0x80040200);
  EXPECT_EQ(answer.Length, 0u);
  EXPECT_EQ(answer.Text, "") << "the out-pointer is cleared";
  EXPECT_EQ(answer.Error, ERROR_MR_MID_NOT_FOUND);
  EXPECT_EQ(AskSystem(0x80070000 | 9999).Length, 0u) << "an unknown Win32 code in result form";
  // The host link's reports rely on the unspecified error having no text.
  EXPECT_EQ(AskSystem(static_cast<DWORD>(E_FAIL)).Length, 0u);
}

TEST(FormatMessage, CopiesIntoTheCallersBufferWhenItIsLargeEnough) {
  char buffer[32];
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(E_POINTER), 0,
                           buffer, sizeof buffer, nullptr),
            17u);
  EXPECT_STREQ(buffer, "Invalid pointer\r\n");

  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(E_POINTER), 0,
                           buffer, 17, nullptr),
            0u)
      << "no room for the terminating zero";
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST(FormatMessage, OnlySystemTextsExist) {
  char buffer[32];
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, static_cast<DWORD>(E_FAIL), 0,
                           buffer, 0, nullptr),
            0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(LocalMemory, FreeingReturnsNullAndZeroInitWorks) {
  const HLOCAL zeroed = LocalAlloc(LPTR, 16);
  ASSERT_NE(zeroed, nullptr);
  EXPECT_EQ(std::string(static_cast<const char*>(zeroed), 16), std::string(16, '\0'));
  EXPECT_EQ(LocalFree(zeroed), nullptr);
  EXPECT_EQ(LocalFree(nullptr), nullptr);
}

}  // namespace
