#pragma once
// The one SDL audio device and SDL_mixer session of the process, shared by
// the real players and the silent ones (which only measure files), and the
// file probes both need.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/media_checks.h"

struct Mix_Chunk;

namespace zepa::platform {

/// Opens SDL audio and the mixer on first use; counted. `silent` asks for
/// SDL's dummy driver when nothing has opened audio yet. Fails when there
/// is no audio device.
Status AcquireAudio(bool silent);
void ReleaseAudio();

/// True when a MIDI patch set is there; the first time it is not, says so
/// once on standard error.
bool MidiPatchesReady();

/// A sound file decoded whole into a mixer chunk, or null with the error
/// set. The file is closed on every path: the mixer's own loader leaves it
/// open when its bytes are no format it knows, which on Windows keeps the
/// file from being replaced or deleted until the process ends.
Mix_Chunk* LoadChunk(const std::string& path);

/// The decoded length in ms of a file played as music or as a loaded chunk;
/// 0 when it cannot be told. Fails when the file does not load. Needs
/// AcquireAudio.
Result<uint32_t> ProbeMusicLength(const std::string& path);
Result<uint32_t> ProbeChunkLength(const std::string& path);

}  // namespace zepa::platform
