// A save named as a FIFO, which POSIX systems alone have: not read, never
// waited on.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "save/save_folder_fixture.h"

namespace zepa::save::testing {
namespace {

using SaveFolderFifo = SaveFolderTest;

TEST_F(SaveFolderFifo, AFifoIsNoRegularSave) {
  ASSERT_EQ(::mkfifo((game_ + "/pipe.kvd").c_str(), 0600), 0);
  std::string why;
  EXPECT_EQ(Read("pipe.kvd", &why), "<none>");
  EXPECT_NE(why.find("not a regular file"), std::string::npos) << why;
  EXPECT_NE(why.find("pipe.kvd"), std::string::npos) << why;
}

}  // namespace
}  // namespace zepa::save::testing
