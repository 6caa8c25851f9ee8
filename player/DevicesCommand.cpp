#include "player/DevicesCommand.h"

#include "player/audio/AudioDevices.h"

namespace kivo {

CLI::App* AddDevicesCommand(CLI::App& app) {
  return app.add_subcommand(
      "devices",
      "List the sound server's capture and playback devices, one a line: kind, name, "
      "description in quotes, sample rate, and which is the default output and its monitor "
      "(what `--capture` records when no device is named)");
}

void RunDevices(std::FILE* out) {
  for (const std::string& line : DeviceLines(ListAudioDevices()))
    std::fprintf(out, "%s\n", line.c_str());
  std::fflush(out);
}

}  // namespace kivo
