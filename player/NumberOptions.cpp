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

std::string OneLineFailure(const CLI::App* app, const CLI::Error& error) {
  // Words left over at the top, with no command chosen: the first was
  // meant as one.
  if (app->get_parent() == nullptr && app->get_subcommands().empty()) {
    const std::string commands = CommandNames(*app);
    for (const std::string& word : app->remaining()) {
      if (word.starts_with('-')) continue;
      return "kivo: unknown command '" + word + "' (commands: " + commands + "; try --help)\n";
    }
    if (error.get_name() == "RequiredError")
      return "kivo: a command is required (commands: " + commands + "; try --help)\n";
  }
  return std::string("kivo: ") + error.what() + " (try --help)\n";
}

}  // namespace kivo
