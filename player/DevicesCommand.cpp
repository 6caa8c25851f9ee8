#include "player/DevicesCommand.h"

#include "player/audio/AudioDevices.h"

namespace kivo {

CLI::App* AddDevicesCommand(CLI::App& app, bool& apps) {
  CLI::App* devices = app.add_subcommand(
      "devices",
      "List the sound server's capture and playback devices, one a line: kind, name, "
      "description in quotes, sample rate, and which is the default output and its monitor "
      "(what `--capture` records when no device is named)");
  devices->add_flag("--apps", apps,
                    "List the applications' playback streams instead, one a line: the server's "
                    "index, application name in quotes, binary, the sink it plays to, and "
                    "[paused] when corked (what `--capture-app NAME` chooses from)");
  return devices;
}

void RunDevices(bool apps, std::FILE* out, std::FILE* notices) {
  const TAudioDevices devices = ListAudioDevices(apps);
  const std::vector<std::string> lines = apps ? StreamLines(devices) : DeviceLines(devices);
  for (const std::string& line : lines) std::fprintf(out, "%s\n", line.c_str());
  std::fflush(out);
  if (apps && lines.empty()) std::fprintf(notices, "kivo: no application plays now\n");
}

}  // namespace kivo
