// `kivo devices`: the sound server's capture and playback devices, one a
// line, for choosing what `--capture` records; with `--apps`, the
// applications' playback streams, for choosing what `--capture-app` does.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdio>

namespace kivo {

// `apps` is set by `--apps`.
CLI::App* AddDevicesCommand(CLI::App& app, bool& apps);
// Raises CaptureError when no sound server answers. No stream playing is
// said on `notices`, with nothing on `out`.
void RunDevices(bool apps, std::FILE* out, std::FILE* notices);

}  // namespace kivo
