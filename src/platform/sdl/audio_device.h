#pragma once
// The one SDL audio device and SDL_mixer session of the process, shared by
// the real players and the silent ones (which only measure files), and the
// file probes both need.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace zepa::platform {

/// Opens SDL audio and the mixer on first use; counted. `silent` asks for
/// SDL's dummy driver when nothing has opened audio yet. False, with
/// `error`, when there is no audio device.
bool AcquireAudio(bool silent, std::string* error);
void ReleaseAudio();

/// True when a MIDI patch set is there; the first time it is not, says so
/// once on standard error.
bool MidiPatchesReady();

/// Checks that `path` names a readable regular file, and that a WAVE file
/// has a header that plays; otherwise a message.
bool CheckMediaFile(const std::string& path, std::string* error);

/// The decoded length of a file played as music or as a loaded chunk; 0 when
/// it cannot be told. False, with `error`, when the file does not load.
/// Needs AcquireAudio.
bool ProbeMusicLength(const std::string& path, uint32_t* length_ms, std::string* error);
bool ProbeChunkLength(const std::string& path, uint32_t* length_ms, std::string* error);

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

}  // namespace zepa::platform
