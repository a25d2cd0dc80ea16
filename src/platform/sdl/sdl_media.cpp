#include "platform/sdl/sdl_media.h"

#include "platform/sdl/sdl_media_impl.h"

namespace zepa::platform {
namespace sdl_media_parts {

SdlMedia* g_media = nullptr;

}  // namespace sdl_media_parts

std::unique_ptr<Media> CreateSdlMedia() { return std::make_unique<sdl_media_parts::SdlMedia>(); }

}  // namespace zepa::platform
