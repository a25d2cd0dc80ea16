#pragma once
// The games kept their texts in NUL-terminated buffers of fixed size; a text
// copied into such a buffer loses what does not fit.
#include <algorithm>
#include <string>
#include <string_view>

namespace zepa::script {

/// The text as a fixed buffer of `bytes` (NUL included) would hold it.
inline std::string Bounded(std::string_view s, size_t bytes) {
  return std::string(s.substr(0, std::min(s.size(), bytes - 1)));
}

}  // namespace zepa::script
