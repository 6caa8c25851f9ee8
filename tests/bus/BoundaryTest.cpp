// The bus as a boundary: the headless player started as a client starts
// it, and two connections of this test that speak to it as any program on
// the session bus could, hostile or broken ones included.
#include <gtest/gtest.h>
#include <signal.h>
#include <sdbus-c++/sdbus-c++.h>

#include <memory>
#include <string>

#include "hostlink/Kivo_tlb.h"
#include "platform/com/ComBase.h"
#include "platform/com/IncomingObjectCalls.h"
#include "platform/win/Messages.h"
#include "tests/bus/PlayerStage.h"

namespace {

using bus_test::THostLinkStage;
using bus_test::TStartedPlayer;

constexpr const char* kRefused = "org.kolmira.Error.InvalidArgument";
constexpr const char* kWindowsPath = "/org/kolmira/Windows";
constexpr const char* kWindows = "org.kolmira.Windows";
constexpr const char* kObjectsPath = "/org/kolmira/Objects";
constexpr const char* kObjects = "org.kolmira.Objects";
constexpr std::int64_t kPointerLike = 0x4141414141;
constexpr std::int64_t kNarrowPointerLike = 0x41414140;

std::string Hex(REFGUID guid) {
  std::string hex;
  for (const char c : GUIDToString(guid))
    if (c != '{' && c != '}' && c != '-') hex += c;
  return hex;
}

// The argument an error reply names, or "" for a call that was not refused.
template <class TCall>
std::string RefusedArgument(TCall&& call) {
  try {
    call();
  } catch (const sdbus::Error& error) {
    if (error.getName() != kRefused) return "other error " + error.getName();
    return error.getMessage().substr(0, error.getMessage().find(':'));
  }
  return "";
}

// A peer of the bus that is not a program of this system.
class TStranger {
 public:
  explicit TStranger(HWND playerWindow)
      : FConnection(sdbus::createSessionBusConnection()),
        FWindows(sdbus::createProxy(
            *FConnection,
            "org.kolmira.Platform.B" +
                std::to_string(reinterpret_cast<std::uintptr_t>(playerWindow) >> 20),
            kWindowsPath)),
        FObjects(sdbus::createProxy(*FConnection,
                                    "org.kolmira.Class.C" + Hex(Kivo_tlb::CLSID_KIVOControl),
                                    kObjectsPath)),
        FControl(sdbus::createProxy(*FConnection,
                                    "org.kolmira.Class.C" + Hex(Kivo_tlb::CLSID_KIVOControl),
                                    "/org/kolmira/Objects/I" + Hex(Kivo_tlb::IID_IKIVOControl))) {}

  sdbus::IProxy& Windows() { return *FWindows; }
  sdbus::IProxy& Objects() { return *FObjects; }

  bool IsWindow(std::uint32_t window) {
    bool exists = false;
    FWindows->callMethod("IsWindow").onInterface(kWindows).withArguments(window).storeResultsTo(
        exists);
    return exists;
  }
  bool Post(std::uint32_t window, std::uint32_t message, std::uint64_t wParam,
            std::int64_t lParam) {
    bool posted = false;
    FWindows->callMethod("Post")
        .onInterface(kWindows)
        .withArguments(window, message, wParam, lParam)
        .storeResultsTo(posted);
    return posted;
  }
  std::uint64_t Create() {
    std::int32_t result = 0;
    std::uint64_t id = 0;
    FObjects->callMethod("CreateInstance")
        .onInterface(kObjects)
        .withArguments(GUIDToString(Kivo_tlb::CLSID_KIVOControl),
                       GUIDToString(Kivo_tlb::IID_IKIVOControl))
        .storeResultsTo(result, id);
    EXPECT_EQ(result, S_OK);
    return id;
  }
  std::uint32_t Count(const char* method, std::uint64_t id) {
    std::uint32_t count = 0;
    FObjects->callMethod(method).onInterface(kObjects).withArguments(id).storeResultsTo(count);
    return count;
  }
  std::int32_t Query(std::uint64_t id, const std::string& iid) {
    std::int32_t result = 0;
    FObjects->callMethod("QueryInterface")
        .onInterface(kObjects)
        .withArguments(id, iid)
        .storeResultsTo(result);
    return result;
  }
  std::int32_t Version(std::uint64_t id) {
    std::int32_t result = 0;
    std::int32_t version = 0;
    FControl->callMethod("get_Version")
        .onInterface("org.kolmira.I" + Hex(Kivo_tlb::IID_IKIVOControl))
        .withArguments(id)
        .storeResultsTo(result, version);
    EXPECT_EQ(result, S_OK);
    return version;
  }
  std::int32_t SetSkin(std::uint64_t id, const std::vector<std::uint16_t>& text) {
    std::int32_t result = 0;
    FControl->callMethod("set_Skin")
        .onInterface("org.kolmira.I" + Hex(Kivo_tlb::IID_IKIVOControl))
        .withArguments(id, text)
        .storeResultsTo(result);
    return result;
  }

