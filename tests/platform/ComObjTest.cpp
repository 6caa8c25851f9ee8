#include <gtest/gtest.h>

#include "platform/com/ComObj.h"

namespace {

TEST(EOleSysError, AnEmptyMessageTakesTheSystemTextAsAPhrase) {
  const EOleSysError error("", E_INVALIDARG, 0);
  EXPECT_EQ(error.Message(), "The parameter is incorrect");
  EXPECT_EQ(error.ErrorCode(), E_INVALIDARG);
  EXPECT_EQ(EOleSysError("", REGDB_E_CLASSNOTREG).Message(), "Class not registered");
}

TEST(EOleSysError, WithoutASystemTextNamesTheCode) {
  EXPECT_EQ(EOleSysError("", MakeHResult(0x80040200)).Message(), "OLE error 80040200");
  EXPECT_EQ(EOleSysError("", MakeHResult(0x00040201)).Message(), "OLE error 00040201");
}

TEST(EOleSysError, AGivenMessageIsKept) {
  EOleSysError error("KIVOControl went away", RPC_E_DISCONNECTED, 7);
  EXPECT_EQ(error.Message(), "KIVOControl went away");
  EXPECT_STREQ(error.what(), "KIVOControl went away");
  EXPECT_EQ(error.HelpContext(), 7);
  error.SetErrorCode(E_FAIL);
  EXPECT_EQ(error.ErrorCode(), E_FAIL);
}

TEST(EOleException, IsCaughtAsASystemErrorWithAllItsDetails) {
  try {
    throw EOleException("intf != 0 failed - Automation.h/12", E_FAIL, "Automation.h", "", 0);
  } catch (const EOleSysError& error) {
    const auto* exception = dynamic_cast<const EOleException*>(&error);
    ASSERT_NE(exception, nullptr);
    EXPECT_EQ(exception->Message(), "intf != 0 failed - Automation.h/12");
    EXPECT_EQ(exception->ErrorCode(), E_FAIL);
    EXPECT_EQ(exception->Source(), "Automation.h");
    EXPECT_EQ(exception->HelpFile(), "");
    EXPECT_EQ(exception->HelpContext(), 0);
  }
}

TEST(OleCheck, PassesSuccessAndRaisesFailure) {
  EXPECT_EQ(OleCheck(S_OK), S_OK);
  EXPECT_EQ(OleCheck(S_FALSE), S_FALSE) << "S_FALSE is a success";
  try {
    OleCheck(E_NOINTERFACE);
    FAIL() << "no exception";
  } catch (const EOleSysError& error) {
    EXPECT_EQ(error.ErrorCode(), E_NOINTERFACE);
    EXPECT_EQ(error.Message(), "No such interface supported");
  }
  EXPECT_THROW(OleCheck(E_FAIL), Exception) << "platform errors share one base";
}

}  // namespace
