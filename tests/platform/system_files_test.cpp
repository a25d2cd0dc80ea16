// The rules the systems' file operations share, apart from any disk.
#include "platform/system_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace zepa::platform {
namespace {

TEST(AtomicWriteStatus, GivesTheReasonAloneAndRefusesReadOnlyFiles) {
  EXPECT_TRUE(AtomicWriteStatus("a/s.kvd", {ReplaceStatus::kWrittenInPlace, ""}).ok());
  const Status read_only =
      AtomicWriteStatus("a/s.kvd", {ReplaceStatus::kNotWritable, "a/s.kvd: read-only"});
  EXPECT_EQ(read_only.code(), StatusCode::kRefused);
  EXPECT_EQ(read_only.message(), "read-only");
  // A link's target is named in the error: that name is worth keeping.
  const Status target = AtomicWriteStatus("a/s.kvd", {ReplaceStatus::kFailed, "b/t.kvd: full"});
  EXPECT_EQ(target.code(), StatusCode::kFailed);
  EXPECT_EQ(target.message(), "b/t.kvd: full");
  EXPECT_EQ(AtomicWriteStatus("a/s.kvd", {ReplaceStatus::kFailed, ""}).message(), "not written");
}

TEST(SystemFileNames, TemporariesAndShiftJisNamesAreToldByTheirBytes) {
  std::string base;
  EXPECT_TRUE(IsTemporaryName("save.kvd.a1B2c3", &base));
  EXPECT_EQ(base, "save.kvd");
  for (const char* other : {".a1B2c3", "save.kvd.a1-2c3", "save.kvd.a1B2c", "save.kvd"})
    EXPECT_FALSE(IsTemporaryName(other, &base)) << other;

  EXPECT_EQ(ShiftJisNameAsUtf8("\x83\x65\x83\x58\x83\x67.txt"),
            "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88.txt");
  EXPECT_EQ(ShiftJisNameAsUtf8("plain.txt"), std::nullopt);
  EXPECT_EQ(ShiftJisNameAsUtf8("\xFF\xFE.txt"), std::nullopt);
}

// Hands out at most three bytes a call, as a system read may.
class ShortReads : public PieceReader {
 public:
  explicit ShortReads(std::string bytes) : PieceReader(bytes.size()), bytes_(std::move(bytes)) {}
  int calls = 0;

 protected:
  size_t ReadOnce(uint64_t offset, char* out, size_t size) override {
    ++calls;
    if (offset >= bytes_.size()) return 0;
    const size_t n = std::min<size_t>({size, 3, bytes_.size() - offset});
    std::memcpy(out, bytes_.data() + offset, n);
    return n;
  }

 private:
  std::string bytes_;
};

TEST(PieceReader, RepeatsShortReadsUntilThePieceIsWholeOrTheFileEnds) {
  ShortReads reader("abcdefghij");
  char out[16] = {};
  EXPECT_EQ(reader.ReadAt(1, out, 7), 7u);
  EXPECT_EQ(std::string(out, 7), "bcdefgh");
  EXPECT_EQ(reader.calls, 3);
  EXPECT_EQ(reader.ReadAt(6, out, 10), 4u);
  EXPECT_EQ(std::string(out, 4), "ghij");
  EXPECT_EQ(reader.size_bytes(), 10u);
}

}  // namespace
}  // namespace zepa::platform
