// A dialog responder for tests: it answers from a script and writes down
// every dialog it was shown. Installed for its own lifetime.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "platform/win/DialogResponder.h"

namespace dialog_test {

struct TShown {
  enum class TKind { Box, Dialog, Beep };
  TKind Kind;
  std::string Text;
  std::string Caption;
  UINT Flags = 0;
  TMsgDlgType Type = mtCustom;
  TMsgDlgButtons Buttons;
  int HelpContext = 0;
};

class TScriptedResponder : public TDialogResponder {
 public:
  TScriptedResponder() : FPrevious(SetDialogResponder(this)) {}
  ~TScriptedResponder() override {
    SetDialogResponder(FPrevious);
    EXPECT_TRUE(Answers.empty()) << Answers.size() << " scripted answers were not asked for";
  }
  TScriptedResponder(const TScriptedResponder&) = delete;
  TScriptedResponder& operator=(const TScriptedResponder&) = delete;

  int MessageBox(const std::string& text, const std::string& caption, UINT flags) override {
    Shown.push_back({TShown::TKind::Box, text, caption, flags, mtCustom, {}, 0});
    return NextAnswer();
  }
  int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons,
                 int helpContext) override {
    Shown.push_back({TShown::TKind::Dialog, text, "", 0, type, buttons, helpContext});
    return NextAnswer();
  }
  void Beep(UINT type) override { Shown.push_back({TShown::TKind::Beep, "", "", type, mtCustom, {}, 0}); }

  std::deque<int> Answers;
  std::vector<TShown> Shown;

 private:
  int NextAnswer() {
    if (Answers.empty()) {
      ADD_FAILURE() << "a dialog was shown that the script did not expect";
      return 0;
    }
    const int answer = Answers.front();
    Answers.pop_front();
    return answer;
  }

  TDialogResponder* FPrevious;
};

}  // namespace dialog_test
