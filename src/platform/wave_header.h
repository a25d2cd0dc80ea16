#pragma once
// The format chunk of a RIFF WAVE file, checked before any decoder sees it:
// a header with no channels or a zero block size makes decoders divide by
// zero, so such a file is refused like any other that does not play.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace zepa::platform {

/// Reads up to `size` bytes at `offset` into `out`; the count read.
using ReadAt = std::function<size_t(uint64_t offset, uint8_t* out, size_t size)>;

/// What is wrong with the WAVE header that `read` gives, in a few words
/// ("the header says 0 channels"); nothing for a sound header, and nothing
/// for bytes that are not a RIFF WAVE file at all (other decoders judge
/// those).
std::optional<std::string> WaveHeaderProblem(const ReadAt& read);

/// The same for the file at `path`; nothing when it cannot be read.
std::optional<std::string> WaveFileProblem(const std::string& path);

}  // namespace zepa::platform
