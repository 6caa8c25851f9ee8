// kolmira.so as the player uses it: loaded with dlopen, its entries found
// by name, a whole run from start to stop, the levels read off the painted
// window. This program links the platform but none of the plug-in's code.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/render/Renderer.h"
#include "plugin/EntryPoints.h"
#include "tests/plugin/ControllerTestSupport.h"
#include "tests/plugin/PluginTestSupport.h"

namespace {

constexpr std::int32_t kPanelWidth = 200;

class PluginLibraryTest : public plugin_test::TPluginStage {
 protected:
  void SetUp() override {
    TPluginStage::SetUp();
    Library = dlopen(KOLMIRA_PLUGIN, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(Library, nullptr) << dlerror();
  }

  void TearDown() override {
    if (Library != nullptr) {
      if (const auto abort = Find<TPinAbort>("_pinAbort")) abort();
      dlclose(Library);
    }
    TPluginStage::TearDown();
  }

  template <class Function>
  Function Find(const char* name) const {
    return reinterpret_cast<Function>(dlsym(Library, name));
  }

  // The level a panel of the side-by-side skin shows for a band, read off
  // the painted window: the bands are columns of 20 pixels, their ten
  // segments rows of 10 pixels from the bottom, and an unlit segment shows
  // the black of the panel.
  static TBandLevels PaintedLevels(const TFrame& frame, std::int32_t panelLeft) {
    TBandLevels levels{};
    for (std::int32_t band = 0; band < 10; ++band) {
      for (std::int32_t segment = 0; segment < 10; ++segment) {
        const std::uint32_t pixel = frame.At(panelLeft + band * 20 + 10, 95 - segment * 10);
        if (pixel != FramePixel(clBlack)) ++levels[static_cast<std::size_t>(band)];
      }
    }
    return levels;
  }

  void* Library = nullptr;
};

TEST_F(PluginLibraryTest, ExportsTheEntriesTheHostLinkAndItsRegistration) {
  EXPECT_NE(dlsym(Library, "_pinRun"), nullptr);
  EXPECT_NE(dlsym(Library, "_pinSampling"), nullptr);
  EXPECT_NE(dlsym(Library, "_pinAbort"), nullptr);
  EXPECT_NE(dlsym(Library, "_ZN4Kivo8RegisterEv"), nullptr) << "Kivo::Register()";
  EXPECT_NE(dlsym(Library, "_ZN5TKIVO4BindEv"), nullptr) << "TKIVO::Bind()";
  EXPECT_NE(dlsym(Library, "_ZN5TKIVO12ShowToolMenuEv"), nullptr)
      << "TKIVO::ShowToolMenu(), which the plug-in itself never calls";
}

TEST_F(PluginLibraryTest, ARunShowsTheLevelsOfABlockOnBothPanels) {
  const auto run = Find<TPinRun>("_pinRun");
  const auto sampling = Find<TPinSampling>("_pinSampling");
  const auto abort = Find<TPinAbort>("_pinAbort");
  ASSERT_TRUE(run != nullptr && sampling != nullptr && abort != nullptr);
  WriteDesign(plugin_test::kSideBySideDesign);
  WriteSettings("[KIVO]\nSpeanaPattern=5\n");

  ASSERT_NE(run(&Host), 0);
  ASSERT_EQ(Host.Attached.size(), 2U);
  EXPECT_EQ(PaintedLevels(RenderControl(*Host.Window), 0), TBandLevels{});

  std::vector<std::uint32_t> frames = plugin_test::TwoToneFrames();
  TSampleBlock block = analysis_test::BlockOf(frames);
  EXPECT_EQ(sampling(&block), &block);
  const plugin_test::TExpectedLevels expected = plugin_test::LevelsOf(frames, 100, 5, 100);
  ASSERT_NE(expected.Left, TBandLevels{});
  ASSERT_NE(expected.Right, TBandLevels{});
  const TFrame shown = RenderControl(*Host.Window);
  EXPECT_EQ(PaintedLevels(shown, 0), expected.Left);
  EXPECT_EQ(PaintedLevels(shown, kPanelWidth), expected.Right);

  std::vector<std::uint32_t> silence(2048, 0);
  TSampleBlock quiet = analysis_test::BlockOf(silence);
  sampling(&quiet);
  const TFrame cleared = RenderControl(*Host.Window);
  EXPECT_EQ(PaintedLevels(cleared, 0), TBandLevels{});
  EXPECT_EQ(PaintedLevels(cleared, kPanelWidth), TBandLevels{});

  abort();
  EXPECT_EQ(Host.Window->ControlCount(), 0);
  EXPECT_EQ(Host.Owner->ComponentCount(), 0);
  EXPECT_EQ(sampling(&block), &block);
}

}  // namespace
