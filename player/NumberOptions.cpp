#include "player/NumberOptions.h"

#include <algorithm>
#include <charconv>
#include <cmath>

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

// Digits beyond what 64 bits hold, which "is not a positive number" would
// leave the person wondering about.
bool BeyondInt64(const std::string& text) {
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc::result_out_of_range && stop == end && !text.starts_with('-');
}

bool InRange(const std::string& text, std::int64_t least, std::int64_t most) {
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && stop == end && value >= least && value <= most;
}

// "--frobnicate", not "-" (standard input) nor a negative number.
bool LooksLikeOption(const std::string& word) {
  return word.size() > 1 && word.starts_with('-') && !(word[1] >= '0' && word[1] <= '9');
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
  const std::string tooLarge = " is too large for " + expected;
  return CLI::Validator(
      [least, most, refusal, tooLarge](std::string& text) {
        if (InRange(text, least, most)) return std::string();
        return text + (most == kNoUpperBound && BeyondInt64(text) ? tooLarge : refusal);
      },
      HelpText(least, most));
}

CLI::Validator PositiveDecimal(const std::string& expected) {
  const std::string refusal = " is not " + expected;
  return CLI::Validator(
      [refusal](std::string& text) {
        double value = 0;
        const char* end = text.data() + text.size();
        const auto [stop, error] = std::from_chars(text.data(), end, value);
        const bool positive =
            error == std::errc() && stop == end && std::isfinite(value) && value > 0;
        return positive ? std::string() : text + refusal;
      },
      "more than 0");
}

void WarnOfNegativeLevels(std::optional<std::int32_t> recLevel, std::optional<std::int32_t> adjust,
                          std::FILE* out) {
  // The gain turns each sample over; the magnitudes, and so the bars, are
  // those of the positive level.
  if (recLevel && *recLevel < 0)
    std::fprintf(out,
                 "kivo: --rec-level %d is negative: the samples are turned over, which the bars "
                 "show as --rec-level %lld\n",
                 *recLevel, -static_cast<long long>(*recLevel));
  if (adjust && *adjust < 0)
    std::fprintf(out,
                 "kivo: --adjust %d is negative: every level falls below 0, so the bars stay "
                 "empty\n",
                 *adjust);
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

CLI::Validator OneOf(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
  return CLI::Validator(
      [names, refusal = " is not one of " + list](std::string& text) {
        const bool known = std::find(names.begin(), names.end(), text) != names.end();
        return known ? std::string() : text + refusal;
      },
      "");
}

std::string OneLineFailure(const CLI::App* app, const CLI::Error& error) {
  const CLI::App& chosen = ChosenCommand(*app);
  const std::string path = CommandPath(chosen);
  // Words left over where a command belongs, with none chosen: the first
  // was meant as one.
  if (HasCommands(chosen)) {
    for (const std::string& word : chosen.remaining()) {
      if (word.starts_with('-')) continue;
      return path + ": unknown command '" + word + "' (commands: " + CommandNames(chosen) +
             "; try --help)\n";
    }
  }
  // Before what is missing: "--png is required" would hide a mistyped
  // option.
  for (const std::string& word : chosen.remaining()) {
    if (LooksLikeOption(word)) return path + ": unknown option '" + word + "' (try --help)\n";
  }
  if (HasCommands(chosen) && error.get_name() == "RequiredError")
    return path + ": a command is required (commands: " + CommandNames(chosen) + "; try --help)\n";
  return std::string("kivo: ") + error.what() + " (try --help)\n";
}

int RefuseCommandLine(const CLI::App& app, const CLI::ParseError& error) {
  const int status = app.exit(error);
  return status == static_cast<int>(CLI::ExitCodes::Success) ? 0 : kUsageStatus;
}

}  // namespace kivo
