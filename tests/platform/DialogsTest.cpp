#include <gtest/gtest.h>

#include <unistd.h>

#include <sstream>
#include <string>

#include "platform/vcl/Dialogs.h"
#include "platform/win/Messages.h"
#include "tests/platform/ScriptedResponder.h"

namespace {

using dialog_test::TScriptedResponder;
using dialog_test::TShown;

// --- Scripted answers -------------------------------------------------------------

TEST(MessageBoxTest, AnswersComeFromTheResponderWithEveryTextCaptionAndFlag) {
  TScriptedResponder responder;
  responder.Answers = {IDYES, IDNO, IDCANCEL};
  const UINT report = MB_YESNOCANCEL | MB_ICONQUESTION | MB_TASKMODAL;
  ASSERT_EQ(report, 0x2023u);
  EXPECT_EQ(MessageBoxA(nullptr, "intf != 0 @ Kivo.h/10\nPress [Y]es", "_ASSERTE: ", report), IDYES);
  EXPECT_EQ(MessageBoxA(nullptr, "second", "HRCHECK: ", report), IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_OK), IDCANCEL);

  ASSERT_EQ(responder.Shown.size(), 3u);
  EXPECT_EQ(responder.Shown[0].Kind, TShown::TKind::Box);
  EXPECT_EQ(responder.Shown[0].Text, "intf != 0 @ Kivo.h/10\nPress [Y]es");
  EXPECT_EQ(responder.Shown[0].Caption, "_ASSERTE: ");
  EXPECT_EQ(responder.Shown[0].Flags, 0x2023u);
  EXPECT_EQ(responder.Shown[1].Caption, "HRCHECK: ");
  EXPECT_EQ(responder.Shown[2].Text, "");
  EXPECT_EQ(responder.Shown[2].Caption, "Error") << "the platform's caption when none is given";
}

TEST(MessageBoxTest, UnknownButtonSetIsRefusedWithoutAsking) {
  TScriptedResponder responder;
  EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", 7), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(responder.Shown.empty());
}

TEST(MessageDlgTest, TypeButtonsAndHelpContextReachTheResponder) {
  TScriptedResponder responder;
  responder.Answers = {mrOk, mrCancel};
  const std::string refusal = "このバージョンのKIVOには対応していません\n対応版をお使いください";
  EXPECT_EQ(MessageDlg(refusal, mtWarning, {mbOK}, 0), mrOk);
  EXPECT_EQ(MessageDlg("KIVOControl Create Instance Error[80040154]", mtError, mbOKCancel, 12), mrCancel);

  ASSERT_EQ(responder.Shown.size(), 2u);
  EXPECT_EQ(responder.Shown[0].Kind, TShown::TKind::Dialog);
  EXPECT_EQ(responder.Shown[0].Text, refusal);
  EXPECT_EQ(responder.Shown[0].Type, mtWarning);
  EXPECT_EQ(responder.Shown[0].Buttons, TMsgDlgButtons{mbOK});
  EXPECT_EQ(responder.Shown[1].Type, mtError);
  EXPECT_TRUE(responder.Shown[1].Buttons.Contains(mbCancel));
  EXPECT_FALSE(responder.Shown[1].Buttons.Contains(mbYes));
  EXPECT_EQ(responder.Shown[1].HelpContext, 12);
}

TEST(MessageBeepTest, BeepReachesTheResponderWithItsType) {
  TScriptedResponder responder;
  EXPECT_TRUE(MessageBeep(MB_ICONEXCLAMATION));
  ASSERT_EQ(responder.Shown.size(), 1u);
  EXPECT_EQ(responder.Shown[0].Kind, TShown::TKind::Beep);
  EXPECT_EQ(responder.Shown[0].Flags, 0x30u);
}

TEST(DialogResponderTest, ReplacingTheResponderReturnsThePreviousOne) {
  TDialogResponder& standard = DialogResponder();
  {
    TScriptedResponder outer;
    EXPECT_EQ(&DialogResponder(), &outer);
    {
      TScriptedResponder inner;
      EXPECT_EQ(&DialogResponder(), &inner);
    }
    EXPECT_EQ(&DialogResponder(), &outer);
  }
  EXPECT_EQ(&DialogResponder(), &standard);
  EXPECT_EQ(SetDialogResponder(nullptr), &standard);
}

// --- The terminal responder -----------------------------------------------------------

// A terminal responder reading typed lines from a pipe.
class TerminalResponderTest : public ::testing::Test {
 protected:
  TerminalResponderTest() {
    int ends[2];
    EXPECT_EQ(pipe(ends), 0);
    FRead = ends[0];
    FWrite = ends[1];
  }
  ~TerminalResponderTest() override {
    close(FRead);
    if (FWrite >= 0) close(FWrite);
  }

