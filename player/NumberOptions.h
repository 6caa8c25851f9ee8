// Checks for the whole-number options of the command line that say in
// words what was expected ("--hop: 0 is not a positive number of frames"),
// and the one-line answer to a command that does not exist.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <limits>
#include <string>

namespace kivo {

inline constexpr std::int64_t kNoUpperBound = std::numeric_limits<std::int64_t>::max();

// Accepts a decimal whole number from `least` to `most`; anything else is
// refused with "<text> is not <expected>", followed by the range unless
// `expected` says it (a lower bound of 1 without an upper one: "positive").
CLI::Validator WholeNumber(std::int64_t least, std::int64_t most, const std::string& expected);

// The 32-bit range, for options the plug-in takes as they come.
CLI::Validator AnyInt32(const std::string& expected);

// The failure message of the program: one line, "kivo: ... (try --help)";
// a word where a command belongs is named as an unknown command, with the
// commands there are.
std::string OneLineFailure(const CLI::App* app, const CLI::Error& error);

}  // namespace kivo
