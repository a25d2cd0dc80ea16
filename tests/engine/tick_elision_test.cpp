// Sleeping through the ticks that change nothing must not change the game:
// each scenario is played with and without the elision and every shot and
// dump taken on the way must be the same, byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "engine/game_fixture.h"

namespace zepa::engine::testing {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  std::map<std::string, std::string> files;  // shot and dump bytes by name
  uint64_t end_ms = 0;
  int frames = 0;
  int wakes = 0;
};

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

class TickElision : public GameFixture {
 protected:
  Outcome PlayOnce(const std::string& ini, const std::string& scenario, const std::string& events,
                   uint32_t until_ms, bool elide) {
    const fs::path out = dir_ / (elide ? "out_elided" : "out_plain");
    fs::remove_all(out);
    fs::create_directories(out);
    // Written afresh: the run writes the configuration back at its end.
    Write("rurirora.ini", ini);
    platform::HeadlessOptions options;
    options.until_ms = until_ms;
    options.elide_quiet_ticks = elide;
    Play(scenario, ReplaceAll(events, "@OUT@", out.string()), options);
    Outcome o;
    for (const auto& entry : fs::directory_iterator(out)) {
      std::ifstream in(entry.path(), std::ios::binary);
      o.files[entry.path().filename().string()] = std::string(std::istreambuf_iterator<char>(in), {});
    }
    o.end_ms = host_->now64();
    o.frames = host_->frames_presented();
    o.wakes = host_->pump_wakes();
    return o;
  }

  void ExpectSameBothWays(const std::string& ini, const std::string& scenario, const std::string& events,
                          uint32_t until_ms, bool expect_fewer_wakes = true) {
    const Outcome plain = PlayOnce(ini, scenario, events, until_ms, false);
    const Outcome elided = PlayOnce(ini, scenario, events, until_ms, true);
    ASSERT_FALSE(plain.files.empty());
    ASSERT_EQ(plain.files.size(), elided.files.size());
    for (const auto& [name, bytes] : plain.files) {
      auto other = elided.files.find(name);
      ASSERT_NE(other, elided.files.end()) << name;
      EXPECT_TRUE(bytes == other->second) << name << " differs with the elision";
    }
    EXPECT_EQ(plain.end_ms, elided.end_ms);
    EXPECT_EQ(plain.frames, elided.frames);
    if (expect_fewer_wakes) {
      EXPECT_LT(elided.wakes * 2, plain.wakes) << "the elision slept through nothing";
    }
  }

  const std::string kIni = "[SCREEN]\r\nFULL=0\r\n";
};

TEST_F(TickElision, TextWaitsWithTheBlinkingIconLookTheSame) {
  // An interval off the 50 ms grid puts the blink between ticks.
  const std::string ini = kIni + "[MESSAGE]\r\nINTERVAL=333\r\n";
  ExpectSameBothWays(ini, "[text]Waiting for a click.\r\n[text]Two\\nlines here.\r\n[text]Last.\r\n",
                     "1234 shot @OUT@/a.png\n"
                     "1750 shot @OUT@/b.png\n"
                     "1750 dump @OUT@/b.json\n"
                     "2261 shot @OUT@/c.png\n"
                     "2777 dump @OUT@/c.json\n"
                     "3001 click 100 100\n"
                     "3100 shot @OUT@/d.png\n"
                     "4321 shot @OUT@/e.png\n"
                     "4321 dump @OUT@/e.json\n"
                     "5000 key Return\n"
                     "6999 shot @OUT@/f.png\n"
                     "6999 dump @OUT@/f.json\n",
                     7000);
}

TEST_F(TickElision, ChoicesClicksAndTheMouseWaitLookTheSame) {
  ExpectSameBothWays(kIni,
                     "[text]Pick one.\r\n[sel]one\\ntwo\\nthree\r\n[text]Chosen.\r\n[mouse]X,Y\r\n"
                     "[text]Clicked.\r\n",
                     "1500 shot @OUT@/a.png\n"
                     "1610 move 100 395\n"
                     "1990 shot @OUT@/b.png\n"
                     "2300 key Down\n"
                     "2720 shot @OUT@/c.png\n"
                     "2720 dump @OUT@/c.json\n"
                     "3005 key Return\n"
                     "4400 shot @OUT@/d.png\n"
                     "5000 key Return\n"
                     "5900 dump @OUT@/e.json\n"
                     "6100 click 100 200\n"
                     "7480 shot @OUT@/f.png\n"
                     "7480 dump @OUT@/f.json\n",
                     8000);
}

TEST_F(TickElision, JumpsRequestsAndTimedWaitsLookTheSame) {
  // F1 asks for "#MENU" and L for the load window while a text waits; the
  // timed wait and the running interpreter are never slept through.
  ExpectSameBothWays(kIni,
                     "[textnw]Quick.\r\n[wait]700\r\n[text]After the wait.\r\n"
                     "[text]Menu next.\r\n#MENU\r\n[text]The menu.\r\n",
                     "300 shot @OUT@/a.png\n"
                     "655 dump @OUT@/a.json\n"
                     "1800 shot @OUT@/b.png\n"
                     "2210 key L\n"
                     "2600 key Return\n"
                     "3900 key F1\n"
                     "4100 shot @OUT@/c.png\n"
                     "6400 shot @OUT@/d.png\n"
                     "6400 dump @OUT@/d.json\n",
                     9000);
}

TEST_F(TickElision, AGameLeftBusyWithNoIconSleepsUntilInput) {
  // A load that fails leaves the interpreter busy with no icon shown: no
  // tick changes anything until the player restarts with Ctrl+L.
  ExpectSameBothWays(kIni, "[text]Loading.\r\n[load]missing.kvs\r\n",
                     "800 key Return\n"
                     "2000 shot @OUT@/a.png\n"
                     "2000 dump @OUT@/a.json\n"
                     "9000 key ctrl+L\n"
                     "9700 shot @OUT@/b.png\n"
                     "9700 dump @OUT@/b.json\n",
                     12000);
}

}  // namespace
}  // namespace zepa::engine::testing
