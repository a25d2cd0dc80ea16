#pragma once
// The one translation from SDL key codes to Windows virtual-key codes.
#include <SDL.h>

namespace zepa::platform {

/// The Windows virtual-key code of an SDL key, or 0 for a key the game's
/// tables have no code for.
int VirtualKeyFromSdl(SDL_Keycode key);

}  // namespace zepa::platform
