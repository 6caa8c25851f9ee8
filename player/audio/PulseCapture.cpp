#include "player/audio/PulseCapture.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <span>
#include <utility>

#include "player/audio/PacedServerLoop.h"

namespace kivo {

namespace {

using Clock = std::chrono::steady_clock;

// Rates are known only once the server has described its devices.
constexpr std::uint32_t kLargestRate = 192'000;
// The ring keeps a few seconds at common rates (one at the largest), for a
// reader that falls a little behind.
constexpr std::size_t kKeptFrames = kLargestRate;
// A server that accepts the connection but never answers counts as none.
constexpr auto kServerPatience = std::chrono::seconds(3);
constexpr pa_usec_t kRetryMicroseconds = 1'000'000;
constexpr std::size_t kBytesPerFrame = 2 * sizeof(std::int16_t);
// The rate of the silence an application that never played yet plays,
// when the server has no sink to take one from.
constexpr std::uint32_t kQuietRate = 44'100;

std::string WhatIsAsked(const TCaptureTarget& asked) {
  if (asked.App) return "what \"" + asked.Name + "\" plays";
  return asked.Name.empty() ? std::string("the default output's monitor")
                            : "\"" + asked.Name + "\"";
}

// The rate of the default output, else of any output.
std::uint32_t OutputRate(const TAudioDevices& devices) {
  if (const TAudioDevice* sink = devices.Find(false, devices.DefaultSink)) return sink->SampleRate;
  for (const TAudioDevice& device : devices.Devices)
    if (!device.Capture) return device.SampleRate;
  return kQuietRate;
}

}  // namespace

std::string CapturedText(const TCaptureStatus& status) {
  if (!status.Stream) return status.Device.Name + " (\"" + status.Device.Description + "\")";
  const TPlaybackStream& stream = *status.Stream;
  std::string text = "stream " + std::to_string(stream.Index) + " of \"" + stream.Application +
                     "\" (" + (stream.Binary.empty() ? "no binary" : stream.Binary) +
                     ") playing to " + stream.Sink;
  if (status.Matching > 1)
    text += ", one of " + std::to_string(status.Matching) +
            " streams that match (the one playing, the newest first)";
  return text;
}

// Everything here runs on the server thread (or in Serve), inside the
// loop's lock, except the constructor, the destructor, Pause, Resume and
// the status snapshot.
class PulseCapture::TServerLink {
 public:
  TServerLink(TCaptureTarget asked, std::chrono::microseconds fragment, TServing serving,
              CaptureBuffer& frames)
      : FAsked(std::move(asked)),
        FFragment(fragment),
        FFrames(frames),
        FLoop(fragment) {
    FLoop.Lock();
    Connect();
    FLoop.Unlock();
    if (serving == TServing::OwnThread) FLoop.Start();
  }

  ~TServerLink() {
    FLoop.Stop();
    DropStream();
    DropContext();
    StopSilence();
    if (FRetry != nullptr) Api()->time_free(FRetry);
  }

  TServerLink(const TServerLink&) = delete;
  TServerLink& operator=(const TServerLink&) = delete;

  TCaptureStatus Status() const {
    const std::lock_guard lock(FStatusLock);
    TCaptureStatus status = FStatus;
    if (status.State == TCaptureState::Connecting && !FAnswered &&
        Clock::now() - FConnectingSince > kServerPatience) {
      status.State = TCaptureState::NoServer;
      status.Problem = "cannot capture " + WhatIsAsked(FAsked) + ": " +
                       NoServerProblem("it does not answer");
    }
    return status;
  }

  std::uint32_t FragmentFrames() const {
    const std::lock_guard lock(FStatusLock);
    return FFragmentFrames;
  }

  void Serve() { FLoop.Pump(); }

  void SetPaused(bool paused) {
    FLoop.Lock();
    FPaused = paused;
    if (FStream != nullptr && pa_stream_get_state(FStream) == PA_STREAM_READY) {
      if (!paused) Forget(pa_stream_flush(FStream, nullptr, nullptr));
      Forget(pa_stream_cork(FStream, paused ? 1 : 0, nullptr, nullptr));
    }
    FLoop.Unlock();
  }

 private:
  pa_mainloop_api* Api() const { return FLoop.Api(); }
  static void Forget(pa_operation* operation) {
    if (operation != nullptr) pa_operation_unref(operation);
  }

  // --- the connection to the server ---

