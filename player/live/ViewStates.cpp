#include "player/live/ViewStates.h"

#include <cstdio>
#include <variant>

#include "platform/render/HitTest.h"
#include "player/Session.h"

namespace kivo {

namespace {

constexpr TStatusItem kItemOrder[] = {TStatusItem::TrackNumber, TStatusItem::Title,
                                      TStatusItem::Device, TStatusItem::Timer,
                                      TStatusItem::Caption};
constexpr TStatusCode kItemCodes[] = {stDisplayTrack, stDisplayTitle, stDisplayDevice,
                                      stDisplayTimer, stDisplayCaption};
constexpr const char* kCaption = "KIVO";

std::size_t IndexOf(TStatusItem item) { return static_cast<std::size_t>(item); }

// The off-timer comes first: it ends what plays.
std::int32_t ShownTimer(const TPlayerState& state) {
  if (state.OffTimer) return state.OffTime;
  if (state.OnTimer) return state.OnTime;
  return -1;
}

std::string ClockOfMinute(std::int32_t minute) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", minute / 60 % 24, minute % 60);
  return text;
}

const char* DeviceText(Kivo_tlb::TKIVODeviceType device) {
  switch (device) {
    case Kivo_tlb::dtFile:
      return "device: file";
    case Kivo_tlb::dtStream:
      return "device: capture";
    default:
      return "device: none";
  }
}

void Notify(TPlayerSession& session, const TNotification& notification) {
  session.Clients().Notify(notification);
}

void PressButton(TTransportButton button, TPlayerSession& session) {
  Kivo_tlb::IKIVOControl& control = session.Control();
  const std::int32_t status = session.State().PlayStatus;
  switch (button) {
    case tbPrevious:
      control.Back();
      break;
    case tbPlayPause:
      if (status == kStatusPlaying || status == kStatusPaused)
        control.Pause();
      else
        control.Play();
      break;
    case tbStop:
      control.Stop();
      break;
    case tbNext:
      control.Next();
      break;
  }
  Notify(session, ButtonNotification(button));
}

}  // namespace

void ToggleStayOnTop(TPlayerState& state, TClientList& clients) {
  state.StayOnTop = !state.StayOnTop;
  clients.Notify(StatusNotification(stStayOnTop, state.StayOnTop ? 1 : 0));
}

std::int32_t ShownItemValue(const TPlayerState& state, TStatusItem item,
                            Kivo_tlb::TKIVODeviceType device) {
  switch (item) {
    case TStatusItem::TrackNumber:
    case TStatusItem::Title:
      return state.CurrentTrack() != nullptr ? state.Track : 0;
    case TStatusItem::Device:
      return static_cast<std::int32_t>(device);
    case TStatusItem::Timer:
      return ShownTimer(state);
    case TStatusItem::Caption:
      return 0;
  }
  return 0;
}

std::string ShownItemText(const TPlayerState& state, Kivo_tlb::TKIVODeviceType device) {
  const TTrack* track = state.CurrentTrack();
  switch (state.StatusItem) {
    case TStatusItem::TrackNumber:
      return "track " + std::to_string(track != nullptr ? state.Track : 0) + "/" +
             std::to_string(state.PlayList.size());
    case TStatusItem::Title:
      return track != nullptr ? track->Title : std::string();
    case TStatusItem::Device:
      return DeviceText(device);
    case TStatusItem::Timer: {
      if (state.OffTimer) return "timer: off at " + ClockOfMinute(state.OffTime);
      if (state.OnTimer) return "timer: on at " + ClockOfMinute(state.OnTime);
      return "timer: none";
    }
    case TStatusItem::Caption:
      return kCaption;
  }
  return {};
}

void NextStatusItem(TPlayerState& state, TClientList& clients, Kivo_tlb::TKIVODeviceType device) {
  const std::size_t next = (IndexOf(state.StatusItem) + 1) % std::size(kItemOrder);
  state.StatusItem = kItemOrder[next];
  clients.Notify(StatusNotification(kItemCodes[next], ShownItemValue(state, state.StatusItem, device)));
}

bool ApplyViewKey(Key key, TPlayerSession& session, Kivo_tlb::TKIVODeviceType device) {
  if (key == Key::T) {
    ToggleStayOnTop(session.State(), session.Clients());
    return true;
  }
  if (key == Key::D) {
    NextStatusItem(session.State(), session.Clients(), device);
    return true;
  }
  return false;
}

std::int32_t ClickValue(WindowPoint point) {
  const auto x = static_cast<std::uint16_t>(static_cast<std::int16_t>(point.X));
  const auto y = static_cast<std::uint16_t>(static_cast<std::int16_t>(point.Y));
  return static_cast<std::int32_t>(x | (std::uint32_t{y} << 16));
}

bool HandleViewEvent(const ViewEvent& event, TPlayerSession& session) {
  if (const auto* click = std::get_if<PictureDoubleClick>(&event)) {
    // Only a panel answers: the window around the panels is no panel.
    TControl* hit = HitTest(session.Window(), click->At.X, click->At.Y);
    if (hit != nullptr && hit != &session.Window())
      Notify(session, StatusNotification(stDblClick, ClickValue(click->At)));
    return true;
  }
  if (const auto* button = std::get_if<ButtonClick>(&event)) {
    PressButton(button->Button, session);
    return true;
  }
  if (const auto* change = std::get_if<WindowStateChange>(&event)) {
    const TStatusCode code =
        change->State == WindowStateChange::TState::Active ? stActive : stMinimize;
    Notify(session, StatusNotification(code, change->On ? 1 : 0));
    return true;
  }
  return false;
}

}  // namespace kivo
