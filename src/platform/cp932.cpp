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

// The decoded code page, filled from the converter one lead byte's row at a
// time as text first uses it: a whole game's text (the checker reads every
// line) would otherwise pay one converter call per character. The converter
// is stateless for this code page, so a character decodes alone as it does
// inside a run, and the rows give exactly what whole-text conversion gave.
class DecodeCache {
 public:
  static constexpr char32_t kUnmapped = 0xffffffff;

  explicit DecodeCache(Converter& converter) : converter_(converter) {
    for (int b = 0; b < 256; ++b) {
      const char c = static_cast<char>(b);
      single_[b] = IsCp932Lead(static_cast<uint8_t>(b)) ? kUnmapped : DecodeOne(&c, 1);
    }
  }

  char32_t Single(uint8_t b) const { return single_[b]; }

  char32_t Pair(uint8_t lead, uint8_t trail) {
    std::vector<char32_t>& row = rows_[lead];
    if (row.empty()) {
      row.assign(256, kUnmapped);
      for (int t = 0x40; t <= 0xfc; ++t) {
        if (!IsCp932Trail(static_cast<uint8_t>(t))) continue;
        const char two[2] = {static_cast<char>(lead), static_cast<char>(t)};
        row[t] = DecodeOne(two, 2);
      }
    }
    return row[trail];
  }

 private:
  // The code point of exactly these bytes, or kUnmapped when they are not
  // one whole character.
  char32_t DecodeOne(const char* bytes, size_t size) {
    iconv_t cd = converter_.Handle();
    char in_bytes[2] = {bytes[0], size > 1 ? bytes[1] : '\0'};
    char* in = in_bytes;
    size_t in_left = size;
    char out_bytes[8];
    char* out = out_bytes;
    size_t out_left = sizeof out_bytes;
    if (iconv(cd, &in, &in_left, &out, &out_left) == static_cast<size_t>(-1) || in_left != 0 ||
        out != out_bytes + 4)
      return kUnmapped;
    char32_t cp = 0;
    for (int k = 0; k < 4; ++k) cp |= static_cast<char32_t>(static_cast<uint8_t>(out_bytes[k])) << (8 * k);
    return cp;
  }

  Converter& converter_;
  char32_t single_[256];
  std::vector<char32_t> rows_[256];
};

}  // namespace

std::u32string Cp932ToUtf32(std::string_view cp932) {
  Converter& converter = FromCp932();
  std::u32string text;
  text.reserve(cp932.size());
  if (!converter.Ok()) {
    // Without a converter only ASCII can be trusted.
    for (char c : cp932) {
      uint8_t b = static_cast<uint8_t>(c);
      text.push_back(b < 0x80 ? b : kReplacementChar);
    }
    return text;
  }
  static DecodeCache cache(converter);
  for (size_t i = 0; i < cp932.size();) {
    const uint8_t b = static_cast<uint8_t>(cp932[i]);
    if (!IsCp932Lead(b)) {
      const char32_t cp = cache.Single(b);
      text.push_back(cp == DecodeCache::kUnmapped ? kReplacementChar : cp);
      ++i;
    } else if (i + 1 < cp932.size() && IsCp932Trail(static_cast<uint8_t>(cp932[i + 1]))) {
      // A well-formed pair is one character, or one bad one.
      const char32_t cp = cache.Pair(b, static_cast<uint8_t>(cp932[i + 1]));
      text.push_back(cp == DecodeCache::kUnmapped ? kReplacementChar : cp);
      i += 2;
    } else {
      // A lead byte at the very end, or before a byte that cannot follow
      // it, is one bad byte.
      text.push_back(kReplacementChar);
      ++i;
    }
  }
  return text;
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
