// The manual page of a CLI11 program, in roff (man(7)), made from the same
// commands and options that its `--help` prints: a section for each
// command, a subsection for each of its own subcommands.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace kivo {

struct TManualPageHead {
  std::string Name;
  std::string Version;
  std::string Summary;
  // Closing sections, already in roff.
  std::string Tail;
};

std::string ManualPage(const CLI::App& program, const TManualPageHead& head);

}  // namespace kivo
