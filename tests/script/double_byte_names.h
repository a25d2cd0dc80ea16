#pragma once
// Names whose second bytes are 0x5C, each stored on disk both under its
// CP932 bytes and under its UTF-8 form: the names a byte-wise path split
// breaks.
#include <string>

namespace zepa::testing {

struct DoubleByteName {
  const char* cp932;
  const char* utf8;
};
constexpr DoubleByteName kHyoji{"\x95\x5c\x8e\xa6", "\xe8\xa1\xa8\xe7\xa4\xba"};  // 表示
constexpr DoubleByteName kSora{"\x83\x5c\x83\x89", "\xe3\x82\xbd\xe3\x83\xa9"};   // ソラ
constexpr DoubleByteName kJu{"\x8f\x5c", "\xe5\x8d\x81"};                         // 十
constexpr DoubleByteName kYo{"\x97\x5c", "\xe4\xba\x88"};                         // 予
constexpr DoubleByteName kNo{"\x94\x5c", "\xe8\x83\xbd"};                         // 能
constexpr DoubleByteName kKou{"\xfa\x5c", "\xe7\xba\x8a"};                        // 纊

inline std::string Cp932(const DoubleByteName& n, const char* suffix = "") {
  return std::string(n.cp932) + suffix;
}
inline std::string Utf8(const DoubleByteName& n, const char* suffix = "") {
  return std::string(n.utf8) + suffix;
}

}  // namespace zepa::testing
