#include "script/file_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zepa::script {
namespace {

// Characters whose second byte is the byte of a backslash.
constexpr const char* kHyo = "\x95\x5c";  // 表
constexpr const char* kSo = "\x83\x5c";   // ソ
constexpr const char* kJu = "\x8f\x5c";   // 十
constexpr const char* kYo = "\x97\x5c";   // 予
constexpr const char* kNo = "\x94\x5c";   // 能
constexpr const char* kKou = "\xfa\x5c";  // 纊, an IBM extension character

std::string S(std::initializer_list<const char*> parts) {
  std::string s;
  for (const char* p : parts) s += p;
  return s;
}

TEST(FileNames, SeparatorsAreNeverTheSecondByteOfACharacter) {
  EXPECT_EQ(FindLastSeparator(S({kHyo, "\x8e\xa6.kvs"}), "\\"), std::string_view::npos);
  EXPECT_EQ(FindLastSeparator(S({"bg\\", kSo, kJu, kYo, kNo, kKou}), "\\/:"), 2u);
  EXPECT_EQ(FindFirstSeparator(S({kSo, "\\", kSo, "\\x"}), "\\"), 2u);
  EXPECT_EQ(FindLastSeparator(S({kSo, "\\", kSo, "\\x"}), "\\"), 5u);
  // A lead byte before something that cannot follow it stands alone: the
  // slash, colon or line end after it is still seen.
  EXPECT_EQ(FindLastSeparator("\x95/x", "/"), 1u);
  EXPECT_EQ(FindLastSeparator("\x95:x", ":"), 1u);
  EXPECT_EQ(NameCharLength("\x95", 0), 1u);  // a lead byte at the very end
  EXPECT_EQ(NameCharLength("\x95\n", 0), 1u);
  // Half-width katakana and ASCII are single bytes: the backslash after them counts.
  EXPECT_EQ(FindLastSeparator("\xb1\\x", "\\"), 1u);
}

TEST(FileNames, FileNamePartAndExtension) {
  EXPECT_EQ(FileNamePart(S({"frame\\", kHyo, ".bmp"})), S({kHyo, ".bmp"}));
  EXPECT_EQ(FileNamePart(S({kSo, "\\", kNo, ".bmp"})), S({kNo, ".bmp"}));
  EXPECT_EQ(FileNamePart("c:a.bmp"), "a.bmp");
  EXPECT_EQ(FileNamePart("/game/dir/a.bmp"), "a.bmp");
  EXPECT_EQ(FileNamePart(S({kYo})), S({kYo}));
  EXPECT_EQ(FileNamePart("dir\\"), "");

  EXPECT_EQ(FileExtension(S({kHyo, "\x8e\xa6.KVS"})), ".KVS");
  EXPECT_EQ(FileExtension("a.b.jpeg"), ".jpeg");
  EXPECT_EQ(FileExtension(S({"pics.old\\", kSo})), "");  // a dot in a folder is no extension
  EXPECT_EQ(FileExtension(S({"pics.old\\", kSo, ".jpg"})), ".jpg");
  EXPECT_EQ(FileExtension("noext"), "");
  EXPECT_EQ(FileExtension("trail."), ".");
}

TEST(FileNames, TrimsTrailingBlanksAndDotsOnly) {
  EXPECT_EQ(TrimTrailingBlanksAndDots("two.kvs "), "two.kvs");
  EXPECT_EQ(TrimTrailingBlanksAndDots("two.kvs . ."), "two.kvs");
  EXPECT_EQ(TrimTrailingBlanksAndDots(" lead.kvs"), " lead.kvs");
  EXPECT_EQ(TrimTrailingBlanksAndDots("tab\t"), "tab\t");
  EXPECT_EQ(TrimTrailingBlanksAndDots(S({kSo, " "})), S({kSo}));
  EXPECT_EQ(TrimTrailingBlanksAndDots("..."), "");
}

TEST(FileNames, ComponentsSplitAtBothSeparators) {
  std::vector<std::string> parts;
  ForEachPathComponent(S({"\\", kJu, kYo, "\\\\", kHyo, "/", kSo, ".bmp\\"}),
                       [&](std::string_view c) { parts.emplace_back(c); });
  EXPECT_EQ(parts, (std::vector<std::string>{S({kJu, kYo}), S({kHyo}), S({kSo, ".bmp"})}));
  parts.clear();
  ForEachPathComponent("", [&](std::string_view c) { parts.emplace_back(c); });
  EXPECT_TRUE(parts.empty());
}

}  // namespace
}  // namespace zepa::script
