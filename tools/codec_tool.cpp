#include "codec_tool.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <system_error>

#include "script/codec.h"
#include "script/scenario.h"

namespace zepa::tools {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: zepa-codec encode IN OUT   write the plain scenario IN in the encoded form\n"
    "       zepa-codec decode IN OUT   write the encoded scenario IN as plain text\n";

// The same bound as the game's scenario reader.
constexpr uintmax_t kMaxBytes = uintmax_t{64} << 20;

bool ReadWhole(const std::string& path, std::string* bytes, std::string* error) {
  std::error_code ec;
  const uintmax_t size = fs::file_size(path, ec);
  if (ec) {
    *error = "cannot read " + path + ": " + ec.message();
    return false;
  }
  if (size > kMaxBytes) {
    *error = path + " is larger than 64 MiB: not a scenario";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  if (!in || !(ss << in.rdbuf())) {
    if (size == 0 && in) return true;
    *error = "cannot read " + path;
    return false;
  }
  *bytes = ss.str();
  return true;
}

// Written beside the target and renamed over it, so a failed write never
// leaves OUT half written (OUT may be IN itself).
bool WriteWhole(const std::string& path, const std::string& bytes, std::string* error) {
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out || !out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) ||
        !out.flush()) {
      std::error_code ignored;
      fs::remove(temp, ignored);
      *error = "cannot write " + path;
      return false;
    }
  }
  std::error_code ec;
  fs::rename(temp, path, ec);
  if (ec) {
    fs::remove(temp, ec);
    *error = "cannot write " + path;
    return false;
  }
  return true;
}

// The first byte as the game's text-mode reader sees it decides the form.
bool LooksEncoded(const std::string& bytes) { return !bytes.empty() && bytes[0] == 'X'; }

}  // namespace

int RunCodecTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    out << kUsage;
    return 0;
  }
  if (args.size() != 3 || (args[0] != "encode" && args[0] != "decode")) {
    err << kUsage;
    return 2;
  }
  const std::string& in_path = args[1];
  const std::string& out_path = args[2];
  std::string bytes, error;
  if (!ReadWhole(in_path, &bytes, &error)) {
    err << "zepa-codec: " << error << "\n";
    return 1;
  }
  std::string result;
  if (args[0] == "encode") {
    // Encoding an encoded file again would give a scenario of letters.
    if (LooksEncoded(bytes)) {
      err << "zepa-codec: " << in_path << " is already encoded (it begins with X)\n";
      return 1;
    }
    result = script::EncodeScenarioFile(script::DecodeScenarioFile(bytes).text);
  } else {
    if (!LooksEncoded(bytes)) {
      err << "zepa-codec: " << in_path << " is not encoded (it does not begin with X)\n";
      return 1;
    }
    const std::string_view letters = std::string_view(bytes).substr(1);
    if (const auto fault = script::FindLetterFault(letters)) {
      const auto line =
          1 + std::count(letters.begin(),
                         letters.begin() + static_cast<std::ptrdiff_t>(fault->offset), '\n');
      err << "zepa-codec: " << in_path << ":" << line << ": does not decode: " << fault->message
          << "\n";
      return 1;
    }
    result = script::DecodeScenarioFile(bytes).text;
  }
  if (!WriteWhole(out_path, result, &error)) {
    err << "zepa-codec: " << error << "\n";
    return 1;
  }
  return 0;
}

}  // namespace zepa::tools
