// The clients attached to the player, each with its message window and the
// event mask it asked for. Notifications are posted, so that a client's
// handler never runs inside the player operation that caused it.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "platform/win/WinTypes.h"
#include "player/notify/Notifications.h"

namespace kivo {

class TClientList {
 public:
  // `messageId` is the number of "WM_KIVO".
  explicit TClientList(UINT messageId) : FMessageId(messageId) {}
  // The clients still attached take back the close left with them.
  ~TClientList();
  TClientList(const TClientList&) = delete;
  TClientList& operator=(const TClientList&) = delete;

  UINT MessageId() const { return FMessageId; }

  // A client attaches with every class but the optional ones; attaching a
  // window again keeps its mask. A client in another process is left the
  // close notification its process makes should this one end without
  // closing (killed): it hears the player close as it does in order.
  void Attach(HWND window);
  bool Detach(HWND window);
  bool Contains(HWND window) const;
  std::size_t Count() const { return FClients.size(); }

  std::optional<DWORD> Mask(HWND window) const;
  // Whether any client's mask holds the class.
  bool Wants(DWORD notificationClass) const;
  // False for a window that is not attached.
  bool SetMask(HWND window, DWORD mask);

  // Posts to every client whose mask holds the notification's class. A
  // client whose window is gone is dropped, and so is one whose process
  // has stopped taking them (it hears an abort once it reads again).
  void Notify(const TNotification& notification);
  // Posts to every client whatever its mask (a relay, not a notification
  // of the player's own); a client whose window is gone is dropped.
  void NotifyAll(const TNotification& notification);
  // As Notify, to the clients of this process alone: the plug-in, when
  // only it is started again.
  void NotifyInProcess(const TNotification& notification);
  // Posts to one window, attached or not; false when it is gone.
  bool NotifyWindow(HWND window, const TNotification& notification) const;

 private:
  struct TClient {
    HWND Window;
    DWORD Mask;
    bool InProcess;
  };
  TClient* Find(HWND window);
  void NotifyWhere(const TNotification& notification, bool inProcessOnly);
  void DropFailed(HWND window);
  void PostOwedAborts();
  const TClient* Find(HWND window) const;

  UINT FMessageId;
  std::vector<TClient> FClients;
  // Clients dropped for taking no notifications (their process stopped):
  // each is told with an abort notification once its backlog lets one in,
  // after everything it was sent before.
  std::vector<HWND> FOwedAborts;
};

}  // namespace kivo
