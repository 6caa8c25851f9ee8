// What the manual page and the shell completion read from a CLI11 command:
// its subcommands, its options and what each option's value is.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace kivo {

std::vector<const CLI::App*> SubcommandsOf(const CLI::App& command);
// The options given by name (help and version among them), in the order
// `--help` lists them.
std::vector<const CLI::Option*> NamedOptionsOf(const CLI::App& command);
std::vector<const CLI::Option*> PositionalsOf(const CLI::App& command);

// Every name of the option: "-h", "--help".
std::vector<std::string> NamesOf(const CLI::Option& option);
// An option that must be followed by a value (a flag, or an option whose
// value may be left out, takes none for sure).
bool TakesValue(const CLI::Option& option);
// The values an option is limited to, when a validator lists them.
std::vector<std::string> ChoicesOf(const CLI::Option& option);
// A free text value, which is most often a path.
bool TakesPath(const CLI::Option& option);
// The kind of value without its checks: "TEXT", "INT", "UINT".
std::string ValueKindOf(const CLI::Option& option);

}  // namespace kivo
