#pragma once
// The command line of zepa-codec, which turns a scenario between its plain
// and its letter-encoded form with the game's own codec. A library of its own
// so that tests run it in-process.
#include <iosfwd>
#include <string>
#include <vector>

namespace zepa::tools {

// args excludes the program name. Returns the exit status: 0 done, 1 an
// error (one line on `err`), 2 bad usage.
int RunCodecTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zepa::tools
