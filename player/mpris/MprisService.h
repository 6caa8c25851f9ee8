// The player on the session bus as a desktop media player: the name
// "org.mpris.MediaPlayer2.kivo" (with an instance suffix when another
// player holds it), the object /org/mpris/MediaPlayer2 with the root and
// player interfaces. Served from the player's own loop: Pump answers the
// requests that are waiting and tells the clients what changed since, by
// whomever.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>

#include "player/mpris/MprisPlayer.h"

namespace sdbus {
class IConnection;
class IObject;
}  // namespace sdbus

namespace kivo {

class TMprisService {
 public:
  static constexpr const char* kBusName = "org.mpris.MediaPlayer2.kivo";

  // On the session bus, or null when there is none (or it refuses the
  // player); then `notices` gets one line unless there is no bus at all.
  // The control and the state must outlive the service.
  static std::unique_ptr<TMprisService> Connect(Kivo_tlb::IKIVOControl& control,
                                                const TPlayerState& state, std::ostream& notices);
  ~TMprisService();
  TMprisService(const TMprisService&) = delete;
  TMprisService& operator=(const TMprisService&) = delete;

  const std::string& BusName() const { return FBusName; }

  // Never blocks. A bus that goes away ends the service quietly.
  void Pump();

 private:
  TMprisService(Kivo_tlb::IKIVOControl& control, const TPlayerState& state,
                std::unique_ptr<sdbus::IConnection> connection);
  void RegisterRoot();
  void RegisterPlayer();
  void RequestName();
  void Publish();

  TMprisPlayer FPlayer;
  std::unique_ptr<sdbus::IConnection> FConnection;
  std::unique_ptr<sdbus::IObject> FObject;
  std::string FBusName;
  TMprisStatus FSent;
};

}  // namespace kivo
