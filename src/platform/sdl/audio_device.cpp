#include "platform/sdl/audio_device.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "platform/ascii.h"
#include "platform/wave_header.h"

namespace zepa::platform {
namespace {

int g_audio_users = 0;
bool g_midi_warned = false;

std::string Lower(std::string s) { return AsciiLowerCopy(s); }

std::string Extension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return Lower(path.substr(dot));
}

}  // namespace

bool AcquireAudio(bool silent, std::string* error) {
  if (g_audio_users > 0) {
    ++g_audio_users;
    return true;
  }
  // FluidSynth reports the end of a MIDI file about three seconds late, which
  // would hold every loop restart; Timidity with the freepats patches is on
  // time. A user who set the variable keeps the choice.
  if (!SDL_getenv("SDL_MIXER_DISABLE_FLUIDSYNTH"))
    SDL_setenv("SDL_MIXER_DISABLE_FLUIDSYNTH", "1", 1);
  if (silent && SDL_WasInit(SDL_INIT_AUDIO) == 0) SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    *error = SDL_GetError();
    return false;
  }
  Mix_Init(MIX_INIT_OGG | MIX_INIT_MP3 | MIX_INIT_FLAC | MIX_INIT_MID);
  if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) != 0) {
    *error = Mix_GetError();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  // One channel: the effect player; the music stream is SDL_mixer's own.
  Mix_AllocateChannels(1);
  g_audio_users = 1;
  return true;
}

void ReleaseAudio() {
  if (g_audio_users == 0 || --g_audio_users > 0) return;
  Mix_HookMusicFinished(nullptr);
  Mix_ChannelFinished(nullptr);
  Mix_SetPostMix(nullptr, nullptr);
  Mix_CloseAudio();
  Mix_Quit();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool MidiPatchesReady() {
  std::error_code ec;
  bool found = false;
  if (const char* env = SDL_getenv("TIMIDITY_CFG")) found = std::filesystem::exists(env, ec);
  if (const char* cfg = Mix_GetTimidityCfg()) found = found || std::filesystem::exists(cfg, ec);
  for (const char* path : {"/etc/timidity.cfg", "/etc/timidity/freepats.cfg"})
    found = found || std::filesystem::exists(path, ec);
  if (!found && !g_midi_warned) {
    g_midi_warned = true;
    std::fprintf(
        stderr,
        "zepa: no MIDI patch set found; MIDI music stays silent (install the freepats package)\n");
  }
  return found;
}

bool CheckMediaFile(const std::string& path, std::string* error) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status)) {
    *error = "no such file";
    return false;
  }
  if (!std::filesystem::is_regular_file(status)) {
    *error = "not a regular file";
    return false;
  }
  if (std::optional<std::string> problem = WaveFileProblem(path)) {
    *error = *problem;
    return false;
  }
  return true;
}

bool ProbeMusicLength(const std::string& path, uint32_t* length_ms, std::string* error) {
  if (!CheckMediaFile(path, error)) return false;
  if (IsMidiFile(path) && !MidiPatchesReady()) {
    *error = "no MIDI patch set";
    return false;
  }
  Mix_Music* music = Mix_LoadMUS(path.c_str());
  if (!music) {
    *error = Mix_GetError();
    return false;
  }
  const double seconds = Mix_MusicDuration(music);
  *length_ms = seconds > 0 && seconds < 4.0e6 ? static_cast<uint32_t>(seconds * 1000.0 + 0.5) : 0;
  if (const std::optional<uint32_t> limit = WaveDataLimitMs(path))
    *length_ms = std::min(*length_ms, *limit);
  Mix_FreeMusic(music);
  return true;
}

bool ProbeChunkLength(const std::string& path, uint32_t* length_ms, std::string* error) {
  if (!CheckMediaFile(path, error)) return false;
  Mix_Chunk* chunk = Mix_LoadWAV(path.c_str());
  if (!chunk) {
    *error = Mix_GetError();
    return false;
  }
  int freq = 0, channels = 0;
  Uint16 format = 0;
  *length_ms = 0;
  if (Mix_QuerySpec(&freq, &format, &channels) && freq > 0 && channels > 0) {
    const uint64_t frame_bytes = static_cast<uint64_t>(SDL_AUDIO_BITSIZE(format) / 8) * channels;
    if (frame_bytes > 0)
      *length_ms = static_cast<uint32_t>(chunk->alen / frame_bytes * 1000 / freq);
  }
  Mix_FreeChunk(chunk);
  return true;
}

std::optional<uint32_t> WaveDataLimitMs(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[4096] = {};
  in.read(head, sizeof head);
  const size_t got = static_cast<size_t>(in.gcount());
  if (got < 12 || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0)
    return std::nullopt;
  auto le32 = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(head[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(head[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(head[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(head[at + 3])) << 24;
  };
  uint32_t byte_rate = 0;
  for (size_t at = 12; at + 8 <= got;) {
    const uint32_t size = le32(at + 4);
    if (std::memcmp(head + at, "fmt ", 4) == 0 && at + 20 <= got) byte_rate = le32(at + 16);
    if (std::memcmp(head + at, "data", 4) == 0) {
      if (byte_rate == 0) return std::nullopt;
      std::error_code ec;
      const uint64_t file_size = std::filesystem::file_size(path, ec);
      if (ec) return std::nullopt;
      const uint64_t present =
          file_size > at + 8 ? std::min<uint64_t>(file_size - at - 8, size) : 0;
      return static_cast<uint32_t>(std::min<uint64_t>(present * 1000 / byte_rate, UINT32_MAX));
    }
    at += 8 + size + (size & 1);
  }
  return std::nullopt;
}

bool IsMovieFile(const std::string& path) {
  const std::string ext = Extension(path);
  for (const char* movie : {".avi", ".mpg", ".qt", ".mov", ".mpe"})
    if (ext.compare(0, std::char_traits<char>::length(movie), movie) == 0) return true;
  return false;
}

bool IsMidiFile(const std::string& path) {
  const std::string ext = Extension(path);
  return ext == ".mid" || ext == ".midi" || ext == ".rmi";
}

std::map<int, std::string> FindCdTracks(const std::string& folder) {
  std::map<std::string, std::string> by_lower;  // lower-case name -> path
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(folder, ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    std::error_code fe;
    if (!it->is_regular_file(fe)) continue;
    const std::string name = Lower(it->path().filename().string());
    by_lower.emplace(name, it->path().string());
  }
  std::map<int, std::string> tracks;
  for (int n = 1; n <= 99; ++n) {
    char two[3];
    std::snprintf(two, sizeof two, "%02d", n);
    const std::string one = std::to_string(n);
    for (const std::string& stem :
         {"track" + one, "track" + std::string(two), "track_" + one, "track_" + std::string(two)}) {
      bool found = false;
      for (const char* ext : {".ogg", ".flac", ".wav", ".mp3"}) {
        auto it = by_lower.find(stem + ext);
        if (it != by_lower.end()) {
          tracks.emplace(n, it->second);
          found = true;
          break;
        }
      }
      if (found) break;
    }
  }
  return tracks;
}

}  // namespace zepa::platform
