#pragma once
// The command line of zepa-pack, the authoring tool that writes and reads
// packed picture files. Kept in a library so it runs in tests in-process.
#include <iosfwd>
#include <string>
#include <vector>

namespace zepa::tools {

// args excludes the program name. Returns the exit status: 0 done, 1 an
// error (one line on `err`), 2 bad usage.
int RunPackTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zepa::tools
