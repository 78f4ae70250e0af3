#include "platform/sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace zv {

TSocketHandle& TSocketHandle::operator=(TSocketHandle&& Other) noexcept {
  if (this != &Other) {
    Close();
    FFd = Other.Release();
  }
  return *this;
}

void TSocketHandle::Close() {
  if (FFd >= 0) {
    ::close(FFd);
    FFd = -1;
  }
}

TWakeUp::TWakeUp() : FFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TWakeUp::~TWakeUp() {
  if (FFd >= 0) ::close(FFd);
}

void TWakeUp::Signal() {
  uint64_t one = 1;
  // A full counter is still signalled, so a failed write loses nothing.
  [[maybe_unused]] ssize_t n = ::write(FFd, &one, sizeof one);
}

void TWakeUp::Drain() {
  uint64_t value;
  [[maybe_unused]] ssize_t n = ::read(FFd, &value, sizeof value);
}

std::string SocketErrorText(int Error) {
  char buffer[256];
  // The GNU strerror_r answers a pointer that may or may not be the buffer.
  return std::string(strerror_r(Error, buffer, sizeof buffer));
}

namespace {

int NewSocket(int Family, int Type) {
  return ::socket(Family, Type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

std::string AddressText(const sockaddr_storage& a) {
  char text[INET6_ADDRSTRLEN] = "";
  if (a.ss_family == AF_INET) {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(a).sin_addr, text, sizeof text);
  } else if (a.ss_family == AF_INET6) {
    const in6_addr& v6 = reinterpret_cast<const sockaddr_in6&>(a).sin6_addr;
    if (IN6_IS_ADDR_V4MAPPED(&v6)) {
      inet_ntop(AF_INET, &v6.s6_addr[12], text, sizeof text);
    } else {
      inet_ntop(AF_INET6, &v6, text, sizeof text);
    }
  }
  return text;
}

TSocketHandle ListenOn(int Family, const sockaddr* Address, socklen_t Length, bool DualStack, int& Error) {
  TSocketHandle s(NewSocket(Family, SOCK_STREAM));
  if (!s.Valid()) {
    Error = errno;
    return s;
  }
  int on = 1;
  ::setsockopt(s.Fd(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (Family == AF_INET6) {
    int v6only = DualStack ? 0 : 1;
    ::setsockopt(s.Fd(), IPPROTO_IPV6, IPV6_V6ONLY, &v6only, sizeof v6only);
  }
  if (::bind(s.Fd(), Address, Length) != 0 || ::listen(s.Fd(), 1) != 0) {
    Error = errno;
    s.Close();
  }
  return s;
}

}  // namespace

TSocketHandle TcpListen(const std::string& Host, int Port, int& Error) {
  Error = 0;
  if (Host.empty()) {
    sockaddr_in6 a6{};
    a6.sin6_family = AF_INET6;
    a6.sin6_addr = in6addr_any;
    a6.sin6_port = htons(static_cast<uint16_t>(Port));
    TSocketHandle s = ListenOn(AF_INET6, reinterpret_cast<sockaddr*>(&a6), sizeof a6, true, Error);
    if (s.Valid()) return s;
    // No IPv6 on this machine: every IPv4 address.
    if (Error != EAFNOSUPPORT && Error != EADDRNOTAVAIL && Error != EPROTONOSUPPORT) return s;
    sockaddr_in a4{};
    a4.sin_family = AF_INET;
    a4.sin_addr.s_addr = htonl(INADDR_ANY);
    a4.sin_port = htons(static_cast<uint16_t>(Port));
    return ListenOn(AF_INET, reinterpret_cast<sockaddr*>(&a4), sizeof a4, false, Error);
  }
  TSocketAddress address;
  std::string text;
  bool v6 = Host.find(':') != std::string::npos;
  if (!ResolveNumeric(Host, Port, v6, address, text)) {
    Error = EINVAL;
    return TSocketHandle();
  }
  return ListenOn(v6 ? AF_INET6 : AF_INET, reinterpret_cast<sockaddr*>(address.Storage), address.Length, false,
                  Error);
}

int SocketLocalPort(int Fd) {
  sockaddr_storage a{};
  socklen_t length = sizeof a;
  if (::getsockname(Fd, reinterpret_cast<sockaddr*>(&a), &length) != 0) return -1;
  if (a.ss_family == AF_INET) return ntohs(reinterpret_cast<sockaddr_in&>(a).sin_port);
  if (a.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6&>(a).sin6_port);
  return -1;
}

TSocketHandle TcpAccept(int ListenFd, std::string& PeerIP, int& Error) {
  sockaddr_storage a{};
  socklen_t length = sizeof a;
  TSocketHandle s(::accept4(ListenFd, reinterpret_cast<sockaddr*>(&a), &length, SOCK_CLOEXEC | SOCK_NONBLOCK));
  if (!s.Valid()) {
    Error = errno;
    return s;
  }
  Error = 0;
  int on = 1;
  ::setsockopt(s.Fd(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  PeerIP = AddressText(a);
  return s;
}

int SetKeepAlive(int Fd, const TKeepAlive& KeepAlive) {
  const int on = 1;
  if (::setsockopt(Fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) != 0 ||
      ::setsockopt(Fd, IPPROTO_TCP, TCP_KEEPIDLE, &KeepAlive.IdleS, sizeof KeepAlive.IdleS) != 0 ||
      ::setsockopt(Fd, IPPROTO_TCP, TCP_KEEPINTVL, &KeepAlive.IntervalS, sizeof KeepAlive.IntervalS) != 0 ||
      ::setsockopt(Fd, IPPROTO_TCP, TCP_KEEPCNT, &KeepAlive.Count, sizeof KeepAlive.Count) != 0)
    return errno;
  return 0;
}

bool ResolveNumeric(const std::string& Host, int Port, bool IPv6, TSocketAddress& Address, std::string& ErrorText) {
  addrinfo hints{};
  hints.ai_family = IPv6 ? AF_INET6 : AF_INET;
  hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
  addrinfo* list = nullptr;
  std::string port = std::to_string(static_cast<uint16_t>(Port));
  int rc = ::getaddrinfo(Host.c_str(), port.c_str(), &hints, &list);
  if (rc != 0 || !list) {
    ErrorText = rc == EAI_SYSTEM ? SocketErrorText(errno) : std::string(gai_strerror(rc));
    if (list) ::freeaddrinfo(list);
    return false;
  }
  std::memcpy(Address.Storage, list->ai_addr, list->ai_addrlen);
  Address.Length = static_cast<unsigned>(list->ai_addrlen);
  ::freeaddrinfo(list);
  return true;
}

TSocketHandle TcpStartConnect(const TSocketAddress& Address, bool& InProgress, int& Error) {
  InProgress = false;
  Error = 0;
  const auto* a = reinterpret_cast<const sockaddr*>(Address.Storage);
  TSocketHandle s(NewSocket(a->sa_family, SOCK_STREAM));
  if (!s.Valid()) {
    Error = errno;
    return s;
  }
  int on = 1;
  ::setsockopt(s.Fd(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  if (::connect(s.Fd(), a, Address.Length) == 0) return s;
  if (errno == EINPROGRESS) {
    InProgress = true;
    return s;
  }
  Error = errno;
  s.Close();
  return s;
}

int ConnectResult(int Fd) {
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(Fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
  return error;
}

TSocketHandle UdpOpen(const TSocketAddress& Address, int& Error) {
  Error = 0;
  const auto* a = reinterpret_cast<const sockaddr*>(Address.Storage);
  TSocketHandle s(NewSocket(a->sa_family, SOCK_DGRAM));
  if (!s.Valid()) {
    Error = errno;
    return s;
  }
  if (::connect(s.Fd(), a, Address.Length) != 0) {
    Error = errno;
    s.Close();
  }
  return s;
}

unsigned PollSocket(int Fd, bool WantRead, bool WantWrite, int WakeFd, int64_t TimeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs < 0 ? 0 : TimeoutMs);
  pollfd fds[2];
  nfds_t n = 0;
  int socketIndex = -1, wakeIndex = -1;
  if (Fd >= 0) {
    socketIndex = static_cast<int>(n);
    fds[n++] = {Fd, static_cast<short>((WantRead ? POLLIN : 0) | (WantWrite ? POLLOUT : 0)), 0};
  }
  if (WakeFd >= 0) {
    wakeIndex = static_cast<int>(n);
    fds[n++] = {WakeFd, POLLIN, 0};
  }
  for (;;) {
    int timeout = -1;
    if (TimeoutMs >= 0) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      timeout = left <= 0 ? 0 : static_cast<int>(left > 1000000 ? 1000000 : left);
    }
    int rc = ::poll(fds, n, timeout);
    if (rc < 0 && errno == EINTR) continue;
    if (rc <= 0) {
      if (rc == 0 && TimeoutMs >= 0 && Clock::now() < deadline) continue;
      return rc < 0 ? prHangUp : prTimeout;
    }
    unsigned result = 0;
    if (socketIndex >= 0) {
      short r = fds[socketIndex].revents;
      if (r & POLLIN) result |= prReadable;
      if (r & POLLOUT) result |= prWritable;
      if (r & (POLLERR | POLLHUP | POLLNVAL)) result |= prHangUp;
    }
    if (wakeIndex >= 0 && (fds[wakeIndex].revents & POLLIN)) result |= prWoken;
    return result;
  }
}

long SocketReceive(int Fd, void* Buffer, size_t Size, int& Error) {
  for (;;) {
    ssize_t n = ::recv(Fd, Buffer, Size, 0);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    Error = errno == EWOULDBLOCK ? EAGAIN : errno;
    return -1;
  }
}

long SocketSend(int Fd, const void* Data, size_t Size, int& Error) {
  for (;;) {
    ssize_t n = ::send(Fd, Data, Size, MSG_NOSIGNAL);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    Error = errno == EWOULDBLOCK ? EAGAIN : errno;
    return -1;
  }
}

bool SocketPeerGone(int Fd) {
  unsigned r = PollSocket(Fd, true, false, -1, 0);
  if (!(r & (prReadable | prHangUp))) return false;
  char c;
  for (;;) {
    ssize_t n = ::recv(Fd, &c, 1, MSG_PEEK);
    if (n > 0) return false;
    if (n == 0) return true;
    if (errno == EINTR) continue;
    return errno != EAGAIN && errno != EWOULDBLOCK;
  }
}

void SocketDiscardInput(int Fd) {
  char buffer[4096];
  for (;;) {
    ssize_t n = ::recv(Fd, buffer, sizeof buffer, 0);
    if (n > 0) continue;
    if (n < 0 && errno == EINTR) continue;
    return;
  }
}

}  // namespace zv
