// Opens movies through the FFmpeg module, loaded the first time a movie is
// opened (see movie_module/ffmpeg_movie.cpp).
#include "platform/sdl/movie_decoder.h"

#include <SDL.h>

#include <filesystem>
#include <vector>

#include "platform/system.h"

namespace zepa::platform {
namespace {

constexpr const char* kModuleName = ZEPA_MOVIE_MODULE_NAME;

using OpenMovie = MovieDecoder* (*)(const std::string& path, std::string* error);

// Beside the program first, then one folder up (where the test programs
// find the one built beside the game), then where an installed program's
// module sits relative to it, then wherever the loader looks.
std::vector<std::string> ModuleCandidates() {
  std::vector<std::string> out;
  const std::string folder = ProgramFolder();
  if (!folder.empty()) {
    const std::filesystem::path exe_dir = folder;
    out.push_back((exe_dir / kModuleName).string());
    out.push_back((exe_dir.parent_path() / kModuleName).string());
#ifdef ZEPA_MOVIE_FROM_BINDIR
    out.push_back((exe_dir / ZEPA_MOVIE_FROM_BINDIR / kModuleName).lexically_normal().string());
#endif
  }
  out.emplace_back(kModuleName);
  return out;
}

// The module stays loaded for the rest of the run: the decoders it made
// run its code until they are destroyed.
OpenMovie LoadModule(std::string* failure) {
  static bool tried = false;
  static OpenMovie open = nullptr;
  static std::string reason;
  if (!tried) {
    tried = true;
    // Every folder tried is named, so a broken install shows where the
    // module was looked for; the first reason says why the nearest failed.
    std::string paths, first_reason;
    for (const std::string& path : ModuleCandidates()) {
      paths += (paths.empty() ? "" : ", ") + path;
      void* module = SDL_LoadObject(path.c_str());
      if (!module) {
        if (first_reason.empty()) first_reason = SDL_GetError();
        reason = "tried " + paths + " (the last through the loader's path); " + first_reason;
        continue;
      }
      open = reinterpret_cast<OpenMovie>(SDL_LoadFunction(module, "ZepaOpenMovie"));
      if (open) break;
      reason = SDL_GetError();
      SDL_UnloadObject(module);
    }
  }
  if (!open && failure) *failure = reason;
  return open;
}

}  // namespace

Result<std::unique_ptr<MovieDecoder>> MovieDecoder::Open(const std::string& path) {
  std::string failure;
  const OpenMovie open = LoadModule(&failure);
  if (!open)
    return Status::Failed(std::string("movies cannot be played without ") + kModuleName + ": " +
                          failure);
  // The module's entry point is a plain function across the library
  // boundary, so it tells its failure through a string.
  std::string why;
  std::unique_ptr<MovieDecoder> movie(open(path, &why));
  if (!movie) return Status::Failed(why);
  return movie;
}

}  // namespace zepa::platform
