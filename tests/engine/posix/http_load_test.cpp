// Scenarios fetched over HTTP through the loader: the start scenario, the
// `load` command, and the failure paths, against servers on 127.0.0.1.
#include <gtest/gtest.h>

#include "engine/game_fixture.h"
#include "net/test_server.h"

namespace zepa::engine {
namespace {

using net::testing::Connection;
using net::testing::TestServer;

class HttpLoad : public testing::GameFixture {};

TestServer::Script Serve(std::string body) {
  return
      [body](Connection& c, const std::string&, int) { c.Send("HTTP/1.0 200 OK\r\n\r\n" + body); };
}

TEST_F(HttpLoad, StartScenarioAndLoadCommandFetchOverHttp) {
  // CR LF line ends in a body read as LF, as in a file.
  TestServer second_server(Serve("[set]b=a+2\r\n"));
  const std::string second = second_server.base() + "/two.kvs";
  TestServer first_server(Serve("[set]a=1\r\n[load]" + second + "\r\n[set]a=9\r\n"));
  const std::string start = first_server.base() + "/story.kvs";
  Write("story.kvs", "[set]local=1\n");
  Create("", {}, {start});
  game_->Run();
  EXPECT_FALSE(host_->error_shown());
  EXPECT_EQ(State().scenario_name, second);
  // The load reset the variables; the second scenario ran, the first's tail did not.
  EXPECT_EQ(Var("b"), 2);
  EXPECT_EQ(Var("a"), 0);
  EXPECT_EQ(Var("local"), 0);
}

TEST_F(HttpLoad, ErrorStatusRunsTheEndScreen) {
  TestServer server([](Connection& c, const std::string&, int) {
    c.Send("HTTP/1.0 404 Not Found\r\n\r\n[set]page=1\r\n");
  });
  Create("", {}, {server.base() + "/story.kvs"});
  game_->Run();
  EXPECT_TRUE(host_->Closed());
  EXPECT_FALSE(host_->error_shown());
  // The error page is never run as a scenario.
  EXPECT_EQ(Var("page"), 0);
}

TEST_F(HttpLoad, ARefusedConnectionIsRaisedWithItsText) {
  int port;
  {
    TestServer gone([](Connection&, const std::string&, int) {});
    port = gone.port();
  }
  Write("story.kvs",
        "[set]x=1\n[load]http://127.0.0.1:" + std::to_string(port) + "/s.kvs\n[set]y=1\n");
  Create();
  game_->Run();
  ASSERT_TRUE(host_->error_shown());
  EXPECT_EQ(host_->errors()[0], "Connection Failed");
  // The raised error abandons the tick: the interpreter stays busy.
  EXPECT_EQ(Var("x"), 1);
  EXPECT_EQ(Var("y"), 0);
  EXPECT_EQ(State().adv_mode, script::adv::kBusy);
}

// A reply that did not arrive whole is never installed: the start-up
// reports it and stays idle, and a `load` keeps the running game.
TEST_F(HttpLoad, AReplyCutShortIsReportedAndNeverRun) {
  const char* cut_short[] = {
      "",
      "HTTP/1.0 200 OK\r\nContent-Le",
      "\x8e\x07random\r\n\r\n[set]a=1\r\n",
      "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n[set]a=1\r\n",
  };
  for (const char* sent : cut_short) {
    TestServer server([sent](Connection& c, const std::string&, int) { c.Send(sent); });
    Create("", {}, {server.base() + "/story.kvs"});
    game_->Run();
    ASSERT_EQ(host_->errors(), std::vector<std::string>{std::string(net::kCutShortText)}) << sent;
    EXPECT_EQ(Var("a"), 0) << sent;
    EXPECT_EQ(State().scenario_text, "") << sent;
    EXPECT_NE(State().adv_mode, script::adv::kRun) << sent;

    const std::string story = "[set]x=1\n[load]" + server.base() + "/two.kvs\n[set]y=1\n";
    Write("story.kvs", story);
    Create();
    game_->Run();
    ASSERT_EQ(host_->errors(), std::vector<std::string>{std::string(net::kCutShortText)}) << sent;
    EXPECT_EQ(Var("x"), 1) << sent;
    EXPECT_EQ(Var("a"), 0) << sent;
    EXPECT_EQ(Var("y"), 0) << sent;
    EXPECT_EQ(State().scenario_name, "story.kvs") << sent;
    EXPECT_EQ(State().scenario_text, story) << sent;
  }
}

TEST_F(HttpLoad, AnHttpsNameIsRefusedAsSuch) {
  Create("", {}, {"https://example.com/story.kvs"});
  game_->Run();
  EXPECT_EQ(host_->errors(),
            std::vector<std::string>{"HTTPS is not supported: https://example.com/story.kvs"});

  Write("story.kvs", "[set]x=1\n[load]HTTPS://example.com/two.kvs\n[set]y=1\n");
  Create();
  game_->Run();
  EXPECT_EQ(host_->errors(),
            std::vector<std::string>{"HTTPS is not supported: HTTPS://example.com/two.kvs"});
  EXPECT_EQ(Var("x"), 1);
  EXPECT_EQ(Var("y"), 0);
  EXPECT_EQ(State().scenario_name, "story.kvs");
}

// The save/load window's URL box hands its address to LoadChosenFile, which
// fetches it like the start scenario and resets the game.
TEST_F(HttpLoad, AnAddressChosenInTheLoadWindowIsFetched) {
  TestServer server(Serve("[set]fetched=3\r\n"));
  Write("story.kvs", "[set]old=1\n[text]wait\n");
  Create();
  game_->Run();
  ASSERT_EQ(Var("old"), 1);
  game_->LoadChosenFile(server.base() + "/pk/story.kvs", State().adv_mode);
  EXPECT_EQ(State().scenario_name, server.base() + "/pk/story.kvs");
  EXPECT_EQ(State().adv_mode, script::adv::kRun);
  EXPECT_EQ(Var("old"), 0);
  game_->Tick();
  EXPECT_EQ(Var("fetched"), 3);
  EXPECT_FALSE(host_->error_shown());
}

}  // namespace
}  // namespace zepa::engine
