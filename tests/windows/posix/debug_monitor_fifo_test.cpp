// The encode output named as a FIFO, which POSIX systems alone have: refused
// at once, since a writer that opened it would wait for a reader for ever.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "windows/debug_monitor_fixture.h"

namespace zepa::windows::testing {
namespace {

using DebugMonitorFifo = DebugMonitorInGame;

TEST_F(DebugMonitorFifo, EncodeOutputRefusesAFifo) {
  const std::string fifo = Path("pipe.kvs");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Should the game block on the FIFO, a reader that comes late lets it go
  // on, so that the test fails rather than hangs.
  std::atomic<bool> done{false};
  int late_reader = -1;
  std::thread watchdog([&] {
    for (int i = 0; i < 200 && !done; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (!done) late_reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  });
  const auto started = std::chrono::steady_clock::now();
  Play("[text]ok\n", "1100 type Edit_ENCODE pipe\n1150 press Button_ENCODE\n" +
                         DumpAt(1200, "fifo.json") + "1300 quit\n");
  done = true;
  watchdog.join();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
  EXPECT_EQ(late_reader, -1) << "the encode output waited on the FIFO";
  if (late_reader >= 0) close(late_reader);
  EXPECT_EQ(Dump("fifo.json")["debug_monitor"]["note_failed"], true);
  struct stat st {};
  ASSERT_EQ(stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO was replaced";
}

}  // namespace
}  // namespace zepa::windows::testing
