// libFuzzer target for the packed picture file: its lookup through the
// index, checked against the plain scan, and the writer's names read back.
// The input is a name length byte, the name looked up, then the file's bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "display/packfile.h"
#include "script/file_names.h"

namespace {

namespace fs = std::filesystem;
using zepa::display::PackIndex;

const std::string& TempPath(const char* what) {
  static const std::string base =
      (fs::temp_directory_path() / ("zepa_packfile_fuzz_" + std::to_string(std::random_device{}())))
          .string();
  static std::string paths[2] = {base + "_in.dat", base + "_built.dat"};
  return paths[what[0] == 'b' ? 1 : 0];
}

// Each input gets its own time long past, so that the indexes are trusted
// and must notice the change by the file's time alone.
void WriteFile(const std::string& path, std::string_view bytes, int64_t stamp) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  std::error_code ec;
  fs::last_write_time(path, fs::file_time_type() + fs::file_time_type::duration(stamp * 1000003),
                      ec);
}

#define Check(ok)                                                           \
  do {                                                                      \
    if (!(ok)) {                                                            \
      std::fprintf(stderr, "check failed at line %d: %s\n", __LINE__, #ok); \
      std::abort();                                                         \
    }                                                                       \
  } while (0)

PackIndex& Index(int which) {
  static PackIndex* indexes[3] = {new PackIndex, new PackIndex(2, 1 << 20), new PackIndex(64, 16)};
  return *indexes[which];
}

void Compare(const std::string& pack, std::string_view name) {
  const auto want = zepa::display::ScanPackFile(pack, name);
  for (int i = 0; i < 3; ++i) Check(Index(i).Find(pack, name) == want);
  Check(zepa::display::FindInPackFile(pack, name) == want);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static int64_t stamp = 1000;
  ++stamp;
  if (size == 0) return 0;
  const size_t name_len = std::min<size_t>(data[0] % 64, size - 1);
  const std::string name(reinterpret_cast<const char*>(data + 1), name_len);
  const std::string_view file(reinterpret_cast<const char*>(data + 1 + name_len),
                              size - 1 - name_len);

  const std::string& pack = TempPath("in");
  WriteFile(pack, file, stamp);
  Compare(pack, name);
  Compare(pack, zepa::display::BareName(name));
  Compare(pack, "a.bmp");
  Compare(pack, "");
  // The first stored name, as a lookup reads it.
  std::string_view line =
      file.substr(0, std::min(file.find('\n'), zepa::display::kPackLineBytes - 1));
  line = line.substr(0, line.find('\0'));
  if (const size_t sep = zepa::script::FindLastSeparator(line, "\\:");
      sep != std::string_view::npos)
    line.remove_prefix(sep + 1);
  std::string first(line.substr(0, line.find('\r')));
  zepa::display::ScrambleLine(first);
  Compare(pack, first);

  // Every listed entry that is the first of its name reads the same through
  // the index.
  if (auto entries = zepa::display::ListPackFile(pack); entries.ok()) {
    std::vector<std::string> seen;
    for (const auto& e : *entries) {
      const std::string folded = zepa::script::FoldAsciiCase(e.name);
      bool again = false;
      for (const auto& s : seen) again = again || s == folded;
      if (again || seen.size() > 64) continue;
      seen.push_back(folded);
      Check(Index(0).Find(pack, e.name) == zepa::display::ReadPackEntry(pack, e));
    }
  }

  // A name the writer accepts is found again by its own bare name.
  const std::vector<uint8_t> content(
      file.begin(), file.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(file.size(), 16)));
  const auto built_entry = zepa::display::BuildPackEntry(name, content);
  const std::string entry = built_entry.ok() ? *built_entry : std::string();
  if (!entry.empty()) {
    const std::string& built = TempPath("built");
    WriteFile(built, entry, stamp);
    const auto found = Index(0).Find(built, name);
    Check(found && *found == content);
    Check(zepa::display::OpenPicture(built, "dir\\" + name) == found);
  }

  // The name helpers only ever cut at a separator and keep a suffix.
  const std::string_view part = zepa::script::FileNamePart(name);
  Check(std::string_view(name).ends_with(part));
  const size_t cut = zepa::script::FindLastSeparator(name, "\\/:");
  Check(cut == std::string_view::npos || name[cut] == '\\' || name[cut] == '/' || name[cut] == ':');
  Check(zepa::script::FileExtension(name).empty() || zepa::script::FileExtension(name)[0] == '.');
  return 0;
}
