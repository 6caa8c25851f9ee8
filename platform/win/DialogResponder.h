// Who answers the platform's dialogs. Every message box, message dialog and
// beep goes to the one current responder: tests put in one that answers
// from a script and records what was asked; programs keep the default, a
// terminal responder on standard input and standard error.
#pragma once

#include <ostream>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/vcl/Dialogs.h"
#include "platform/win/Windows.h"

class TDialogResponder {
 public:
  virtual ~TDialogResponder();
  // Returns IDOK, IDCANCEL, IDYES, IDNO, ... for a box of MB_ flags.
  virtual int MessageBox(const std::string& text, const std::string& caption, UINT flags) = 0;
  // Returns a modal result, mrOk, mrYes, ...
  virtual int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons,
                         int helpContext) = 0;
  virtual void Beep(UINT type) = 0;
};

// Makes `responder` (not owned; null for the default one) answer from now
// on and returns the one that answered until now.
TDialogResponder* SetDialogResponder(TDialogResponder* responder);
TDialogResponder& DialogResponder();

// Writes each dialog to `output`: its caption, its text and its buttons.
// When interactive, it then asks on `input` (a descriptor) for the letter
// of a button, "[Y]es/[N]o/[C]ancel?", an empty line choosing the default
// button; while it waits, the thread's messages keep being dispatched, as
// under a modal dialog. When not interactive, or when the input ends, it
// takes the default button: the one the MB_DEFBUTTON flags name, and for a
// message dialog OK, else Yes, else the first button. A message dialog
// without buttons to press ends as cancelled. A beep is a bell character,
// written only when interactive.
class TTerminalResponder : public TDialogResponder {
 public:
  TTerminalResponder(int input, std::ostream& output, bool interactive);

  int MessageBox(const std::string& text, const std::string& caption, UINT flags) override;
  int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons,
                 int helpContext) override;
  void Beep(UINT type) override;

 private:
  struct TChoice {
    const char* Label;
    char Key;
    int Result;
  };
  int Ask(const std::string& caption, const std::string& text, const std::vector<TChoice>& choices,
          std::size_t defaultChoice);
  bool ReadLine(std::string& line);

  int FInput;
  std::ostream& FOutput;
  bool FInteractive;
};
