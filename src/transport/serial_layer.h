// The physical layer under the HDLC server: one serial port, opened and configured from
// a port number (or an explicit device), read one octet at a time with a time-out and
// written one octet string at a time. Its only log lines are the opening and closing of
// the port; it reports no traffic events.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/serial_port.h"
#include "transport/protocol_layer.h"

namespace zv {

ZV_ERROR_CLASS(EProtocolLayerSerial, Exception)

class TProtocolLayerSerial : public TProtocolLayerAbstract {
 public:
  // The flags word written on every configuration: binary, DTR and RTS held on, sending
  // goes on after XOFF, reads and writes end on a line error.
  static constexpr uint32_t kControlFlags = 0x5091;

  TProtocolLayerSerial();
  ~TProtocolLayerSerial() override;

  // Opens the port (when it is not open), waits 10 ms and configures it.
  void Connect() override;
  void Disconnect() override;
  bool IsConnected() override;
  // Waits DelayBeforeSend, discards unread input, then writes s whole.
  void Send(TLinkAddresses* TransferContext, const PduStr& s) override;

  // One octet, waiting up to TimeOutValue ms of the layer's clock; Timeout tells that none
  // came (also when InterruptWaits ended the wait).
  virtual uint8_t GetByte(int TimeOutValue, bool& Timeout);
  // Ends the waits of GetByte and Send on another thread at once, and keeps them from
  // waiting, until ResumeWaits.
  virtual void InterruptWaits();
  virtual void ResumeWaits();

  int COMNr() const { return FCOMNr; }
  // Raises EProtocolLayerSerial while the port is open and Value differs.
  void SetCOMNr(int Value);
  int Baud() const { return FBaud; }
  // Reconfigures an open port.
  void SetBaud(int Value);
  // "8N1", "8E1" or "7E1".
  const std::string& Format() const { return FFormat; }
  void SetFormat(const std::string& Value);
  bool ShowTraffic() const { return FShowTraffic; }
  void SetShowTraffic(bool Value) { FShowTraffic = Value; }
  int DelayBeforeSend() const { return FDelayBeforeSend; }
  void SetDelayBeforeSend(int Value) { FDelayBeforeSend = Value; }
  // The device to open instead of the one of COMNr; read by Connect.
  std::string DevicePath;
  // The device Connect opens: DevicePath, or the device of COMNr.
  std::string DeviceName() const;
  // The same for a layer set to COMNr and DevicePath.
  static std::string DeviceNameOf(int COMNr, const std::string& DevicePath);

  // The carrier-detect input; false while closed.
  bool DCD();
  void ClearInputBuffer();
  // Clears the line errors, then discards input and output.
  void Purge();
  // Waits until everything written has gone out.
  void Flush();

  // Clock milliseconds at the end of the last write.
  int64_t LastSendCounter() const { return FLastSendCounter; }

  // Settings kept for the user of the layer; no operation of the layer reads them.
  bool Echoing = false;
  int ResponseTimeout = 3000;
  bool NeedsMode_E = false;
  bool NeedsWakeUp = false;
  std::string Mode_E_DeviceAddress;
  int Mode_E_Delay1 = 0;
  int Mode_E_Delay2 = 300;
  int Mode_E_Delay3 = 0;
  int LastOutputToWakeUpDelay = 0;

 private:
  void Configure();
  [[noreturn]] void Fail(const std::string& Message) const;
  // "(code) " and a line for each line error, for a failed port call.
  [[noreturn]] void RaiseCommError(int Code, int Error);

  std::atomic<int> FCOMNr{1};
  std::atomic<int> FBaud{9600};
  std::string FFormat = "8N1";
  std::atomic<bool> FShowTraffic{true};
  std::atomic<int> FDelayBeforeSend{0};
  std::atomic<int64_t> FLastSendCounter{0};
  TSerialPort FPort;
};

// " on " and the device as SerialDeviceText shows it, for the lines that name a port by its
// number; empty for no device.
std::string OnSerialDevice(const std::string& Path);

}  // namespace zv
