#include "support/test_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/evp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "foundation/errors.h"

namespace zv::test {

bool TTestClient::Connect(const std::string& Host, int Port) {
  Close();
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(Port));
  if (inet_pton(AF_INET, Host.c_str(), &a.sin_addr) != 1 ||
      ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(fd);
    return false;
  }
  FFd = fd;
  return true;
}

void TTestClient::Close() {
  if (FFd >= 0) ::close(FFd);
  FFd = -1;
}

bool TTestClient::SendRaw(const PduStr& Octets) {
  size_t done = 0;
  while (done < Octets.size()) {
    ssize_t n = ::send(FFd, Octets.data() + done, Octets.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool TTestClient::SendApdu(const PduStr& Apdu) {
  PduStr w;
  AppendBE(w, 1, 2);
  AppendBE(w, static_cast<uint64_t>(ClientSAP), 2);
  AppendBE(w, static_cast<uint64_t>(ServerSAP), 2);
  AppendBE(w, Apdu.size(), 2);
  return SendRaw(w + Apdu);
}

bool TTestClient::ReadExactly(size_t Count, PduStr& Out, int TimeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  while (Out.size() < Count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{FFd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    char buffer[65536];
    ssize_t n = ::recv(FFd, buffer, std::min(sizeof buffer, Count - Out.size()), 0);
    if (n <= 0) return false;
    Out.append(buffer, static_cast<size_t>(n));
  }
  return true;
}

PduStr TTestClient::ReceiveApdu(int TimeoutMs) {
  PduStr header;
  if (!ReadExactly(8, header, TimeoutMs)) return PduStr();
  auto field = [&](size_t i) {
    return (static_cast<uint8_t>(header[i]) << 8) | static_cast<uint8_t>(header[i + 1]);
  };
  LastSource = field(2);
  LastDestination = field(4);
  PduStr apdu;
  if (!ReadExactly(static_cast<size_t>(field(6)), apdu, TimeoutMs)) return PduStr();
  return apdu;
}

bool TTestClient::Silent(int Ms) {
  pollfd p{FFd, POLLIN, 0};
  return ::poll(&p, 1, Ms) == 0;
}

bool TTestClient::SeesClose() {
  pollfd p{FFd, POLLIN, 0};
  char c;
  return ::poll(&p, 1, 10000) > 0 && ::recv(FFd, &c, 1, 0) <= 0;
}

COSEMpduPtr TTestClient::Request(const PduStr& Apdu) {
  if (!SendApdu(Apdu)) return nullptr;
  PduStr answer = ReceiveApdu();
  if (answer.empty()) return nullptr;
  return TCOSEMPDUHelper::MakeFromPdu(answer);
}

COSEMpduPtr TTestClient::RequestXml(const std::string& Xml) { return Request(ApduFromXml(Xml)); }

PduStr ApduFromXml(const std::string& Xml) { return TCOSEMPDUHelper::MakeFromXml(Xml)->Encode(); }

std::string XmlOf(const TCOSEMpdu& Pdu) { return Pdu.ToXMLString(); }

std::string Flat(const std::string& Xml) {
  std::string out;
  bool lineStart = true;
  for (char c : Xml) {
    if (c == '\r' || c == '\n') {
      lineStart = true;
      continue;
    }
    if (lineStart && c == ' ') continue;
    lineStart = false;
    out += c;
  }
  return out;
}
std::string Flat(const COSEMpduPtr& Pdu) { return Pdu ? Flat(XmlOf(*Pdu)) : "<no answer>"; }

const char* const kOperationNotPossible =
    "<ExceptionResponse><StateError Value=\"ServiceNotAllowed\" /><ServiceError Value=\"OperationNotPossible\" />"
    "</ExceptionResponse>";
const char* const kServiceNotSupported =
    "<ExceptionResponse><StateError Value=\"ServiceNotAllowed\" /><ServiceError Value=\"ServiceNotSupported\" />"
    "</ExceptionResponse>";

std::string AarqXml(const TAarqOptions& o) {
  std::string x = "<AssociationRequest><ApplicationContextName Value=\"" + o.Context + "\" />";
  if (!o.CallingAPTitle.empty()) x += "<CallingAPTitle Value=\"" + ByteStrToHexStr(o.CallingAPTitle) + "\" />";
  if (o.CallingAEInvocationId >= 0)
    x += "<CallingAEInvocationId Value=\"" + IntToHex(static_cast<uint64_t>(o.CallingAEInvocationId), 2) + "\" />";
  if (o.AuthenticationBit) x += "<SenderACSERequirements Value=\"1\" />";
  if (!o.Mechanism.empty()) x += "<MechanismName Value=\"" + o.Mechanism + "\" />";
  if (!o.AuthenticationValue.empty())
    x += "<CallingAuthenticationValue Value=\"" + ByteStrToHexStr(o.AuthenticationValue) + "\" />";
  if (o.ImplementationInformation) x += "<ImplementationInformation Value=\"01\" />";
  x += "<InitiateRequest><ProposedDlmsVersionNumber Value=\"" + IntToHex(static_cast<uint64_t>(o.DlmsVersion), 2) +
       "\" /><ProposedConformance>";
  for (const auto& bit : o.Conformance) x += "<ConformanceBit Name=\"" + bit + "\" />";
  x += "</ProposedConformance><ProposedMaxPduSize Value=\"" + IntToHex(static_cast<uint64_t>(o.MaxPduSize), 4) +
       "\" /></InitiateRequest></AssociationRequest>";
  return x;
}

namespace {

std::string Descriptor(int ClassId, const std::string& InstanceHex, int Id, const char* IdName) {
  return "<ClassId Value=\"" + IntToHex(static_cast<uint64_t>(ClassId), 4) + "\" /><InstanceId Value=\"" + InstanceHex +
         "\" /><" + IdName + " Value=\"" + IntToHex(static_cast<uint64_t>(Id) & 0xFF, 2) + "\" />";
}

std::string Invoke(int InvokeId) {
  return "<InvokeIdAndPriority Value=\"" + IntToHex(static_cast<uint64_t>(InvokeId), 2) + "\" />";
}

}  // namespace

std::string GetXml(int ClassId, const std::string& InstanceHex, int AttributeId, int InvokeId) {
  return "<GetRequest><GetRequestNormal>" + Invoke(InvokeId) + "<AttributeDescriptor>" +
         Descriptor(ClassId, InstanceHex, AttributeId, "AttributeId") +
         "</AttributeDescriptor></GetRequestNormal></GetRequest>";
}

std::string GetWithListXml(const std::vector<TAttributeRef>& Refs, int InvokeId) {
  std::string x = "<GetRequest><GetRequestWithList>" + Invoke(InvokeId) + "<AttributeDescriptorList Qty=\"AUTO\">";
  for (const auto& r : Refs)
    x += "<_AttributeDescriptorWithSelection><AttributeDescriptor>" +
         Descriptor(r.ClassId, r.InstanceHex, r.AttributeId, "AttributeId") +
         "</AttributeDescriptor></_AttributeDescriptorWithSelection>";
  return x + "</AttributeDescriptorList></GetRequestWithList></GetRequest>";
}

std::string SetXml(int ClassId, const std::string& InstanceHex, int AttributeId, const std::string& ValueXml,
                   int InvokeId) {
  return "<SetRequest><SetRequestNormal>" + Invoke(InvokeId) + "<AttributeDescriptor>" +
         Descriptor(ClassId, InstanceHex, AttributeId, "AttributeId") + "</AttributeDescriptor><Value>" + ValueXml +
         "</Value></SetRequestNormal></SetRequest>";
}

std::string ActionXml(int ClassId, const std::string& InstanceHex, int MethodId, const std::string& ParametersXml,
                      int InvokeId) {
  std::string x = "<ActionRequest><ActionRequestNormal>" + Invoke(InvokeId) + "<MethodDescriptor>" +
                  Descriptor(ClassId, InstanceHex, MethodId, "MethodId") + "</MethodDescriptor>";
  if (!ParametersXml.empty()) x += "<MethodInvocationParameters>" + ParametersXml + "</MethodInvocationParameters>";
  return x + "</ActionRequestNormal></ActionRequest>";
}

std::string RlrqXml() { return "<ReleaseRequest><Reason Value=\"Normal\" /></ReleaseRequest>"; }

PduStr Digest(const char* Name, const PduStr& Data) {
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  const EVP_MD* md = EVP_get_digestbyname(Name);
  if (!md || EVP_Digest(Data.data(), Data.size(), out, &length, md, nullptr) != 1)
    throw Exception(Format("Digest %s failed", Name));
  return PduStr(reinterpret_cast<const char*>(out), length);
}

}  // namespace zv::test
