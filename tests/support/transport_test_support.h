// Helpers of the transport tests: a clock that tests move, a capture of the log and the
// traffic events, and loopback peers written directly against POSIX sockets.
#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "foundation/logger.h"
#include "foundation/misc.h"
#include "foundation/traffic.h"
#include "platform/clock.h"

namespace zv::test {

// Time stands still until something waits: a wait of Ms moves the clock on by Ms and
// takes no real time, so every time-out expires at once.
class FakeClock : public IClock {
 public:
  explicit FakeClock(int64_t Start = 1000000) : Ms(Start) {}
  int64_t NowMs() const override { return Ms.load(); }
  int64_t WaitBudgetMs(int64_t Wait) const override {
    Ms += Wait;
    Waited += Wait;
    return 0;
  }
  mutable std::atomic<int64_t> Ms;
  mutable std::atomic<int64_t> Waited{0};
};

// The log pane and the traffic display of the process-wide logger, on the test thread.
class LogCapture : public ILogSink {
 public:
  LogCapture() {
    Logger().Attach(*this, [this] {
      std::lock_guard<std::mutex> g(M);
      Pending = true;
      Cv.notify_all();
    });
  }
  ~LogCapture() override { Logger().Detach(); }

  void Clear() override {}
  void AppendLines(const std::vector<std::string>& L) override { Lines.insert(Lines.end(), L.begin(), L.end()); }
  int LineCount() const override { return static_cast<int>(Lines.size()); }
  void TrafficEvent(const TTrafficEvent& E) override { Traffic.push_back({E.Sender, E.Bytes, E.Options}); }

  // Takes what other threads have logged so far.
  void Sync() { Logger().ProcessPending(); }
  // Takes what other threads log until Done answers true (false after 30 s).
  bool WaitFor(const std::function<bool()>& Done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
      Sync();
      if (Done()) return true;
      std::unique_lock<std::mutex> g(M);
      if (!Cv.wait_until(g, deadline, [this] { return Pending; })) return false;
      Pending = false;
    }
  }
  bool HasInfo(const std::string& Text) const {
    for (const auto& t : Traffic)
      if (t.Options.Contains(toInfo) && t.Bytes == Text) return true;
    return false;
  }
  bool HasLineEndingWith(const std::string& Text) const {
    for (const auto& l : Lines)
      if (l.size() >= Text.size() && l.compare(l.size() - Text.size(), Text.size(), Text) == 0) return true;
    return false;
  }
  // The octets of every event of one direction, joined.
  PduStr Octets(TTrafficOption Direction) const {
    PduStr s;
    for (const auto& t : Traffic)
      if (t.Options.Contains(Direction)) s += t.Bytes;
    return s;
  }

  struct Event {
    const void* Sender;
    PduStr Bytes;
    TTrafficOptions Options;
  };
  std::vector<std::string> Lines;
  std::vector<Event> Traffic;

 private:
  std::mutex M;
  std::condition_variable Cv;
  bool Pending = false;
};

// Counts events of other threads; a test waits for a count (at most 30 s).
class EventCounter {
 public:
  void Add() {
    {
      std::lock_guard<std::mutex> g(M);
      ++N;
    }
    Cv.notify_all();
  }
  int Count() const {
    std::lock_guard<std::mutex> g(M);
    return N;
  }
  bool WaitFor(int Count) {
    std::unique_lock<std::mutex> g(M);
    return Cv.wait_for(g, std::chrono::seconds(30), [&] { return N >= Count; });
  }

 private:
  mutable std::mutex M;
  std::condition_variable Cv;
  int N = 0;
};

inline PduStr Hex(const char* Text) { return HexStrToByteStr2(Text); }

// A blocking loopback socket of a test peer; every wait is bounded by 30 s.
class Peer {
 public:
  Peer() = default;
  explicit Peer(int Fd) : FFd(Fd) {}
  Peer(Peer&& o) noexcept : FFd(o.FFd) { o.FFd = -1; }
  Peer& operator=(Peer&& o) noexcept {
    std::swap(FFd, o.FFd);
    return *this;
  }
  ~Peer() { Close(); }

