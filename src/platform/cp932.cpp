#include "platform/cp932.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include <iconv.h>

#include "platform/cp932_bytes.h"

namespace zepa::platform {
namespace {

// One converter per direction, opened on first use and kept for the life of
// the process: text is converted glyph by glyph while a page is revealed.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (Ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t Handle() {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    return cd_;
  }

 private:
  iconv_t cd_;
};

Converter& FromCp932() {
  static Converter converter("UTF-32LE", "CP932");
  return converter;
}

Converter& ToCp932() {
  static Converter converter("CP932", "UTF-32LE");
  return converter;
}

void AppendLe32(char32_t cp, std::vector<char>* out) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<char>((cp >> (8 * i)) & 0xff));
}

std::u32string FromLe32(const std::vector<char>& bytes) {
  std::u32string text;
  text.reserve(bytes.size() / 4);
  for (size_t i = 0; i + 3 < bytes.size(); i += 4) {
    char32_t cp = 0;
    for (int k = 0; k < 4; ++k) cp |= static_cast<char32_t>(static_cast<uint8_t>(bytes[i + k])) << (8 * k);
    text.push_back(cp);
  }
  return text;
}

}  // namespace

std::u32string Cp932ToUtf32(std::string_view cp932) {
  Converter& converter = FromCp932();
  if (!converter.Ok()) {
    // Without a converter only ASCII can be trusted.
    std::u32string text;
    for (char c : cp932) {
      uint8_t b = static_cast<uint8_t>(c);
      text.push_back(b < 0x80 ? b : kReplacementChar);
    }
    return text;
  }
  iconv_t cd = converter.Handle();
  std::vector<char> out;
  // CP932 never yields more than one code point per byte.
  std::vector<char> chunk(cp932.size() * 4 + 16);
  char* in = const_cast<char*>(cp932.data());
  size_t in_left = cp932.size();
  while (in_left > 0) {
    char* dst = chunk.data();
    size_t dst_left = chunk.size();
    size_t result = iconv(cd, &in, &in_left, &dst, &dst_left);
    int error = errno;
    out.insert(out.end(), chunk.data(), dst);
    if (result != static_cast<size_t>(-1)) break;
    if (error == E2BIG) continue;
    if (error == EINVAL) {  // a lead byte at the very end
      AppendLe32(kReplacementChar, &out);
      break;
    }
    // EILSEQ and anything unexpected: replace and go on after the bad bytes.
    size_t skip = 1;
    if (in_left >= 2 && IsCp932Lead(static_cast<uint8_t>(in[0])) && IsCp932Trail(static_cast<uint8_t>(in[1]))) {
      skip = 2;
    }
    AppendLe32(kReplacementChar, &out);
    in += skip;
    in_left -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return FromLe32(out);
}

std::string Utf8ToCp932(std::string_view utf8) {
  std::string out;
  Converter& converter = ToCp932();
  // Runs of valid code points go to the converter together; each invalid
  // UTF-8 byte is a '?' of its own.
  std::vector<char> run;
  auto flush = [&] {
    if (run.empty()) return;
    if (!converter.Ok()) {
      for (size_t i = 0; i + 3 < run.size(); i += 4) {
        uint8_t b = static_cast<uint8_t>(run[i]);
        bool ascii = b < 0x80 && run[i + 1] == 0 && run[i + 2] == 0 && run[i + 3] == 0;
        out.push_back(ascii ? static_cast<char>(b) : '?');
      }
      run.clear();
      return;
    }
    iconv_t cd = converter.Handle();
    std::vector<char> chunk(run.size() + 16);  // at most 2 bytes per 4 in
    char* in = run.data();
    size_t in_left = run.size();
    while (in_left >= 4) {
      char* dst = chunk.data();
      size_t dst_left = chunk.size();
      size_t result = iconv(cd, &in, &in_left, &dst, &dst_left);
      int error = errno;
      out.append(chunk.data(), dst);
      if (result != static_cast<size_t>(-1)) break;
      if (error == E2BIG) continue;
      out.push_back('?');
      in += 4;
      in_left -= 4;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    run.clear();
  };
  size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t cp = DecodeUtf8(utf8, &pos);
    if (cp == kInvalidUtf8) {
      flush();
      out.push_back('?');
    } else {
      AppendLe32(cp, &run);
    }
  }
  flush();
  return out;
}

}  // namespace zepa::platform
