#include "platform/vcl/Dialogs.h"

#include "platform/win/DialogResponder.h"

int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) {
  return DialogResponder().MessageDlg(Msg, DlgType, Buttons, HelpCtx);
}
