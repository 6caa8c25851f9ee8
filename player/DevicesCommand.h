// `kivo devices`: the sound server's capture and playback devices, one a
// line, for choosing what `--capture` records.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdio>

namespace kivo {

CLI::App* AddDevicesCommand(CLI::App& app);
// Raises CaptureError when no sound server answers.
void RunDevices(std::FILE* out);

}  // namespace kivo
