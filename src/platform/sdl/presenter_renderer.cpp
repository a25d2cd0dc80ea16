// The display drawn through SDL's renderer: on a GPU, which scales for
// next to nothing, or through SDL's own software renderer when asked for.
#include <SDL.h>

#include <vector>

#include "platform/frame_scaler.h"
#include "platform/sdl/presenter.h"
#include "platform/sdl/presenter_parts.h"

namespace zepa::platform {

bool Presenter::PushToRenderer(const Surface& frame, const std::vector<DamageRect>& rects) {
  int w = 0, h = 0;
  if (texture_) SDL_QueryTexture(texture_, nullptr, nullptr, &w, &h);
  std::vector<DamageRect> upload = rects;
  bool whole = false;
  if (!texture_ || w != frame.width || h != frame.height) {
    if (texture_) SDL_DestroyTexture(texture_);
    // Four bytes a pixel, as the screen has them: the renderer's scaling
    // then copies without converting each pixel again.
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                 frame.width, frame.height);
    if (!texture_) return false;
    upload.assign(1, DamageRect{0, 0, frame.width, frame.height});
    whole = true;
  }
  for (const DamageRect& want : upload) {
    const DamageRect r = Clip(want, frame.width, frame.height);
    if (r.Empty()) continue;
    const SDL_Rect area{r.x, r.y, r.w, r.h};
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture_, &area, &pixels, &pitch) != 0) return false;
    ToScreenPixels(frame, r, static_cast<uint8_t*>(pixels), pitch, nullptr);
    SDL_UnlockTexture(texture_);
  }
  RenderScaled(whole ? nullptr : &upload);
  return true;
}

SDL_Texture* Presenter::EvenTexture(bool* fresh) {
  *fresh = false;
  const int k = WholeFactor(game_rect_, logical_width_, logical_height_);
  // Where the whole factor fills the rectangle already, nearest pixels
  // alone give the sharp picture; below a factor of 2 the display itself is
  // the whole-factor picture, smoothed straight into the rectangle.
  if (scale_mode_ != ScaleMode::kSharp || k < 2 || FillsWholly(k)) {
    if (even_) SDL_DestroyTexture(even_);
    even_ = nullptr;
    return nullptr;
  }
  if (even_ && even_factor_ == k) return even_;
  if (even_) SDL_DestroyTexture(even_);
  even_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_TARGET,
                            logical_width_ * k, logical_height_ * k);
  even_factor_ = k;
  if (!even_) return nullptr;
  SDL_SetTextureScaleMode(even_, SDL_ScaleModeLinear);
  *fresh = true;
  return even_;
}

bool Presenter::FillsWholly(int k) const {
  return game_rect_.width == logical_width_ * k && game_rect_.height == logical_height_ * k;
}

void Presenter::RenderScaled(const std::vector<DamageRect>* rects) {
  if (!texture_) return;
  bool fresh = false;
  SDL_Texture* even = EvenTexture(&fresh);
  // The display is smoothed into the rectangle in the smooth mode, and in
  // the sharp one when no whole-factor step comes between; else its pixels
  // are taken whole (into the rectangle or the whole-factor step).
  const bool sharp_smoothed =
      scale_mode_ == ScaleMode::kSharp && !even &&
      !FillsWholly(WholeFactor(game_rect_, logical_width_, logical_height_));
  SDL_SetTextureScaleMode(texture_, scale_mode_ == ScaleMode::kSmooth || sharp_smoothed
                                        ? SDL_ScaleModeLinear
                                        : SDL_ScaleModeNearest);
  if (even && SDL_SetRenderTarget(renderer_, even) == 0) {
    const int k = even_factor_;
    if (fresh || !rects) {
      SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    } else {
      for (const DamageRect& want : *rects) {
        const DamageRect r = Clip(want, logical_width_, logical_height_);
        if (r.Empty()) continue;
        const SDL_Rect from{r.x, r.y, r.w, r.h};
        const SDL_Rect to{r.x * k, r.y * k, r.w * k, r.h * k};
        SDL_RenderCopy(renderer_, texture_, &from, &to);
      }
    }
    SDL_SetRenderTarget(renderer_, nullptr);
  } else {
    even = nullptr;
  }
  const GameRect& g = game_rect_;
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  for (const SDL_Rect& bar : Bars(g, output_width_, output_height_))
    if (bar.w > 0 && bar.h > 0) SDL_RenderFillRect(renderer_, &bar);
  const SDL_Rect dst{g.x, g.y, g.width, g.height};
  SDL_RenderCopy(renderer_, even ? even : texture_, nullptr, &dst);
  SDL_RenderPresent(renderer_);
}

}  // namespace zepa::platform