  void Connect() {
    {
      const std::lock_guard lock(FStatusLock);
      FAnswered = false;
      FConnectingSince = Clock::now();
    }
    FContext = pa_context_new(Api(), "kivo");
    if (FContext == nullptr) {
      Fail("no context");
      return;
    }
    pa_context_set_state_callback(FContext, OnContextState, this);
    pa_context_set_subscribe_callback(FContext, OnServerEvent, this);
    // Never spawn a server just to capture from it.
    if (pa_context_connect(FContext, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
      Fail(pa_strerror(pa_context_errno(FContext)));
  }

  void DropContext() {
    if (FContext == nullptr) return;
    pa_context_set_state_callback(FContext, nullptr, nullptr);
    pa_context_set_subscribe_callback(FContext, nullptr, nullptr);
    pa_context_disconnect(FContext);
    pa_context_unref(FContext);
    FContext = nullptr;
  }

  // The server is not there or went away: said at once, tried again in a
  // second on a new connection.
  void Fail(const std::string& reason) {
    DropStream();
    StopSilence();
    FRefreshing = false;
    Publish(TCaptureState::NoServer,
            "cannot capture " + WhatIsAsked(FAsked) + ": " + NoServerProblem(reason));
    if (FRetry != nullptr) return;
    timeval when{};
    pa_timeval_add(pa_gettimeofday(&when), kRetryMicroseconds);
    FRetry = Api()->time_new(Api(), &when, OnRetry, this);
  }

  static void OnRetry(pa_mainloop_api* api, pa_time_event* event, const timeval*, void* self) {
    api->time_free(event);
    auto* link = static_cast<TServerLink*>(self);
    link->FRetry = nullptr;
    link->DropContext();
    link->Connect();
  }

  static void OnContextState(pa_context* context, void* self) {
    auto* link = static_cast<TServerLink*>(self);
    switch (pa_context_get_state(context)) {
      case PA_CONTEXT_READY:
        link->OnReady();
        break;
      case PA_CONTEXT_FAILED:
      case PA_CONTEXT_TERMINATED:
        link->Fail(pa_strerror(pa_context_errno(context)));
        break;
      default:
        break;
    }
  }

  void OnReady() {
    {
      const std::lock_guard lock(FStatusLock);
      FAnswered = true;
    }
    unsigned mask = PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE |
                    PA_SUBSCRIPTION_MASK_SERVER;
    if (FAsked.App) mask |= PA_SUBSCRIPTION_MASK_SINK_INPUT;
    Forget(pa_context_subscribe(FContext, static_cast<pa_subscription_mask_t>(mask), nullptr,
                                nullptr));
    Refresh();
  }

  // A device came or went, or the default changed: look again. Changes of
  // a device itself (its volume, its state) do not matter here; those of
  // a playback stream do (moved, corked, renamed).
  static void OnServerEvent(pa_context*, pa_subscription_event_type_t event, std::uint32_t,
                            void* self) {
    const unsigned facility = event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    const unsigned type = event & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
    if (facility == PA_SUBSCRIPTION_EVENT_SERVER || facility == PA_SUBSCRIPTION_EVENT_SINK_INPUT ||
        type != PA_SUBSCRIPTION_EVENT_CHANGE)
      static_cast<TServerLink*>(self)->Refresh();
  }

  // --- what the server has: asked one question after another ---

  void Refresh() {
    if (FRefreshing) {
      FRefreshAgain = true;
      return;
    }
    FRefreshing = true;
    PaceWhileCapturing();
    FRefreshAgain = false;
    FLooking = {};
    Forget(pa_context_get_server_info(FContext, OnServerInfo, this));
  }

  static void OnServerInfo(pa_context* context, const pa_server_info* info, void* self) {
    auto* link = static_cast<TServerLink*>(self);
    if (info != nullptr && info->default_sink_name != nullptr)
      link->FLooking.DefaultSink = info->default_sink_name;
    Forget(pa_context_get_sink_info_list(context, OnSink, self));
  }

  static void OnSink(pa_context* context, const pa_sink_info* info, int last, void* self) {
    auto* link = static_cast<TServerLink*>(self);
    if (last < 0) {
      link->EndRefresh(false);
    } else if (last == 0 && info != nullptr) {
      AddSink(link->FLooking, *info);
    } else {
      Forget(pa_context_get_source_info_list(context, OnSource, self));
    }
  }

  static void OnSource(pa_context* context, const pa_source_info* info, int last, void* self) {
    auto* link = static_cast<TServerLink*>(self);
    if (last < 0) {
      link->EndRefresh(false);
    } else if (last == 0 && info != nullptr) {
      link->FLooking.Devices.push_back(DeviceOfSource(*info));
    } else if (link->FAsked.App) {
      Forget(pa_context_get_sink_input_info_list(context, OnSinkInput, self));
    } else {
      link->EndRefresh(true);
    }
  }

  static void OnSinkInput(pa_context*, const pa_sink_input_info* info, int last, void* self) {
    auto* link = static_cast<TServerLink*>(self);
    if (last < 0) {
      link->EndRefresh(false);
    } else if (last == 0 && info != nullptr) {
      link->FLooking.Streams.push_back(StreamOfSinkInput(*info));
    } else {
      NameStreamSinks(link->FLooking);
      link->EndRefresh(true);
    }
  }

  // A question fails when a device goes while it is asked about; the
  // change that removed it asked for another look, which is taken then.
  void EndRefresh(bool answered) {
    FRefreshing = false;
    if (answered) {
      if (FAsked.App) {
        DecideApp(FLooking);
      } else {
        Decide(FLooking);
      }
    }
    PaceWhileCapturing();
    if (FRefreshAgain) Refresh();
  }

  // Captures the application's stream chosen now: the same record stream
  // while it plays to the same sink, a new one otherwise.
  void DecideApp(const TAudioDevices& devices) {
    const TStreamChoice choice = FindAppStream(devices, FAsked.Name, FInput);
    const TAudioDevice* sink =
        choice.Stream != nullptr ? devices.Find(false, choice.Stream->Sink) : nullptr;
    const TAudioDevice* monitor = sink != nullptr ? devices.Find(true, sink->Monitor) : nullptr;
    if (monitor == nullptr) {
      DropStream();
      if (FRate == 0) FRate = std::clamp<std::uint32_t>(OutputRate(devices), 8000, kLargestRate);
      Publish(TCaptureState::Waiting, "waiting for \"" + FAsked.Name + "\" to play");
      StartSilence();
      return;
    }
    FPlayback = *choice.Stream;
    FMatching = choice.Matching;
    if (FStream != nullptr && FInput == choice.Stream->Index && FSource == monitor->Name) {
      FDevice = *monitor;
      PublishStreamState();
      return;
    }
    DropStream();
    OpenStream(*monitor, choice.Stream->Index);
  }

  // --- an application that plays nothing plays silence ---

  void StartSilence() {
    if (FSilence != nullptr) return;
    FSilentSince = Clock::now();
    FSilentFrames = 0;
    ScheduleSilence();
  }

  void StopSilence() {
    if (FSilence == nullptr) return;
    Api()->time_free(FSilence);
    FSilence = nullptr;
  }

  void ScheduleSilence() {
    timeval when{};
    pa_timeval_add(pa_gettimeofday(&when), static_cast<pa_usec_t>(FFragment.count()));
    FSilence = Api()->time_new(Api(), &when, OnSilence, this);
  }

  // Adds the silence due since the wait began, counted from the clock so
  // that late ticks do not slow it; nothing while paused.
  static void OnSilence(pa_mainloop_api* api, pa_time_event* event, const timeval*, void* self) {
    api->time_free(event);
    auto* link = static_cast<TServerLink*>(self);
    link->FSilence = nullptr;
    link->AppendSilence();
    link->ScheduleSilence();
  }

  void AppendSilence() {
    if (FPaused) {
      FSilentSince = Clock::now();
      FSilentFrames = 0;
      return;
    }
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - FSilentSince);
    const auto due = static_cast<std::uint64_t>(elapsed.count()) * FRate / 1'000'000;
    static const std::array<Frame, 1024> kQuiet{};
    while (FSilentFrames < due) {
      const auto now = static_cast<std::size_t>(
          std::min<std::uint64_t>(kQuiet.size(), due - FSilentFrames));
      FFrames.Append(std::span<const Frame>(kQuiet.data(), now));
      FSilentFrames += now;
    }
  }
  // Captures what is asked now: the same stream when it is already there,
  // moved when the default output's monitor changed, a new one otherwise.
  void Decide(const TAudioDevices& devices) {
    const TAudioDevice* target = nullptr;
    std::string problem;
    try {
      target = &FindCaptureDevice(devices, FAsked.Name);
    } catch (const CaptureError& error) {
      problem = error.what();
    }
    if (target == nullptr) {
      DropStream();
      if (!FDevice.Name.empty())
        problem = "the capture device " + FDevice.Name + " went away; waiting for it (" + problem +
                  ")";
      Publish(TCaptureState::Waiting, problem);
      return;
    }
    // The server may have moved the stream already (it follows a new
    // default itself); otherwise it is moved here.
    if (FStream != nullptr && FSource != target->Name && FAsked.Name.empty() &&
        pa_stream_get_state(FStream) == PA_STREAM_READY) {
      FSource = target->Name;
      Forget(pa_context_move_source_output_by_name(FContext, pa_stream_get_index(FStream),
                                                    target->Name.c_str(), nullptr, nullptr));
    }
    if (FStream != nullptr && FSource == target->Name) {
      FDevice = *target;
      PublishStreamState();
      return;
    }
    DropStream();
    OpenStream(*target);
  }

  // --- the record stream ---

  // `input`: the playback stream whose monitor is recorded, or none for
  // the whole device.
  void OpenStream(const TAudioDevice& device, std::uint32_t input = PA_INVALID_INDEX) {
    StopSilence();
    // The first device sets the rate; later ones are resampled to it by
    // the server, so that positions in the buffer keep their meaning.
    if (FRate == 0) FRate = std::clamp<std::uint32_t>(device.SampleRate, 8000, kLargestRate);
    const pa_sample_spec format{PA_SAMPLE_S16NE, FRate, 2};
    pa_channel_map stereo{};
    pa_channel_map_init_stereo(&stereo);
    FStream = pa_stream_new(FContext, "kivo capture", &format, &stereo);
    if (FStream == nullptr) {
      Fail(pa_strerror(pa_context_errno(FContext)));
      return;
    }
    if (input != PA_INVALID_INDEX && pa_stream_set_monitor_stream(FStream, input) < 0) {
      DropStream();
      Publish(TCaptureState::Waiting, "cannot capture the stream " + std::to_string(input) +
                                          ": " + pa_strerror(pa_context_errno(FContext)));
      StartSilence();
      return;
    }
    FSource = device.Name;
    FInput = input;
    FDevice = device;
    const auto fragmentFrames = static_cast<std::uint32_t>(
        std::max<std::int64_t>(1, static_cast<std::int64_t>(FRate) * FFragment.count() / 1'000'000));
    {
      const std::lock_guard lock(FStatusLock);
      FFragmentFrames = fragmentFrames;
    }
    pa_buffer_attr buffer{};
    buffer.maxlength = static_cast<std::uint32_t>(-1);
    buffer.tlength = static_cast<std::uint32_t>(-1);
    buffer.prebuf = static_cast<std::uint32_t>(-1);
    buffer.minreq = static_cast<std::uint32_t>(-1);
    buffer.fragsize = fragmentFrames * static_cast<std::uint32_t>(kBytesPerFrame);
    pa_stream_set_state_callback(FStream, OnStreamState, this);
    pa_stream_set_read_callback(FStream, OnReadable, this);
    pa_stream_set_suspended_callback(FStream, OnStreamChange, this);
    pa_stream_set_moved_callback(FStream, OnMoved, this);
    // A named device is that device: the server must not carry the stream
    // off to another one when it goes away. A stream's monitor is never moved.
    auto flags = static_cast<unsigned>(PA_STREAM_ADJUST_LATENCY);
    if (!FAsked.Name.empty()) flags |= PA_STREAM_DONT_MOVE;
    if (FPaused) flags |= PA_STREAM_START_CORKED;
    if (pa_stream_connect_record(FStream, device.Name.c_str(), &buffer,
                                 static_cast<pa_stream_flags_t>(flags)) < 0) {
      DropStream();
      Publish(TCaptureState::Waiting, "cannot capture " + device.Name + ": " +
                                          pa_strerror(pa_context_errno(FContext)));
      if (FAsked.App) StartSilence();
      return;
    }
    Publish(TCaptureState::Connecting, "");
  }

  void DropStream() {
    if (FStream == nullptr) return;
    pa_stream_set_state_callback(FStream, nullptr, nullptr);
    pa_stream_set_read_callback(FStream, nullptr, nullptr);
    pa_stream_set_suspended_callback(FStream, nullptr, nullptr);
    pa_stream_set_moved_callback(FStream, nullptr, nullptr);
    pa_stream_disconnect(FStream);
    pa_stream_unref(FStream);
    FStream = nullptr;
    FSource.clear();
    FInput = PA_INVALID_INDEX;
  }

  static void OnStreamState(pa_stream* stream, void* self) {
    auto* link = static_cast<TServerLink*>(self);
    switch (pa_stream_get_state(stream)) {
      case PA_STREAM_READY:
        link->PublishStreamState();
        break;
      case PA_STREAM_FAILED:
      case PA_STREAM_TERMINATED:
        // Its device went away (a named one is never moved), or the
        // application's stream ended or moved: look again.
        link->DropStream();
        link->Refresh();
        break;
      default:
        break;
    }
  }

  static void OnStreamChange(pa_stream*, void* self) {
    static_cast<TServerLink*>(self)->PublishStreamState();
  }

  // The server moved the stream (its device went, the default changed).
  static void OnMoved(pa_stream* stream, void* self) {
    auto* link = static_cast<TServerLink*>(self);
    if (const char* name = pa_stream_get_device_name(stream)) link->FSource = name;
    link->Refresh();
  }

  void PublishStreamState() {
    if (FStream == nullptr || pa_stream_get_state(FStream) != PA_STREAM_READY) return;
    Publish(pa_stream_is_suspended(FStream) == 1 ? TCaptureState::Suspended
                                                 : TCaptureState::Capturing,
            "");
  }

  static void OnReadable(pa_stream* stream, std::size_t, void* self) {
    auto* link = static_cast<TServerLink*>(self);
    while (pa_stream_readable_size(stream) > 0) {
      const void* data = nullptr;
      std::size_t bytes = 0;
      if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0) return;
      // A hole (data lost in the server) is skipped.
      if (data != nullptr) link->Append(static_cast<const std::uint8_t*>(data), bytes);
      pa_stream_drop(stream);
    }
  }

