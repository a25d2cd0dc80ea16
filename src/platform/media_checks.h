#pragma once
// What the players tell from a media file itself, before any decoder sees it.
// The checks that read the disk do it through the system's calls of
// platform/files.h, passed in (the system's by default), so the same checks
// serve every system.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/status.h"

namespace zepa::platform {

/// The system's calls the checks read the disk with.
using PathProbe = PathKind (*)(const std::string& path);
using FolderLister = std::optional<std::vector<DirEntry>> (*)(const std::string& path);
using ReaderOpener = std::unique_ptr<FileReader> (*)(const std::string& path);

/// Checks that `path` names a readable regular file (else kMissing or
/// kRefused), and that a WAVE file has a header that plays (else kInvalid).
Status CheckMediaFile(const std::string& path, PathProbe probe = ProbePath);

/// For a RIFF WAVE file, the length of the sample data actually present
/// (headers may claim far more than the file holds); nothing otherwise.
std::optional<uint32_t> WaveDataLimitMs(const std::string& path,
                                        ReaderOpener open = OpenFileReader);

/// True for the extensions that the players hand to the movie decoder.
bool IsMovieFile(const std::string& path);
/// True for MIDI files by their extension.
bool IsMidiFile(const std::string& path);

/// The ripped tracks of a CD folder: track N is the first file among
/// trackN, trackNN, track_N and track_NN (any case) with the extension
/// .ogg, .flac, .wav or .mp3.
std::map<int, std::string> FindCdTracks(const std::string& folder, FolderLister list = ListFolder);

/// The tracks of the CD folder `folder`; fails when it is not a folder:
/// what opening the CD player does in every backend.
Result<std::map<int, std::string>> OpenCdFolder(const std::string& folder,
                                                PathProbe probe = ProbePath,
                                                FolderLister list = ListFolder);

}  // namespace zepa::platform