 private:
  std::unique_ptr<sdbus::IConnection> FConnection;
  std::unique_ptr<sdbus::IProxy> FWindows;
  std::unique_ptr<sdbus::IProxy> FObjects;
  std::unique_ptr<sdbus::IProxy> FControl;
};

class BoundaryTest : public ::testing::Test {
 protected:
  THostLinkStage FStage;
  TStartedPlayer FPlayer;
  HWND FMain = FindWindowA("TFormKIVO", nullptr);
  std::uint32_t FMainNumber = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(FMain));

  // The player's process still runs and answers; its demo track may have
  // ended meanwhile, which stops it without ending it.
  void ExpectStillPlaying() {
    EXPECT_EQ(::kill(FPlayer.Pid(), 0), 0);
    const auto [status, code] = FStage.Remote({"status"});
    EXPECT_EQ(code, 0);
    EXPECT_NE(status.find("\"title\":\"Demo\""), std::string::npos) << status;
  }
};

TEST_F(BoundaryTest, EveryMessageNumberWithPointerValuesToEveryHandleLeavesThePlayerPlaying) {
  ASSERT_NE(FMain, nullptr);
  TStranger stranger(FMain);
  // The player's windows are counted on from its main window's number, the
  // hidden ones among them: those it makes as it starts lie just after it.
  for (std::uint32_t window = FMainNumber - 4; window <= FMainNumber + 12; window += 2) {
    for (std::uint32_t message = 0; message <= 0xFFFF; ++message) {
      const std::int64_t lParam = (message & 1) != 0 ? kPointerLike : kNarrowPointerLike;
      stranger.Windows()
          .callMethod("Post")
          .onInterface(kWindows)
          .withArguments(window, message, std::uint64_t{0x41414140}, lParam)
          .dontExpectReply();
      // Now and then a call that waits, so that the posts do not outrun
      // the player's bus thread without end.
      if ((message & 0xFFF) == 0xFFF) stranger.IsWindow(window);
    }
  }
  EXPECT_TRUE(stranger.IsWindow(FMainNumber));
  ExpectStillPlaying();
}

TEST_F(BoundaryTest, APrivateMessageOrAWideValueIsRefusedNamingTheArgument) {
  TStranger stranger(FMain);
  EXPECT_EQ(RefusedArgument([&] { stranger.Post(FMainNumber, 0x8300, 0, kPointerLike); }),
            "message");
  EXPECT_EQ(RefusedArgument([&] { stranger.Post(FMainNumber, WM_USER, 0, 0); }), "message");
  EXPECT_EQ(RefusedArgument([&] { stranger.Post(FMainNumber, WM_QUIT, 0, 0); }), "message");
  const UINT kivo = RegisterWindowMessageA("WM_KIVO");
  EXPECT_EQ(RefusedArgument([&] { stranger.Post(FMainNumber, kivo, 1ull << 40, 0); }), "wParam");
  EXPECT_EQ(RefusedArgument([&] { stranger.Post(FMainNumber, kivo, 0, kPointerLike); }), "lParam");
  EXPECT_EQ(RefusedArgument([&] { stranger.Post(0x7FFFFFFE, kivo, 0, 0); }), "window");
  EXPECT_EQ(RefusedArgument([&] { stranger.IsWindow(0xFFFFFFFF); }), "window");
  EXPECT_EQ(RefusedArgument([&] {
              std::uint32_t outcome = 0;
              std::int64_t result = 0;
              stranger.Windows()
                  .callMethod("Send")
                  .onInterface(kWindows)
                  .withArguments(FMainNumber, kivo, std::uint64_t{0}, std::int64_t{0},
                                 std::uint32_t{0x80}, UINT64_MAX)
                  .storeResultsTo(outcome, result);
            }),
            "flags");
  EXPECT_EQ(RefusedArgument([&] {
              bool left = false;
              stranger.Windows()
                  .callMethod("PostOnExit")
                  .onInterface(kWindows)
                  .withArguments(FMainNumber, std::uint32_t{0x8300}, std::uint64_t{0},
                                 kPointerLike)
                  .storeResultsTo(left);
            }),
            "message");
  EXPECT_EQ(RefusedArgument([&] {
              bool exists = false;
              stranger.Windows()
                  .callMethod("CancelPostOnExit")
                  .onInterface(kWindows)
                  .withArguments(std::uint32_t{0xFFFF})
                  .storeResultsTo(exists);
            }),
            "window");
  // The protocol's own message to the published window still goes in.
  EXPECT_TRUE(stranger.Post(FMainNumber, kivo, 0, 0));
  ExpectStillPlaying();
}

