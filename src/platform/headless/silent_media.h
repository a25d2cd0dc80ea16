#pragma once
// Media players that make no sound but keep real time: a file plays for its
// decoded length on the virtual clock, and its end notice arrives from the
// headless pump at that moment. Movies decode their pictures on that clock.
#include <memory>

#include "platform/headless/headless_host.h"
#include "platform/media.h"

namespace zepa::platform {

/// Registers itself as the host's waker; destroy it before the host.
std::unique_ptr<Media> CreateSilentMedia(HeadlessHost& host);

}  // namespace zepa::platform
