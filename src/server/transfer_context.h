// What the server knows about the one client connection it serves: the association it
// accepted (a private clone), the association status, what was negotiated, the progress of
// block transfers, and the titles and challenges of high-level authentication.
#pragma once
#include <cstdint>
#include <memory>

#include "apdu/ber.h"
#include "crypto/protection_services.h"
#include "foundation/codec.h"
#include "transport/protocol_layer.h"

namespace zv {

class TCOSEMInstance;
class TCosemInstance_SecuritySetup;
class TConformance;
class TGBTProtocol;
class TLoggingContext;
class TProtectionLayers;
class TSecurityMaterial;

enum TCommunicationProfile { cpHDLC, cpTCP, cpUDP };

// The transport in use.
struct TCommunicationProfileInfo {
  TCommunicationProfile Profile = cpHDLC;
  TIPVersion IPVersion = TIPVersion::IPv4;
};

// Progress of a long GET or READ response sent in data blocks.
struct TBlockTransferWithGetOrRead {
  bool InProgress = false;
  PduStr RemainingData;  // encoded response octets not yet sent
  int NextBlockNumber = 0;
  int MaxRawDataSize = 0;  // raw-data octets per block
};

// Progress of a long SET or WRITE request received in data blocks.
struct TBlockTransferWithSetOrWrite {
  bool InProgress = false;
  PduStr RawDataReceived;  // raw data joined so far
  int NextBlockNumber = 0;  // block number expected next
  PduStr InstanceId;        // logical name of the target
  int ClassId = 0;
  int AttributeId = 0;
  int LastBlockNumberReceived = 0;
};

// Parameters and state of general block transfer.
struct TGeneralBlockTransferInfo {
  bool Valid = false;
  uint32_t BlockNumber = 0;
  uint32_t BlockNumberAck = 0;
  uint32_t AdvertizedWindowSize = 0;
  bool SendStreams = false;
  bool AnswerAbortToAbort = false;
};

// Octets received ahead of the APDU being assembled.
struct TReceivedBufferInfo {
  PduStr Buffer;
};

// The link addresses (ClientId, ServerId) are the part the transports read and write.
class TTransferContext : public TLinkAddresses {
 public:
  TTransferContext();
  ~TTransferContext();
  TTransferContext(const TTransferContext&) = delete;
  TTransferContext& operator=(const TTransferContext&) = delete;

  // The clones of the association object that accepted the association; null before
  // acceptance (and the one of the other referencing kind).
  TCOSEMInstance* CurrentLNAssociationObject() const;
  TCOSEMInstance* CurrentSNAssociationObject() const;
  // Frees the clone held and keeps a clone of Value, which must be of the expected class
  // ("Invalid class typecast" otherwise, the held clone kept).
  void SetCurrentLNAssociationObjectClone(const TCOSEMInstance& value);
  void SetCurrentSNAssociationObjectClone(const TCOSEMInstance& value);

  // The server's challenge of high-level authentication.
  const PduStr& MyChallenge() const { return FMyChallenge; }
  // HIGH_SECURITY: seven upper-case hex digits and a digit 0-5; any other mechanism 8 to 16
  // random octets.
  void MakeChallenge();

  // The negotiated conformance block (a clone owned here); null until set.
  TConformance* AgreedConformance() const;
  void SetAgreedConformance(const TConformance& value);

  // True in the LN and LN_WITH_CIPHERING contexts.
  bool InLNContext() const;
  // The LN clone in an LN context, else the SN clone; either may be null.
  TCOSEMInstance* GetCurrentAssociation() const;
  // The SN status when an SN clone is held, else the LN clone's status attribute, else 0.
  int GetAssociationStatus() const;
  // Into the LN clone's status attribute, else the SN status; without a clone the
  // consistency error 1148.
  void SetAssociationStatus(int status);

  // A request is never refused for lack of protection.
  bool RequestHasEnoughProtection(TCOSEMProtectionServices protectionRequiredByAccessMode) const;

  // Largest APDU the server may send in this association.
  int AgreedMaxSendPduSize = 0;
  TBlockTransferWithGetOrRead BlockTransferWithGetOrRead;
  TBlockTransferWithSetOrWrite BlockTransferWithSetOrWrite;
  TGeneralBlockTransferInfo GeneralBlockTransferInfo;
  TReceivedBufferInfo ReceivedBufferInfo;
  // Service class of the request being served: true for confirmed services.
  bool Confirmed = false;
  PduStr MySystemTitle;
  // The client's challenge, from the AARQ's calling authentication value.
  PduStr ClientChallenge;
  TObjectIdentifier MechanismName = TObjectIdentifier::UNKNOWN;
  TObjectIdentifier ApplicationContextName = TObjectIdentifier::UNKNOWN;
  // The device's security setup object that the accepting association references; not owned.
  TCosemInstance_SecuritySetup* SecuritySetupObject = nullptr;
  // The device served when the context was made (a TLogicalDevice); not owned.
  TSequence* LogicalDevice = nullptr;
  // The security setup object whose key_transfer has keys pending until the answer has gone
  // out; not owned. It need not be the one of the key store.
  TCosemInstance_SecuritySetup* KeysTransferredTo = nullptr;
  // Set by the security setup object's activate method: the answer to that request still
  // uses the protection in force before it.
  bool UsePreviousProtectionOnResponse = false;
  // The protection-code sets below share the octet layout of the layers' service set (bit 0
  // authentication, 1 encryption, 2 signature, 3 compression), so that type holds them.
  TCOSEMProtectionServices PreviousProtectionOnResponse;
  // The client's last accepted invocation counter.
  uint32_t LastFC = 0;
  PduStr ClientSystemTitle;
  // Response protection that the access mode of the item being served asks for.
  TCOSEMProtectionServices ResponseProtectionServicesOfItem;
  TCommunicationProfileInfo CommunicationProfileInfo;
  // The engine of the general block transfer under way; null when none.
  std::unique_ptr<TGBTProtocol> GBTProtocol;
  // The key store of a ciphered association; null otherwise.
  std::unique_ptr<TSecurityMaterial> SecurityMaterial;
  // Log sink of the protection layers and block transfer; not owned.
  const TLoggingContext* LoggingContext = nullptr;
  // The device holder's generation of LogicalDevice: a request served under another
  // generation finds the device replaced and its association gone.
  uint64_t DeviceGeneration = 0;

  // The protection layers removed from the last protected request; null when none.
  TProtectionLayers* ProtectionOfRequestReceived() const { return FProtectionOfRequestReceived.get(); }
  void SetProtectionOfRequestReceived(std::unique_ptr<TProtectionLayers> value);

 private:
  PduPtr FCurrentLNAssociationObject;
  PduPtr FCurrentSNAssociationObject;
  PduStr FMyChallenge;
  PduPtr FAgreedConformance;
  int FSNAssociationStatus = 0;
  std::unique_ptr<TProtectionLayers> FProtectionOfRequestReceived;
};

}  // namespace zv
