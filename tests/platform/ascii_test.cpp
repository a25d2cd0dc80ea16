#include "platform/ascii.h"

#include <gtest/gtest.h>

namespace zepa::platform {
namespace {

TEST(EqualsNoCase, FoldsAsciiLettersOnly) {
  EXPECT_TRUE(EqualsNoCase(".KVS", ".kvs"));
  EXPECT_TRUE(EqualsNoCase("Frame\\Frame.BMP", "frame\\frame.bmp"));
  EXPECT_FALSE(EqualsNoCase(".kvs", ".kvd"));
  EXPECT_FALSE(EqualsNoCase(".kv", ".kvs"));
  // Bytes above 0x7f never fold (no locale's Latin-1 letters), while a
  // trail byte in the ASCII letter range folds like any byte: the old
  // platform compared byte by byte (ア is 83 41).
  EXPECT_FALSE(EqualsNoCase("\xc1", "\xe1"));
  EXPECT_TRUE(EqualsNoCase("\x83\x41", "\x83\x61"));
  EXPECT_FALSE(EqualsNoCase("[", "{"));
  EXPECT_FALSE(EqualsNoCase("@", "`"));
}

TEST(StartsWithNoCase, ComparesThePrefixOnly) {
  EXPECT_TRUE(StartsWithNoCase("HTTP://example/a.kvs", "http:"));
  EXPECT_TRUE(StartsWithNoCase("http:", "http:"));
  EXPECT_FALSE(StartsWithNoCase("htt", "http:"));
  EXPECT_FALSE(StartsWithNoCase("ftp://x", "http:"));
}

}  // namespace
}  // namespace zepa::platform
