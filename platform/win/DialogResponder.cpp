#include "platform/win/DialogResponder.h"

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <iostream>

#include "platform/win/Messages.h"

TDialogResponder::~TDialogResponder() = default;

namespace {

// How long the terminal responder waits for input before it dispatches the
// thread's messages again.
constexpr int kPumpIntervalMs = 20;

std::atomic<TDialogResponder*> gResponder{nullptr};

TDialogResponder& DefaultResponder() {
  static TTerminalResponder responder(STDIN_FILENO, std::cerr, isatty(STDIN_FILENO) != 0);
  return responder;
}

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// "Yes" with key 'Y' reads "[Y]es"; "Continue" with key 'o', "C[o]ntinue".
std::string Marked(const char* label, char key) {
  std::string text(label);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (Lower(text[i]) == Lower(key)) return text.substr(0, i) + "[" + text[i] + "]" + text.substr(i + 1);
  }
  return text;
}

const char* CaptionOf(TMsgDlgType type) {
  switch (type) {
    case mtWarning:
      return "Warning";
    case mtError:
      return "Error";
    case mtInformation:
      return "Information";
    case mtConfirmation:
      return "Confirm";
    case mtCustom:
      break;
  }
  return program_invocation_short_name;
}

}  // namespace

TDialogResponder* SetDialogResponder(TDialogResponder* responder) {
  TDialogResponder* previous = gResponder.exchange(responder);
  return previous != nullptr ? previous : &DefaultResponder();
}

TDialogResponder& DialogResponder() {
  TDialogResponder* responder = gResponder.load();
  return responder != nullptr ? *responder : DefaultResponder();
}

TTerminalResponder::TTerminalResponder(int input, std::ostream& output, bool interactive)
    : FInput(input), FOutput(output), FInteractive(interactive) {}

int TTerminalResponder::MessageBox(const std::string& text, const std::string& caption,
                                   UINT flags) {
  static const std::vector<TChoice> kButtons[] = {
      {{"OK", 'O', IDOK}},
      {{"OK", 'O', IDOK}, {"Cancel", 'C', IDCANCEL}},
      {{"Abort", 'A', IDABORT}, {"Retry", 'R', IDRETRY}, {"Ignore", 'I', IDIGNORE}},
      {{"Yes", 'Y', IDYES}, {"No", 'N', IDNO}, {"Cancel", 'C', IDCANCEL}},
      {{"Yes", 'Y', IDYES}, {"No", 'N', IDNO}},
      {{"Retry", 'R', IDRETRY}, {"Cancel", 'C', IDCANCEL}},
      {{"Cancel", 'C', IDCANCEL}, {"Try Again", 'T', IDTRYAGAIN}, {"Continue", 'O', IDCONTINUE}},
  };
  const std::vector<TChoice>& choices = kButtons[(flags & MB_TYPEMASK) % std::size(kButtons)];
  const std::size_t named = (flags & MB_DEFMASK) >> 8;
  return Ask(caption, text, choices, named < choices.size() ? named : 0);
}

int TTerminalResponder::MessageDlg(const std::string& text, TMsgDlgType type,
                                   TMsgDlgButtons buttons, int) {
  static const TChoice kButtons[] = {
      {"Yes", 'Y', mrYes},          {"No", 'N', mrNo},
      {"OK", 'O', mrOk},            {"Cancel", 'C', mrCancel},
      {"Abort", 'A', mrAbort},      {"Retry", 'R', mrRetry},
      {"Ignore", 'I', mrIgnore},    {"All", 'L', mrAll},
      {"No to All", 'T', mrNoToAll}, {"Yes to All", 'E', mrYesToAll},
  };
  std::vector<TChoice> choices;
  std::size_t defaultChoice = 0;
  for (int button = mbYes; button <= mbYesToAll; ++button) {
    if (!buttons.Contains(static_cast<TMsgDlgBtn>(button))) continue;
    if (button == mbOK || (button == mbYes && !buttons.Contains(mbOK))) defaultChoice = choices.size();
    choices.push_back(kButtons[button]);
  }
  if (choices.empty()) {
    FOutput << CaptionOf(type) << "\n" << text << "\n";
    return mrCancel;
  }
  return Ask(CaptionOf(type), text, choices, defaultChoice);
}

void TTerminalResponder::Beep(UINT) {
  if (FInteractive) FOutput << '\a' << std::flush;
}

int TTerminalResponder::Ask(const std::string& caption, const std::string& text,
                            const std::vector<TChoice>& choices, std::size_t defaultChoice) {
  FOutput << caption << "\n" << text << "\n";
  std::string prompt;
  for (const TChoice& choice : choices) {
    prompt += (prompt.empty() ? "" : "/") + Marked(choice.Label, choice.Key);
  }
  prompt += "? ";
  const TChoice& fallback = choices[defaultChoice];
  for (;;) {
    FOutput << prompt << std::flush;
    std::string line;
    if (!FInteractive || !ReadLine(line)) {
      FOutput << fallback.Label << "\n" << std::flush;
      return fallback.Result;
    }
    const std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) return fallback.Result;
    for (const TChoice& choice : choices) {
      if (Lower(line[first]) == Lower(choice.Key)) return choice.Result;
    }
  }
}

// Reads up to the end of the line, keeping the thread's messages moving
// while nothing has been typed.
bool TTerminalResponder::ReadLine(std::string& line) {
  for (;;) {
    pollfd input{FInput, POLLIN, 0};
    const int ready = poll(&input, 1, kPumpIntervalMs);
    if (ready == 0) {
      ProcessMessages();
      continue;
    }
    char c = 0;
    const ssize_t count = ready < 0 ? -1 : read(FInput, &c, 1);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return !line.empty();
    if (c == '\n') return true;
    line += c;
  }
}
