// zv_fuzz_seeds DIR          writes the seed corpora of the fuzz targets into DIR/<target>/
// zv_fuzz_seeds --check DIR  tells whether DIR holds exactly those seeds (exit status 1 if not)
//
// A handful of valid inputs per target, made with our own encoders, so that a short fuzzing
// run starts from inputs that get past the first checks instead of searching for the format.
// Every seed is read back with the decoder its target starts with before it is written; key
// pairs and signatures come from a fixed random source, so the seeds are the same each time.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "apdu/acse.h"
#include "apdu/ber.h"
#include "apdu/cosem_pdu.h"
#include "cosem/basic_classes.h"
#include "cosem/comm_classes.h"
#include "cosem/core_classes.h"
#include "cosem/meter_classes.h"
#include "crypto/ecdsa.h"
#include "crypto/elliptic_stuff_interface.h"
#include "crypto/gcm_cipher.h"
#include "foundation/data_helper.h"
#include "foundation/misc.h"
#include "foundation/xml_parser.h"
#include "server/misc_helpers.h"
#include "support/test_client.h"
#include "transport/wrapper_layer.h"

using namespace zv;
using namespace zv::test;

namespace {

// Target name -> seed name -> octets.
using TCorpora = std::map<std::string, std::map<std::string, PduStr>>;

[[noreturn]] void Fail(const std::string& Text) {
  std::fprintf(stderr, "zv_fuzz_seeds: %s\n", Text.c_str());
  std::exit(2);
}

// Adds a seed after Check has read it as its target would.
void Add(TCorpora& C, const std::string& Target, const std::string& Name, const PduStr& Seed,
         const std::function<void(const PduStr&)>& Check) {
  try {
    Check(Seed);
  } catch (const std::exception& e) {
    Fail(Target + "/" + Name + " does not read back: " + e.what());
  }
  C[Target][Name] = Seed;
}

PduStr Byte(int Value) { return PduStr(1, static_cast<char>(Value)); }

// ---- APDUs ---------------------------------------------------------------------------------

const char* const kLogicalName = "0000600100FF";

PduStr InitiateRequest() {
  return ApduFromXml(
      "<InitiateRequest><ProposedDlmsVersionNumber Value=\"06\" /><ProposedConformance>"
      "<ConformanceBit Name=\"Get\" /><ConformanceBit Name=\"Set\" /><ConformanceBit Name=\"Action\" />"
      "<ConformanceBit Name=\"BlockTransferWithGetOrRead\" /></ProposedConformance>"
      "<ProposedMaxPduSize Value=\"04B0\" /></InitiateRequest>");
}

// Octets ciphered (authenticated and encrypted) with fixed keys and title.
PduStr Ciphered(const PduStr& Plain) {
  PduStr ciphered;
  TGCMCipher::GCMEncrypt(PduStr("ZRV\x01\x02\x03\x04\x05", 8), Plain, PduStr(16, '\x11'), PduStr(16, '\x22'),
                         TSecurityControl::Construct(TCOSEMProtectionServices::FromOctet(3), false, 0), 0x100,
                         PduStr(), ciphered);
  return ciphered;
}

// AARQs of every mechanism; the ciphered ones carry a glo-initiate request.
std::vector<std::pair<std::string, PduStr>> Aarqs() {
  const PduStr title("ZRV\x01\x02\x03\x04\x05", 8);
  const PduStr challenge = HexStrToByteStr("0102030405060708090A0B0C0D0E0F10");
  std::vector<std::pair<std::string, PduStr>> aarqs;
  auto add = [&](const std::string& Name, TAarqOptions o, bool Cipher) {
    std::string xml = AarqXml(o);
    if (Cipher) {
      const size_t from = xml.find("<InitiateRequest>"), to = xml.find("</InitiateRequest>");
      xml.replace(from, to + 18 - from,
                  "<glo_InitiateRequest Value=\"" + ByteStrToHexStr(Ciphered(InitiateRequest())) + "\" />");
    }
    aarqs.emplace_back(Name, ApduFromXml(xml));
  };
  add("no_security", {}, false);
  TAarqOptions sn;
  sn.Context = "SN";
  sn.Conformance = {"Read", "Write", "MultipleReferences", "BlockTransferWithGetOrRead"};
  add("short_names", sn, false);
  TAarqOptions low;
  low.Mechanism = "LOW_SECURITY";
  low.AuthenticationBit = true;
  low.AuthenticationValue = "12345678";
  add("low_security", low, false);
  // The high-level mechanisms with the client's challenge; GMAC and ECDSA in a ciphered
  // context with the client's title.
  for (const char* m : {"HIGH_SECURITY", "HIGH_SECURITY_MD5", "HIGH_SECURITY_SHA1", "HIGH_SECURITY_SHA256",
                        "HIGH_SECURITY_GMAC", "HIGH_SECURITY_ECDSA"}) {
    const bool ciphered = std::string(m) == "HIGH_SECURITY_GMAC" || std::string(m) == "HIGH_SECURITY_ECDSA";
    TAarqOptions high;
    if (ciphered) high.Context = "LN_WITH_CIPHERING";
    if (ciphered) high.CallingAPTitle = title;
    high.Mechanism = m;
    high.AuthenticationBit = true;
    high.AuthenticationValue = challenge;
    std::string name = m;
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    add(name, high, ciphered);
  }
  return aarqs;
}

void AarqSeeds(TCorpora& C) {
  for (const auto& [name, aarq] : Aarqs())
    // The target reads what follows the APDU tag.
    Add(C, "aarq", name, aarq.substr(1),
        [](const PduStr& s) { MakeAnyFromPdu(xmlAssociationRequest, T_AssociationRequest, s)->Encode(); });
}

std::vector<std::pair<std::string, PduStr>> Requests() {
  return {
      {"get", ApduFromXml(GetXml(1, kLogicalName, 2))},
      {"get_with_list", ApduFromXml(GetWithListXml({{1, kLogicalName, 2}, {3, "0100010800FF", 3}}))},
      {"get_next_block",
       ApduFromXml("<GetRequest><GetRequestForNextDataBlock><InvokeIdAndPriority Value=\"C1\" />"
                   "<BlockNumber Value=\"00000001\" /></GetRequestForNextDataBlock></GetRequest>")},
      {"set", ApduFromXml(SetXml(1, kLogicalName, 2, "<LongUnsigned Value=\"0005\" />"))},
      {"action", ApduFromXml(ActionXml(9, "00000A0064FF", 1, "<LongUnsigned Value=\"0001\" />"))},
      {"read", ApduFromXml("<ReadRequest Qty=\"0001\"><VariableName Value=\"FA00\" /></ReadRequest>")},
      {"release", ApduFromXml(RlrqXml())},
  };
}

void ApduSeeds(TCorpora& C) {
  auto decodes = [](const PduStr& s) { TCOSEMPDUHelper::MakeFromPdu(s); };
  for (const auto& [name, apdu] : Requests()) Add(C, "apdu", name, apdu, decodes);
  Add(C, "apdu", "exception", ApduFromXml("<ExceptionResponse><StateError Value=\"ServiceNotAllowed\" />"
                                          "<ServiceError Value=\"OperationNotPossible\" /></ExceptionResponse>"),
      decodes);
  const PduStr ciphered = Ciphered(ApduFromXml(GetXml(1, kLogicalName, 2)));
  Add(C, "apdu", "glo_get", Byte(0xC8) + Byte(static_cast<int>(ciphered.size())) + ciphered, decodes);
}

// ---- Data values and attribute values ----------------------------------------------------

void DataSeeds(TCorpora& C) {
  const std::vector<std::pair<std::string, std::string>> values = {
      {"scalars",
       "<Structure Qty=\"0006\"><NullData /><Boolean Value=\"01\" /><Integer Value=\"FB\" /><Long64 Value=\"0000000000000007\" />"
       "<Enum Value=\"03\" /><Float32 Value=\"3F800000\" /></Structure>"},
      {"strings",
       "<Structure Qty=\"0003\"><OctetString Value=\"0102030405\" /><VisibleString Value=\"\\meter\" />"
       "<BitString Value=\"1010\" /></Structure>"},
      {"profile_row",
       "<Array Qty=\"0002\"><Structure Qty=\"0002\"><OctetString Value=\"07E8060F06100000FF800000\" />"
       "<DoubleLongUnsigned Value=\"00000010\" /></Structure><Structure Qty=\"0002\">"
       "<OctetString Value=\"07E8060F06110000FF800000\" /><DoubleLongUnsigned Value=\"00000011\" /></Structure>"
       "</Array>"},
      {"register", "<LongUnsigned Value=\"0005\" />"},
  };
  for (const auto& [name, xml] : values)
    Add(C, "data", name, TDataHelper::MakeFromXml("<Data>" + xml + "</Data>")->Encode(),
        [](const PduStr& s) { TDataHelper::MakeFromPduStr(s); });
}

// The attribute types of the interface classes, in the order the target numbers them.
std::vector<const TypeInfo*> AttributeTypes() {
  std::vector<const TypeInfo*> all;
  for (const TypeTable* t : {&BasicClassTypes(), &CommunicationTypes(), &CoreClassTypes(), &MeterClassTypes()})
    all.insert(all.end(), t->types, t->types + t->count);
  return all;
}

void ClassSeeds(TCorpora& C) {
  const auto types = AttributeTypes();
  // Default values of a few types spread over the tables, each after its two-octet number.
  const size_t step = types.size() / 6;
  for (size_t i = 0; i < types.size(); i += step) {
    const TypeInfo& type = *types[i];
    PduStr value;
    try {
      value = Create(type, type.ownId)->EncodeData();
      MakeAnyFromData(type.ownId, type, value);
    } catch (const Exception&) {
      continue;  // a type whose default has no Data form
    }
    Add(C, "classes", type.name, Byte(static_cast<int>(i >> 8)) + Byte(static_cast<int>(i & 0xFF)) + value,
        [&](const PduStr& s) { MakeAnyFromData(type.ownId, type, s.substr(2)); });
  }
}

// ---- Ciphering and curves ------------------------------------------------------------------

// The same octets every time, so that key pairs and signatures are too.
PduStr FixedRandom(int Count) {
  static uint32_t state = 0x2545F491;
  PduStr s;
  for (int i = 0; i < Count; ++i) {
    state = state * 1103515245u + 12345u;
    s.push_back(static_cast<char>(state >> 24));
  }
  return s;
}

void CryptoSeeds(TCorpora& C) {
  // Selector 0 and 12: AES-128 and AES-256 under the target's keys and title.
  for (int selector : {0, 12}) {
    for (int services : {3, 1}) {
      const PduStr ek((selector & 8) ? 32 : 16, '\x11'), ak(16, '\x22'), title(8, 'T');
      PduStr ciphered;
      TGCMCipher::GCMEncrypt(title, ApduFromXml(GetXml(1, kLogicalName, 2)), ek, ak,
                             TSecurityControl::Construct(TCOSEMProtectionServices::FromOctet(
                                                             static_cast<uint8_t>(services)), false, 0),
                             7, PduStr(), ciphered);
      Add(C, "crypto", Format("gcm_%d_%s", ek.size() == 16 ? 128 : 256, services == 3 ? "ciphered" : "authenticated"),
          Byte(selector) + ciphered, [&](const PduStr& s) {
            TSecurityControl sc;
            uint32_t fc = 0;
            PduStr info;
            TGCMCipher::GCMDecrypt(title, s.substr(1), PduStr(), ek, ak, sc, fc, info);
          });
    }
  }
  // Selectors 1 and 4: a signature of "message" and the public key, P-256 and P-384.
  // Selectors 2 and 5: a public key to agree a secret with.
  for (int suite : {1, 2}) {
    const TCurveId curve = ECCurveOfSecuritySuite(suite);
    PduStr privateKey, publicKey;
    ECDSAGenerateKeyPair(curve, privateKey, publicKey, FixedRandom);
    const PduStr signature = ECDSASignMessage(curve, "message", privateKey, {}, FixedRandom);
    Add(C, "crypto", Format("ecdsa_suite%d", suite), Byte(suite == 1 ? 1 : 4) + signature + publicKey,
        [&](const PduStr& s) {
          bool valid = false;
          if (!ECDSAVerify(suite, "message", s.substr(1, signature.size()), valid, publicKey) || !valid)
            throw Exception("signature does not verify");
        });
    Add(C, "crypto", Format("ecdh_suite%d", suite), Byte(suite == 1 ? 2 : 5) + publicKey, [&](const PduStr& s) {
      PduStr z;
      if (!ECDHSharedSecret(suite, PduStr(publicKey.size() / 2, '\x05'), s.substr(1), z))
        throw Exception(ECLastError());
    });
  }
}

// ---- Transports ----------------------------------------------------------------------------

// Keeps what the wrapper sends.
class TCapture : public TProtocolLayerAbstract {
 public:
  void Send(TLinkAddresses*, const PduStr& s) override { Sent += s; }
  PduStr Sent;
};

PduStr WPdus(const std::vector<PduStr>& Apdus, int Client, int Server) {
  TCapture capture;
  TProtocolLayerWrapper wrapper;
  wrapper.SetSupportingLayer(&capture);
  TLinkAddresses addresses;
  addresses.ClientId = Server;  // an answer goes to the client: the request's addresses swapped
  addresses.ServerId = Client;
  for (const PduStr& a : Apdus) wrapper.Send(&addresses, a);
  return capture.Sent;
}

void WrapperSeeds(TCorpora& C) {
  const auto aarqs = Aarqs();
  const auto requests = Requests();
  auto complete = [](const PduStr& s) {
    if (!TProtocolLayerWrapper::IsWPdu(s.substr(1))) throw Exception("no WPDU");
  };
  // The first octet picks the size of the pieces the octets arrive in (1 + octet % 97).
  Add(C, "wrapper", "aarq_octet_by_octet", Byte(0) + WPdus({aarqs[0].second}, 16, 1), complete);
  Add(C, "wrapper", "requests_in_pieces", Byte(6) + WPdus({requests[0].second, requests[3].second}, 16, 1), complete);
  Add(C, "wrapper", "empty_apdu", Byte(96) + WPdus({PduStr()}, 1, 17), complete);
  Add(C, "wrapper", "release_whole", Byte(96) + WPdus({requests.back().second}, 0x1234, 0x0001), complete);
}

// General block transfer records: a selector octet (0: a block at scale 0), the block
// control (last block 0x80, streaming 0x40, window), block number, acknowledged number, a
// length octet and the data.
PduStr Block(int Control, int Number, int Acknowledged, const PduStr& Data) {
  return Byte(0) + Byte(Control) + Byte(Number) + Byte(Acknowledged) + Byte(static_cast<int>(Data.size())) + Data;
}

void GbtSeeds(TCorpora& C) {
  const PduStr get = ApduFromXml(GetXml(1, kLogicalName, 2));
  const PduStr set = ApduFromXml(SetXml(1, kLogicalName, 2, "<OctetString Value=\"" + std::string(160, 'A') + "\" />"));
  auto readable = [](const PduStr& s) {
    if (s.size() < 2) throw Exception("too short");
  };
  // Settings octet: window - 1 (bits 0-2), streams (bit 3), answer blocks (bits 5-7).
  Add(C, "gbt", "request_in_one_block", Byte(0x00) + Block(0x81, 1, 0, get) + Block(0x81, 2, 1, PduStr()), readable);
  Add(C, "gbt", "request_in_two_blocks",
      Byte(0x20) + Block(0x01, 1, 0, set.substr(0, 40)) + Block(0x81, 2, 1, set.substr(40)) +
          Block(0x01, 3, 2, PduStr()) + Block(0x81, 4, 3, PduStr()),
      readable);
  Add(C, "gbt", "streamed_window_three",
      Byte(0x4A) + Block(0x43, 1, 0, set.substr(0, 30)) + Block(0x43, 2, 0, set.substr(30, 30)) +
          Block(0xC3, 3, 0, set.substr(60)) + Block(0x03, 4, 3, PduStr()) + Block(0x83, 5, 5, PduStr()),
      readable);
  // Selector 7: an APDU that is no block, a new service in the middle of a transfer.
  Add(C, "gbt", "new_service", Byte(0x00) + Block(0x01, 1, 0, get.substr(0, 5)) + Byte(7) +
                                   Byte(static_cast<int>(get.size())) + get,
      readable);
}

// ---- Texts ---------------------------------------------------------------------------------

void LexerSeeds(TCorpora& C) {
  auto identifier = [](const PduStr& s) {
    PduStr octets;
    EncodeObjectIdentifierText(s, octets);
  };
  Add(C, "lexer", "context_name", "{2, 16, 756, 5, 8, 1, 3}", identifier);
  Add(C, "lexer", "mechanism_name", "{2 16 756 5 8 2 7}", identifier);
  Add(C, "lexer", "unknown_name", " {2, 15, 757, 4, 7, 2, 3}", identifier);
}

// A device description as a user writes one, with both kinds of comment.
const char* const kDescription =
    "// A small meter\n"
    "<LogicalDevice>\n"
    "  <Name Value=\"\\ZRV\" />\n"
    "  <ServerSAP Value=\"0001\" />\n"
    "  <COSEMObjectList Qty=\"AUTO\">\n"
    "    (* the serial number *)\n"
    "    <DataObject><Name Value=\"0000600100FF\" /><DataValue><OctetString Value=\"\\12345678\" />"
    "</DataValue></DataObject>\n"
    "    <RegisterObject><Name Value=\"0100010800FF\" /><Value><DoubleLongUnsigned Value=\"00000001\" /></Value>"
    "<ScalerUnit><Scaler Value=\"00\" /><PhysUnit Value=\"UnitWattHour\" /></ScalerUnit></RegisterObject>\n"
    "  </COSEMObjectList>\n"
    "</LogicalDevice>\n";

void XmlSeeds(TCorpora& C) {
  auto scans = [](const PduStr& s) {
    TXMLParser p(s);
    while (p.Token() != xtEndOfBuffer && p.Token() != xtUnknown) p.Next();
    if (p.Token() != xtEndOfBuffer) throw Exception("the scanner stops early");
  };
  Add(C, "xml", "description", kDescription, scans);
  Add(C, "xml", "description_as_written", TMiscHelpers::MakeLogicalDevice(kDescription)->ToXMLString(), scans);
  Add(C, "xml", "aarq", TCOSEMPDUHelper::MakeFromPdu(Aarqs()[2].second)->ToXMLString(), scans);
  Add(C, "xml", "set", TCOSEMPDUHelper::MakeFromPdu(Requests()[3].second)->ToXMLString(), scans);
}

TCorpora MakeSeeds() {
  TCorpora c;
  AarqSeeds(c);
  ApduSeeds(c);
  ClassSeeds(c);
  CryptoSeeds(c);
  DataSeeds(c);
  GbtSeeds(c);
  LexerSeeds(c);
  WrapperSeeds(c);
  XmlSeeds(c);
  return c;
}

std::string ReadAll(const std::filesystem::path& Path) {
  std::ifstream f(Path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

}  // namespace

int main(int argc, char** argv) {
  const bool check = argc == 3 && std::string(argv[1]) == "--check";
  if (argc != 2 && !check) {
    std::fprintf(stderr, "usage: %s [--check] CORPUS-DIR\n", argv[0]);
    return 2;
  }
  const std::filesystem::path root = argv[argc - 1];
  const TCorpora corpora = MakeSeeds();
  int differences = 0;
  for (const auto& [target, seeds] : corpora) {
    const std::filesystem::path dir = root / target;
    if (check) {
      // Exactly these files: a seed that is missing, differs or is left over is reported.
      std::map<std::string, PduStr> found;
      if (std::filesystem::is_directory(dir))
        for (const auto& e : std::filesystem::directory_iterator(dir)) found[e.path().filename()] = ReadAll(e.path());
      if (found != seeds) {
        std::fprintf(stderr, "%s: the seeds differ from what zv_fuzz_seeds makes\n", dir.c_str());
        ++differences;
      }
      continue;
    }
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    for (const auto& [name, seed] : seeds) std::ofstream(dir / name, std::ios::binary) << seed;
    std::printf("%s: %zu seeds\n", dir.c_str(), seeds.size());
  }
  return differences ? 1 : 0;
}
