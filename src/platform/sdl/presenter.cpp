#include "platform/sdl/presenter.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/frame_scaler.h"
#include "platform/log.h"
#include "platform/sdl/presenter_parts.h"

namespace zepa::platform {
namespace {

constexpr unsigned kGlRenderer = 0x1F01;  // GL_RENDERER, without including GL headers

// A render node is what a GPU driver offers; without one, any "accelerated"
// renderer is a rasteriser on the CPU.
bool HasGpuDevice() {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", ec)) {
    if (entry.path().filename().string().starts_with("renderD")) return true;
  }
  return false;
}

std::optional<PresentPath> ForcedPath() {
  const char* name = SDL_getenv("ZEPA_PRESENT");
  if (!name || !*name) return std::nullopt;
  const std::optional<PresentPath> path = ParsePresentPath(name);
  if (!path) LogWarning("zepa: ZEPA_PRESENT=%s: not surface, software or gpu; ignored\n", name);
  return path;
}

std::string GlRendererString() {
  using GetString = const unsigned char* (*)(unsigned);
  auto get = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
  const unsigned char* s = get ? get(kGlRenderer) : nullptr;
  return s ? std::string(reinterpret_cast<const char*>(s)) : std::string();
}

bool IsBgrx(const SDL_Surface* s) {
  return SDL_BYTEORDER == SDL_LIL_ENDIAN && (s->format->format == SDL_PIXELFORMAT_RGB888 ||
                                             s->format->format == SDL_PIXELFORMAT_ARGB8888);
}

void DrawOver(Surface& frame, int left, int top, const Surface& image) {
  for (int y = 0; y < image.height; ++y) {
    const int dy = top + y;
    if (dy < 0 || dy >= frame.height) continue;
    const int x0 = std::max(0, -left);
    const int x1 = std::min(image.width, frame.width - left);
    if (x0 >= x1) continue;
    std::memcpy(frame.Row(dy) + (left + x0) * 3, image.Row(y) + x0 * 3,
                static_cast<size_t>(x1 - x0) * 3);
  }
}

}  // namespace

Presenter::~Presenter() { Close(); }

void Presenter::Close() {
  if (even_) SDL_DestroyTexture(even_);
  even_ = nullptr;
  if (texture_) SDL_DestroyTexture(texture_);
  texture_ = nullptr;
  if (renderer_) SDL_DestroyRenderer(renderer_);
  renderer_ = nullptr;
  shown_valid_ = false;
}

PresentFacts Presenter::Facts() const {
  PresentFacts f;
  SDL_GetWindowSizeInPixels(window_, &f.window_width, &f.window_height);
  f.logical_width = logical_width_;
  f.logical_height = logical_height_;
  f.full_screen = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0;
  f.gpu_device = HasGpuDevice();
  f.forced = ForcedPath();
  f.renderer_probed = probed_;
  f.renderer_name = probed_name_;
  f.gl_renderer = probed_gl_;
  f.renderer_software_flag = probed_software_flag_;
  return f;
}

bool Presenter::Open(SDL_Window* window) {
  window_ = window;
  if (!ChoosePath()) return false;
  PlaceDisplay();
  if (path_ == PresentPath::kWindowSurface) {
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (!surface) return false;
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    bars_drawn_ = true;
  } else {
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderPresent(renderer_);
  }
  return true;
}

