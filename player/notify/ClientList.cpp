#include "player/notify/ClientList.h"

#include <algorithm>

#include "platform/win/Windows.h"

namespace kivo {

TClientList::TClient* TClientList::Find(HWND window) {
  const auto found =
      std::find_if(FClients.begin(), FClients.end(),
                   [window](const TClient& client) { return client.Window == window; });
  return found == FClients.end() ? nullptr : &*found;
}

const TClientList::TClient* TClientList::Find(HWND window) const {
  return const_cast<TClientList*>(this)->Find(window);
}

void TClientList::Attach(HWND window) {
  if (window == nullptr || Find(window) != nullptr) return;
  FClients.push_back({window, DefaultEventMask});
}

bool TClientList::Detach(HWND window) {
  const auto removed =
      std::erase_if(FClients, [window](const TClient& client) { return client.Window == window; });
  return removed > 0;
}

bool TClientList::Contains(HWND window) const { return Find(window) != nullptr; }

std::optional<DWORD> TClientList::Mask(HWND window) const {
  const TClient* client = Find(window);
  if (client == nullptr) return std::nullopt;
  return client->Mask;
}

bool TClientList::Wants(DWORD notificationClass) const {
  return std::any_of(FClients.begin(), FClients.end(), [notificationClass](const TClient& client) {
    return (client.Mask & notificationClass) != 0;
  });
}

bool TClientList::SetMask(HWND window, DWORD mask) {
  TClient* client = Find(window);
  if (client == nullptr) return false;
  client->Mask = mask;
  return true;
}

void TClientList::Notify(const TNotification& notification) {
  const DWORD notificationClass = NotificationClass(notification.WParam);
  if (notificationClass == 0) return;
  // Copied first: a client that is gone leaves the list meanwhile.
  const std::vector<TClient> clients = FClients;
  for (const TClient& client : clients) {
    if ((client.Mask & notificationClass) == 0) continue;
    if (!NotifyWindow(client.Window, notification)) Detach(client.Window);
  }
}

void TClientList::NotifyAll(const TNotification& notification) {
  const std::vector<TClient> clients = FClients;
  for (const TClient& client : clients)
    if (!NotifyWindow(client.Window, notification)) Detach(client.Window);
}

bool TClientList::NotifyWindow(HWND window, const TNotification& notification) const {
  return PostMessageA(window, FMessageId, notification.WParam, notification.LParam) != FALSE;
}

}  // namespace kivo
