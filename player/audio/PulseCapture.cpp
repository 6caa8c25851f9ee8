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

std::string WhatIsAsked(const std::string& asked) {
  return asked.empty() ? std::string("the default output's monitor") : "\"" + asked + "\"";
}

}  // namespace

// Everything here runs on the server thread (or in Serve), inside the
// loop's lock, except the constructor, the destructor, Pause, Resume and
// the status snapshot.
class PulseCapture::TServerLink {
 public:
  TServerLink(std::string asked, std::chrono::microseconds fragment, TServing serving,
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
    Forget(pa_context_subscribe(
        FContext,
        static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK |
                                            PA_SUBSCRIPTION_MASK_SOURCE |
                                            PA_SUBSCRIPTION_MASK_SERVER),
        nullptr, nullptr));
    Refresh();
  }

  // A device came or went, or the default changed: look again. Changes of
  // a device itself (its volume, its state) do not matter here.
  static void OnServerEvent(pa_context*, pa_subscription_event_type_t event, std::uint32_t,
                            void* self) {
    const unsigned facility = event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    const unsigned type = event & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
    if (facility == PA_SUBSCRIPTION_EVENT_SERVER || type != PA_SUBSCRIPTION_EVENT_CHANGE)
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
      link->FLooking.Devices.push_back(DeviceOfSink(*info));
    } else {
      Forget(pa_context_get_source_info_list(context, OnSource, self));
    }
  }

  static void OnSource(pa_context*, const pa_source_info* info, int last, void* self) {
    auto* link = static_cast<TServerLink*>(self);
    if (last < 0) {
      link->EndRefresh(false);
    } else if (last == 0 && info != nullptr) {
      link->FLooking.Devices.push_back(DeviceOfSource(*info));
    } else {
      link->EndRefresh(true);
    }
  }

  // A question fails when a device goes while it is asked about; the
  // change that removed it asked for another look, which is taken then.
  void EndRefresh(bool answered) {
    FRefreshing = false;
    if (answered) Decide(FLooking);
    PaceWhileCapturing();
    if (FRefreshAgain) Refresh();
  }

  // Captures what is asked now: the same stream when it is already there,
  // moved when the default output's monitor changed, a new one otherwise.
  void Decide(const TAudioDevices& devices) {
    const TAudioDevice* target = nullptr;
    std::string problem;
    try {
      target = &FindCaptureDevice(devices, FAsked);
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
    if (FStream != nullptr && FSource != target->Name && FAsked.empty() &&
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

  void OpenStream(const TAudioDevice& device) {
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
    FSource = device.Name;
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
    // off to another one when it goes away.
    auto flags = static_cast<unsigned>(PA_STREAM_ADJUST_LATENCY);
    if (!FAsked.empty()) flags |= PA_STREAM_DONT_MOVE;
    if (FPaused) flags |= PA_STREAM_START_CORKED;
    if (pa_stream_connect_record(FStream, device.Name.c_str(), &buffer,
                                 static_cast<pa_stream_flags_t>(flags)) < 0) {
      DropStream();
      Publish(TCaptureState::Waiting, "cannot capture " + device.Name + ": " +
                                          pa_strerror(pa_context_errno(FContext)));
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
  }

  static void OnStreamState(pa_stream* stream, void* self) {
    auto* link = static_cast<TServerLink*>(self);
    switch (pa_stream_get_state(stream)) {
      case PA_STREAM_READY:
        link->PublishStreamState();
        break;
      case PA_STREAM_FAILED:
      case PA_STREAM_TERMINATED:
        // Its device went away (a named one is never moved): look again.
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
    std::array<Frame, 1024> packed{};
    const std::size_t frames = size / kBytesPerFrame;
    for (std::size_t done = 0; done < frames;) {
      const std::size_t now = std::min(packed.size(), frames - done);
      for (std::size_t i = 0; i < now; ++i) {
        std::array<std::int16_t, 2> pair{};
        std::memcpy(pair.data(), bytes + (done + i) * kBytesPerFrame, kBytesPerFrame);
        packed[i] = PackFrame(pair[0], pair[1]);
      }
      FFrames.Append(std::span<const Frame>(packed.data(), now));
      done += now;
    }
  }

  void Publish(TCaptureState state, std::string problem) {
    {
      const std::lock_guard lock(FStatusLock);
      FStatus.State = state;
      FStatus.Device = FDevice;
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

  const std::string FAsked;
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
  TAudioDevice FDevice;  // the device captured, or last captured
  std::uint32_t FRate = 0;

  mutable std::mutex FStatusLock;
  TCaptureStatus FStatus;
  std::uint32_t FFragmentFrames = 0;
  bool FAnswered = false;
  Clock::time_point FConnectingSince;
};

PulseCapture::PulseCapture(std::string asked, std::chrono::microseconds fragment,
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