bool Presenter::ChoosePath() {
  PresentFacts facts = Facts();
  if (NeedsRendererProbe(facts)) {
    if (UseRenderer(PresentPath::kGpuRenderer) && path_ == PresentPath::kGpuRenderer) {
      SDL_RendererInfo info;
      if (SDL_GetRendererInfo(renderer_, &info) == 0) {
        facts.renderer_name = info.name ? info.name : "";
        facts.renderer_software_flag = (info.flags & SDL_RENDERER_SOFTWARE) != 0;
        if (facts.renderer_name.starts_with("opengl")) facts.gl_renderer = GlRendererString();
      }
    }
    // Probed once: creating a renderer loads a graphics driver.
    facts.renderer_probed = probed_ = true;
    probed_name_ = facts.renderer_name;
    probed_gl_ = facts.gl_renderer;
    probed_software_flag_ = facts.renderer_software_flag;
  }
  PresentPath next = ChoosePresentPath(facts);
  if (SDL_getenv("ZEPA_STATS"))
    LogInfo("zepa: presenting through %s%s%s\n", PresentPathName(next),
            facts.gl_renderer.empty() ? "" : ", probed ", facts.gl_renderer.c_str());
  if (next == PresentPath::kGpuRenderer && renderer_ && path_ == next) return true;
  if (next == PresentPath::kWindowSurface) {
    if (even_) SDL_DestroyTexture(even_);
    even_ = nullptr;
    if (texture_) SDL_DestroyTexture(texture_);
    texture_ = nullptr;
    if (renderer_) SDL_DestroyRenderer(renderer_);
    renderer_ = nullptr;
    path_ = next;
    shown_valid_ = false;
    PlaceDisplay();
    // The scaler writes 32-bit pixels; a screen of another kind is scaled
    // by SDL's renderer instead.
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (surface && (IsBgrx(surface) || ShowsOneToOne(facts))) return true;
    return UseRenderer(PresentPath::kSoftwareRenderer);
  }
  return UseRenderer(next);
}

bool Presenter::UseRenderer(PresentPath path) {
  if (even_) SDL_DestroyTexture(even_);
  even_ = nullptr;
  if (texture_) SDL_DestroyTexture(texture_);
  texture_ = nullptr;
  if (renderer_) SDL_DestroyRenderer(renderer_);
  renderer_ = nullptr;
  if (path == PresentPath::kGpuRenderer)
    renderer_ =
        SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
  if (!renderer_) {
    path = PresentPath::kSoftwareRenderer;
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  }
  if (!renderer_) return false;
  path_ = path;
  PlaceDisplay();
  shown_valid_ = false;
  return true;
}

void Presenter::PlaceDisplay() {
  SDL_GetWindowSize(window_, &window_width_, &window_height_);
  output_width_ = window_width_;
  output_height_ = window_height_;
  if (renderer_) {
    SDL_GetRendererOutputSize(renderer_, &output_width_, &output_height_);
  } else {
    SDL_GetWindowSizeInPixels(window_, &output_width_, &output_height_);
  }
  game_rect_ =
      FitGameRect(output_width_, output_height_, logical_width_, logical_height_, scale_mode_);
  one_to_one_ = game_rect_ == GameRect{0, 0, logical_width_, logical_height_};
  if (one_to_one_ || renderer_) {
    plan_ = ScalePlan{};
  } else if (!(plan_.rect == game_rect_) || plan_.source_w != logical_width_ ||
             plan_.source_h != logical_height_ || plan_.mode != scale_mode_) {
    // Opening and choosing the path both place the display: the tables are
    // made only when the placement changed.
    plan_ = PlanScale(logical_width_, logical_height_, game_rect_, scale_mode_);
  }
  bars_drawn_ = false;
}

void Presenter::SetScaleMode(ScaleMode mode) {
  if (mode == scale_mode_) return;
  scale_mode_ = mode;
  PlaceDisplay();
  shown_valid_ = false;
}

std::optional<GamePoint> Presenter::ToDisplay(int x, int y) const {
  // Mouse events come in the window's coordinates, which a high-density
  // screen makes smaller than its pixels.
  if (window_width_ > 0 && window_height_ > 0 &&
      (window_width_ != output_width_ || window_height_ != output_height_)) {
    x = static_cast<int>(int64_t{x} * output_width_ / window_width_);
    y = static_cast<int>(int64_t{y} * output_height_ / window_height_);
  }
  return WindowToGame(game_rect_, logical_width_, logical_height_, x, y);
}

