// The about box: its layout, and the box in a running game (Esc), driven
// through scripted input.
#include "windows/about_box.h"

#include <gmock/gmock.h>

#include <nlohmann/json.hpp>

#include "engine/game_fixture.h"
#include "platform/headless/image_writer.h"

namespace zepa::windows {
namespace {

using ::testing::ElementsAre;

TEST(AboutBoxLayout, ControlsSitWhereTheWindowDesignPutsThem) {
  platform::HeadlessHost host(platform::HeadlessOptions{});
  // The game's texts arrive in CP932 and are shown as UTF-8.
  platform::ToolWindow box = BuildAboutBox(host, "\x83\x5b\x83\x70", "1.18");  // "ゼパ"
  EXPECT_EQ(box.name, "AboutBox");
  EXPECT_EQ(box.caption, "バージョン情報");
  EXPECT_EQ(box.client_width, 382);
  EXPECT_EQ(box.client_height, 166);
  EXPECT_EQ(box.placement, platform::Placement::kScreenCenter);
  EXPECT_EQ(box.Find("ProductName")->text, "ゼパ");
  EXPECT_EQ(box.Find("Label_version")->text, "1.18");
  const platform::Control* panel = box.Find("Panel1");
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->rect.x, 8);
  EXPECT_EQ(panel->rect.y, 8);
  EXPECT_EQ(panel->rect.width, 369);
  EXPECT_EQ(panel->rect.height, 105);
  const platform::Control* icon = box.Find("ProgramIcon");
  EXPECT_EQ(icon->rect.width, 98);
  EXPECT_EQ(icon->rect.height, 85);
  // The embedded picture decodes to the icon's size.
  EXPECT_EQ(icon->picture.width, 98);
  EXPECT_EQ(icon->picture.height, 85);
  for (const platform::Control& c : box.controls) {
    if (c.Key() == "Panel1" || c.Key() == "OKButton") continue;
    EXPECT_EQ(c.parent, "Panel1") << c.Key();
    EXPECT_LE(c.rect.x + c.rect.width, panel->rect.width) << c.Key();
    EXPECT_LE(c.rect.y + c.rect.height, panel->rect.height) << c.Key();
  }
  const platform::Control* ok = box.Find("OKButton");
  EXPECT_TRUE(ok->is_default);
  EXPECT_EQ(ok->text, "OK");
  EXPECT_GE(ok->rect.y, panel->rect.y + panel->rect.height);  // below the panel
  EXPECT_LE(ok->rect.y + ok->rect.height, box.client_height);
  EXPECT_LE(std::abs(2 * ok->rect.x + ok->rect.width - box.client_width), 1);  // centred
}

class AboutBoxInGame : public engine::testing::GameFixture {
 protected:
  nlohmann::json Dump(const std::string& name) { return nlohmann::json::parse(Read(name)); }
  std::string Path(const std::string& name) { return (dir_ / name).string(); }
  // A scenario that counts one line per tick for a long time.
  static constexpr const char* kCounter = "[set]n=0\n#l\n[set]n=n+1\n[if]n<100000[go]#l\n";
};

TEST_F(AboutBoxInGame, EscOpensTheBoxWhileTheGameGoesOnAndOkClosesIt) {
  Play(kCounter,
       "1000 key Escape\n"
       "1500 dump " +
           Path("a.json") + "\n" + "2500 dump " + Path("b.json") + "\n" +
           "3000 press OKButton\n"
           "3100 dump " +
           Path("c.json") + "\n" + "3200 quit\n");
  const auto a = Dump("a.json"), b = Dump("b.json"), c = Dump("c.json");
  ASSERT_EQ(a["windows"].size(), 1u);
  EXPECT_EQ(a["windows"][0]["name"], "AboutBox");
  EXPECT_EQ(a["windows"][0]["caption"], "バージョン情報");
  EXPECT_EQ(a["windows"][0]["client_size"], nlohmann::json::array({382, 166}));
  // Centred on the 1920 x 1080 screen, frame included.
  EXPECT_EQ(a["windows"][0]["position"],
            nlohmann::json::array({(1920 - 388) / 2, (1080 - 191) / 2}));
  const auto& controls = a["windows"][0]["controls"];
  const auto ok = std::find_if(controls.begin(), controls.end(),
                               [](const auto& j) { return j["name"] == "OKButton"; });
  ASSERT_NE(ok, controls.end());
  EXPECT_EQ((*ok)["kind"], "button");
  EXPECT_EQ((*ok)["text"], "OK");
  EXPECT_EQ((*ok)["visible"], true);
  EXPECT_EQ((*ok)["enabled"], true);
  EXPECT_EQ(b["windows"].size(), 1u);
  // A key press does not stop the timer: the script kept counting.
  EXPECT_GT(b["variables"]["n"].get<std::string>().size(), 0u);
  EXPECT_GT(std::stoi(b["variables"]["n"].get<std::string>()),
            std::stoi(a["variables"]["n"].get<std::string>()) + 3);
  EXPECT_TRUE(c["windows"].empty());
  EXPECT_EQ(c["dialog_choice"], 0);
  EXPECT_EQ(c["dialog_file_name"], "");
  EXPECT_TRUE(host_->windows().empty());
}

// Escape in the open box goes to the box (no second box opens behind it)
// and closes it as OK does; the next Escape opens it again.
TEST_F(AboutBoxInGame, EscapeInTheBoxClosesItAsOkDoes) {
  Play(kCounter, "500 key Escape\n600 key Escape\n700 dump " + Path("e.json") +
                     "\n800 key Escape\n900 dump " + Path("f.json") + "\n1000 quit\n");
  const auto e = Dump("e.json"), f = Dump("f.json");
  EXPECT_TRUE(e["windows"].empty());
  EXPECT_EQ(e["dialog_choice"], 0);
  ASSERT_EQ(f["windows"].size(), 1u);
  EXPECT_EQ(f["windows"][0]["name"], "AboutBox");
}

TEST_F(AboutBoxInGame, ReturnPressesOkAndTheHomepageLinkOpensTheAddress) {
  Play(kCounter, "500 key Escape\n600 press Label5\n700 key Return\n800 dump " + Path("d.json") +
                     "\n900 quit\n");
  EXPECT_THAT(host_->urls_opened(), ElementsAre(kHomepage));
  EXPECT_TRUE(Dump("d.json")["windows"].empty());
}

TEST_F(AboutBoxInGame, ARunThatEndsWithTheBoxOpenListsItInTheFinalDump) {
  Play("[text]ok\n", "500 key Escape\n");
  EXPECT_TRUE(host_->Closed());
  EXPECT_FALSE(host_->error_shown());
  const auto j = nlohmann::json::parse(game_->DumpJson());
  ASSERT_EQ(j["windows"].size(), 1u);
  EXPECT_EQ(j["windows"][0]["name"], "AboutBox");
}

// Within the shot, the caption bar carries light text near its left end and
// the OK button sits centred below the panel.
TEST_F(AboutBoxInGame, ShotShowsTheCaptionAndTheOkButtonWhereTheyBelong) {
  Play("[text]ok\n",
       "500 key Escape\n600 shot " + Path("about.png") + " AboutBox\n700 press OKButton\n");
  auto shot = platform::ReadPng(Path("about.png"));
  ASSERT_TRUE(shot.has_value());
  ASSERT_EQ(shot->width, 382 + 2 * platform::kFrameBorderPx);
  ASSERT_EQ(shot->height, 166 + platform::kCaptionBarPx + 2 * platform::kFrameBorderPx);
  auto light = [](platform::Color c) {
    return platform::RedOf(c) > 200 && platform::GreenOf(c) > 200 && platform::BlueOf(c) > 200;
  };
  auto dark = [](platform::Color c) {
    return platform::RedOf(c) < 60 && platform::GreenOf(c) < 60 && platform::BlueOf(c) < 60;
  };
  const int bar_top = platform::kFrameBorderPx, bar_bottom = bar_top + platform::kCaptionBarPx - 1;
  // The caption "バージョン情報" (seven 12-pixel glyphs) from x 7 on.
  int caption_ink = 0, ink_beyond = 0;
  for (int y = bar_top; y < bar_bottom; ++y) {
    for (int x = 7; x < 7 + 7 * 12; ++x) caption_ink += light(shot->Get(x, y));
    for (int x = 7 + 7 * 12 + 8; x < 200; ++x) ink_beyond += light(shot->Get(x, y));
  }
  EXPECT_GT(caption_ink, 60);
  EXPECT_EQ(ink_beyond, 0);
  // The bar itself is dark blue at its left end.
  const platform::Color bar = shot->Get(4, bar_top + 1);
  EXPECT_LT(platform::RedOf(bar), 40);
  EXPECT_GT(platform::BlueOf(bar), 90);

  // OKButton at (154, 128) in the client area, 75 x 25, with the default
  // button's black outline; "OK" in dark ink in its middle.
  const int bx = platform::kFrameBorderPx + 154,
            by = platform::kFrameBorderPx + platform::kCaptionBarPx + 128;
  for (int x = bx; x < bx + 75; ++x) {
    EXPECT_TRUE(dark(shot->Get(x, by))) << x;
    EXPECT_TRUE(dark(shot->Get(x, by + 24))) << x;
  }
  for (int y = by; y < by + 25; ++y) {
    EXPECT_TRUE(dark(shot->Get(bx, y))) << y;
    EXPECT_TRUE(dark(shot->Get(bx + 74, y))) << y;
  }
  EXPECT_FALSE(dark(shot->Get(bx - 1, by + 12)));
  EXPECT_FALSE(dark(shot->Get(bx + 75, by + 12)));
  int text_ink = 0;
  for (int y = by + 6; y < by + 19; ++y)
    for (int x = bx + 25; x < bx + 50; ++x) text_ink += dark(shot->Get(x, y));
  EXPECT_GT(text_ink, 10);
}

}  // namespace
}  // namespace zepa::windows
