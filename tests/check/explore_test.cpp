// The branch explorer on small games made in a temporary directory.
#include "check/explore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>

namespace zepa::engine {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using Strings = std::vector<std::string>;

class ExploreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zepa_explore_" + std::to_string(std::random_device{}()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    Write("se/sleep.wav", "RIFF");
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Write(const std::string& name, const std::string& bytes) {
    const fs::path path = dir_ / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }
  // The lines as a game file: CR LF after each.
  void Story(const Strings& lines, const std::string& name = "story.kvs") {
    std::string s;
    for (const std::string& l : lines) s += l + "\r\n";
    Write(name, s);
  }
  ExploreReport Explore(size_t max_states = 20000, size_t step_limit = 100000) {
    ExploreOptions o;
    o.game_dir = dir_.string();
    o.max_states = max_states;
    o.step_limit = step_limit;
    return ExploreGame(o);
  }
  json Json(const ExploreReport& r) { return json::parse(FormatExploreJson(r)); }

  fs::path dir_;
};

// One game with a choice, a click tested by [if], an ending of each kind and
// the problems a path meets, read back from the JSON report.
TEST_F(ExploreTest, FollowsEveryOptionAndClickToEachEnding) {
  Story({
      "#start",                            // 1
      "[text]Where to?",                   // 2
      "[sel]Door\\nWindow\\nStay",         // 3
      "[if]SELECT=1[go]#door",             // 4
      "[if]SELECT=2[go]#window",           // 5
      "[go]#stay",                         // 6
      "#door",                             // 7
      "[mouse]MX,MY",                      // 8
      "[if]MX>=400[if]MY<100[go]#corner",  // 9
      "[text]inside",                      // 10
      "[end]",                             // 11
      "#corner",                           // 12
      "[pic]nothere.bmp",                  // 13
      "[text]the corner",                  // 14
      "#window",                           // 15
      "[go]#nowhere",                      // 16
      "[load]gone.kvs",                    // 17
      "#never",                            // 18
      "[text]x",                           // 19
      "#stay",                             // 20
      "[text]stay",                        // 21
  });
  const ExploreReport r = Explore();
  const json j = Json(r);
  EXPECT_EQ(j["labels_reached"], json(Strings{"#start", "#door", "#corner", "#window", "#stay"}));
  EXPECT_EQ(j["labels_unreached"], json(Strings{"#never"}));

  // The click that reaches the corner satisfies both conditions; the other
  // click, and each option, follow their own way.
  std::map<std::string, json> endings;
  for (const json& e : j["endings"])
    endings[e["kind"].get<std::string>() + e["label"].get<std::string>()] = e;
  // The corner runs on into #window and sticks on its load as the window
  // does: one ending, met first by the shorter way.
  ASSERT_EQ(endings.size(), 3u) << j["endings"].dump();
  EXPECT_EQ(endings["end#door"]["choices"].size(), 2u);
  EXPECT_EQ(endings["end#door"]["choices"][0], "Door");
  EXPECT_EQ(endings["end#door"]["line"], 11);
  EXPECT_EQ(endings["stuck#window"]["choices"], json(Strings{"Window"}));
  EXPECT_EQ(endings["stuck#window"]["line"], 17);
  EXPECT_EQ(endings["runs_off#stay"]["choices"], json(Strings{"Stay"}));
  EXPECT_EQ(endings["runs_off#stay"]["line"], 21);

  std::map<std::string, json> problems;
  for (const json& p : j["problems"]) problems[p["kind"]] = p;
  ASSERT_TRUE(problems.count("unknown_label")) << j["problems"].dump();
  EXPECT_EQ(problems["unknown_label"]["file"], "story.kvs");
  EXPECT_EQ(problems["unknown_label"]["line"], 16);
  EXPECT_EQ(problems["unknown_label"]["choices"], json(Strings{"Window"}));
  ASSERT_TRUE(problems.count("load_failed"));
  EXPECT_EQ(problems["load_failed"]["line"], 17);
  ASSERT_TRUE(problems.count("missing_file"));
  EXPECT_EQ(problems["missing_file"]["line"], 13);
  const json corner = problems["missing_file"]["choices"];
  ASSERT_EQ(corner.size(), 2u);
  EXPECT_EQ(corner[0], "Door");
  // The click named is one the two conditions let through.
  int x = 0, y = 0;
  ASSERT_EQ(std::sscanf(corner[1].get<std::string>().c_str(), "click %d,%d", &x, &y), 2);
  EXPECT_GE(x, 400);
  EXPECT_LT(y, 100);

  EXPECT_DOUBLE_EQ(j["coverage"].get<double>(),
                   19.0 / 21.0);  // lines 18 and 19 of #never are not run
  EXPECT_GT(j["states"].get<int>(), 0);
  EXPECT_FALSE(j["truncated"].get<bool>());
}

