// A DLMS client for tests over loopback: WPDUs on a TCP socket, requests written in the
// XML form and turned into octets by our own codecs, and the digests of the high-level
// security passes computed with OpenSSL.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "apdu/cosem_pdu.h"
#include "foundation/misc.h"

namespace zv::test {

class TTestClient {
 public:
  TTestClient() = default;
  ~TTestClient() { Close(); }
  TTestClient(const TTestClient&) = delete;
  TTestClient& operator=(const TTestClient&) = delete;

  // Connects to Host:Port (TCP_NODELAY); false on failure.
  bool Connect(const std::string& Host, int Port);
  void Close();
  bool Connected() const { return FFd >= 0; }

  // The wPorts of the requests; the answers are expected with them swapped.
  int ClientSAP = 16;
  int ServerSAP = 1;

  // Writes octets as they are.
  bool SendRaw(const PduStr& Octets);
  // Writes one WPDU around Apdu.
  bool SendApdu(const PduStr& Apdu);
  // The APDU of the next WPDU; empty when none arrives within TimeoutMs or the peer closes.
  PduStr ReceiveApdu(int TimeoutMs = 10000);
  // The wPorts of the last WPDU received (source, destination).
  int LastSource = -1, LastDestination = -1;
  // True when nothing arrives within Ms (and the connection stays open).
  bool Silent(int Ms);
  // True when the server closes the connection within 10 s.
  bool SeesClose();

  // Sends the APDU and decodes the answer; null when none came.
  COSEMpduPtr Request(const PduStr& Apdu);
  // The same for an APDU written in the XML form.
  COSEMpduPtr RequestXml(const std::string& Xml);

 private:
  bool ReadExactly(size_t Count, PduStr& Out, int TimeoutMs);
  int FFd = -1;
};

// The octets of an APDU written in the XML form.
PduStr ApduFromXml(const std::string& Xml);
// The XML form of an APDU.
std::string XmlOf(const TCOSEMpdu& Pdu);
// The XML form on one line, without indentation; "<no answer>" for no APDU.
std::string Flat(const std::string& Xml);
std::string Flat(const COSEMpduPtr& Pdu);
// Exception responses as Flat gives them.
extern const char* const kOperationNotPossible;
extern const char* const kServiceNotSupported;

// Request templates.
struct TAarqOptions {
  std::string Context = "LN";
  std::string Mechanism;  // empty: no mechanism name
  bool AuthenticationBit = false;
  PduStr AuthenticationValue;
  PduStr CallingAPTitle;
  int CallingAEInvocationId = -1;
  int DlmsVersion = 6;
  int MaxPduSize = 0x4B0;
  // Conformance bit names.
  std::vector<std::string> Conformance = {"Get", "Set", "Action", "SelectiveAccess", "MultipleReferences",
                                          "BlockTransferWithGetOrRead"};
  bool ImplementationInformation = false;
};
std::string AarqXml(const TAarqOptions& Options);
std::string GetXml(int ClassId, const std::string& InstanceHex, int AttributeId, int InvokeId = 0xC1);
// Descriptors of a get-with-list: class id, logical name (hex), attribute.
struct TAttributeRef {
  int ClassId;
  std::string InstanceHex;
  int AttributeId;
};
std::string GetWithListXml(const std::vector<TAttributeRef>& Refs, int InvokeId = 0xC1);
// ValueXml: the Data alternative's XML, e.g. <LongUnsigned Value="0005" />.
std::string SetXml(int ClassId, const std::string& InstanceHex, int AttributeId, const std::string& ValueXml,
                   int InvokeId = 0xC1);
// ParametersXml empty: no parameters.
std::string ActionXml(int ClassId, const std::string& InstanceHex, int MethodId, const std::string& ParametersXml,
                      int InvokeId = 0xC1);
std::string RlrqXml();

// A digest by OpenSSL name ("MD5", "SHA1", "SHA256").
PduStr Digest(const char* Name, const PduStr& Data);

}  // namespace zv::test
