#include "codec_tool.h"

#include <algorithm>
#include <ostream>
#include <sstream>
#include <utility>

#include "platform/files.h"
#include "script/codec.h"
#include "script/scenario.h"
#include "script/source_text.h"

namespace zepa::tools {
namespace {

constexpr const char* kUsage =
    "usage: zepa-codec encode IN OUT     write the plain scenario IN in the encoded form\n"
    "       zepa-codec decode IN OUT     write the encoded scenario IN as plain text\n"
    "       zepa-codec from-utf8 IN OUT  write the UTF-8 text IN as the game reads it\n"
    "                                    (Shift-JIS, CR LF line ends)\n"
    "       zepa-codec to-utf8 IN OUT    write the scenario IN (plain or encoded) as\n"
    "                                    UTF-8 text with LF line ends\n";

// The same bound as the game's scenario reader.
constexpr size_t kMaxBytes = size_t{64} << 20;

bool ReadWhole(const std::string& path, std::string* bytes, std::string* error) {
  // The game's own reader: a FIFO or device is refused instead of waited on.
  platform::ReadResult read = platform::ReadRegularFile(path, kMaxBytes);
  if (read.status == platform::ReadStatus::kTooLarge) {
    *error = path + " is larger than 64 MiB: not a scenario";
    return false;
  }
  if (read.status != platform::ReadStatus::kOk) {
    *error = "cannot read " + read.error;
    return false;
  }
  *bytes = std::move(read.bytes);
  return true;
}

// Replaced as the game replaces saves: a unique temporary beside the target,
// synced and renamed over it, so a failed write never leaves OUT half
// written (OUT may be IN itself) and no other file is touched.
bool WriteWhole(const std::string& path, const std::string& bytes, std::string* error) {
  const platform::ReplaceResult result = platform::ReplaceFileContents(path, bytes);
  if (result.written()) return true;
  *error = "cannot write " + result.error;
  return false;
}

// The first byte as the game's text-mode reader sees it decides the form.
bool LooksEncoded(const std::string& bytes) { return !bytes.empty() && bytes[0] == 'X'; }

}  // namespace

int RunCodecTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    out << kUsage;
    return 0;
  }
  const bool known = args.size() == 3 && (args[0] == "encode" || args[0] == "decode" ||
                                          args[0] == "from-utf8" || args[0] == "to-utf8");
  if (!known) {
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
  if (args[0] == "from-utf8" || args[0] == "to-utf8") {
    const script::SourceConversion converted =
        args[0] == "from-utf8" ? script::Utf8ToGameSource(bytes) : script::GameSourceToUtf8(bytes);
    if (converted.fault) {
      err << "zepa-codec: " << in_path << ":" << converted.fault->line << ":"
          << converted.fault->column << ": " << converted.fault->message << "\n";
      return 1;
    }
    result = converted.text;
  } else if (args[0] == "encode") {
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