// Equal states are one: two options that leave the same variables merge at
// the next wait, and the walk counts the states it holds.
TEST_F(ExploreTest, MergesEqualStatesAndCutsLoops) {
  struct Case {
    const char* what;
    Strings lines;
    size_t states;
  };
  const Case cases[] = {
      {"the choice is forgotten: both ways merge",
       {"[text]a", "[sel]x\\ny", "[set]SELECT=0", "[text]b", "[text]c", "[end]"},
       3},  // a with its choice (one step), then b and c once
      {"one way is longer: the clock (and TIME) differ, the states do not",
       {"[text]a", "[sel]x\\ny", "[if]SELECT=2[go]#join", "[set]SELECT=2", "// the long way",
        "#join", "[set]SELECT=0", "[text]b", "[text]c", "[end]"},
       3},
      {"the choice is kept: both ways run on",
       {"[text]a", "[sel]x\\ny", "[text]b", "[text]c", "[end]"},
       5},
  };
  for (const Case& c : cases) {
    Story(c.lines);
    const ExploreReport r = Explore();
    EXPECT_EQ(r.states, c.states) << c.what;
    ASSERT_EQ(r.endings.size(), 1u) << c.what;
    EXPECT_EQ(r.endings[0].kind, "end") << c.what;
  }

  // A scene that only waits for clicks and a scene that never waits: the
  // first is a loop found by its repeated state, the second is cut.
  Story({"[sel]talk\\nspin", "[if]SELECT=2[go]#spin", "#talk", "[text]again", "[go]#talk", "#spin",
         "[set]N=N+1", "[go]#spin"});
  const ExploreReport r = Explore(20000, 500);
  ASSERT_EQ(r.loops.size(), 2u);
  const ExploreLoop& talk = r.loops[0].waits ? r.loops[0] : r.loops[1];
  const ExploreLoop& spin = r.loops[0].waits ? r.loops[1] : r.loops[0];
  EXPECT_TRUE(talk.waits);
  EXPECT_EQ(talk.label, "#talk");
  EXPECT_EQ(talk.choices, Strings{"talk"});
  EXPECT_FALSE(spin.waits);
  EXPECT_EQ(spin.label, "#spin");
  ASSERT_EQ(r.problems.size(), 1u);
  EXPECT_EQ(r.problems[0].kind, "endless_loop");
  EXPECT_EQ(r.problems[0].choices, Strings{"spin"});
  EXPECT_TRUE(r.endings.empty());
}

// A game whose states never repeat stops at the limit and says so.
TEST_F(ExploreTest, StopsAtTheStateLimit) {
  Story({"#top", "[set]N=N+1", "[sel]again\\nstop", "[if]SELECT=1[go]#top", "[end]"});
  const ExploreReport r = Explore(50);
  EXPECT_EQ(r.states, 50u);
  EXPECT_TRUE(r.truncated);
  EXPECT_NE(FormatExploreText(r).find("state limit"), std::string::npos);
}

// A start scenario that cannot be read is the checker's error and the
// explorer's problem; nothing else is made up.
TEST_F(ExploreTest, ReportsABrokenGameAsTheCheckerDoes) {
  Write("rurirora.ini", "[MAIN]\r\nSCENARIO=missing.kvs\r\n");
  const ExploreReport r = Explore();
  EXPECT_GE(r.check.errors, 1u);
  ASSERT_EQ(r.problems.size(), 1u);
  EXPECT_EQ(r.problems[0].kind, "load_failed");
  EXPECT_NE(r.problems[0].message.find("missing.kvs"), std::string::npos);
  EXPECT_EQ(r.states, 0u);
  EXPECT_EQ(r.coverage(), 0.0);
}

// The scene graph names each label once, labels choice edges with the
// option, and follows a load into the other file.
TEST_F(ExploreTest, GraphHasTheScenesAndTheirEdges) {
  Story({"#a", "[sel]on \"quoted\"\\nover", "[if]SELECT=2[go]#c", "#b", "[load]two.kvs", "#c",
         "[end]"});
  Story({"#d", "[end]"}, "two.kvs");
  const ExploreReport r = Explore();
  EXPECT_EQ(r.labels_reached, (Strings{"#a", "#b", "#c", "two.kvs:#d"}));
  const std::string dot = FormatExploreDot(r);
  EXPECT_NE(dot.find("\"#a\" -> \"#b\" [label=\"on \\\"quoted\\\"\"];"), std::string::npos) << dot;
  EXPECT_NE(dot.find("\"#a\" -> \"#c\" [label=\"over\"];"), std::string::npos) << dot;
  EXPECT_NE(dot.find("\"#b\" -> \"two.kvs:#d\" [label=\"load\"];"), std::string::npos) << dot;
  EXPECT_NE(dot.find("\"(start)\" -> \"#a\" [style=dashed];"), std::string::npos) << dot;
}

}  // namespace
}  // namespace zepa::engine
