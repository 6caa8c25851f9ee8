// The sound server's devices, as PulseAudio (or PipeWire's pulse server)
// names them: what can be captured, what plays, and which output is the
// default one, as the server itself says.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "player/input/FrameSource.h"

struct pa_sink_info;
struct pa_source_info;

namespace kivo {

// No sound server, no such device, a device gone: the text says what was
// asked and what exists.
class CaptureError : public InputError {
 public:
  using InputError::InputError;
};

struct TAudioDevice {
  bool Capture = false;     // a source; else a sink (playback)
  std::string Name;         // the server's name, e.g. "alsa_output.pci.analog-stereo"
  std::string Description;  // the human one, which SDL calls the device by
  std::uint32_t SampleRate = 0;
  // Capture: the sink it is the monitor of (empty for a microphone);
  // playback: its monitor source.
  std::string Monitor;
};

struct TAudioDevices {
  std::vector<TAudioDevice> Devices;
  std::string DefaultSink;

  // The monitor of the default output, or null when there is none.
  const TAudioDevice* DefaultMonitor() const;
  const TAudioDevice* Find(bool capture, const std::string& name) const;
};

// The device a sink or a source the server describes stands for.
TAudioDevice DeviceOfSink(const pa_sink_info& info);
TAudioDevice DeviceOfSource(const pa_source_info& info);

// Why no server could be asked: where it was looked for and what to do.
std::string NoServerProblem(const std::string& reason);

// Asks the server; raises CaptureError when none answers within a few
// seconds (it is never started for the purpose).
TAudioDevices ListAudioDevices();

// The capture device `asked` names: the default output's monitor when
// empty; else a device whose name or description is `asked`, or the one
// device whose name or description contains it (ignoring case). A
// playback device stands for its monitor. Raises CaptureError naming the
// capture devices there are.
const TAudioDevice& FindCaptureDevice(const TAudioDevices& devices, const std::string& asked);

// One line per device for `kivo devices`: kind, name, description, rate,
// and which is the default output and its monitor.
std::vector<std::string> DeviceLines(const TAudioDevices& devices);

}  // namespace kivo
