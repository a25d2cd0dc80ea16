#pragma once
// The game window's frames on the screen, drawn only where the frame
// changed: through the window's own surface, scaled there by
// platform/frame_scaler.h when the window is larger, or through a GPU's
// renderer when there is one (see platform/present_path.h).
#include <SDL.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/damage.h"
#include "platform/frame_scaler.h"
#include "platform/game_rect.h"
#include "platform/present_path.h"
#include "platform/surface.h"

namespace zepa::platform {

class Presenter {
 public:
  Presenter() = default;
  ~Presenter();
  Presenter(const Presenter&) = delete;
  Presenter& operator=(const Presenter&) = delete;

  /// Chooses the path for `window` as it is now and clears it to black.
  /// False, with the reason in SDL_GetError, when nothing can draw on it.
  bool Open(SDL_Window* window);
  /// Lets go of the renderer; the window can then be destroyed.
  void Close();

  /// Brings the screen up to `display` with the overlay over it; pushes
  /// only the rectangles that changed since the last call. True when
  /// something reached the screen.
  bool Show(const Surface& display);
  /// As Show, for a frame that changed everywhere: pushed whole without
  /// comparing, and the next Show pushes whole again (the copy it compares
  /// with is not kept up meanwhile).
  bool ShowWhole(const Surface& display);
  /// Pushes the last frame again whole (the window was uncovered).
  void Expose();
  /// The window's size changed: the path is chosen again when the new
  /// size needs it, and the next frame is pushed whole.
  void Resized();

  void SetOverlay(int left, int top, const Surface& image);
  void ClearOverlay();
  bool overlay_shown() const { return overlay_shown_; }
  /// The player's mark, drawn over the overlay; an empty image removes it.
  void SetBadge(int left, int top, const Surface& image);

  /// How the display is scaled to the window; the next frame is pushed
  /// whole.
  void SetScaleMode(ScaleMode mode);
  ScaleMode scale_mode() const { return scale_mode_; }

  PresentPath path() const { return path_; }
  int logical_width() const { return logical_width_; }
  int logical_height() const { return logical_height_; }
  /// Where the display lies in the window, in the window's pixels.
  const GameRect& game_rect() const { return game_rect_; }
  /// The window's size in pixels as last measured.
  int output_width() const { return output_width_; }
  int output_height() const { return output_height_; }
  /// The display pixel under a point in the window's coordinates (those of
  /// mouse events); nullopt on the bars.
  std::optional<GamePoint> ToDisplay(int x, int y) const;

 private:
  PresentFacts Facts() const;
  // Probes an accelerated renderer when the facts ask for it and takes the
  // path they give. False when no renderer the path needs can be made.
  bool ChoosePath();
  bool UseRenderer(PresentPath path);
  // The frame as the player sees it: the display, with the overlay drawn
  // over it when one is shown.
  const Surface& Compose(const Surface& display);
  // Sets `shadow_written` when it also brought `shown_` up to the frame.
  bool PushToSurface(const Surface& frame, const std::vector<DamageRect>& rects,
                     bool* shadow_written);
  bool PushScaled(const Surface& frame, const std::vector<DamageRect>& rects,
                  bool* shadow_written);
  bool PushToRenderer(const Surface& frame, const std::vector<DamageRect>& rects);
  // Measures the window and places the display in it.
  void PlaceDisplay();
  // Draws the uploaded frame into the window as the mode wants it, the
  // pixel-even step only where `rects` changed (all of it when null).
  void RenderScaled(const std::vector<DamageRect>* rects);
  // The texture of the display at the whole factor, for the sharp mode;
  // null when the mode or the size needs none.
  SDL_Texture* EvenTexture(bool* fresh);
  // The display at the whole factor `k` fills the game's rectangle exactly.
  bool FillsWholly(int k) const;

  SDL_Window* window_ = nullptr;
  PresentPath path_ = PresentPath::kWindowSurface;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  SDL_Texture* even_ = nullptr;  // the display at the whole factor (sharp)
  int even_factor_ = 0;
  int logical_width_ = 640;
  int logical_height_ = 480;
  ScaleMode scale_mode_ = ScaleMode::kSharp;
  GameRect game_rect_{0, 0, 640, 480};
  int output_width_ = 640;
  int output_height_ = 480;
  int window_width_ = 640;  // in the coordinates of mouse events
  int window_height_ = 480;

  // The display drawn at its own size, or scaled by plan_ into game_rect_.
  bool one_to_one_ = true;
  ScalePlan plan_;
  std::vector<uint32_t> source_;  // the display in the screen's pixels
  ScaleScratch scratch_;
  bool bars_drawn_ = false;
  // What a probed accelerated renderer said of itself (no name: none came).
  bool probed_ = false;
  std::string probed_name_;
  std::string probed_gl_;
  bool probed_software_flag_ = false;

  Surface shown_;  // what the screen holds now
  bool shown_valid_ = false;
  bool pushed_any_ = false;  // a frame reached this window, so Expose has one
  Surface composed_;

  Surface overlay_image_;
  int overlay_left_ = 0;
  int overlay_top_ = 0;
  bool overlay_shown_ = false;

  Surface badge_image_;
  int badge_left_ = 0;
  int badge_top_ = 0;
};

}  // namespace zepa::platform