const Surface& Presenter::Compose(const Surface& display) {
  const bool overlay = overlay_shown_ && !overlay_image_.Empty();
  if (!overlay && badge_image_.Empty()) return display;
  composed_ = display;
  if (overlay) DrawOver(composed_, overlay_left_, overlay_top_, overlay_image_);
  // The player's mark lies above a movie too.
  if (!badge_image_.Empty()) DrawOver(composed_, badge_left_, badge_top_, badge_image_);
  return composed_;
}

bool Presenter::Show(const Surface& display) {
  if (display.Empty() ||
      display.pixels.size() < static_cast<size_t>(display.width) * display.height * 3)
    return false;
  if (display.width != logical_width_ || display.height != logical_height_) {
    logical_width_ = display.width;
    logical_height_ = display.height;
    PlaceDisplay();
    shown_valid_ = false;
  }
  const Surface& frame = Compose(display);
  const std::vector<DamageRect> rects =
      shown_valid_ ? FindDamage(shown_, frame)
                   : std::vector<DamageRect>{DamageRect{0, 0, frame.width, frame.height}};
  if (rects.empty()) return false;
  // The copy to compare the next frame with: kept up to date by the push
  // where it can be, else copied here.
  bool shadow_written = false;
  const bool pushed = path_ == PresentPath::kWindowSurface
                          ? PushToSurface(frame, rects, &shadow_written)
                          : PushToRenderer(frame, rects);
  if (!pushed) {
    shown_valid_ = false;
    return false;
  }
  pushed_any_ = true;
  if (!shown_valid_) {
    shown_ = frame;
    shown_valid_ = true;
  } else if (!shadow_written) {
    CopyRects(frame, shown_, rects);
  }
  return true;
}

bool Presenter::ShowWhole(const Surface& display) {
  if (display.Empty() ||
      display.pixels.size() < static_cast<size_t>(display.width) * display.height * 3)
    return false;
  if (shown_valid_ && (display.width != shown_.width || display.height != shown_.height))
    return Show(display);
  if (display.width != logical_width_ || display.height != logical_height_ || overlay_shown_ ||
      !badge_image_.Empty())
    return Show(display);
  // Comparing a cross-fade's frames finds the whole frame changed every time;
  // skipping the comparison and the copy saves two passes over it.
  shown_valid_ = false;
  const std::vector<DamageRect> whole{DamageRect{0, 0, display.width, display.height}};
  bool shadow_written = false;
  const bool pushed = path_ == PresentPath::kWindowSurface
                          ? PushToSurface(display, whole, &shadow_written)
                          : PushToRenderer(display, whole);
  pushed_any_ = pushed_any_ || pushed;
  return pushed;
}

bool Presenter::PushToSurface(const Surface& frame, const std::vector<DamageRect>& rects,
                              bool* shadow_written) {
  if (!one_to_one_) return PushScaled(frame, rects, shadow_written);
  SDL_Surface* surface = SDL_GetWindowSurface(window_);
  if (!surface) return false;
  // Every damaged pixel lies inside the surface when it has the frame's
  // size, so the pass below writes the whole damage into the shadow.
  Surface* shadow =
      shown_valid_ && IsBgrx(surface) && surface->w >= frame.width && surface->h >= frame.height
          ? &shown_
          : nullptr;
  *shadow_written = shadow != nullptr;
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return false;
  std::vector<SDL_Rect> pushed;
  pushed.reserve(rects.size());
  for (const DamageRect& want : rects) {
    const DamageRect r =
        Clip(want, std::min(surface->w, frame.width), std::min(surface->h, frame.height));
    if (r.Empty()) continue;
    if (IsBgrx(surface)) {
      ToScreenPixels(frame, r,
                 static_cast<uint8_t*>(surface->pixels) +
                     static_cast<size_t>(r.y) * surface->pitch + r.x * 4,
                 surface->pitch, shadow);
    } else {
      uint8_t* dst = static_cast<uint8_t*>(surface->pixels) +
                     static_cast<size_t>(r.y) * surface->pitch +
                     r.x * surface->format->BytesPerPixel;
      SDL_ConvertPixels(r.w, r.h, SDL_PIXELFORMAT_BGR24, frame.Row(r.y) + r.x * 3, frame.Stride(),
                        surface->format->format, dst, surface->pitch);
    }
    pushed.push_back(SDL_Rect{r.x, r.y, r.w, r.h});
  }
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  if (pushed.empty()) return true;
  return SDL_UpdateWindowSurfaceRects(window_, pushed.data(), static_cast<int>(pushed.size())) == 0;
}

