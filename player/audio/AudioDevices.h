// The sound server's devices, as PulseAudio (or PipeWire's pulse server)
// names them: what can be captured, what plays, and which output is the
// default one, as the server itself says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "player/input/FrameSource.h"

struct pa_sink_info;
struct pa_sink_input_info;
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

// What capture records: a device, or one application's playback stream.
struct TCaptureTarget {
  // The device's name or a part of one (empty: the default output's
  // monitor), or the application's name or binary.
  std::string Name;
  bool App = false;
};

// One application's playback stream (a sink input), as the server has it.
struct TPlaybackStream {
  std::uint32_t Index = 0;
  std::string Application;  // application.name
  std::string Binary;       // application.process.binary
  std::uint32_t SinkIndex = 0;
  std::string Sink;  // the sink it plays to, once the sinks are known
  bool Corked = false;
};

struct TAudioDevices {
  std::vector<TAudioDevice> Devices;
  std::string DefaultSink;
  // Asked for only when an application is captured or listed.
  std::vector<TPlaybackStream> Streams;
  std::map<std::uint32_t, std::string> SinkNames;  // by the server's index

  // The monitor of the default output, or null when there is none.
  const TAudioDevice* DefaultMonitor() const;
  const TAudioDevice* Find(bool capture, const std::string& name) const;
};

// The device a sink or a source the server describes stands for.
TAudioDevice DeviceOfSink(const pa_sink_info& info);
TAudioDevice DeviceOfSource(const pa_source_info& info);
TPlaybackStream StreamOfSinkInput(const pa_sink_input_info& info);
// Adds a sink the server describes to `devices`, its index with it.
void AddSink(TAudioDevices& devices, const pa_sink_info& info);
// Names the sink each stream plays to, from the sinks listed.
void NameStreamSinks(TAudioDevices& devices);

// Why no server could be asked: where it was looked for and what to do.
std::string NoServerProblem(const std::string& reason);

// Asks the server (and for its playback streams when `streams`); raises
// CaptureError when none answers within a few seconds (it is never
// started for the purpose).
TAudioDevices ListAudioDevices(bool streams = false);

// The capture device `asked` names: the default output's monitor when
// empty; else a device whose name or description is `asked`, or the one
// device whose name or description contains it (ignoring case). A
// playback device stands for its monitor. Raises CaptureError naming the
// capture devices there are.
const TAudioDevice& FindCaptureDevice(const TAudioDevices& devices, const std::string& asked);

// The playback stream of the application `asked` names, ignoring case: by
// its whole application name or binary, else by a part of either. Of
// several, the one captured now (`current`) while it plays, else the
// newest playing one, else the newest: a browser's next track is a new
// stream. Null when none matches.
struct TStreamChoice {
  const TPlaybackStream* Stream = nullptr;
  std::size_t Matching = 0;  // how many streams matched
};
TStreamChoice FindAppStream(const TAudioDevices& devices, const std::string& asked,
                            std::uint32_t current);

// One line per playback stream for `kivo devices --apps`: index,
// application name in quotes, binary, the sink it plays to.
std::vector<std::string> StreamLines(const TAudioDevices& devices);

// One line per device for `kivo devices`: kind, name, description, rate,
// and which is the default output and its monitor.
std::vector<std::string> DeviceLines(const TAudioDevices& devices);

}  // namespace kivo
