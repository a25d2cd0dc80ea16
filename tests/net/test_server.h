#pragma once
// Servers on the loopback interface for the HTTP client's tests: a raw
// socket server whose every answer the test scripts, and Python's
// http.server for plain fetches. Every wait here is bounded, and stopping
// a server interrupts whatever it is doing.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace zepa::net::testing {

inline int64_t MonotonicMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// One accepted connection, as the server's script sees it.
class Connection {
 public:
  Connection(int fd, int wake_fd, const std::atomic<bool>& stopping)
      : fd_(fd), wake_fd_(wake_fd), stopping_(stopping) {}

  // Reads until the blank line that ends a request, the peer closes, or
  // five seconds pass.
  std::string ReadRequest() {
    std::string request;
    const int64_t end_ms = MonotonicMs() + 5000;
    while (request.find("\r\n\r\n") == std::string::npos && MonotonicMs() < end_ms) {
      if (!WaitFor(POLLIN, 50)) continue;
      char buffer[4096];
      const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      request.append(buffer, static_cast<size_t>(n));
    }
    return request;
  }

  // Sends everything; false when the peer has gone or the server stops.
  bool Send(std::string_view data) {
    while (!data.empty()) {
      if (stopping_) return false;
      if (!WaitFor(POLLOUT, 50)) continue;
      const ssize_t n = send(fd_, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n < 0) {
        if (errno == EAGAIN || errno == EINTR) continue;
        return false;
      }
      data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
  }

  // Sleeps `ms`; false when the server stops or the peer closes meanwhile.
  bool Pause(int ms) {
    const int64_t end_ms = MonotonicMs() + ms;
    for (int64_t now = MonotonicMs(); now < end_ms; now = MonotonicMs()) {
      pollfd p[2] = {{fd_, POLLIN, 0}, {wake_fd_, POLLIN, 0}};
      if (poll(p, 2, static_cast<int>(end_ms - now)) > 0) {
        if (p[1].revents) return false;
        char c;
        if (p[0].revents && recv(fd_, &c, 1, MSG_PEEK | MSG_DONTWAIT) <= 0) return false;
      }
    }
    return !stopping_;
  }

 private:
  bool WaitFor(short events, int ms) {
    pollfd p[2] = {{fd_, events, 0}, {wake_fd_, POLLIN, 0}};
    return poll(p, 2, ms) > 0 && p[0].revents != 0 && !stopping_;
  }

  int fd_;
  int wake_fd_;
  const std::atomic<bool>& stopping_;
};

// Accepts connections one after another on 127.0.0.1 (or ::1) and runs the
// script for each; records what every request said.
class TestServer {
 public:
  using Script = std::function<void(Connection&, const std::string& request, int index)>;

  explicit TestServer(Script script, bool ipv6 = false) : script_(std::move(script)) {
    if (pipe2(wake_, O_CLOEXEC) != 0) return;
    listen_fd_ = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_storage storage{};
    socklen_t len;
    if (ipv6) {
      auto* a = reinterpret_cast<sockaddr_in6*>(&storage);
      a->sin6_family = AF_INET6;
      a->sin6_addr = in6addr_loopback;
      len = sizeof *a;
    } else {
      auto* a = reinterpret_cast<sockaddr_in*>(&storage);
      a->sin_family = AF_INET;
      a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      len = sizeof *a;
    }
    if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&storage), len) != 0 ||
        listen(listen_fd_, 8) != 0)
      return;
    getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&storage), &len);
    port_ = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port
                       : reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
    thread_ = std::thread([this] { Serve(); });
  }

  ~TestServer() {
    stopping_ = true;
    if (wake_[1] >= 0) (void)!write(wake_[1], "x", 1);
    if (thread_.joinable()) thread_.join();
    if (listen_fd_ >= 0) close(listen_fd_);
    for (int fd : wake_)
      if (fd >= 0) close(fd);
  }

  int port() const { return port_; }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }

  std::vector<std::string> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  void Serve() {
    for (int index = 0; !stopping_; ++index) {
      pollfd p[2] = {{listen_fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
      if (poll(p, 2, -1) <= 0 || p[1].revents) return;
      const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      Connection connection(fd, wake_[0], stopping_);
      const std::string request = connection.ReadRequest();
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
      }
      script_(connection, request, index);
      close(fd);
    }
  }

  Script script_;
  int listen_fd_ = -1;
  int wake_[2] = {-1, -1};
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
};

// Python's http.server serving a directory on 127.0.0.1, on a port it
// picks. `port()` is 0 when Python could not be started.
class PythonServer {
 public:
  explicit PythonServer(const std::string& directory) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      const int devnull = open("/dev/null", O_WRONLY);
      dup2(devnull, 2);
      execlp("python3", "python3", "-u", "-m", "http.server", "0", "--bind", "127.0.0.1",
             "--directory", directory.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    // It names its port on the first line: "Serving HTTP on 127.0.0.1 port N (...".
    std::string line;
    const int64_t end_ms = MonotonicMs() + 10000;
    while (line.find('\n') == std::string::npos && MonotonicMs() < end_ms) {
      pollfd p{out[0], POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char buffer[256];
      const ssize_t n = read(out[0], buffer, sizeof buffer);
      if (n <= 0) break;
      line.append(buffer, static_cast<size_t>(n));
    }
    close(out[0]);
    const size_t at = line.find(" port ");
    if (at != std::string::npos) port_ = std::atoi(line.c_str() + at + 6);
  }

  ~PythonServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }

  int port() const { return port_; }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace zepa::net::testing
