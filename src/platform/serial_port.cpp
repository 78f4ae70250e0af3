#include "platform/serial_port.h"

// The kernel's termios2 (arbitrary baud rates) cannot be declared together with the C
// library's termios, so this file speaks to the driver through ioctl alone.
#include <asm/termbits.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/folders.h"

namespace zv {

namespace {

struct TBaudConstant {
  uint32_t Rate;
  unsigned Constant;
};

constexpr TBaudConstant kBaudConstants[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

unsigned BaudConstant(uint32_t Rate) {
  for (const auto& b : kBaudConstants)
    if (b.Rate == Rate) return b.Constant;
  return BOTHER;
}

int LastError(int Fallback = EIO) { return errno ? errno : Fallback; }

}  // namespace

std::string SerialErrorText(int Error) { return SocketErrorText(Error); }

std::string SerialDevicePath(int COMNr, const std::string& SettingsFolder) {
  if (!SettingsFolder.empty()) {
    const std::string entry = IncludeTrailingPathDelimiter(SettingsFolder) + "COM" + std::to_string(COMNr);
    struct stat st;
    if (::lstat(entry.c_str(), &st) == 0) return entry;
  }
  if (COMNr < 1) return std::string();
  return "/dev/ttyS" + std::to_string(COMNr - 1);
}

std::string SerialDeviceText(const std::string& Path) {
  char target[4096];
  const ssize_t n = ::readlink(Path.c_str(), target, sizeof target);
  if (n <= 0 || static_cast<size_t>(n) >= sizeof target) return Path;
  return Path + " -> " + std::string(target, static_cast<size_t>(n));
}

bool TSerialPort::Open(const std::string& Path, int& Error) {
  if (IsOpen()) {
    Error = EBUSY;
    return false;
  }
  if (Path.empty()) {
    Error = ENOENT;
    return false;
  }
  const int fd = ::open(Path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    Error = LastError();
    return false;
  }
  // Exclusive: no second opener through the driver, and no second copy of this program.
  if (::ioctl(fd, TIOCEXCL) != 0) {
    Error = LastError(ENOTTY);
    ::close(fd);
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    Error = errno == EWOULDBLOCK ? EBUSY : LastError();
    ::close(fd);
    return false;
  }
  {
    std::lock_guard<std::mutex> g(FBufferMutex);
    FHead = FTail = 0;
  }
  FInterrupted = false;
  FWake.Drain();
  FFd = fd;
  TakeErrorFlags();
  return true;
}

void TSerialPort::Close() {
  if (!IsOpen()) return;
  FClosing = true;
  FWake.Signal();
  {
    std::unique_lock<std::shared_mutex> use(FUse);
    const int fd = FFd.exchange(-1);
    if (fd >= 0) ::close(fd);
    std::lock_guard<std::mutex> g(FBufferMutex);
    FHead = FTail = 0;
  }
  FClosing = false;
  FWake.Drain();
}

bool TSerialPort::GetControlBlock(TSerialControlBlock& Block, int& Error) {
  std::shared_lock<std::shared_mutex> use(FUse);
  const int fd = FFd;
  struct termios2 t;
  if (fd < 0 || FClosing) {
    Error = EBADF;
    return false;
  }
  if (::ioctl(fd, TCGETS2, &t) != 0) {
    Error = LastError();
    return false;
  }
  Block = TSerialControlBlock();
  Block.DCBlength = sizeof(TSerialControlBlock);
  Block.BaudRate = t.c_ospeed;
  uint32_t flags = 0;
  if (!(t.c_lflag & ICANON)) flags |= scfBinary;
  if (t.c_iflag & INPCK) flags |= scfParity;
  if (t.c_cflag & CRTSCTS) flags |= scfOutxCtsFlow;
  if (t.c_iflag & IXON) flags |= scfOutX;
  if (t.c_iflag & IXOFF) flags |= scfInX;
  int lines = 0;
  if (::ioctl(fd, TIOCMGET, &lines) == 0) {
    if (lines & TIOCM_DTR) flags |= scfDtrControlEnable;
    if (lines & TIOCM_RTS) flags |= scfRtsControlEnable;
  }
  Block.Flags = flags;
  switch (t.c_cflag & CSIZE) {
    case CS5: Block.ByteSize = 5; break;
    case CS6: Block.ByteSize = 6; break;
    case CS7: Block.ByteSize = 7; break;
    default: Block.ByteSize = 8; break;
  }
  if (t.c_cflag & PARENB) {
    if (t.c_cflag & CMSPAR)
      Block.Parity = (t.c_cflag & PARODD) ? 3 : 4;
    else
      Block.Parity = (t.c_cflag & PARODD) ? 1 : 2;
  }
  Block.StopBits = (t.c_cflag & CSTOPB) ? 2 : 0;
  Block.XonChar = t.c_cc[VSTART];
  Block.XoffChar = t.c_cc[VSTOP];
  Block.EofChar = t.c_cc[VEOF];
  return true;
}

bool TSerialPort::SetControlBlock(const TSerialControlBlock& Block, int& Error) {
  std::shared_lock<std::shared_mutex> use(FUse);
  const int fd = FFd;
  if (fd < 0 || FClosing) {
    Error = EBADF;
    return false;
  }
  if (Block.BaudRate == 0 || Block.ByteSize < 5 || Block.ByteSize > 8 || Block.Parity > 4 || Block.StopBits > 2) {
    Error = EINVAL;
    return false;
  }
  struct termios2 t;
  if (::ioctl(fd, TCGETS2, &t) != 0) {
    Error = LastError();
    return false;
  }
  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                                      IXANY | INPCK | IUCLC | IMAXBEL);
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= CLOCAL | CREAD;
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  t.c_cflag |= kSizes[Block.ByteSize - 5];
  switch (Block.Parity) {
    case 1: t.c_cflag |= PARENB | PARODD; break;
    case 2: t.c_cflag |= PARENB; break;
    case 3: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case 4: t.c_cflag |= PARENB | CMSPAR; break;
    default: break;
  }
  if (Block.StopBits != 0) t.c_cflag |= CSTOPB;
  if (Block.Flags & scfParity) t.c_iflag |= INPCK;
  if (Block.Flags & scfOutxCtsFlow) t.c_cflag |= CRTSCTS;
  if (Block.Flags & scfOutX) t.c_iflag |= IXON;
  if (Block.Flags & scfInX) t.c_iflag |= IXOFF;
  if (Block.XonChar || Block.XoffChar) {
    t.c_cc[VSTART] = Block.XonChar;
    t.c_cc[VSTOP] = Block.XoffChar;
  }
  // A read is ready with one octet; reads never block (the descriptor is non-blocking).
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  const unsigned constant = BaudConstant(Block.BaudRate);
  t.c_cflag |= constant;
  t.c_ispeed = t.c_ospeed = Block.BaudRate;
  if (::ioctl(fd, TCSETS2, &t) != 0) {
    Error = LastError();
    return false;
  }
  // Modem lines: devices without them (pseudo-terminals) ignore the request.
  int dtr = TIOCM_DTR, rts = TIOCM_RTS;
  ::ioctl(fd, (Block.Flags & scfDtrControlMask) == scfDtrControlEnable ? TIOCMBIS : TIOCMBIC, &dtr);
  ::ioctl(fd, (Block.Flags & scfRtsControlMask) == scfRtsControlEnable ? TIOCMBIS : TIOCMBIC, &rts);
  return true;
}

int TSerialPort::ReadByte(uint8_t& Value, int64_t TimeoutMs, int& Error) {
  std::shared_lock<std::shared_mutex> use(FUse);
  const int fd = FFd;
  if (fd < 0 || FClosing) {
    Error = EBADF;
    return -1;
  }
  {
    std::lock_guard<std::mutex> g(FBufferMutex);
    if (FHead < FTail) {
      Value = FBuffer[FHead++];
      return 1;
    }
  }
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs > 0 ? TimeoutMs : 0);
  for (;;) {
    if (FClosing) {
      Error = EBADF;
      return -1;
    }
    if (FInterrupted) return 0;
    unsigned char chunk[sizeof FBuffer];
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n > 0) {
      std::lock_guard<std::mutex> g(FBufferMutex);
      std::memcpy(FBuffer, chunk + 1, static_cast<size_t>(n - 1));
      FHead = 0;
      FTail = static_cast<size_t>(n - 1);
      Value = chunk[0];
      return 1;
    }
    if (n == 0) {
      // A terminal reads end-of-file only when its line has hung up.
      Error = EIO;
      return -1;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      Error = LastError();
      return -1;
    }
    const int64_t left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return 0;
    const unsigned r = PollSocket(fd, true, false, FWake.Fd(), left);
    if (r & prWoken) FWake.Drain();
    if (r == prTimeout) return 0;
  }
}

