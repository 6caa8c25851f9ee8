#include "player/mpris/MprisService.h"

#include <sdbus-c++/sdbus-c++.h>
#include <unistd.h>

#include <map>
#include <ostream>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/win/Messages.h"

namespace kivo {

namespace {

constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
constexpr const char* kRootInterface = "org.mpris.MediaPlayer2";
constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
constexpr const char* kInvalidArgs = "org.freedesktop.DBus.Error.InvalidArgs";
constexpr const char* kFailed = "org.freedesktop.DBus.Error.Failed";

// Requests answered in one pump at most, so that a flood of them cannot
// hold up the picture.
constexpr int kRequestsPerPump = 64;

// What libsndfile reads.
const std::vector<std::string> kMimeTypes = {
    "audio/wav",  "audio/x-wav",  "audio/flac",  "audio/x-flac",       "audio/ogg",
    "audio/aiff", "audio/x-aiff", "audio/x-caf", "audio/x-vorbis+ogg", "audio/x-opus+ogg",
    "audio/mpeg", "audio/basic",  "audio/x-w64", "audio/x-flac+ogg"};

using TCommand = void (TMprisPlayer::*)();

constexpr std::pair<const char*, TCommand> kCommands[] = {
    {"Play", &TMprisPlayer::Play},           {"Pause", &TMprisPlayer::Pause},
    {"PlayPause", &TMprisPlayer::PlayPause}, {"Stop", &TMprisPlayer::Stop},
    {"Next", &TMprisPlayer::Next},           {"Previous", &TMprisPlayer::Previous}};

// Exceptions must not pass through the bus library's C code: they become
// error replies.
template <class F>
auto Answer(F&& action) {
  try {
    return action();
  } catch (const sdbus::Error&) {
    throw;
  } catch (const std::invalid_argument& error) {
    throw sdbus::Error(kInvalidArgs, error.what());
  } catch (const std::exception& error) {
    throw sdbus::Error(kFailed, error.what());
  }
}

std::map<std::string, sdbus::Variant> MetadataOf(const TMprisTrack& track) {
  std::map<std::string, sdbus::Variant> metadata;
  metadata["mpris:trackid"] = sdbus::Variant(sdbus::ObjectPath(track.TrackId));
  if (track.LengthUs > 0) metadata["mpris:length"] = sdbus::Variant(track.LengthUs);
  if (!track.Title.empty()) metadata["xesam:title"] = sdbus::Variant(track.Title);
  if (!track.Url.empty()) metadata["xesam:url"] = sdbus::Variant(track.Url);
  if (!track.Artist.empty())
    metadata["xesam:artist"] = sdbus::Variant(std::vector<std::string>{track.Artist});
  if (!track.Album.empty()) metadata["xesam:album"] = sdbus::Variant(track.Album);
  return metadata;
}

template <class T>
void Constant(sdbus::IObject& object, const char* interface, const std::string& name, T value) {
  object.registerProperty(name)
      .onInterface(interface)
      .withGetter([value] { return value; })
      .withUpdateBehavior(sdbus::Flags::CONST_PROPERTY_VALUE);
}

}  // namespace

std::unique_ptr<TMprisService> TMprisService::Connect(Kivo_tlb::IKIVOControl& control,
                                                      const TPlayerState& state,
                                                      std::ostream& notices) {
  std::unique_ptr<sdbus::IConnection> connection;
  try {
    connection = sdbus::createSessionBusConnection();
  } catch (const sdbus::Error&) {
    return nullptr;
  }
  try {
    return std::unique_ptr<TMprisService>(new TMprisService(control, state, std::move(connection)));
  } catch (const sdbus::Error& error) {
    notices << "kivo: not on the session bus as a media player: " << error.getMessage() << "\n";
    return nullptr;
  }
}

TMprisService::TMprisService(Kivo_tlb::IKIVOControl& control, const TPlayerState& state,
                             std::unique_ptr<sdbus::IConnection> connection)
    : FPlayer(control, state),
      FConnection(std::move(connection)),
      FObject(sdbus::createObject(*FConnection, kObjectPath)),
      FSent(MprisStatusOf(state)) {
  RegisterRoot();
  RegisterPlayer();
  FObject->finishRegistration();
  RequestName();
}

TMprisService::~TMprisService() = default;

void TMprisService::RegisterRoot() {
  sdbus::IObject& object = *FObject;
  // The player has no window of its own to bring forward.
  object.registerMethod("Raise").onInterface(kRootInterface).implementedAs([] {});
  object.registerMethod("Quit").onInterface(kRootInterface).implementedAs([this] {
    Answer([this] { FPlayer.Quit(); });
  });
  Constant(object, kRootInterface, "Identity", std::string("KIVO"));
  Constant(object, kRootInterface, "DesktopEntry", std::string("kivo"));
  Constant(object, kRootInterface, "CanQuit", true);
  Constant(object, kRootInterface, "CanRaise", false);
  Constant(object, kRootInterface, "HasTrackList", false);
  Constant(object, kRootInterface, "SupportedUriSchemes", std::vector<std::string>{"file"});
  Constant(object, kRootInterface, "SupportedMimeTypes", kMimeTypes);
}

void TMprisService::RegisterPlayer() {
  sdbus::IObject& object = *FObject;
  for (const auto& [name, command] : kCommands) {
    object.registerMethod(name).onInterface(kPlayerInterface).implementedAs([this, command] {
      Answer([this, command] { (FPlayer.*command)(); });
    });
  }
  object.registerMethod("Seek")
      .onInterface(kPlayerInterface)
      .withInputParamNames("Offset")
      .implementedAs([this](std::int64_t offset) { Answer([&] { FPlayer.Seek(offset); }); });
  object.registerMethod("SetPosition")
      .onInterface(kPlayerInterface)
      .withInputParamNames("TrackId", "Position")
      .implementedAs([this](const sdbus::ObjectPath& track, std::int64_t position) {
        Answer([&] { FPlayer.SetPosition(track, position); });
      });
  object.registerMethod("OpenUri")
      .onInterface(kPlayerInterface)
      .withInputParamNames("Uri")
      .implementedAs([this](const std::string& uri) { Answer([&] { FPlayer.OpenUri(uri); }); });
  object.registerSignal("Seeked")
      .onInterface(kPlayerInterface)
      .withParameters<std::int64_t>("Position");

  object.registerProperty("PlaybackStatus").onInterface(kPlayerInterface).withGetter([this] {
    return FPlayer.Status().PlaybackStatus;
  });
  object.registerProperty("LoopStatus")
      .onInterface(kPlayerInterface)
      .withGetter([this] { return FPlayer.Status().LoopStatus; })
      .withSetter(
          [this](const std::string& loop) { Answer([&] { FPlayer.SetLoopStatus(loop); }); });
  // The player plays at its normal speed only; rate 0 pauses, as the
  // interface asks.
  object.registerProperty("Rate")
      .onInterface(kPlayerInterface)
      .withGetter([] { return 1.0; })
      .withSetter([this](const double& rate) {
        if (rate == 0.0) Answer([this] { FPlayer.Pause(); });
      });
  object.registerProperty("Shuffle")
      .onInterface(kPlayerInterface)
      .withGetter([this] { return FPlayer.Status().Shuffle; })
      .withSetter([this](const bool& shuffle) { Answer([&] { FPlayer.SetShuffle(shuffle); }); });
  object.registerProperty("Metadata").onInterface(kPlayerInterface).withGetter([this] {
    return MetadataOf(FPlayer.Status().Metadata);
  });
  object.registerProperty("Volume")
      .onInterface(kPlayerInterface)
      .withGetter([this] { return FPlayer.Status().Volume; })
      .withSetter([this](const double& volume) { Answer([&] { FPlayer.SetVolume(volume); }); });
  object.registerProperty("Position")
      .onInterface(kPlayerInterface)
      .withGetter([this] { return FPlayer.Status().PositionUs; })
      .withUpdateBehavior(sdbus::Flags::EMITS_NO_SIGNAL);
  Constant(object, kPlayerInterface, "MinimumRate", 1.0);
  Constant(object, kPlayerInterface, "MaximumRate", 1.0);
  object.registerProperty("CanGoNext").onInterface(kPlayerInterface).withGetter([this] {
    return FPlayer.Status().CanGoNext;
  });
  object.registerProperty("CanGoPrevious").onInterface(kPlayerInterface).withGetter([this] {
    return FPlayer.Status().CanGoPrevious;
  });
  object.registerProperty("CanPlay").onInterface(kPlayerInterface).withGetter([this] {
    return FPlayer.Status().CanPlay;
  });
  object.registerProperty("CanPause").onInterface(kPlayerInterface).withGetter([this] {
    return FPlayer.Status().CanPause;
  });
  object.registerProperty("CanSeek").onInterface(kPlayerInterface).withGetter([this] {
    return FPlayer.Status().CanSeek;
  });
  Constant(object, kPlayerInterface, "CanControl", true);
}

void TMprisService::RequestName() {
  try {
    FConnection->requestName(kBusName);
    FBusName = kBusName;
  } catch (const sdbus::Error&) {
    const std::string instance = std::string(kBusName) + ".instance" + std::to_string(::getpid());
    FConnection->requestName(instance);
    FBusName = instance;
  }
}

void TMprisService::Pump() {
  if (!FConnection) return;
  try {
    bool answered = false;
    for (int i = 0; i < kRequestsPerPump && FConnection->processPendingRequest(); ++i)
      answered = true;
    // The attached clients hear at once what a request changed.
    if (answered) ProcessMessages();
    Publish();
  } catch (const sdbus::Error&) {
    FObject.reset();
    FConnection.reset();
  }
}

void TMprisService::Publish() {
  TMprisStatus now = FPlayer.Status();
  const std::vector<std::string> changed = ChangedProperties(FSent, now);
  if (!changed.empty()) FObject->emitPropertiesChangedSignal(kPlayerInterface, changed);
  if (now.SeekCount != FSent.SeekCount)
    FObject->emitSignal("Seeked").onInterface(kPlayerInterface).withArguments(now.PositionUs);
  FSent = std::move(now);
}

}  // namespace kivo
