// A network of the test's own: the calling thread moves into a new network namespace with
// its loopback interface up, and back when the object goes. Sockets made meanwhile (also by
// threads it starts) belong to that namespace, so the test may take its loopback down:
// then nothing sent on it arrives, and a peer stops answering at the TCP level without
// closing anything. Needs the privilege to make namespaces; Valid() tells.
#pragma once
#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace zv::test {

class TPrivateNetwork {
 public:
  TPrivateNetwork() {
    FOriginal = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (FOriginal < 0) {
      Error = std::string("cannot open the network namespace: ") + std::strerror(errno);
      return;
    }
    if (::unshare(CLONE_NEWNET) != 0) {
      Error = std::string("cannot make a network namespace: ") + std::strerror(errno);
      return;
    }
    FEntered = true;
    if (!SetLoopbackUp(true)) Error = std::string("cannot take the loopback up: ") + std::strerror(errno);
  }
  ~TPrivateNetwork() {
    if (FEntered) ::setns(FOriginal, CLONE_NEWNET);
    if (FOriginal >= 0) ::close(FOriginal);
  }
  TPrivateNetwork(const TPrivateNetwork&) = delete;
  TPrivateNetwork& operator=(const TPrivateNetwork&) = delete;

  bool Valid() const { return FEntered && Error.empty(); }
  std::string Error;

  // While the loopback is down, whatever is sent on it is lost.
  bool SetLoopbackUp(bool Up) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    ifreq r{};
    std::strncpy(r.ifr_name, "lo", IFNAMSIZ - 1);
    bool ok = ::ioctl(fd, SIOCGIFFLAGS, &r) == 0;
    if (ok) {
      r.ifr_flags = static_cast<short>(Up ? (r.ifr_flags | IFF_UP) : (r.ifr_flags & ~IFF_UP));
      ok = ::ioctl(fd, SIOCSIFFLAGS, &r) == 0;
    }
    ::close(fd);
    return ok;
  }

 private:
  int FOriginal = -1;
  bool FEntered = false;
};

}  // namespace zv::test