bool TSerialPort::Write(const void* Data, size_t Size, int& Error) {
  std::shared_lock<std::shared_mutex> use(FUse);
  const int fd = FFd;
  if (fd < 0 || FClosing) {
    Error = EBADF;
    return false;
  }
  const char* p = static_cast<const char*>(Data);
  size_t done = 0;
  while (done < Size) {
    if (FClosing || FInterrupted) {
      Error = EINTR;
      return false;
    }
    const ssize_t n = ::write(fd, p + done, Size - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      Error = LastError();
      return false;
    }
    const unsigned r = PollSocket(fd, false, true, FWake.Fd(), -1);
    if (r & prWoken) FWake.Drain();
  }
  return true;
}

bool TSerialPort::PurgeInput(int& Error) {
  std::shared_lock<std::shared_mutex> use(FUse);
  const int fd = FFd;
  {
    std::lock_guard<std::mutex> g(FBufferMutex);
    FHead = FTail = 0;
  }
  if (fd < 0 || ::ioctl(fd, TCFLSH, TCIFLUSH) != 0) {
    Error = fd < 0 ? EBADF : LastError();
    return false;
  }
  return true;
}

bool TSerialPort::Purge(int& Error) {
  std::shared_lock<std::shared_mutex> use(FUse);
  const int fd = FFd;
  {
    std::lock_guard<std::mutex> g(FBufferMutex);
    FHead = FTail = 0;
  }
  if (fd < 0 || ::ioctl(fd, TCFLSH, TCIOFLUSH) != 0) {
    Error = fd < 0 ? EBADF : LastError();
    return false;
  }
  return true;
}

