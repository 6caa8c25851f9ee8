#include "player/NumberOptions.h"

#include <charconv>

namespace kivo {

namespace {

std::string RangeText(std::int64_t least, std::int64_t most) {
  if (most == kNoUpperBound)
    return least == 1 ? std::string() : " (" + std::to_string(least) + " or more)";
  return " from " + std::to_string(least) + " to " + std::to_string(most);
}

std::string HelpText(std::int64_t least, std::int64_t most) {
  if (most == kNoUpperBound) return std::to_string(least) + " or more";
  return std::to_string(least) + " to " + std::to_string(most);
}

bool InRange(const std::string& text, std::int64_t least, std::int64_t most) {
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && stop == end && value >= least && value <= most;
}

// The command the words chose, as deep as they went.
const CLI::App& ChosenCommand(const CLI::App& app) {
  const CLI::App* command = &app;
  while (!command->get_subcommands().empty()) command = command->get_subcommands().front();
  return *command;
}

// "kivo", or "kivo remote" for a command that has commands of its own.
std::string CommandPath(const CLI::App& command) {
  if (command.get_parent() == nullptr) return "kivo";
  return CommandPath(*command.get_parent()) + " " + command.get_name();
}

bool HasCommands(const CLI::App& app) {
  return !app.get_subcommands([](const CLI::App*) { return true; }).empty();
}

std::string CommandNames(const CLI::App& app) {
  std::string names;
  for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
    if (!names.empty()) names += ", ";
    names += command->get_name();
  }
  return names;
}

}  // namespace

CLI::Validator WholeNumber(std::int64_t least, std::int64_t most, const std::string& expected) {
  const std::string refusal = " is not " + expected + RangeText(least, most);
  return CLI::Validator(
      [least, most, refusal](std::string& text) {
        return InRange(text, least, most) ? std::string() : text + refusal;
      },
      HelpText(least, most));
}

CLI::Validator AnyInt32(const std::string& expected) {
  // The whole 32-bit range is no news in the help.
  return WholeNumber(std::numeric_limits<std::int32_t>::min(),
                     std::numeric_limits<std::int32_t>::max(), expected)
      .description("");
}

CLI::Validator Int32From(std::int32_t least, const std::string& expected) {
  const std::string refusal = " is not " + expected + RangeText(least, kNoUpperBound);
  const std::string tooLarge = " is too large for " + expected;
  constexpr std::int64_t most = std::numeric_limits<std::int32_t>::max();
  return CLI::Validator(
      [least, refusal, tooLarge](std::string& text) {
        if (InRange(text, least, most)) return std::string();
        return text + (InRange(text, most + 1, kNoUpperBound) ? tooLarge : refusal);
      },
      HelpText(least, kNoUpperBound));
}

std::string OneLineFailure(const CLI::App* app, const CLI::Error& error) {
  // Words left over where a command belongs, with none chosen: the first
  // was meant as one.
  const CLI::App& chosen = ChosenCommand(*app);
  if (HasCommands(chosen)) {
    const std::string path = CommandPath(chosen);
    const std::string commands = CommandNames(chosen);
    for (const std::string& word : chosen.remaining()) {
      if (word.starts_with('-')) continue;
      return path + ": unknown command '" + word + "' (commands: " + commands + "; try --help)\n";
    }
    if (error.get_name() == "RequiredError")
      return path + ": a command is required (commands: " + commands + "; try --help)\n";
  }
  return std::string("kivo: ") + error.what() + " (try --help)\n";
}

int RefuseCommandLine(const CLI::App& app, const CLI::ParseError& error) {
  const int status = app.exit(error);
  return status == static_cast<int>(CLI::ExitCodes::Success) ? 0 : kUsageStatus;
}

}  // namespace kivo