  void Type(const std::string& text) {
    EXPECT_EQ(write(FWrite, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  void EndInput() {
    close(FWrite);
    FWrite = -1;
  }

  std::ostringstream Output;
  int FRead = -1;
  int FWrite = -1;
};

TEST_F(TerminalResponderTest, WithoutTerminalTheDefaultButtonAnswers) {
  TTerminalResponder responder(FRead, Output, false);
  EXPECT_EQ(responder.MessageBox("text", "HRCHECK: ", MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(responder.MessageBox("text", "HRCHECK: ", 0x2023), IDYES);
  EXPECT_EQ(responder.MessageBox("text", "caption", MB_OKCANCEL | MB_DEFBUTTON3), IDOK)
      << "a default beyond the buttons falls back to the first";
  EXPECT_EQ(responder.MessageDlg("text", mtError, {mbOK}, 0), mrOk);
  EXPECT_EQ(responder.MessageDlg("text", mtConfirmation, mbYesNoCancel, 0), mrYes);
  EXPECT_EQ(responder.MessageDlg("text", mtWarning, {mbCancel, mbOK}, 0), mrOk);
  EXPECT_EQ(responder.MessageDlg("text", mtWarning, mbAbortRetryIgnore, 0), mrAbort);
  EXPECT_EQ(responder.MessageDlg("text", mtWarning, {}, 0), mrCancel);
  responder.Beep(MB_ICONEXCLAMATION);
  EXPECT_EQ(Output.str().find('\a'), std::string::npos);
  EXPECT_NE(Output.str().find("HRCHECK: \ntext\n[Y]es/[N]o/[C]ancel? No\n"), std::string::npos)
      << Output.str();
  EXPECT_NE(Output.str().find("Error\ntext\n[O]K? OK\n"), std::string::npos) << Output.str();
}

TEST_F(TerminalResponderTest, OnATerminalTheTypedLetterAnswers) {
  TTerminalResponder responder(FRead, Output, true);
  Type("x\n  c\n");
  EXPECT_EQ(responder.MessageBox("text", "caption", MB_YESNOCANCEL), IDCANCEL);
  EXPECT_NE(Output.str().find("[Y]es/[N]o/[C]ancel? [Y]es/[N]o/[C]ancel? "), std::string::npos)
      << "an unknown letter asks again: " << Output.str();

  Type("o\nT\n\n");
  EXPECT_EQ(responder.MessageBox("text", "caption", MB_CANCELTRYCONTINUE), IDCONTINUE);
  EXPECT_EQ(responder.MessageBox("text", "caption", MB_CANCELTRYCONTINUE), IDTRYAGAIN);
  EXPECT_EQ(responder.MessageBox("text", "caption", MB_YESNO | MB_DEFBUTTON2), IDNO)
      << "an empty line takes the default";
  EXPECT_NE(Output.str().find("[C]ancel/[T]ry Again/C[o]ntinue? "), std::string::npos);

  Type("e\n");
  EXPECT_EQ(responder.MessageDlg("text", mtConfirmation, mbYesAllNoAllCancel, 0), mrYesToAll);
  EXPECT_NE(Output.str().find("Confirm\ntext\n[Y]es/[N]o/[C]ancel/No [t]o All/Y[e]s to All? "), std::string::npos)
      << Output.str();

  EndInput();
  EXPECT_EQ(responder.MessageDlg("text", mtWarning, {mbNo, mbYes}, 0), mrYes)
      << "ended input takes the default";
  responder.Beep(0);
  EXPECT_NE(Output.str().find('\a'), std::string::npos);
}

// A window procedure that types the answer once it has run: the answer can
// only arrive if the waiting dialog dispatches the thread's messages.
class TTypist {
 public:
  explicit TTypist(int output) : FOutput(output) {}
  void WndProc(TMessage& message) {
    ++Calls;
    if (message.Msg == WM_USER) {
      EXPECT_EQ(write(FOutput, "n\n", 2), 2);
    }
  }
  int Calls = 0;

 private:
  int FOutput;
};

TEST_F(TerminalResponderTest, MessagesAreDispatchedWhileTheDialogWaits) {
  TTypist typist(FWrite);
  const HWND window = AllocateHWnd(TWndMethod(&typist, &TTypist::WndProc));
  PostMessageA(window, WM_USER, 0, 0);
  TTerminalResponder responder(FRead, Output, true);
  EXPECT_EQ(responder.MessageBox("text", "caption", MB_YESNO), IDNO);
  EXPECT_EQ(typist.Calls, 1);
  DeallocateHWnd(window);
}

// --- Debugger ---------------------------------------------------------------------

TEST(DebugBreakTest, ReturnsWhenNoDebuggerIsAttached) {
  ASSERT_FALSE(IsDebuggerPresent()) << "run without a debugger";
  DebugBreak();  // with a trap instead, the test program would end here
}

}  // namespace