bool TSerialPort::Flush(int& Error) {
  std::shared_lock<std::shared_mutex> use(FUse);
  const int fd = FFd;
  if (fd < 0 || ::ioctl(fd, TCSBRK, 1) != 0) {
    Error = fd < 0 ? EBADF : LastError();
    return false;
  }
  return true;
}

unsigned TSerialPort::TakeErrorFlags() {
  std::shared_lock<std::shared_mutex> use(FUse);
  const int fd = FFd;
  struct serial_icounter_struct c;
  std::memset(&c, 0, sizeof c);
  if (fd < 0 || ::ioctl(fd, TIOCGICOUNT, &c) != 0) return 0;
  const int counts[5] = {c.buf_overrun, c.overrun, c.parity, c.frame, c.brk};
  static constexpr unsigned kFlags[5] = {sefRxOver, sefOverrun, sefRxParity, sefFrame, sefBreak};
  unsigned flags = 0;
  for (int i = 0; i < 5; ++i) {
    if (counts[i] != FLastCounts[i]) flags |= kFlags[i];
    FLastCounts[i] = counts[i];
  }
  return flags;
}

bool TSerialPort::CarrierDetect() {
  std::shared_lock<std::shared_mutex> use(FUse);
  const int fd = FFd;
  int lines = 0;
  return fd >= 0 && ::ioctl(fd, TIOCMGET, &lines) == 0 && (lines & TIOCM_CAR);
}

void TSerialPort::Interrupt() {
  FInterrupted = true;
  FWake.Signal();
}

void TSerialPort::ClearInterrupt() {
  FInterrupted = false;
  FWake.Drain();
}

}  // namespace zv
