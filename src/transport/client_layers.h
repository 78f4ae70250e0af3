// The server as a client, for pushes: a TCP or a UDP connection to one destination, used
// under the DLMS wrapper. Both keep a delay between the last transport disconnect and the
// next connect.
#pragma once
#include <memory>
#include <string>

#include "platform/sockets.h"
#include "transport/protocol_layer.h"

namespace zv {

class TAbortSubscription;

ZV_ERROR_CLASS(EProtocolLayerTCPClient, Exception)
ZV_ERROR_CLASS(EProtocolLayerUDPClient, Exception)

class TProtocolLayerTCPClient : public TProtocolLayerAbstract {
 public:
  TProtocolLayerTCPClient();
  ~TProtocolLayerTCPClient() override;

  void Connect() override;
  void Disconnect() override;
  bool IsConnected() override;
  void Send(TLinkAddresses* TransferContext, const PduStr& s) override;
  PduStr Rec(TLinkAddresses* TransferContext) override;
  PduStr SendRec(TLinkAddresses* TransferContext, const PduStr& s) override;
  void PushBack(const PduStr& s) override;
  // Discards what was received and not yet taken.
  void ClearInputBuffer();

  // The destination: a numeric address and a port (used as 16 bits).
  const std::string& IP() const { return FIP; }
  void SetIP(const std::string& Value);
  int Port() const { return FPort; }
  void SetPort(int Value);
  TIPVersion IPVersion() const { return FIPVersion; }
  void SetIPVersion(TIPVersion Value);
  // Milliseconds allowed for the connection to be made.
  int ConnectTimeout() const { return FConnectTimeout; }
  void SetConnectTimeout(int Value);
  // Milliseconds Rec waits for each octet.
  int ResponseTimeout() const { return FResponseTimeout; }
  void SetResponseTimeout(int Value) { FResponseTimeout = Value; }
  bool ShowTraffic() const { return FShowTraffic; }
  void SetShowTraffic(bool Value) { FShowTraffic = Value; }
  // Minimum milliseconds between the last transport disconnect and a new connect.
  int DisconnectToConnectDelay() const { return FDisconnectToConnectDelay; }
  void SetDisconnectToConnectDelay(int Value) { FDisconnectToConnectDelay = Value; }

 private:
  [[noreturn]] void Fail(const std::string& Message) const;
  void Status(const std::string& Text) const;
  void CloseSocket();

  std::string FIP;
  int FPort = 0;
  int FConnectTimeout = 10000;
  int FResponseTimeout = 3000;
  TIPVersion FIPVersion = TIPVersion::IPv4;
  TSocketHandle FSocket;
  bool FShowTraffic = true;
  int FDisconnectToConnectDelay = 0;
  PduStr FReceived;  // received from the socket, not yet taken by Rec
  TWakeUp FWake;
  std::unique_ptr<TAbortSubscription> FAbortSubscription;
};

class TProtocolLayerUDPClient : public TProtocolLayerAbstract {
 public:
  static constexpr size_t kDatagramSize = 8192;

  TProtocolLayerUDPClient();
  ~TProtocolLayerUDPClient() override;

  void Connect() override;
  void Disconnect() override;
  bool IsConnected() override;
  void Send(TLinkAddresses* TransferContext, const PduStr& s) override;
  PduStr Rec(TLinkAddresses* TransferContext) override;
  PduStr SendRec(TLinkAddresses* TransferContext, const PduStr& s) override;
  // Datagrams leave nothing behind.
  void ClearInputBuffer() {}

  const std::string& IP() const { return FIP; }
  void SetIP(const std::string& Value);
  int Port() const { return FPort; }
  void SetPort(int Value);
  TIPVersion IPVersion() const { return FIPVersion; }
  void SetIPVersion(TIPVersion Value);
  // Milliseconds Rec waits for a datagram.
  int ResponseTimeout() const { return FResponseTimeout; }
  void SetResponseTimeout(int Value) { FResponseTimeout = Value; }
  bool ShowTraffic() const { return FShowTraffic; }
  void SetShowTraffic(bool Value) { FShowTraffic = Value; }
  int DisconnectToConnectDelay() const { return FDisconnectToConnectDelay; }
  void SetDisconnectToConnectDelay(int Value) { FDisconnectToConnectDelay = Value; }

 private:
  [[noreturn]] void Fail(const std::string& Message) const;
  void Status(const std::string& Text) const;

  std::string FIP;
  int FPort = 0;
  TIPVersion FIPVersion = TIPVersion::IPv4;
  TSocketHandle FSocket;
  bool FShowTraffic = true;
  int FResponseTimeout = 3000;
  int FDisconnectToConnectDelay = 0;
  TWakeUp FWake;
  std::unique_ptr<TAbortSubscription> FAbortSubscription;
};

}  // namespace zv
