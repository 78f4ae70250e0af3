// A pseudo-terminal for the serial tests: the layer under test opens the slave side by its
// name, the test speaks on the master side. Every read is bounded (30 s by default).
#pragma once
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "foundation/misc.h"
#include "transport/hdlc_frame.h"

namespace zv::test {

class Pty {
 public:
  Pty() {
    char name[256] = {};
    if (::openpty(&FMaster, &FSlave, name, nullptr, nullptr) == 0) SlaveName = name;
  }
  ~Pty() {
    if (FMaster >= 0) ::close(FMaster);
    if (FSlave >= 0) ::close(FSlave);
  }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  bool Valid() const { return FMaster >= 0 && !SlaveName.empty(); }
  int Master() const { return FMaster; }
  // The test's own descriptor of the slave side, kept open so that the master side never
  // sees the line hang up while the layer reopens it.
  int Slave() const { return FSlave; }

  bool Write(const PduStr& s) const {
    size_t done = 0;
    while (done < s.size()) {
      ssize_t n = ::write(FMaster, s.data() + done, s.size() - done);
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  }
  // Octet by octet, one write each.
  bool Trickle(const PduStr& s) const {
    for (char c : s)
      if (!Write(PduStr(1, c))) return false;
    return true;
  }
  // Exactly Count octets, fewer when Ms pass first.
  PduStr Read(size_t Count, int Ms = 30000) const {
    PduStr s;
    while (s.size() < Count && Readable(Ms)) {
      char buffer[512];
      ssize_t n = ::read(FMaster, buffer, std::min(sizeof buffer, Count - s.size()));
      if (n <= 0) break;
      s.append(buffer, static_cast<size_t>(n));
    }
    return s;
  }
  bool Readable(int Ms) const {
    pollfd p{FMaster, POLLIN, 0};
    return ::poll(&p, 1, Ms) > 0;
  }
  // The octets of one frame the server sent: flag, format, length and the rest.
  PduStr ReadFrameOctets(int Ms = 30000) const {
    PduStr head = Read(3, Ms);
    if (head.size() < 3) return head;
    const size_t length = (static_cast<uint8_t>(head[1]) & 7) * 256u + static_cast<uint8_t>(head[2]);
    return length < 1 ? head : head + Read(length - 1, Ms);
  }
  // A frame the server sent, parsed; false when none came or it does not parse.
  bool ReadFrame(TFrame& Frame, int Ms = 30000) const {
    try {
      Frame.SetFromPduByteStr(ReadFrameOctets(Ms));
      return true;
    } catch (const EFrame&) {
      return false;
    }
  }

  std::string SlaveName;

 private:
  int FMaster = -1;
  int FSlave = -1;
};

}  // namespace zv::test