TEST_F(BoundaryTest, HiddenWindowsAreNoWindowsToAnotherProcess) {
  TStranger stranger(FMain);
  const UINT kivo = RegisterWindowMessageA("WM_KIVO");
  for (std::uint32_t window = FMainNumber - 16; window <= FMainNumber + 32; window += 2) {
    if (window == FMainNumber) continue;
    EXPECT_FALSE(stranger.IsWindow(window)) << window;
    EXPECT_FALSE(stranger.Post(window, kivo, 0, 0)) << window;
  }
  EXPECT_TRUE(stranger.IsWindow(FMainNumber));
}

TEST_F(BoundaryTest, AnotherPeersReleaseOfAnObjectFailsAndItsHolderStillUsesIt) {
  TStranger holder(FMain);
  TStranger other(FMain);
  const std::uint64_t id = holder.Create();
  ASSERT_NE(id, 0u);

  EXPECT_EQ(RefusedArgument([&] { other.Count("Release", id); }), "id");
  EXPECT_EQ(RefusedArgument([&] { other.Count("AddRef", id); }), "id");
  EXPECT_EQ(RefusedArgument([&] { other.Query(id, GUIDToString(IID_IUnknown)); }), "id");
  EXPECT_EQ(RefusedArgument([&] { other.Version(id); }), "id");

  EXPECT_GE(holder.Version(id), 6100);
  EXPECT_EQ(holder.Count("AddRef", id), 2u);
  EXPECT_EQ(holder.Count("Release", id), 1u);
  EXPECT_EQ(holder.Query(id, GUIDToString(Kivo_tlb::IID_IKIVOControl)), S_OK);
  EXPECT_EQ(holder.Count("Release", id), 0u);
  // Its last reference gone, the id is nobody's.
  EXPECT_EQ(RefusedArgument([&] { holder.Count("Release", id); }), "id");
  EXPECT_EQ(RefusedArgument([&] { holder.Version(id); }), "id");
  ExpectStillPlaying();
}

TEST_F(BoundaryTest, AnObjectOutlivesAPeerThatLeftWhileAnotherHoldsItsOwn) {
  TStranger holder(FMain);
  const std::uint64_t kept = holder.Create();
  {
    TStranger leaving(FMain);
    const std::uint64_t dropped = leaving.Create();
    EXPECT_EQ(leaving.Count("AddRef", dropped), 2u);
  }
  EXPECT_GE(holder.Version(kept), 6100);
  EXPECT_EQ(holder.Count("Release", kept), 0u);
  ExpectStillPlaying();
}

TEST_F(BoundaryTest, MalformedObjectArgumentsAreRefusedNamingTheArgument) {
  TStranger stranger(FMain);
  const auto create = [&](const std::string& clsid, const std::string& iid) {
    std::int32_t result = 0;
    std::uint64_t id = 0;
    stranger.Objects()
        .callMethod("CreateInstance")
        .onInterface(kObjects)
        .withArguments(clsid, iid)
        .storeResultsTo(result, id);
  };
  EXPECT_EQ(RefusedArgument([&] { create("nonsense", GUIDToString(IID_IUnknown)); }), "clsid");
  EXPECT_EQ(RefusedArgument([&] { create(std::string(1 << 20, '{'), ""); }), "clsid");
  EXPECT_EQ(RefusedArgument([&] {
              create(GUIDToString(Kivo_tlb::CLSID_KIVOControl), "{83329E81-0A15-11D3-95BA-0048}");
            }),
            "iid");
  EXPECT_EQ(RefusedArgument([&] { stranger.Count("AddRef", 0); }), "id");
  EXPECT_EQ(RefusedArgument([&] { stranger.Count("Release", UINT64_MAX); }), "id");
  const std::uint64_t id = stranger.Create();
  EXPECT_EQ(RefusedArgument([&] { stranger.Query(id, "{not a guid}"); }), "iid");
  EXPECT_EQ(RefusedArgument([&] {
              stranger.SetSkin(id, std::vector<std::uint16_t>(TInValues::kLargestTexts / 2 + 1, 'a'));
            }),
            "texts");
  EXPECT_EQ(stranger.Count("Release", id), 0u);
  ExpectStillPlaying();
}

}  // namespace
