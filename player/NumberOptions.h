// Checks for the number and name options of the command line that say in
// words what was expected ("--hop: 0 is not a positive number of frames"),
// the one-line answer to a command that does not exist, and the exit
// status of a refused command line.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kivo {

inline constexpr std::int64_t kNoUpperBound = std::numeric_limits<std::int64_t>::max();

// Accepts a decimal whole number from `least` to `most`; anything else is
// refused with "<text> is not <expected>", followed by the range unless
// `expected` says it (a lower bound of 1 without an upper one: "positive").
CLI::Validator WholeNumber(std::int64_t least, std::int64_t most, const std::string& expected);

// A decimal number above 0, as --seconds takes it: "0 is not <expected>".
CLI::Validator PositiveDecimal(const std::string& expected);

// The 32-bit range, for options the plug-in takes as they come.
CLI::Validator AnyInt32(const std::string& expected);

// From `least` up to the 32-bit limit, which the help leaves out ("0 or
// more"); a number beyond the limit is refused as too large.
CLI::Validator Int32From(std::int32_t least, const std::string& expected);

// Accepts one of `names`; a refusal lists them.
CLI::Validator OneOf(const std::vector<std::string>& names);

// An option that takes one of the names in `choices` and sets `value` to
// the one it names.
template <typename T>
CLI::Option* AddChoice(CLI::App* command, const std::string& name,
                       const std::vector<std::pair<std::string, T>>& choices, T& value,
                       const std::string& help) {
  std::vector<std::string> names;
  for (const auto& choice : choices) names.push_back(choice.first);
  return command
      ->add_option_function<std::string>(
          name,
          [choices, &value](const std::string& text) {
            for (const auto& [choiceName, choice] : choices)
              if (choiceName == text) value = choice;
          },
          help)
      ->check(OneOf(names));
}

// One line on `out` for each of --rec-level and --adjust that is negative:
// the plug-in takes them as they come, so the run goes on, but not as a
// person would expect.
void WarnOfNegativeLevels(std::optional<std::int32_t> recLevel, std::optional<std::int32_t> adjust,
                          std::FILE* out);

// The failure message of the program: one line, "kivo: ... (try --help)";
// an option no command knows is named ("kivo render: unknown option
// '--frobnicate'") before anything else is missing; a word where a command
// belongs (at the top, or after a command that has
// commands of its own, "kivo remote") is named as an unknown command, with
// the commands there are.
std::string OneLineFailure(const CLI::App* app, const CLI::Error& error);

// The exit status of a command line that was refused.
inline constexpr int kUsageStatus = 2;

// Prints what `error` says (the help when it was asked for) and returns the
// exit status: 0 for the help, else kUsageStatus.
int RefuseCommandLine(const CLI::App& app, const CLI::ParseError& error);

}  // namespace kivo