  static Peer ConnectTcp(const std::string& Host, int Port) {
    bool v6 = Host.find(':') != std::string::npos;
    int fd = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    sockaddr_storage a{};
    socklen_t length = Address(Host, Port, a);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), length) != 0) {
      ::close(fd);
      return Peer();
    }
    return Peer(fd);
  }
  // A UDP socket bound to Host with a free port.
  static Peer BindUdp(const std::string& Host) {
    bool v6 = Host.find(':') != std::string::npos;
    int fd = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_storage a{};
    socklen_t length = Address(Host, 0, a);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), length) != 0) {
      ::close(fd);
      return Peer();
    }
    return Peer(fd);
  }
  // A TCP socket listening on Host with a free port.
  static Peer ListenTcp(const std::string& Host, int Port = 0) {
    bool v6 = Host.find(':') != std::string::npos;
    int fd = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_storage a{};
    socklen_t length = Address(Host, Port, a);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), length) != 0 || ::listen(fd, 4) != 0) {
      ::close(fd);
      return Peer();
    }
    return Peer(fd);
  }

  bool Valid() const { return FFd >= 0; }
  int Fd() const { return FFd; }
  void Close() {
    if (FFd >= 0) ::close(FFd);
    FFd = -1;
  }
  int LocalPort() const {
    sockaddr_storage a{};
    socklen_t length = sizeof a;
    ::getsockname(FFd, reinterpret_cast<sockaddr*>(&a), &length);
    return a.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6&>(a).sin6_port)
                                   : ntohs(reinterpret_cast<sockaddr_in&>(a).sin_port);
  }
  Peer Accept() const {
    if (!Readable()) return Peer();
    return Peer(::accept4(FFd, nullptr, nullptr, SOCK_CLOEXEC));
  }
  bool Write(const PduStr& s) const {
    size_t done = 0;
    while (done < s.size()) {
      ssize_t n = ::send(FFd, s.data() + done, s.size() - done, MSG_NOSIGNAL);
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  }
  // Exactly Count octets; fewer when the stream ends or 30 s pass.
  PduStr Read(size_t Count) const {
    PduStr s;
    while (s.size() < Count && Readable()) {
      char buffer[4096];
      ssize_t n = ::recv(FFd, buffer, std::min(sizeof buffer, Count - s.size()), 0);
      if (n <= 0) break;
      s.append(buffer, static_cast<size_t>(n));
    }
    return s;
  }
  // One datagram.
  PduStr ReadDatagram() const {
    if (!Readable()) return PduStr();
    char buffer[65536];
    ssize_t n = ::recv(FFd, buffer, sizeof buffer, 0);
    return n > 0 ? PduStr(buffer, static_cast<size_t>(n)) : PduStr();
  }
  // True when the other side closed or reset the stream within 30 s.
  bool SeesClose() const {
    char c;
    return Readable() && ::recv(FFd, &c, 1, 0) <= 0;
  }
  bool Readable(int Ms = 30000) const {
    pollfd p{FFd, POLLIN, 0};
    return ::poll(&p, 1, Ms) > 0;
  }

  static socklen_t Address(const std::string& Host, int Port, sockaddr_storage& a) {
    if (Host.find(':') != std::string::npos) {
      auto& a6 = reinterpret_cast<sockaddr_in6&>(a);
      a6.sin6_family = AF_INET6;
      a6.sin6_port = htons(static_cast<uint16_t>(Port));
      inet_pton(AF_INET6, Host.c_str(), &a6.sin6_addr);
      return sizeof a6;
    }
    auto& a4 = reinterpret_cast<sockaddr_in&>(a);
    a4.sin_family = AF_INET;
    a4.sin_port = htons(static_cast<uint16_t>(Port));
    inet_pton(AF_INET, Host.c_str(), &a4.sin_addr);
    return sizeof a4;
  }

 private:
  int FFd = -1;
};

// Whether this machine can use the IPv6 loopback address.
inline bool HaveIPv6Loopback() {
  Peer p = Peer::ListenTcp("::1");
  return p.Valid();
}

}  // namespace zv::test
