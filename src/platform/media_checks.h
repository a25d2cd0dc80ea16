#pragma once
// What the players tell from a media file itself, before any decoder sees it.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/status.h"

namespace zepa::platform {

/// Checks that `path` names a readable regular file (else kMissing or
/// kRefused), and that a WAVE file has a header that plays (else kInvalid).
Status CheckMediaFile(const std::string& path);

/// For a RIFF WAVE file, the length of the sample data actually present
/// (headers may claim far more than the file holds); nothing otherwise.
std::optional<uint32_t> WaveDataLimitMs(const std::string& path);

/// True for the extensions that the players hand to the movie decoder.
bool IsMovieFile(const std::string& path);
/// True for MIDI files by their extension.
bool IsMidiFile(const std::string& path);

/// The ripped tracks of a CD folder: track N is the first file among
/// trackN, trackNN, track_N and track_NN (any case) with the extension
/// .ogg, .flac, .wav or .mp3.
std::map<int, std::string> FindCdTracks(const std::string& folder);

/// The tracks of the CD folder `folder`; fails when it is not a folder:
/// what opening the CD player does in every backend.
Result<std::map<int, std::string>> OpenCdFolder(const std::string& folder);

}  // namespace zepa::platform
