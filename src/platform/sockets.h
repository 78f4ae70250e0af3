// POSIX sockets for the transports: TCP listening and accepting, TCP and UDP clients,
// IPv4 and IPv6. Every descriptor is non-blocking; waiting is done with PollSocket, which
// also wakes when a TWakeUp of the caller is signalled. Failures are reported as errno
// values; SocketErrorText gives their text.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace zv {

// An owned descriptor, closed when it goes.
class TSocketHandle {
 public:
  TSocketHandle() = default;
  explicit TSocketHandle(int Fd) : FFd(Fd) {}
  ~TSocketHandle() { Close(); }
  TSocketHandle(TSocketHandle&& Other) noexcept : FFd(Other.Release()) {}
  TSocketHandle& operator=(TSocketHandle&& Other) noexcept;
  TSocketHandle(const TSocketHandle&) = delete;
  TSocketHandle& operator=(const TSocketHandle&) = delete;

  int Fd() const { return FFd; }
  bool Valid() const { return FFd >= 0; }
  void Close();
  int Release() {
    int fd = FFd;
    FFd = -1;
    return fd;
  }

 private:
  int FFd = -1;
};

// Wakes a PollSocket of another thread: an event counter that stays signalled until drained.
class TWakeUp {
 public:
  TWakeUp();
  ~TWakeUp();
  TWakeUp(const TWakeUp&) = delete;
  TWakeUp& operator=(const TWakeUp&) = delete;
  int Fd() const { return FFd; }
  void Signal();
  void Drain();

 private:
  int FFd = -1;
};

std::string SocketErrorText(int Error);

// Listens with backlog 1 on Port of Host; an empty Host means every local address (IPv6
// dual-stack where the machine has IPv6, else IPv4). Port 0 takes a free port.
TSocketHandle TcpListen(const std::string& Host, int Port, int& Error);
// The local port a socket is bound to; -1 on failure.
int SocketLocalPort(int Fd);
// Takes one waiting connection; invalid with Error EAGAIN when none waits. PeerIP is the
// peer's address as text (an IPv4 peer of a dual-stack socket in dotted form).
TSocketHandle TcpAccept(int ListenFd, std::string& PeerIP, int& Error);

// TCP keep-alive of a connection: the first probe after IdleS seconds without traffic, then
// one every IntervalS seconds; after Count unanswered probes the connection fails with
// ETIMEDOUT. A peer that vanished without closing (cable pulled, host crashed) is found so.
struct TKeepAlive {
  int IdleS = 30;
  int IntervalS = 5;
  int Count = 4;
};
// Turns keep-alive on with these figures; 0 or an errno value.
int SetKeepAlive(int Fd, const TKeepAlive& KeepAlive);

// A numeric address of the family (IPv6 when IPv6) and a port, as a socket address.
struct TSocketAddress {
  unsigned char Storage[128];
  unsigned Length = 0;
};
// False with a text in ErrorText when Host is not a numeric address of that family.
bool ResolveNumeric(const std::string& Host, int Port, bool IPv6, TSocketAddress& Address, std::string& ErrorText);

// Starts a TCP connection. InProgress tells that PollSocket for writable and then
// ConnectResult must follow.
TSocketHandle TcpStartConnect(const TSocketAddress& Address, bool& InProgress, int& Error);
// The outcome of a connection attempt once the socket is writable: 0 or an errno value.
int ConnectResult(int Fd);
// A UDP socket bound to its one destination.
TSocketHandle UdpOpen(const TSocketAddress& Address, int& Error);

enum TPollResult : unsigned {
  prTimeout = 0,
  prReadable = 1,
  prWritable = 2,
  prWoken = 4,
  prHangUp = 8,  // error or hang-up on the socket
};
// Waits up to TimeoutMs (negative: no limit) until Fd is readable (WantRead), writable
// (WantWrite), or WakeFd (if >= 0) is signalled; Fd < 0 waits for WakeFd only. Answers a
// set of TPollResult bits. Interrupted waits are resumed with the rest of the time.
unsigned PollSocket(int Fd, bool WantRead, bool WantWrite, int WakeFd, int64_t TimeoutMs);

// Reads what is there, up to Size: > 0 octets read, 0 the peer closed the stream, -1 with
// Error (EAGAIN when nothing is there).
long SocketReceive(int Fd, void* Buffer, size_t Size, int& Error);
// Writes what fits now: octets written, or -1 with Error (EAGAIN when nothing fits).
long SocketSend(int Fd, const void* Data, size_t Size, int& Error);
// True when the peer has closed the stream or the socket has failed and no octet is waiting.
bool SocketPeerGone(int Fd);
// Discards every octet waiting on a socket.
void SocketDiscardInput(int Fd);

}  // namespace zv
