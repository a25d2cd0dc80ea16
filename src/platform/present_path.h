#pragma once
// How the game window's frames reach the screen, decided from what the
// window system reports. Without a real GPU no renderer is needed at all:
// the frames are copied (scaled, for a larger window or full screen) into
// the window's own surface, rectangle by rectangle, and no graphics driver
// is loaded. A real GPU's renderer scales a larger window for less; a
// software rasteriser posing as a GPU (Mesa's llvmpipe and softpipe) does
// not.
#include <optional>
#include <string>
#include <string_view>

namespace zepa::platform {

enum class PresentPath {
  kWindowSurface,     // copy (and scale) changed rectangles into the window's surface
  kSoftwareRenderer,  // SDL's own software renderer: screens of other pixel formats
  kGpuRenderer,       // an accelerated renderer on a real GPU
};

/// What the choice is made from.
struct PresentFacts {
  int window_width = 0;  // the window's drawable size in pixels
  int window_height = 0;
  int logical_width = 640;  // the game's display
  int logical_height = 480;
  bool full_screen = false;
  /// The machine offers a GPU render device at all; without one there is
  /// nothing to probe.
  bool gpu_device = false;
  /// An accelerated renderer was made to see what it is (once a window).
  bool renderer_probed = false;
  /// From a probed accelerated renderer: its name ("opengl", "opengles2",
  /// "software") and, for OpenGL, the GL renderer string ("llvmpipe (LLVM
  /// 15.0.6, 256 bits)"). Empty when no renderer was probed.
  std::string renderer_name;
  std::string gl_renderer;
  /// The renderer said of itself that it draws in software.
  bool renderer_software_flag = false;
  /// A path named by the player (the environment) wins over the rules.
  std::optional<PresentPath> forced;
};

/// The window shows the display pixel for pixel, so no renderer is needed.
bool ShowsOneToOne(const PresentFacts& facts);

/// Whether an accelerated renderer must be created to see what it is before
/// the choice can be made. Never for a 1:1 window, without a GPU device or
/// a second time, since creating one loads a graphics driver.
bool NeedsRendererProbe(const PresentFacts& facts);

/// Names that mean "the GPU is emulated on the CPU".
bool IsSoftwareRasterizer(std::string_view renderer_name, std::string_view gl_renderer,
                          bool software_flag);

PresentPath ChoosePresentPath(const PresentFacts& facts);

/// "surface", "software", "gpu" (the values of ZEPA_PRESENT); nullopt for
/// anything else.
std::optional<PresentPath> ParsePresentPath(std::string_view name);
const char* PresentPathName(PresentPath path);

}  // namespace zepa::platform
