#include "player/audio/AudioDevices.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <tuple>

namespace kivo {

namespace {

using Clock = std::chrono::steady_clock;

// A server that accepts the connection but never answers must not hang us.
constexpr auto kServerPatience = std::chrono::seconds(3);
constexpr int kPollMicroseconds = 100'000;

std::string ServerAddress() {
  if (const char* server = std::getenv("PULSE_SERVER"); server != nullptr && *server != '\0')
    return server;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr)
    return std::string("unix:") + runtime + "/pulse/native";
  return "the default address";
}

// One connection to the server on a main loop of its own, asked one
// question at a time.
class TPulseQuery {
 public:
  TPulseQuery() : FLoop(pa_mainloop_new()) {
    if (!FLoop) throw CaptureError(NoServerProblem("no main loop"));
    FContext.reset(pa_context_new(pa_mainloop_get_api(FLoop.get()), "kivo"));
    if (!FContext) throw CaptureError(NoServerProblem("no context"));
    // Never spawn a server just to look at its devices.
    if (pa_context_connect(FContext.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
      throw CaptureError(NoServerProblem(pa_strerror(pa_context_errno(FContext.get()))));
    RunUntil([this] {
      const pa_context_state_t state = pa_context_get_state(FContext.get());
      if (!PA_CONTEXT_IS_GOOD(state))
        throw CaptureError(NoServerProblem(pa_strerror(pa_context_errno(FContext.get()))));
      return state == PA_CONTEXT_READY;
    });
  }
  TPulseQuery(const TPulseQuery&) = delete;
  TPulseQuery& operator=(const TPulseQuery&) = delete;

  pa_context* Context() const { return FContext.get(); }

  // Runs the loop until the operation is done.
  void Wait(pa_operation* operation) {
    if (operation == nullptr)
      throw CaptureError(NoServerProblem(pa_strerror(pa_context_errno(FContext.get()))));
    const std::unique_ptr<pa_operation, decltype(&pa_operation_unref)> owned(operation,
                                                                             pa_operation_unref);
    RunUntil([&] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; });
  }

 private:
  void RunUntil(const std::function<bool()>& done) {
    const auto giveUp = Clock::now() + kServerPatience;
    while (!done()) {
      if (Clock::now() > giveUp) throw CaptureError(NoServerProblem("it does not answer"));
      if (pa_mainloop_prepare(FLoop.get(), kPollMicroseconds) < 0 ||
          pa_mainloop_poll(FLoop.get()) < 0 || pa_mainloop_dispatch(FLoop.get()) < 0)
        throw CaptureError(NoServerProblem("the connection broke"));
    }
  }

  struct TLoopFree {
    void operator()(pa_mainloop* loop) const { pa_mainloop_free(loop); }
  };
  struct TContextFree {
    void operator()(pa_context* context) const {
      pa_context_disconnect(context);
      pa_context_unref(context);
    }
  };
  // The context goes before the loop it runs on.
  std::unique_ptr<pa_mainloop, TLoopFree> FLoop;
  std::unique_ptr<pa_context, TContextFree> FContext;
};

std::string TextOf(const char* text) { return text != nullptr ? text : ""; }

void OnServer(pa_context*, const pa_server_info* info, void* devices) {
  if (info != nullptr)
    static_cast<TAudioDevices*>(devices)->DefaultSink = TextOf(info->default_sink_name);
}

void OnSink(pa_context*, const pa_sink_info* info, int last, void* devices) {
  if (last != 0 || info == nullptr) return;
  AddSink(*static_cast<TAudioDevices*>(devices), *info);
}

void OnSinkInput(pa_context*, const pa_sink_input_info* info, int last, void* devices) {
  if (last != 0 || info == nullptr) return;
  static_cast<TAudioDevices*>(devices)->Streams.push_back(StreamOfSinkInput(*info));
}

void OnSource(pa_context*, const pa_source_info* info, int last, void* devices) {
  if (last != 0 || info == nullptr) return;
  static_cast<TAudioDevices*>(devices)->Devices.push_back(DeviceOfSource(*info));
}

// A source that is no output's monitor: a microphone, a line in.
bool IsInput(const TAudioDevice& device) { return device.Capture && device.Monitor.empty(); }

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The source a device stands for: itself, or a sink's monitor.
const TAudioDevice* SourceOf(const TAudioDevices& devices, const TAudioDevice& device) {
  return device.Capture ? &device : devices.Find(true, device.Monitor);
}

std::string CaptureNames(const TAudioDevices& devices) {
  std::string names;
  for (const TAudioDevice& device : devices.Devices) {
    if (!device.Capture) continue;
    names += names.empty() ? "" : ", ";
    names += device.Name + " (" + device.Description + ")";
  }
  return names.empty() ? "there are none" : "there are: " + names;
}

std::string TextOf(const pa_proplist* properties, const char* key) {
  return TextOf(properties != nullptr ? pa_proplist_gets(properties, key) : nullptr);
}

bool Contains(const std::string& text, const std::string& lowerPart) {
  return Lower(text).find(lowerPart) != std::string::npos;
}

std::string NameList(const std::vector<const TAudioDevice*>& sources) {
  std::string names;
  for (const TAudioDevice* source : sources) names += (names.empty() ? "" : ", ") + source->Name;
  return names;
}

// The distinct sources of the devices that `matches` picks.
std::vector<const TAudioDevice*> SourcesWhere(
    const TAudioDevices& devices, const std::function<bool(const TAudioDevice&)>& matches) {
  std::vector<const TAudioDevice*> sources;
  for (const TAudioDevice& device : devices.Devices) {
    if (!matches(device)) continue;
    const TAudioDevice* source = SourceOf(devices, device);
    if (source != nullptr && std::find(sources.begin(), sources.end(), source) == sources.end())
      sources.push_back(source);
  }
  return sources;
}

}  // namespace

std::string NoServerProblem(const std::string& reason) {
  return "no sound server answers at " + ServerAddress() + " (" + reason +
         "): start PulseAudio or PipeWire's pulse server, or set PULSE_SERVER";
}

TAudioDevice DeviceOfSink(const pa_sink_info& info) {
  return {false, TextOf(info.name), TextOf(info.description), info.sample_spec.rate,
          TextOf(info.monitor_source_name)};
}

TAudioDevice DeviceOfSource(const pa_source_info& info) {
  return {true, TextOf(info.name), TextOf(info.description), info.sample_spec.rate,
          info.monitor_of_sink != PA_INVALID_INDEX ? TextOf(info.monitor_of_sink_name) : ""};
}

TPlaybackStream StreamOfSinkInput(const pa_sink_input_info& info) {
  TPlaybackStream stream;
  stream.Index = info.index;
  stream.Application = TextOf(info.proplist, PA_PROP_APPLICATION_NAME);
  stream.Binary = TextOf(info.proplist, PA_PROP_APPLICATION_PROCESS_BINARY);
  stream.SinkIndex = info.sink;
  stream.Corked = info.corked != 0;
  return stream;
}

void AddSink(TAudioDevices& devices, const pa_sink_info& info) {
  devices.Devices.push_back(DeviceOfSink(info));
  devices.SinkNames[info.index] = TextOf(info.name);
}

void NameStreamSinks(TAudioDevices& devices) {
  for (TPlaybackStream& stream : devices.Streams) {
    const auto sink = devices.SinkNames.find(stream.SinkIndex);
    stream.Sink = sink != devices.SinkNames.end() ? sink->second : std::string();
  }
}

const TAudioDevice* TAudioDevices::Find(bool capture, const std::string& name) const {
  for (const TAudioDevice& device : Devices)
    if (device.Capture == capture && device.Name == name) return &device;
  return nullptr;
}

const TAudioDevice* TAudioDevices::DefaultMonitor() const {
  const TAudioDevice* sink = Find(false, DefaultSink);
  return sink != nullptr ? Find(true, sink->Monitor) : nullptr;
}

TAudioDevices ListAudioDevices(bool streams) {
  TPulseQuery query;
  TAudioDevices devices;
  query.Wait(pa_context_get_server_info(query.Context(), OnServer, &devices));
  query.Wait(pa_context_get_sink_info_list(query.Context(), OnSink, &devices));
  query.Wait(pa_context_get_source_info_list(query.Context(), OnSource, &devices));
  if (streams) {
    query.Wait(pa_context_get_sink_input_info_list(query.Context(), OnSinkInput, &devices));
    NameStreamSinks(devices);
  }
  return devices;
}

TStreamChoice FindAppStream(const TAudioDevices& devices, const std::string& asked,
                            std::uint32_t current) {
  const std::string wanted = Lower(asked);
  const std::function<bool(const TPlaybackStream&)> tests[] = {
      [&](const TPlaybackStream& stream) {
        return Lower(stream.Application) == wanted || Lower(stream.Binary) == wanted;
      },
      [&](const TPlaybackStream& stream) {
        return Contains(stream.Application, wanted) || Contains(stream.Binary, wanted);
      }};
  // Playing before corked, the one captured now before others, newest first.
  const auto rank = [current](const TPlaybackStream* stream) {
    return std::make_tuple(!stream->Corked, stream->Index == current, stream->Index);
  };
  for (const auto& test : tests) {
    std::vector<const TPlaybackStream*> matching;
    for (const TPlaybackStream& stream : devices.Streams)
      if (test(stream)) matching.push_back(&stream);
    if (matching.empty()) continue;
    const auto best = std::max_element(
        matching.begin(), matching.end(),
        [&](const TPlaybackStream* a, const TPlaybackStream* b) { return rank(a) < rank(b); });
    return {*best, matching.size()};
  }
  return {};
}

std::vector<std::string> StreamLines(const TAudioDevices& devices) {
  std::vector<std::string> lines;
  for (const TPlaybackStream& stream : devices.Streams) {
    std::string line = std::to_string(stream.Index) + "  \"" + stream.Application + "\"  " +
                       (stream.Binary.empty() ? "-" : stream.Binary) + "  " +
                       (stream.Sink.empty() ? "-" : stream.Sink);
    if (stream.Corked) line += "  [paused]";
    lines.push_back(line);
  }
  return lines;
}

const TAudioDevice& FindCaptureDevice(const TAudioDevices& devices, const std::string& asked) {
  if (asked.empty()) {
    if (const TAudioDevice* monitor = devices.DefaultMonitor()) return *monitor;
    throw CaptureError("there is no default output whose monitor could be captured; " +
                       CaptureNames(devices));
  }
  const std::string wanted = Lower(asked);
  const std::function<bool(const TAudioDevice&)> tests[] = {
      [&](const TAudioDevice& device) { return device.Name == asked; },
      [&](const TAudioDevice& device) { return Lower(device.Description) == wanted; },
      // A part of a name picks only what plays: a microphone is never
      // captured by a slip of the keyboard.
      [&](const TAudioDevice& device) {
        return !IsInput(device) && (Lower(device.Name).find(wanted) != std::string::npos ||
                                    Lower(device.Description).find(wanted) != std::string::npos);
      }};
  for (const auto& test : tests) {
    const std::vector<const TAudioDevice*> sources = SourcesWhere(devices, test);
    if (sources.size() == 1) return *sources.front();
    if (sources.size() > 1)
      throw CaptureError("\"" + asked + "\" matches several capture devices (" + NameList(sources) +
                         "): name one of them");
  }
  for (const TAudioDevice& device : devices.Devices)
    if (IsInput(device) && (Lower(device.Name).find(wanted) != std::string::npos ||
                            Lower(device.Description).find(wanted) != std::string::npos))
      throw CaptureError("\"" + asked + "\" is part of the input " + device.Name +
                         ", which is captured only when named whole");
  throw CaptureError("no capture device matches \"" + asked + "\"; " + CaptureNames(devices));
}

std::vector<std::string> DeviceLines(const TAudioDevices& devices) {
  const TAudioDevice* defaultMonitor = devices.DefaultMonitor();
  std::vector<std::string> lines;
  for (const bool capture : {true, false}) {
    for (const TAudioDevice& device : devices.Devices) {
      if (device.Capture != capture) continue;
      std::string line = std::string(capture ? "capture " : "playback") + "  " + device.Name +
                         "  \"" + device.Description + "\"  " + std::to_string(device.SampleRate) +
                         " Hz";
      if (&device == defaultMonitor) {
        line += "  [monitor of the default output]";
      } else if (IsInput(device)) {
        line += "  [input, captured only when named]";
      } else if (capture) {
        line += "  [monitor of " + device.Monitor + "]";
      }
      if (!capture && device.Name == devices.DefaultSink) line += "  [default output]";
      lines.push_back(line);
    }
  }
  return lines;
}

}  // namespace kivo
