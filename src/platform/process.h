#pragma once
// Running a helper program of the user's system (a graph renderer).
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace zepa::platform {

/// True when `program` is an executable file in one of the folders of PATH.
bool ProgramOnPath(const std::string& program);

/// Runs `argv` (argv[0] looked up on PATH) with `input` on its standard
/// input, its output left alone, and waits for it. Fails when it cannot be
/// started or does not exit with status 0.
Status RunProgram(const std::vector<std::string>& argv, std::string_view input);

}  // namespace zepa::platform
