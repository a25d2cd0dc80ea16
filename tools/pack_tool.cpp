#include "pack_tool.h"

#include <limits>
#include <ostream>
#include <set>

#include "display/packfile.h"
#include "platform/ascii.h"
#include "platform/files.h"
#include "platform/path_names.h"
#include "platform/system.h"

namespace zepa::tools {
namespace {

using display::BareName;
using display::BuildPackEntry;
using display::ListPackFile;
using display::PackEntry;
using display::ReadPackEntry;

constexpr char kUsage[] =
    "usage: zepa-pack create OUT.dat FILE...   pack files under their bare names\n"
    "       zepa-pack list FILE.dat            show each entry's offset, size and name\n"
    "       zepa-pack extract FILE.dat [DIR]   write every entry into DIR (default .)\n"
    "       zepa-pack --help\n";

std::string ToLowerAscii(std::string s) { return platform::AsciiLowerCopy(s); }

// Files go through the platform layer, which reads a Japanese name as the
// game does (std::fstream on Windows would read it in the code page).
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
  const platform::ReadResult read =
      platform::ReadRegularFile(path, std::numeric_limits<size_t>::max());
  if (read.status != platform::ReadStatus::kOk) return false;
  bytes.assign(read.bytes.begin(), read.bytes.end());
  return true;
}

int Fail(std::ostream& err, const std::string& message) {
  err << "zepa-pack: " << message << "\n";
  return 1;
}

int Create(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::string& pack_path = args[1];
  std::string packed;
  std::set<std::string> seen;
  for (size_t i = 2; i < args.size(); ++i) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(args[i], bytes)) return Fail(err, "cannot read " + args[i]);
    const std::string name(BareName(args[i]));
    // Lookups ignore case, so a second entry of the same name would never be found.
    if (!seen.insert(ToLowerAscii(name)).second)
      return Fail(err, "two files are named \"" + name + "\" (names ignore case)");
    const auto entry = BuildPackEntry(name, bytes);
    if (!entry.ok()) return Fail(err, entry.message());
    packed += *entry;
  }
  if (!platform::WriteWholeFile(pack_path, packed).ok()) return Fail(err, "cannot write " + pack_path);
  out << "packed " << (args.size() - 2) << " files into " << pack_path << "\n";
  return 0;
}

int List(const std::string& pack_path, std::ostream& out, std::ostream& err) {
  const auto entries = ListPackFile(pack_path);
  if (!entries.ok()) return Fail(err, entries.message());
  for (const PackEntry& e : *entries)
    out << e.offset << "\t" << e.size_bytes << "\t" << e.name << "\n";
  return 0;
}

int Extract(const std::string& pack_path, const std::string& dir, std::ostream& out,
            std::ostream& err) {
  const auto entries = ListPackFile(pack_path);
  if (!entries.ok()) return Fail(err, entries.message());
  if (!platform::CreateSystemFiles()->CreateDirectories(dir).ok())
    return Fail(err, "cannot create directory " + dir);
  for (const PackEntry& e : *entries) {
    // A stored name is written as one file in DIR, never a path out of it.
    if (e.name.empty() || e.name == "." || e.name == ".." || e.name.find('/') != std::string::npos)
      return Fail(err, "entry name \"" + e.name + "\" is not a plain file name");
    auto bytes = ReadPackEntry(pack_path, e);
    if (!bytes) return Fail(err, "cannot read entry \"" + e.name + "\"");
    const std::string target = platform::JoinPath(dir, e.name);
    // A link in DIR named like an entry is never followed: an old file there
    // is replaced by a new one, never written through.
    const platform::Status written = platform::WriteNewFile(
        target, std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    if (!written.ok()) return Fail(err, "cannot write " + written.message());
  }
  out << "extracted " << entries->size() << " files into " << dir << "\n";
  return 0;
}

}  // namespace

int RunPackTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    out << kUsage;
    return 0;
  }
  const std::string command = args.empty() ? "" : args[0];
  if (command == "create" && args.size() >= 3) return Create(args, out, err);
  if (command == "list" && args.size() == 2) return List(args[1], out, err);
  if (command == "extract" && (args.size() == 2 || args.size() == 3))
    return Extract(args[1], args.size() == 3 ? args[2] : ".", out, err);
  err << kUsage;
  return 2;
}

}  // namespace zepa::tools
