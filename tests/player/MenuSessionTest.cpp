// The player's menu as the session tells its clients of it: the tool list
// read again on a client's tool change (items gone told with status 27), a
// client's item picked (class 0x800) and the tools submenu shown (status
// 22), heard by a TKIVO bound to the session in this process; and the show
// menu operations, which open the view's menu when there is a view.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "hostlink/Kivo.h"
#include "hostlink/KivoConstants.h"
#include "player/Session.h"
#include "player/menu/PlayerMenu.h"

namespace {

using namespace kivo;
namespace fs = std::filesystem;

class TMenuLog {
 public:
  void Menu(TObject* sender) {
    Picked.push_back(sender != nullptr ? static_cast<TKIVOMenu*>(sender)->MenuId : 0);
  }
  void Shown(TObject* sender) { Displayed.push_back(static_cast<TKIVOMenu*>(sender)->MenuId); }
  void Status(TObject*, DWORD code, int value) {
    if (code == stDeleteMenu) Deleted.push_back(value);
  }
  std::vector<int> Picked;
  std::vector<int> Displayed;
  std::vector<int> Deleted;
};

std::vector<std::int32_t> ToolIdsOf(const TPlayerSession& session) {
  std::vector<std::int32_t> ids;
  for (const TToolItem& item : session.Tools().Items()) ids.push_back(item.Id);
  return ids;
}

class MenuSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() / ("kivo-menu-session-" + std::to_string(getpid()));
    fs::create_directories(FDir);
    if (const char* old = std::getenv("KIVO_REGISTRY_DIR")) FOldRegistry = old;
    FOptions.Home = (FDir / "home").string();
    FOptions.PluginPath = (FDir / "none.so").string();
  }
  void TearDown() override {
    if (FOldRegistry.empty())
      unsetenv("KIVO_REGISTRY_DIR");
    else
      setenv("KIVO_REGISTRY_DIR", FOldRegistry.c_str(), 1);
    fs::remove_all(FDir);
  }

  void Listen(TKIVO& client) {
    client.OnMenu = TNotifyEvent(&FLog, &TMenuLog::Menu);
    client.OnDisplayMenu = TNotifyEvent(&FLog, &TMenuLog::Shown);
    client.OnStatus = TKIVOEvent(&FLog, &TMenuLog::Status);
  }
  fs::path Settings() const { return FDir / "home" / "kivo.ini"; }

  fs::path FDir;
  std::string FOldRegistry;
  TSessionOptions FOptions;
  TMenuLog FLog;
};

TEST_F(MenuSessionTest, AnUnreadableSettingsFileDeletesNoItemAndAGoneToolIsToldOnce) {
  TPlayerSession session(FOptions, "");
  TKIVO client(nullptr);
  Listen(client);
  client.Bind();
  ASSERT_TRUE(client.IsBound());
  client.SetTool("Alpha", "1");
  client.SetTool("Beta", "2");
  ProcessMessages();
  EXPECT_EQ(ToolIdsOf(session), (std::vector<std::int32_t>{0x5001, 0x5002}));

  // A settings file that cannot be read (here a folder in its place) is no
  // empty tool list.
  fs::rename(Settings(), FDir / "kept.ini");
  fs::create_directory(Settings());
  PostMessageA(session.MainWindow(), RegisterWindowMessageA("WM_KIVO"), ToolChangeMessage, 0);
  ProcessMessages();
  EXPECT_TRUE(FLog.Deleted.empty());
  EXPECT_EQ(ToolIdsOf(session), (std::vector<std::int32_t>{0x5001, 0x5002}));
  fs::remove(Settings());
  fs::rename(FDir / "kept.ini", Settings());

  client.DeleteTool("Beta");
  ProcessMessages();
  EXPECT_EQ(FLog.Deleted, std::vector<int>{0x5002});
  session.RereadTools();
  ProcessMessages();
  EXPECT_EQ(FLog.Deleted, std::vector<int>{0x5002}) << "told once";

  // A missing settings file has no tools: the last item goes too.
  fs::remove(Settings());
  session.RereadTools();
  ProcessMessages();
  EXPECT_EQ(FLog.Deleted, (std::vector<int>{0x5002, 0x5001}));
  EXPECT_TRUE(session.Tools().Items().empty());
  client.Unbind();
}

TEST_F(MenuSessionTest, PickedItemsAndTheShownToolsMenuReachEveryAttachedClient) {
  TPlayerSession session(FOptions, "");
  // Nobody attached: nothing to tell, nothing goes wrong.
  session.NotifyMenuPicked(0x5001);
  session.NotifyMenuShown(kToolsMenuId);
  ProcessMessages();

  TKIVO first(nullptr);
  TKIVO second(nullptr);
  Listen(first);
  TMenuLog secondLog;
  second.OnMenu = TNotifyEvent(&secondLog, &TMenuLog::Menu);
  first.Bind();
  second.Bind();
  ASSERT_TRUE(first.IsBound() && second.IsBound());
  session.NotifyMenuShown(kToolsMenuId);
  session.NotifyMenuPicked(0x5003);
  ProcessMessages();
  EXPECT_EQ(FLog.Displayed, std::vector<int>{kToolsMenuId});
  EXPECT_EQ(FLog.Picked, std::vector<int>{0x5003});
  EXPECT_EQ(secondLog.Picked, std::vector<int>{0x5003}) << "the list names no owner";
  EXPECT_EQ(first.GetMenu(0x5003), first.GetMenu(0x5003)) << "one wrapper per item";

  // A client that does not take the menu class does not hear it.
  first.SetEvent(DefaultEventMask & ~ClassMenu);
  session.NotifyMenuPicked(0x5004);
  ProcessMessages();
  EXPECT_EQ(FLog.Picked, std::vector<int>{0x5003});
  EXPECT_EQ(secondLog.Picked, (std::vector<int>{0x5003, 0x5004}));
  second.Unbind();
  first.Unbind();
}

TEST_F(MenuSessionTest, ShowMenuOpensTheViewsMenuWhenOneIsThereAndPrintsItOtherwise) {
  TPlayerSession session(FOptions, "");
  testing::internal::CaptureStdout();
  EXPECT_EQ(session.Control().ShowToolMenu(), S_OK);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Tools:\n");

  std::vector<std::int32_t> opened;
  session.SetMenuOpener([&opened](std::int32_t menuId) { opened.push_back(menuId); });
  testing::internal::CaptureStdout();
  EXPECT_EQ(session.Control().ShowMenu(), S_OK);
  EXPECT_EQ(session.Control().ShowToolMenu(), S_OK);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(opened, (std::vector<std::int32_t>{kMainMenuId, kToolsMenuId}));
  session.SetMenuOpener({});
}

}  // namespace
