#pragma once
// A long game for the author tools' benchmarks: `scenes` scenes of
// `lines_per_scene` lines, each ending in a choice of two whose answer the
// next scene reads and the one after forgets, so the paths fork and merge
// as a real game's do.
#include <filesystem>
#include <fstream>
#include <string>

namespace zepa::bench {

inline void WriteLongGame(const std::filesystem::path& dir, int scenes, int lines_per_scene) {
  std::filesystem::create_directories(dir / "se");
  std::ofstream(dir / "se/sleep.wav") << "RIFF";
  std::ofstream story(dir / "story.kvs", std::ios::binary);
  int lines = 0;
  auto line = [&](const std::string& s) {
    story << s << "\r\n";
    ++lines;
  };
  for (int s = 0; s < scenes; ++s) {
    const std::string n = std::to_string(s);
    line("#scene" + n);
    line("[if]last=1[text]You took the first way last time.");
    line("[set]last=0");
    // Ten lines of the scene are its fixed part (label, the tests, the choice).
    for (int i = 0; i < lines_per_scene - 10; ++i) {
      if (i % 3 == 0)
        line("[text]Scene " + n + ", line " + std::to_string(i) + ".");
      else if (i % 3 == 1)
        line("[set]seen=" + std::to_string(i));
      else
        line("// a comment");
    }
    line("[set]seen=0");
    line("[text]Which way?");
    line("[sel]The first way\\nThe second way");
    line("[if]SELECT=1[set]last=1");
    line("[if]SELECT=2[go]#side" + n);
    line("[go]#scene" + std::to_string(s + 1));
    line("#side" + n);
  }
  line("#scene" + std::to_string(scenes));
  line("[end]");
  while (lines < scenes * lines_per_scene) line("// padding");
}

}  // namespace zepa::bench
