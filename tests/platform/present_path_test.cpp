#include "platform/present_path.h"

#include <gtest/gtest.h>

namespace zepa::platform {
namespace {

constexpr const char* kLlvmpipe = "llvmpipe (LLVM 15.0.6, 256 bits)";

struct Row {
  const char* what;
  int window_w, window_h;
  bool full_screen;
  bool gpu_device;
  const char* renderer;  // the probed renderer's name, "" when none was probed
  const char* gl;
  bool software_flag;
  bool probe;  // NeedsRendererProbe before the probe
  PresentPath path;
};

// The table as the host meets it: first whether to probe (never for a 1:1
// window, never without a GPU device, never twice), then the path from what
// the probe said.
TEST(PresentPath, ChosenFromWhatTheWindowSystemReports) {
  const Row rows[] = {
      {"1:1 window, no GPU", 640, 480, false, false, "", "", false, false, PresentPath::kWindowSurface},
      {"1:1 window beside a GPU", 640, 480, false, true, "", "", false, false, PresentPath::kWindowSurface},
      {"1:1 full screen on a 640x480 screen", 640, 480, true, true, "", "", false, false,
       PresentPath::kWindowSurface},
      {"scaled window, no GPU", 1280, 960, false, false, "", "", false, false, PresentPath::kWindowSurface},
      {"full screen, no GPU", 1024, 768, true, false, "", "", false, false, PresentPath::kWindowSurface},
      {"full screen, GPU not yet probed", 1920, 1080, true, true, "", "", false, true,
       PresentPath::kWindowSurface},
      {"full screen on a real GPU", 1920, 1080, true, true, "opengl", "Mesa Intel(R) UHD Graphics 620", false,
       false, PresentPath::kGpuRenderer},
      {"scaled on GLES", 1280, 960, false, true, "opengles2", "Mali-G52", false, false,
       PresentPath::kGpuRenderer},
      {"full screen on llvmpipe", 1920, 1080, true, true, "opengl", kLlvmpipe, false, false,
       PresentPath::kWindowSurface},
      {"full screen on softpipe", 1920, 1080, true, true, "opengl", "softpipe", false, false,
       PresentPath::kWindowSurface},
      {"a renderer that says it is software", 1920, 1080, true, true, "opengl", "", true, false,
       PresentPath::kWindowSurface},
      {"SDL's software renderer itself", 1280, 960, false, true, "software", "", false, false,
       PresentPath::kWindowSurface},
      {"a GPU device whose renderer could not be made", 1280, 960, false, true, nullptr, "", false,
       false, PresentPath::kWindowSurface},
  };
  for (const Row& r : rows) {
    PresentFacts f;
    f.window_width = r.window_w;
    f.window_height = r.window_h;
    f.full_screen = r.full_screen;
    f.gpu_device = r.gpu_device;
    // nullptr: probed, and nothing came.
    f.renderer_probed = r.renderer == nullptr || *r.renderer != '\0';
    f.renderer_name = r.renderer ? r.renderer : "";
    f.gl_renderer = r.gl;
    f.renderer_software_flag = r.software_flag;
    EXPECT_EQ(NeedsRendererProbe(f), r.probe) << r.what;
    EXPECT_EQ(ChoosePresentPath(f), r.path) << r.what;
  }
}

TEST(PresentPath, APathNamedByThePlayerWinsWhereItCanDraw) {
  PresentFacts one_to_one;
  one_to_one.window_width = 640;
  one_to_one.window_height = 480;
  one_to_one.forced = PresentPath::kSoftwareRenderer;
  EXPECT_EQ(ChoosePresentPath(one_to_one), PresentPath::kSoftwareRenderer);
  EXPECT_FALSE(NeedsRendererProbe(one_to_one));
  // Asking for the GPU on a 1:1 window probes it, even without a device.
  one_to_one.forced = PresentPath::kGpuRenderer;
  EXPECT_TRUE(NeedsRendererProbe(one_to_one));
  EXPECT_EQ(ChoosePresentPath(one_to_one), PresentPath::kGpuRenderer);
  // The window's surface scales too; SDL's software renderer can be asked
  // for beside a GPU.
  PresentFacts scaled;
  scaled.window_width = 1280;
  scaled.window_height = 960;
  scaled.gpu_device = true;
  scaled.forced = PresentPath::kWindowSurface;
  EXPECT_FALSE(NeedsRendererProbe(scaled));
  EXPECT_EQ(ChoosePresentPath(scaled), PresentPath::kWindowSurface);
  scaled.forced = PresentPath::kSoftwareRenderer;
  EXPECT_EQ(ChoosePresentPath(scaled), PresentPath::kSoftwareRenderer);

  EXPECT_EQ(ParsePresentPath("Surface"), PresentPath::kWindowSurface);
  EXPECT_EQ(ParsePresentPath("software"), PresentPath::kSoftwareRenderer);
  EXPECT_EQ(ParsePresentPath("GPU"), PresentPath::kGpuRenderer);
  EXPECT_EQ(ParsePresentPath("opengl"), std::nullopt);
  for (PresentPath p : {PresentPath::kWindowSurface, PresentPath::kSoftwareRenderer, PresentPath::kGpuRenderer})
    EXPECT_EQ(ParsePresentPath(PresentPathName(p)), p);
}

}  // namespace
}  // namespace zepa::platform