bool Presenter::PushScaled(const Surface& frame, const std::vector<DamageRect>& rects,
                           bool* shadow_written) {
  SDL_Surface* surface = SDL_GetWindowSurface(window_);
  if (!surface || !IsBgrx(surface)) return false;
  const GameRect& g = game_rect_;
  if (surface->w < g.x + g.width || surface->h < g.y + g.height) {
    // The window changed size since it was measured.
    PlaceDisplay();
    shown_valid_ = false;
    if (surface->w < g.x + g.width || surface->h < g.y + g.height) return false;
  }
  const size_t source_size = static_cast<size_t>(frame.width) * frame.height;
  const bool whole = !shown_valid_ || source_.size() != source_size;
  source_.resize(source_size);
  Surface* shadow = shown_valid_ ? &shown_ : nullptr;
  *shadow_written = shadow != nullptr;
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return false;
  std::vector<SDL_Rect> pushed;
  if (!bars_drawn_) {
    for (const SDL_Rect& bar : Bars(g, surface->w, surface->h))
      if (bar.w > 0 && bar.h > 0) {
        SDL_FillRect(surface, &bar, SDL_MapRGB(surface->format, 0, 0, 0));
        pushed.push_back(bar);
      }
    bars_drawn_ = true;
  }
  const std::vector<DamageRect> all{DamageRect{0, 0, frame.width, frame.height}};
  uint32_t* origin = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) +
                                                 static_cast<size_t>(g.y) * surface->pitch) +
                     g.x;
  for (const DamageRect& want : whole ? all : rects) {
    const DamageRect r = Clip(want, frame.width, frame.height);
    if (r.Empty()) continue;
    ToScreenPixels(frame, r,
                   reinterpret_cast<uint8_t*>(source_.data() + static_cast<size_t>(r.y) * frame.width + r.x),
                   frame.width * 4, shadow);
    const DamageRect area = ReachOf(plan_, r);
    if (area.Empty()) continue;
    DrawScaled(plan_, source_.data(), frame.width, area, origin, surface->pitch / 4, &scratch_);
    pushed.push_back(SDL_Rect{g.x + area.x, g.y + area.y, area.w, area.h});
  }
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  if (pushed.empty()) return true;
  return SDL_UpdateWindowSurfaceRects(window_, pushed.data(), static_cast<int>(pushed.size())) == 0;
}

void Presenter::Expose() {
  // A cross-fade leaves the comparison copy stale, not the screen: what was
  // pushed last is still there to show again.
  if (!pushed_any_) return;
  if (path_ == PresentPath::kWindowSurface) {
    SDL_UpdateWindowSurface(window_);
  } else if (texture_) {
    const std::vector<DamageRect> none;
    RenderScaled(&none);
  }
}

void Presenter::Resized() {
  shown_valid_ = false;
  PlaceDisplay();
  if (path_ != PresentPath::kWindowSurface || ShowsOneToOne(Facts())) return;
  // A GPU, when there is one, scales for less than the CPU can; once a
  // renderer draws on the window it stays, also at the window's own size.
  if (!ChoosePath()) LogError("zepa: cannot draw on the resized window: %s\n", SDL_GetError());
}

void Presenter::SetOverlay(int left, int top, const Surface& image) {
  overlay_image_ = image;
  overlay_left_ = left;
  overlay_top_ = top;
  overlay_shown_ = true;
}

void Presenter::SetBadge(int left, int top, const Surface& image) {
  badge_image_ = image;
  badge_left_ = left;
  badge_top_ = top;
}

void Presenter::ClearOverlay() {
  overlay_shown_ = false;
  overlay_image_ = Surface();
}

}  // namespace zepa::platform
