// `kivo remote`: drives a running player from another process, as a person
// or a script would, through the host link alone.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>

namespace kivo {

struct TRemoteCommandLine {
  std::string Action;
  std::int32_t Value = 0;
  // notify-user's code, 0 to 65535.
  std::int32_t Code = 0;
  std::optional<std::int32_t> Track;
};

CLI::App* AddRemoteCommand(CLI::App& app, TRemoteCommandLine& commandLine);
// Returns the process's exit status: 0 done, 1 no bus, no player or a
// command the player refused. Values outside the ranges the help gives are
// refused while the command line is read (status 2), before any player is
// reached.
int RunRemoteCommand(const TRemoteCommandLine& commandLine);

}  // namespace kivo
