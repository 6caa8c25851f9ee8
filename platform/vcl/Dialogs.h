// The component library's message dialog. Like every dialog of the
// platform it is answered by the dialog responder (DialogResponder.h).
#pragma once

#include <initializer_list>
#include <string>

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn {
  mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp
};

// A set of buttons, written as the library's sets are: {mbYes, mbNo}.
class TMsgDlgButtons {
 public:
  constexpr TMsgDlgButtons() = default;
  constexpr TMsgDlgButtons(std::initializer_list<TMsgDlgBtn> buttons) {
    for (const TMsgDlgBtn button : buttons) FBits |= Bit(button);
  }

  constexpr bool Contains(TMsgDlgBtn button) const { return (FBits & Bit(button)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  friend constexpr bool operator==(TMsgDlgButtons, TMsgDlgButtons) = default;

 private:
  static constexpr unsigned Bit(TMsgDlgBtn button) { return 1u << static_cast<unsigned>(button); }
  unsigned FBits = 0;
};

inline constexpr TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline constexpr TMsgDlgButtons mbYesAllNoAllCancel{mbYes, mbYesToAll, mbNo, mbNoToAll, mbCancel};
inline constexpr TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline constexpr TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};
inline constexpr TMsgDlgButtons mbAbortIgnore{mbAbort, mbIgnore};

// The modal results a dialog ends with.
using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrAll = 8;
inline constexpr TModalResult mrNoToAll = 9;
inline constexpr TModalResult mrYesToAll = 10;

// Shows the message with the type's caption and the buttons; returns the
// modal result of the button chosen.
int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
