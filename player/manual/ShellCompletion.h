// Completion scripts for bash and zsh, made from a CLI11 program's
// commands and options, so that they know every command, every option, the
// values an option is limited to, and where a path belongs.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace kivo {

// Sourced by bash (bash-completion loads it from its completions folder):
// completes `program` through the function _<program>.
std::string BashCompletion(const CLI::App& program);
// An autoloaded zsh completion function, "_<program>".
std::string ZshCompletion(const CLI::App& program);

}  // namespace kivo
