#include "player/notify/ClientList.h"

#include <algorithm>

#include "platform/win/Messages.h"

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

namespace {

bool InThisProcess(HWND window) {
  DWORD process = 0;
  return GetWindowThreadProcessId(window, &process) != 0 && process == GetCurrentProcessId();
}

}  // namespace

TClientList::~TClientList() {
  for (const TClient& client : FClients)
    if (!client.InProcess) CancelPostMessageOnExit(client.Window);
}

void TClientList::Attach(HWND window) {
  if (window == nullptr || Find(window) != nullptr) return;
  const bool inProcess = InThisProcess(window);
  FClients.push_back({window, DefaultEventMask, inProcess});
  if (!inProcess) PostMessageOnExit(window, FMessageId, ClassClose, LParamOf(kClosedByExit));
}

bool TClientList::Detach(HWND window) {
  const TClient* client = Find(window);
  if (client == nullptr) return false;
  if (!client->InProcess) CancelPostMessageOnExit(window);
  std::erase_if(FClients, [window](const TClient& each) { return each.Window == window; });
  return true;
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

void TClientList::Notify(const TNotification& notification) { NotifyWhere(notification, false); }

void TClientList::NotifyInProcess(const TNotification& notification) {
  NotifyWhere(notification, true);
}

void TClientList::NotifyWhere(const TNotification& notification, bool inProcessOnly) {
  const DWORD notificationClass = NotificationClass(notification.WParam);
  if (notificationClass == 0) return;
  PostOwedAborts();
  // Copied first: a client that is gone leaves the list meanwhile.
  const std::vector<TClient> clients = FClients;
  for (const TClient& client : clients) {
    if ((client.Mask & notificationClass) == 0 || (inProcessOnly && !client.InProcess)) continue;
    if (!NotifyWindow(client.Window, notification)) DropFailed(client.Window);
  }
}

void TClientList::NotifyAll(const TNotification& notification) {
  PostOwedAborts();
  const std::vector<TClient> clients = FClients;
  for (const TClient& client : clients)
    if (!NotifyWindow(client.Window, notification)) DropFailed(client.Window);
}

// Right after the post that failed, while its last error tells why.
void TClientList::DropFailed(HWND window) {
  const bool stalled = GetLastError() == ERROR_NOT_ENOUGH_QUOTA;
  Detach(window);
  if (stalled && std::find(FOwedAborts.begin(), FOwedAborts.end(), window) == FOwedAborts.end())
    FOwedAborts.push_back(window);
}

void TClientList::PostOwedAborts() {
  std::erase_if(FOwedAborts, [this](HWND window) {
    return NotifyWindow(window, {ClassAbort, 0}) || GetLastError() != ERROR_NOT_ENOUGH_QUOTA;
  });
}

bool TClientList::NotifyWindow(HWND window, const TNotification& notification) const {
  return PostMessageA(window, FMessageId, notification.WParam, notification.LParam) != FALSE;
}

}  // namespace kivo