  void Append(const std::uint8_t* bytes, std::size_t size) {
    FFrames.AppendSamples(bytes, size / kBytesPerFrame);
  }

  void Publish(TCaptureState state, std::string problem) {
    {
      const std::lock_guard lock(FStatusLock);
      FStatus.State = state;
      FStatus.Device = FDevice;
      FStatus.Stream = FPlayback;
      FStatus.Matching = FMatching;
      FStatus.SampleRate = FRate;
      FStatus.Problem = std::move(problem);
    }
    PaceWhileCapturing();
  }

  // Sound is taken a fragment at a time, but a look at what the server has
  // is answered at once, so that a device that changed is named as soon
  // as its sound arrives. Only this thread changes the state.
  void PaceWhileCapturing() {
    FLoop.SetPaced(!FRefreshing && FStatus.State == TCaptureState::Capturing);
  }

  const TCaptureTarget FAsked;
  const std::chrono::microseconds FFragment;
  CaptureBuffer& FFrames;
  PacedServerLoop FLoop;
  pa_context* FContext = nullptr;
  pa_stream* FStream = nullptr;
  pa_time_event* FRetry = nullptr;
  bool FRefreshing = false;
  bool FRefreshAgain = false;
  bool FPaused = false;
  TAudioDevices FLooking;
  std::string FSource;   // the source the stream records from
  std::uint32_t FInput = PA_INVALID_INDEX;  // the playback stream it monitors
  std::optional<TPlaybackStream> FPlayback;  // the application's stream, or last one
  std::size_t FMatching = 0;
  pa_time_event* FSilence = nullptr;
  Clock::time_point FSilentSince;
  std::uint64_t FSilentFrames = 0;
  TAudioDevice FDevice;  // the device captured, or last captured
  std::uint32_t FRate = 0;

  mutable std::mutex FStatusLock;
  TCaptureStatus FStatus;
  std::uint32_t FFragmentFrames = 0;
  bool FAnswered = false;
  Clock::time_point FConnectingSince;
};

PulseCapture::PulseCapture(TCaptureTarget asked, std::chrono::microseconds fragment,
                           TServing serving)
    : FFrames(kKeptFrames),
      FLink(std::make_unique<TServerLink>(std::move(asked), fragment, serving, FFrames)) {}

PulseCapture::~PulseCapture() = default;

TCaptureStatus PulseCapture::Status() const { return FLink->Status(); }

std::uint32_t PulseCapture::FragmentFrames() const { return FLink->FragmentFrames(); }

void PulseCapture::Serve() { FLink->Serve(); }

void PulseCapture::Pause() { FLink->SetPaused(true); }

void PulseCapture::Resume() { FLink->SetPaused(false); }

}  // namespace kivo
