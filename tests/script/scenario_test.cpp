#include "script/scenario.h"

#include <gtest/gtest.h>

#include <vector>

#include "script/codec.h"

namespace zepa::script {
namespace {

TEST(DecodeScenarioFile, PlainLineEndsReadTheSame) {
  EXPECT_EQ(DecodeScenarioFile("[go]#a\r\n#a\r\n").text, "[go]#a\n#a\n");
  EXPECT_EQ(DecodeScenarioFile("[go]#a\n#a\n").text, "[go]#a\n#a\n");
  EXPECT_FALSE(DecodeScenarioFile("[go]#a\n").encoded);
  // No final LF stays without one; a leading "#" or "[" is part of the text.
  EXPECT_EQ(DecodeScenarioFile("#start").text, "#start");
}

TEST(DecodeScenarioFile, LoneCarriageReturnEndsTheLineReader) {
  // The first CR of a read line becomes LF and the rest of that line is lost.
  EXPECT_EQ(DecodeScenarioFile("a\rb\rc\nd\n").text, "a\nd\n");
}

TEST(DecodeScenarioFile, NulBytesCutOnlyTheirLine) {
  const std::string file("ab\0cd\nef\n", 9);
  // The C string of the first line ends at the NUL, its LF with it.
  EXPECT_EQ(DecodeScenarioFile(file).text, "abef\n");
}

TEST(DecodeScenarioFile, LongLinesAreKeptWhole) {
  const std::string line(5000, 'x');
  EXPECT_EQ(DecodeScenarioFile(line + "\n").text, line + "\n");
}

TEST(DecodeScenarioFile, EncodedFilesIgnoreLineBreaksEvenInsideAPair) {
  const std::string text = "[text]abc\n#x\n";
  const std::string letters = EncodeText(text);
  std::string split = "X";
  for (size_t i = 0; i < letters.size(); ++i) {
    split.push_back(letters[i]);
    if (i % 3 == 0) split += "\r\n";  // splits pairs in the middle too
  }
  const DecodedScenario d = DecodeScenarioFile(split);
  EXPECT_TRUE(d.encoded);
  EXPECT_EQ(d.text, text);
  // A lower-case x is no marker.
  EXPECT_FALSE(DecodeScenarioFile("x\n").encoded);
}

TEST(DecodeScenarioFile, EncodeButtonOutputReadsBack) {
  // A last line without its LF reads back with one.
  EXPECT_EQ(DecodeScenarioFile(EncodeScenarioFile("a\nbb\nlast")).text, "a\nbb\nlast\n");
  const std::string out = EncodeScenarioFile("ab\n");
  EXPECT_EQ(out, "X" + EncodeText("ab\n") + "\n");
}

TEST(DecodeScenarioBody, DropsCarriageReturnsAndDecodes) {
  EXPECT_EQ(DecodeScenarioBody("a\r\nb\r\n").text, "a\nb\n");
  // The byte after a CR is copied whatever it is.
  EXPECT_EQ(DecodeScenarioBody("a\r\r\n").text, "a\r\n");
  EXPECT_EQ(DecodeScenarioBody("X" + EncodeText("hi\n") + "\r\n").text, "hi\n");
  EXPECT_EQ(DecodeScenarioBody(std::string("ab\0cd", 5)).text, "ab");
}

TEST(Lines, NextLineAndSkipToLabel) {
  const std::string t = "a\nb\n#l\nc";
  EXPECT_EQ(NextLine(t, 0), 2u);
  EXPECT_EQ(NextLine(t, 7), t.size());  // no LF: stops at the end
  EXPECT_EQ(NextLine(t, t.size()), t.size());
  EXPECT_EQ(SkipToLabel(t, 0), 4u);
  EXPECT_EQ(SkipToLabel(t, 7), t.size());
}

TEST(FindLabel, MatchesFirstTokenOnly) {
  const std::string t =
      "  #blank\n"      // blanks before "#": not a label
      "#abcd\n"         // longer name: no match
      "#abc//note\n"    // comment right after the name matches
      "#abc second\n";  // a later duplicate is never reached
  EXPECT_EQ(FindLabel(t, "#abc"), t.find("#abc//"));
  EXPECT_EQ(FindLabel(t, "# a b c"), t.find("#abc//"));  // blanks removed first
  EXPECT_EQ(FindLabel(t, "abc"), std::nullopt);          // the "#" is needed
  EXPECT_EQ(FindLabel(t, "#blank"), std::nullopt);
  EXPECT_EQ(FindLabel(t, "#ab"), std::nullopt);
  EXPECT_EQ(FindLabel(t, "#abcd"), t.find("#abcd"));
  EXPECT_EQ(FindLabel(t, std::string(300, 'x')), std::nullopt);
}

// The index the author tools look labels up in answers as FindLabel does:
// first match, first token only, blanks in the wanted name removed.
TEST(FindLabel, TheIndexFindsWhatTheScanFinds) {
  const std::string t =
      "  #blank\n"
      "#abcd\n"
      "#abc//note\n"
      "#abc second\n"
      "[go]#abc\n"
      "#\tafter-tab\n"
      "#\n"
      "#end";  // no line break after the last label
  const LabelIndex index(t);
  for (const std::string& label : std::vector<std::string>{
           "#abc", "# a b c", "abc", "#blank", "#ab", "#abcd", "#abc second", "#", "", "#end",
           "#after-tab", "#\tafter-tab", std::string(300, 'x')}) {
    EXPECT_EQ(index.Find(label), FindLabel(t, label)) << "[" << label << "]";
  }
  EXPECT_EQ(index.Find("#abc"), t.find("#abc//"));
}

TEST(FindLabel, ThousandsOfLabelsFindTheLast) {
  std::string t;
  for (int i = 0; i < 5000; ++i) t += "#L" + std::to_string(i) + "\n[wait]1\n";
  EXPECT_EQ(FindLabel(t, "#L4999"), t.find("#L4999"));
}

}  // namespace
}  // namespace zepa::script
