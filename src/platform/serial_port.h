// A serial port on a device path, through termios. The port is opened non-blocking and
// for this process alone; its settings are read and written in the form of the classic
// device control block (baud rate, a flags word, data bits, parity, stop bits), which the
// port layer fills. One thread reads and writes; another may interrupt its waits or close
// the port under it. Failures are reported as errno values; SerialErrorText gives their text.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <shared_mutex>
#include <string>

#include "platform/sockets.h"

namespace zv {

// Bits of TSerialControlBlock::Flags.
enum TSerialControlFlags : uint32_t {
  scfBinary = 0x0001,
  scfParity = 0x0002,             // check the parity of received octets
  scfOutxCtsFlow = 0x0004,        // hardware flow control
  scfOutxDsrFlow = 0x0008,
  scfDtrControlEnable = 0x0010,   // DTR line held on
  scfDtrControlMask = 0x0030,
  scfDsrSensitivity = 0x0040,
  scfTXContinueOnXoff = 0x0080,
  scfOutX = 0x0100,               // XON/XOFF on output
  scfInX = 0x0200,                // XON/XOFF on input
  scfErrorChar = 0x0400,
  scfNull = 0x0800,
  scfRtsControlEnable = 0x1000,   // RTS line held on
  scfRtsControlMask = 0x3000,
  scfAbortOnError = 0x4000,
};

// Parity: 0 none, 1 odd, 2 even. StopBits: 0 one, 2 two.
struct TSerialControlBlock {
  uint32_t DCBlength = 0;
  uint32_t BaudRate = 0;
  uint32_t Flags = 0;
  uint16_t wReserved = 0;
  uint16_t XonLim = 0;
  uint16_t XoffLim = 0;
  uint8_t ByteSize = 8;
  uint8_t Parity = 0;
  uint8_t StopBits = 0;
  uint8_t XonChar = 0;
  uint8_t XoffChar = 0;
  uint8_t ErrorChar = 0;
  uint8_t EofChar = 0;
  uint8_t EvtChar = 0;
  uint16_t wReserved1 = 0;
};

// Line errors seen since they were last taken.
enum TSerialErrorFlags : unsigned {
  sefRxOver = 0x0001,
  sefOverrun = 0x0002,
  sefRxParity = 0x0004,
  sefFrame = 0x0008,
  sefBreak = 0x0010,
  sefTxFull = 0x0100,
};

std::string SerialErrorText(int Error);

// The device of port COM<COMNr>: the entry "COM<n>" of SettingsFolder when there is one
// (normally a symbolic link to the device, e.g. COM3 -> /dev/ttyUSB0), else /dev/ttyS<n-1>.
std::string SerialDevicePath(int COMNr, const std::string& SettingsFolder);
// A device path as the log and the settings show it: the path, and where it leads when it
// is a symbolic link ("/home/u/.config/Zorvan/COM3 -> /dev/ttyUSB0").
std::string SerialDeviceText(const std::string& Path);

class TSerialPort {
 public:
  TSerialPort() = default;
  ~TSerialPort() { Close(); }
  TSerialPort(const TSerialPort&) = delete;
  TSerialPort& operator=(const TSerialPort&) = delete;

  // Opens Path for reading and writing, exclusively; false with Error when it cannot.
  bool Open(const std::string& Path, int& Error);
  bool IsOpen() const { return FFd.load() >= 0; }
  // Ends every wait of another thread on the port first; safe while another thread reads.
  void Close();

  bool GetControlBlock(TSerialControlBlock& Block, int& Error);
  // Raw octets: no echo, no line editing, no translation. Baud rates without a termios
  // constant are set through the arbitrary-rate interface.
  bool SetControlBlock(const TSerialControlBlock& Block, int& Error);

  // 1: an octet was read; 0: none came within TimeoutMs, or the wait was interrupted;
  // -1: the port failed (Error).
  int ReadByte(uint8_t& Value, int64_t TimeoutMs, int& Error);
  // Writes every octet, waiting while the driver's buffer is full; an interrupt ends the
  // wait with EINTR.
  bool Write(const void* Data, size_t Size, int& Error);
  // Discards what was received and not yet read.
  bool PurgeInput(int& Error);
  // Discards both directions.
  bool Purge(int& Error);
  // Waits until everything written has gone out.
  bool Flush(int& Error);
  // TSerialErrorFlags of the line errors since the last call (none where the driver
  // counts none).
  unsigned TakeErrorFlags();
  // The carrier-detect input; false where the device has no modem lines.
  bool CarrierDetect();

  // While interrupted, reads return 0 at once and writes fail; wakes a waiting read.
  void Interrupt();
  void ClearInterrupt();

 private:
  // Fd while open, -1 otherwise; Close takes FUse exclusively, every user shares it.
  std::atomic<int> FFd{-1};
  std::shared_mutex FUse;
  std::atomic<bool> FClosing{false};
  std::atomic<bool> FInterrupted{false};
  TWakeUp FWake;
  // Octets read ahead from the device, handed out one by one.
  std::mutex FBufferMutex;
  unsigned char FBuffer[256];
  size_t FHead = 0;
  size_t FTail = 0;
  // Driver counters of line errors, as last taken.
  int FLastCounts[5] = {0, 0, 0, 0, 0};
};

}  // namespace zv
