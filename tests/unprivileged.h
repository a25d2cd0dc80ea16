#pragma once
// Runs a piece of a test in a forked child as an unprivileged user, for the
// rules that root would bypass (folder and file permissions). Under root the
// child becomes "nobody"; under any other user it stays that user.
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace zepa::testing {

// The exit code of a child that could not drop its privileges.
constexpr int kCannotDrop = 77;

struct Unprivileged {
  bool available = false;
  uid_t uid = 0;
  gid_t gid = 0;
  std::string why_not;  // when not available
};

inline Unprivileged FindUnprivilegedUser() {
  Unprivileged u;
  if (geteuid() != 0) {
    u.available = true;
    u.uid = geteuid();
    u.gid = getegid();
    return u;
  }
  const passwd* pw = getpwnam("nobody");
  if (!pw) {
    u.why_not = "running as root and there is no user \"nobody\" to drop to";
    return u;
  }
  u.available = true;
  u.uid = pw->pw_uid;
  u.gid = pw->pw_gid;
  return u;
}

// Runs `body` in a child as the unprivileged user. Returns the child's exit
// status: 0 when `body` returned true, 1 when false, kCannotDrop when the
// privileges could not be dropped, 2 when the child died otherwise.
inline int RunUnprivileged(const Unprivileged& user, const std::function<bool()>& body) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0) {
      if (setgroups(0, nullptr) != 0 || setgid(user.gid) != 0 || setuid(user.uid) != 0 ||
          geteuid() == 0)
        _exit(kCannotDrop);
    }
    _exit(body() ? 0 : 1);
  }
  if (pid < 0) return 2;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return 2;
  return WEXITSTATUS(status);
}

}  // namespace zepa::testing

// In a test: skips with the reason when no unprivileged user can be had.
#define ZEPA_REQUIRE_UNPRIVILEGED(user)                    \
  do {                                                     \
    if (!(user).available) GTEST_SKIP() << (user).why_not; \
  } while (0)

// Runs `body` unprivileged and expects it to succeed (or skips).
#define ZEPA_EXPECT_UNPRIVILEGED(user, body)                                  \
  do {                                                                        \
    const int zepa_status = ::zepa::testing::RunUnprivileged((user), (body)); \
    if (zepa_status == ::zepa::testing::kCannotDrop)                          \
      GTEST_SKIP() << "cannot drop privileges to uid " << (user).uid;         \
    EXPECT_EQ(zepa_status, 0) << "the unprivileged part failed";              \
  } while (0)
