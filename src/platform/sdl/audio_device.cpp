#include "platform/sdl/audio_device.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "platform/log.h"
#include "platform/system.h"

namespace zepa::platform {
namespace {

// The MIDI synthesizer loses the part of its last mixer buffer a song ends
// in, so a repeating MIDI restarts after one buffer of silence: 192 frames
// keep that under 5 ms (4.4 ms) for about 1 % more of a core than 1024.
constexpr int kMixerFrames = 192;

int g_audio_users = 0;
bool g_midi_warned = false;

// Patches shipped beside the program (as the Windows zip has them) are the
// ones meant for it; a user's TIMIDITY_CFG still wins.
void UseShippedMidiPatches() {
  if (SDL_getenv("TIMIDITY_CFG")) return;
  const std::string folder = ProgramFolder();
  if (folder.empty()) return;
  const std::string cfg = folder + "/freepats/freepats.cfg";
  if (ProbePath(cfg) == PathKind::kRegular) Mix_SetTimidityCfg(cfg.c_str());
}

}  // namespace

Status AcquireAudio(bool silent) {
  if (g_audio_users > 0) {
    ++g_audio_users;
    return {};
  }
  // FluidSynth reports the end of a MIDI file about three seconds late, which
  // would hold every loop restart; Timidity with the freepats patches is on
  // time. A user who set the variable keeps the choice.
  if (!SDL_getenv("SDL_MIXER_DISABLE_FLUIDSYNTH"))
    SDL_setenv("SDL_MIXER_DISABLE_FLUIDSYNTH", "1", 1);
  if (silent && SDL_WasInit(SDL_INIT_AUDIO) == 0) SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return Status::Failed(SDL_GetError());
  UseShippedMidiPatches();
  Mix_Init(MIX_INIT_OGG | MIX_INIT_MP3 | MIX_INIT_FLAC | MIX_INIT_MID);
  if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, kMixerFrames) != 0) {
    Status failed = Status::Failed(Mix_GetError());
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return failed;
  }
  // One channel: the effect player; the music stream is SDL_mixer's own.
  Mix_AllocateChannels(1);
  g_audio_users = 1;
  return {};
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
    LogWarning(
        "zepa: no MIDI patch set found; MIDI music stays silent (install the freepats package)\n");
  }
  return found;
}

Result<uint32_t> ProbeMusicLength(const std::string& path) {
  if (Status checked = CheckMediaFile(path); !checked.ok()) return checked;
  if (IsMidiFile(path) && !MidiPatchesReady()) return Status::Failed("no MIDI patch set");
  Mix_Music* music = Mix_LoadMUS(path.c_str());
  if (!music) return Status::Failed(Mix_GetError());
  const double seconds = Mix_MusicDuration(music);
  uint32_t length_ms =
      seconds > 0 && seconds < 4.0e6 ? static_cast<uint32_t>(seconds * 1000.0 + 0.5) : 0;
  if (const std::optional<uint32_t> limit = WaveDataLimitMs(path))
    length_ms = std::min(length_ms, *limit);
  Mix_FreeMusic(music);
  return length_ms;
}

Mix_Chunk* LoadChunk(const std::string& path) {
  SDL_RWops* file = SDL_RWFromFile(path.c_str(), "rb");
  if (!file) return nullptr;
  Mix_Chunk* chunk = Mix_LoadWAV_RW(file, 0);
  SDL_RWclose(file);
  return chunk;
}

Result<uint32_t> ProbeChunkLength(const std::string& path) {
  if (Status checked = CheckMediaFile(path); !checked.ok()) return checked;
  Mix_Chunk* chunk = LoadChunk(path);
  if (!chunk) return Status::Failed(Mix_GetError());
  int freq = 0, channels = 0;
  Uint16 format = 0;
  uint32_t length_ms = 0;
  if (Mix_QuerySpec(&freq, &format, &channels) && freq > 0 && channels > 0) {
    const uint64_t frame_bytes = static_cast<uint64_t>(SDL_AUDIO_BITSIZE(format) / 8) * channels;
    if (frame_bytes > 0) length_ms = static_cast<uint32_t>(chunk->alen / frame_bytes * 1000 / freq);
  }
  Mix_FreeChunk(chunk);
  return length_ms;
}

}  // namespace zepa::platform
