#include "platform/present_path.h"

#include "platform/ascii.h"

namespace zepa::platform {

bool ShowsOneToOne(const PresentFacts& f) {
  return f.window_width == f.logical_width && f.window_height == f.logical_height;
}

bool NeedsRendererProbe(const PresentFacts& f) {
  if (f.forced) return *f.forced == PresentPath::kGpuRenderer && !f.renderer_probed;
  return !ShowsOneToOne(f) && f.gpu_device && !f.renderer_probed;
}

bool IsSoftwareRasterizer(std::string_view renderer_name, std::string_view gl_renderer,
                          bool software_flag) {
  if (software_flag || EqualsNoCase(renderer_name, "software")) return true;
  const std::string gl = AsciiLowerCopy(gl_renderer);
  for (const char* name : {"llvmpipe", "softpipe", "swrast", "software rasterizer"})
    if (gl.find(name) != std::string::npos) return true;
  return false;
}

PresentPath ChoosePresentPath(const PresentFacts& f) {
  if (f.forced) return *f.forced;
  if (ShowsOneToOne(f)) return PresentPath::kWindowSurface;
  // Without a real GPU the window's own surface, scaled by our own code,
  // costs less than SDL's software renderer with its extra copies.
  if (!f.gpu_device || f.renderer_name.empty()) return PresentPath::kWindowSurface;
  if (IsSoftwareRasterizer(f.renderer_name, f.gl_renderer, f.renderer_software_flag))
    return PresentPath::kWindowSurface;
  return PresentPath::kGpuRenderer;
}

std::optional<PresentPath> ParsePresentPath(std::string_view name) {
  if (EqualsNoCase(name, "surface")) return PresentPath::kWindowSurface;
  if (EqualsNoCase(name, "software")) return PresentPath::kSoftwareRenderer;
  if (EqualsNoCase(name, "gpu")) return PresentPath::kGpuRenderer;
  return std::nullopt;
}

const char* PresentPathName(PresentPath path) {
  switch (path) {
    case PresentPath::kWindowSurface:
      return "surface";
    case PresentPath::kSoftwareRenderer:
      return "software";
    case PresentPath::kGpuRenderer:
      return "gpu";
  }
  return "surface";
}

}  // namespace zepa::platform
