#include "transport/serial_layer.h"

#include <algorithm>
#include <thread>

#include "foundation/globals.h"
#include "foundation/logger.h"
#include "platform/clock.h"

namespace zv {

namespace {

constexpr int kValidBauds[] = {110,   300,   600,   1200,  2400,   4800,   9600,
                               14400, 19200, 38400, 57600, 115200, 128000, 256000};

std::string BlockText(const TSerialControlBlock& b) {
  return zv::Format(
      "DCBlength=%u, BaudRate=%u, Flags=%s, wReserved=%u, XOnLim=%u, XOffLim=%u ByteSize=%u, Parity=%u, "
      "StopBits=%u, XOnChar=%u, XOffChar=%u, ErrorChar=%u, EOFChar=%u, EvtChar=%u, wReserve1=%u",
      b.DCBlength, b.BaudRate, IntToHex(b.Flags, 8).c_str(), unsigned{b.wReserved}, unsigned{b.XonLim},
      unsigned{b.XoffLim}, unsigned{b.ByteSize}, unsigned{b.Parity}, unsigned{b.StopBits}, unsigned{b.XonChar},
      unsigned{b.XoffChar}, unsigned{b.ErrorChar}, unsigned{b.EofChar}, unsigned{b.EvtChar}, unsigned{b.wReserved1});
}

}  // namespace

std::string OnSerialDevice(const std::string& Path) {
  return Path.empty() ? std::string() : " on " + SerialDeviceText(Path);
}

TProtocolLayerSerial::TProtocolLayerSerial() = default;

TProtocolLayerSerial::~TProtocolLayerSerial() { FPort.Close(); }

void TProtocolLayerSerial::Fail(const std::string& Message) const { throw EProtocolLayerSerial(Message); }

std::string TProtocolLayerSerial::DeviceName() const { return DeviceNameOf(FCOMNr, DevicePath); }

std::string TProtocolLayerSerial::DeviceNameOf(int COMNr, const std::string& DevicePath) {
  if (!DevicePath.empty()) return DevicePath;
  return SerialDevicePath(COMNr, SettingsFolder());
}

void TProtocolLayerSerial::Connect() {
  if (FPort.IsOpen()) return;
  int error = 0;
  const std::string device = DeviceName();
  if (!FPort.Open(device, error)) {
    // The port's number and the device it means (a link in the settings folder, or ttyS).
    if (!DevicePath.empty()) Fail("Cannot open port " + DevicePath + " (" + SerialErrorText(error) + ")");
    Fail(zv::Format("Cannot open port %d (%s)", FCOMNr.load(), SerialErrorText(error).c_str()) +
         OnSerialDevice(device));
  }
  if (FShowTraffic)
    Logger().StringToLog(zv::Format("Port %d opened at %d baud", FCOMNr.load(), FBaud.load()) + OnSerialDevice(device));
  // The driver settles before it is configured.
  std::this_thread::sleep_for(std::chrono::milliseconds(Clock().WaitBudgetMs(10)));
  Configure();
}

void TProtocolLayerSerial::Disconnect() {
  if (!FPort.IsOpen()) return;
  FPort.Close();
  if (FShowTraffic) Logger().StringToLog(zv::Format("Port %d closed", FCOMNr.load()));
}

bool TProtocolLayerSerial::IsConnected() { return FPort.IsOpen(); }

void TProtocolLayerSerial::Configure() {
  if (!FPort.IsOpen()) return;
  FPort.TakeErrorFlags();
  TSerialControlBlock read;
  int error = 0;
  if (!FPort.GetControlBlock(read, error)) Fail("GetCommState: " + SerialErrorText(error));
  TSerialControlBlock written = read;
  written.Flags = kControlFlags;
  if (FFormat == "8N1") {
    written.ByteSize = 8;
    written.Parity = 0;
    written.StopBits = 0;
  } else if (FFormat == "8E1") {
    written.ByteSize = 8;
    written.Parity = 2;
    written.StopBits = 0;
  } else if (FFormat == "7E1") {
    written.ByteSize = 7;
    written.Parity = 2;
    written.StopBits = 0;
  } else {
    Fail(zv::Format("\"%s\" is not a valid format", FFormat.c_str()));
  }
  const int baud = FBaud;
  if (std::find(std::begin(kValidBauds), std::end(kValidBauds), baud) == std::end(kValidBauds))
    Fail(zv::Format("%d is not a valid baud", baud));
  written.BaudRate = static_cast<uint32_t>(baud);
  if (!FPort.SetControlBlock(written, error))
    Fail("SetCommState: " + SerialErrorText(error) + " ReadDCB={" + BlockText(read) + "} WrittenDCB={" +
         BlockText(written) + "}");
}

void TProtocolLayerSerial::RaiseCommError(int Code, int Error) {
  static constexpr struct {
    unsigned Flag;
    const char* Text;
  } kLines[] = {
      {sefRxOver, "Receive Queue overflow"}, {sefOverrun, "Receive Overrun Error"},
      {sefRxParity, "Receive Parity Error"}, {sefFrame, "Receive Framing error"},
      {sefBreak, "Break Detected"},          {sefTxFull, "TX Queue is full"},
  };
  const unsigned flags = FPort.TakeErrorFlags();
  std::string message = "(" + std::to_string(Code) + ") ";
  for (const auto& l : kLines)
    if (flags & l.Flag) message += std::string(l.Text) + "\r\n";
  // Without a line error the system's reason is all there is to tell.
  if (!flags) message += SerialErrorText(Error);
  Fail(message);
}

void TProtocolLayerSerial::Send(TLinkAddresses*, const PduStr& s) {
  if (!FPort.IsOpen()) Fail(zv::Format("\"%s\" is not connected", Name.c_str()));
  const IClock& clock = Clock();
  const int delay = FDelayBeforeSend;
  if (delay > 0) {
    const int64_t start = clock.NowMs();
    for (int64_t elapsed = 0; elapsed <= delay; elapsed = clock.NowMs() - start)
      std::this_thread::sleep_for(std::chrono::milliseconds(clock.WaitBudgetMs(delay - elapsed + 1)));
  }
  if (s.empty()) return;
  int error = 0;
  if (!FPort.PurgeInput(error)) RaiseCommError(2, error);
  if (!FPort.Write(s.data(), s.size(), error)) RaiseCommError(3, error);
  FLastSendCounter = clock.NowMs();
}

uint8_t TProtocolLayerSerial::GetByte(int TimeOutValue, bool& Timeout) {
  uint8_t value = 0;
  int error = 0;
  // An octet that is there already costs no time of the clock.
  int r = FPort.ReadByte(value, 0, error);
  if (r == 0 && TimeOutValue > 0) r = FPort.ReadByte(value, Clock().WaitBudgetMs(TimeOutValue), error);
  if (r < 0) RaiseCommError(1, error);
  Timeout = r == 0;
  return Timeout ? 0 : value;
}

void TProtocolLayerSerial::InterruptWaits() { FPort.Interrupt(); }

void TProtocolLayerSerial::ResumeWaits() { FPort.ClearInterrupt(); }

void TProtocolLayerSerial::SetCOMNr(int Value) {
  if (FPort.IsOpen() && Value != FCOMNr) Fail("COM is opened, cannot change COMNr");
  FCOMNr = Value;
}

void TProtocolLayerSerial::SetBaud(int Value) {
  if (Value == FBaud) return;
  FBaud = Value;
  Configure();
}

void TProtocolLayerSerial::SetFormat(const std::string& Value) {
  if (Value == FFormat) return;
  FFormat = Value;
  Configure();
}

bool TProtocolLayerSerial::DCD() { return FPort.IsOpen() && FPort.CarrierDetect(); }

void TProtocolLayerSerial::ClearInputBuffer() {
  int error = 0;
  FPort.PurgeInput(error);
}

void TProtocolLayerSerial::Purge() {
  int error = 0;
  FPort.TakeErrorFlags();
  FPort.Purge(error);
}

void TProtocolLayerSerial::Flush() {
  int error = 0;
  FPort.Flush(error);
}

}  // namespace zv
