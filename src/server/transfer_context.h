// What the server knows about the one client connection it serves.
#pragma once

namespace zv {

enum TCommunicationProfile { cpHDLC, cpTCP, cpUDP };

enum class TIPVersion { IPv4, IPv6 };

// The transport in use.
struct TCommunicationProfileInfo {
  TCommunicationProfile Profile = cpHDLC;
  TIPVersion IPVersion = TIPVersion::IPv4;
};

class TTransferContext {
 public:
  TTransferContext();
  TTransferContext(const TTransferContext&) = delete;
  TTransferContext& operator=(const TTransferContext&) = delete;

  // Client address of the last received APDU (wrapper source wPort, HDLC source address).
  int ClientId;
  // Server address of the last received APDU (wrapper destination wPort, HDLC upper
  // destination address).
  int ServerId;
  TCommunicationProfileInfo CommunicationProfileInfo;
};

}  // namespace zv
