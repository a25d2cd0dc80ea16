// libFuzzer target for the HTTP response head: status line, header lines,
// cookie and location, and the address a location leads to.
// The first input byte chooses the size of the pieces the rest arrives in;
// however it is cut, the reader must come to the same head.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "net/http_client.h"
#include "net/response.h"
#include "net/url.h"

namespace {

using zepa::net::HeaderReader;

void Check(bool ok) {
  if (!ok) std::abort();
}

struct Outcome {
  HeaderReader reader;
  size_t used = 0;
};

void Read(std::string_view bytes, size_t piece, Outcome* out) {
  for (size_t at = 0; at < bytes.size() && out->reader.state() == HeaderReader::State::kReading;
       at += piece) {
    const std::string_view chunk = bytes.substr(at, piece);
    const size_t used = out->reader.Feed(chunk);
    Check(used <= chunk.size());
    out->used += used;
    if (used < chunk.size()) break;
  }
  if (out->reader.state() == HeaderReader::State::kReading) out->reader.Close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t piece = 1 + data[0] % 17;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

  Outcome whole, pieces;
  Read(bytes, bytes.size() + 1, &whole);
  Read(bytes, piece, &pieces);
  const zepa::net::ResponseHead& h = whole.reader.head();
  const zepa::net::ResponseHead& p = pieces.reader.head();
  Check(whole.reader.state() == pieces.reader.state());
  Check(whole.reader.state() != HeaderReader::State::kReading);
  Check(h.status == p.status && h.header == p.header && h.cookie == p.cookie &&
        h.location == p.location);
  if (whole.reader.state() == HeaderReader::State::kDone) Check(whole.used == pieces.used);

  Check(h.status >= std::numeric_limits<int16_t>::min() &&
        h.status <= std::numeric_limits<int16_t>::max());
  Check(h.cookie.size() <= zepa::net::kMaxFieldChars &&
        h.location.size() <= zepa::net::kMaxFieldChars);
  Check(h.cookie.find('\n') == std::string::npos && h.location.find('\n') == std::string::npos);
  Check(h.header.size() <= (zepa::net::kMaxHeaderLines + 1) * zepa::net::kMaxHeaderLineBytes);
  Check(whole.reader.lines_read() <= zepa::net::kMaxHeaderLines + 2);

  // Where the location would lead: a path that starts with "/" and fits.
  zepa::net::Target target{h.location, "origin", 8080, "/story.kvs"};
  if (!zepa::net::ParseURL(target)) {
    Check(!target.path.empty() && target.path[0] == '/');
    Check(target.path.size() <= zepa::net::kMaxPathChars);
    Check(target.url.find('/') != std::string::npos);
    zepa::net::DottedIPv4(target.host);
    const auto lines = zepa::net::AssembleHTTPHeader(target.path, target.host, h.cookie);
    Check(lines.size() == (h.cookie.empty() ? 5u : 6u));
  } else {
    Check(target.host == "origin" && target.port == 8080 && target.path == "/story.kvs");
  }
  return 0;
}
