#pragma once
// Media players that make no sound but keep real time: a file plays for its
// decoded length on the virtual clock, and its end notice arrives from the
// headless pump at that moment. Movies decode their pictures on that clock.
#include <memory>

#include "platform/headless/headless_host.h"
#include "platform/media.h"
#include "platform/media_probe.h"

namespace zepa::platform {

/// Registers itself as the host's waker; destroy it before the host. Lengths
/// and movie pictures come from `probe`, which must outlive the players;
/// without one every length is 0 and movies do not open.
std::unique_ptr<Media> CreateSilentMedia(HeadlessHost& host, MediaProbe* probe);

}  // namespace zepa::platform
