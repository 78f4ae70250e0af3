// Peer APDUs through the request handlers of a session: association control and the
// xDLMS handlers on a small device, one APDU after the other with the association state
// carried between them. Every input must end in answers or errors the session reports,
// never a crash, a hang or a runaway allocation.
//
// Input: octet 0 selects the client SAP (bits 0-1: 16, 32, 48, 99) and the server SAP (bit 2:
// 1 or 2); then records of a length octet and that many octets of an APDU.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "cosem/logical_device.h"
#include "foundation/ini_file.h"
#include "server/association_control.h"
#include "server/make_service.h"
#include "server/request_session.h"
#include "server/service_handlers.h"
#include "server/settings.h"
#include "server/transfer_context.h"

using namespace zv;

namespace {

std::string Item(const char* ln, int classId, int version, const char* attributes, const char* methods) {
  return std::string("<_ObjectListItemLN><ClassId Value=\"") + IntToHex(static_cast<uint64_t>(classId), 4) +
         "\"/><Version Value=\"" + IntToHex(static_cast<uint64_t>(version), 2) + "\"/><LogicalName Value=\"" + ln +
         "\"/><AccessRights><AttributeAccessList Qty=\"AUTO\">" + attributes +
         "</AttributeAccessList><MethodAccessList Qty=\"AUTO\">" + methods + "</MethodAccessList></AccessRights>"
         "</_ObjectListItemLN>";
}

std::string Attr(int nr, int mode) {
  return "<_AttributeAccessItem><AttributeNr Value=\"" + IntToHex(static_cast<uint64_t>(nr), 2) +
         "\"/><AccessMode Value=\"" + IntToHex(static_cast<uint64_t>(mode), 2) +
         "\"/><AccessSelectors><NullData/></AccessSelectors></_AttributeAccessItem>";
}

std::string Association(const char* ln, int sap, const char* mechanism, const char* secret) {
  std::string all;
  for (int a = 1; a <= 11; ++a) all += Attr(a, 3);
  std::string list = Item("0000280000FF", 15, 3, all.c_str(), "<_MethodAccessItem><MethodNr Value=\"01\"/>"
                                                             "<AccessMode Value=\"01\"/></_MethodAccessItem>") +
                     Item("0000600100FF", 1, 0, (Attr(1, 1) + Attr(2, 3)).c_str(), "") +
                     Item("0100010800FF", 3, 0, (Attr(1, 1) + Attr(2, 3) + Attr(3, 3)).c_str(), "") +
                     Item("0000010000FF", 8, 0, (Attr(2, 3) + Attr(3, 3)).c_str(),
                          "<_MethodAccessItem><MethodNr Value=\"01\"/><AccessMode Value=\"01\"/></_MethodAccessItem>");
  return std::string("<LNAssociationObject_3><Name Value=\"") + ln + "\"/><ObjectList Qty=\"AUTO\">" + list +
         "</ObjectList><AssociatedPartnersId><ClientSAP Value=\"" + IntToHex(static_cast<uint64_t>(sap), 2) +
         "\"/><ServerSAP Value=\"0001\"/></AssociatedPartnersId><ApplicationContextName Value=\"LN\"/>"
         "<xDLMSContextInfo><Conformance><ConformanceBit Name=\"Get\"/><ConformanceBit Name=\"Set\"/>"
         "<ConformanceBit Name=\"Action\"/><ConformanceBit Name=\"MultipleReferences\"/>"
         "<ConformanceBit Name=\"SelectiveAccess\"/><ConformanceBit Name=\"BlockTransferWithGetOrRead\"/></Conformance>"
         "<MaxRecPduSize Value=\"0100\"/><MaxSendPduSize Value=\"0100\"/><DLMSVersionNr Value=\"06\"/>"
         "<QualityOfService Value=\"00\"/><CypheringInfo Value=\"\"/></xDLMSContextInfo>"
         "<AuthenticationMechanismName Value=\"" +
         mechanism + "\"/><Secret Value=\"" + secret +
         "\"/><AssociationStatus Value=\"NonAssociated\"/><SecuritySetupReference Value=\"\"/>"
         "<UserList Qty=\"0\"></UserList><CurrentUser><UserId Value=\"00\"/><UserName Value=\"\"/></CurrentUser>"
         "</LNAssociationObject_3>";
}

std::string Device() {
  return "<LogicalDevice><Name Value=\"\\F\"/><ServerSAP Value=\"0001\"/><COSEMObjectList Qty=\"AUTO\">" +
         Association("0000280001FF", 0x10, "NO_SECURITY", "") +
         Association("0000280002FF", 0x20, "LOW_SECURITY", "\\12345678") +
         Association("0000280003FF", 0x30, "HIGH_SECURITY_MD5", "\\12345678") +
         "<DataObject><Name Value=\"0000600100FF\"/><DataValue><LongUnsigned Value=\"0005\"/></DataValue></DataObject>"
         "<RegisterObject><Name Value=\"0100010800FF\"/><Value><DoubleLongUnsigned Value=\"00000001\"/></Value>"
         "<ScalerUnit><Scaler Value=\"00\"/><PhysUnit Value=\"UnitWattHour\"/></ScalerUnit></RegisterObject>"
         "<ClockObject><Name Value=\"0000010000FF\"/><Time Value=\"07E8060F06100000FF800000\"/>"
         "<TimeZone Value=\"FFC4\"/><Status Value=\"00\"/><DaylightSavingsBegin Value=\"FFFF03FE0702000000800000\"/>"
         "<DaylightSavingsEnd Value=\"FFFF0AFE0703000000800000\"/><DaylightSavingsDeviation Value=\"3C\"/>"
         "<DaylightSavingsEnabled Value=\"01\"/><ClockBase Value=\"ClockBaseInternalCrystal\"/></ClockObject>"
         "<SNAssociationObject_4><Name Value=\"0000280000FF\"/><ObjectList Qty=\"0\"></ObjectList>"
         "<AccessRightsListSN Qty=\"0\"></AccessRightsListSN><SecuritySetupReference Value=\"\"/>"
         "<UserList Qty=\"0\"></UserList><CurrentUser><UserId Value=\"00\"/><UserName Value=\"\"/></CurrentUser>"
         "<Secret Value=\"\\12345678\"/><Conformance><ConformanceBit Name=\"Read\"/></Conformance>"
         "</SNAssociationObject_4></COSEMObjectList></LogicalDevice>";
}

// The session of one input, as the application process serves it.
class TSession : public TRequestSession {
 public:
  TSession(TSequence& Device, int ClientId, int ServerId) : FDevice(Device), FClientId(ClientId), FServerId(ServerId) {
    InitTransferContext();
  }
  TTransferContext& TransferContext() override { return *FContext; }
  TSequence& Device() override { return FDevice; }
  void SetMustInitTransferContext() override { FMustInit = true; }
  void InitTransferContext() override {
    FContext = std::make_unique<TTransferContext>();
    FContext->LogicalDevice = &FDevice;
    FContext->MySystemTitle = "ZRV\x01\x02\x03\x04\x05";
  }

  void Serve(const PduStr& Octets) {
    if (FMustInit) {
      FMustInit = false;
      InitTransferContext();
    }
    FContext->ClientId = FClientId;
    FContext->ServerId = FServerId;
    COSEMpduPtr answer;
    try {
      COSEMpduPtr request = TCOSEMPDUHelper::MakeFromPdu(Octets);
      switch (FContext->GetAssociationStatus()) {
        case 0: answer = TAssociationControl::HandleNonAssociated(*this, *request); break;
        case 1: answer = TAssociationControl::HandleAssociationPending(*this, *request); break;
        case 2: answer = TServiceHandlers::HandleAssociated(*this, *request); break;
        default: std::abort();
      }
      if (answer) answer->Encode();
    } catch (const std::exception&) {
    }
  }

 private:
  TSequence& FDevice;
  int FClientId, FServerId;
  bool FMustInit = false;
  std::unique_ptr<TTransferContext> FContext;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TIniFile ini("/nonexistent/zv_fuzz_settings.ini");
  static const std::unique_ptr<TSequence> original = MakeLogicalDevice(Device());
  TFormPreferences::SetIniFile(&ini);
  if (size == 0) return 0;
  const int saps[] = {16, 32, 48, 99};
  // Each input starts from the device as described: requests change it.
  PduPtr device = original->Clone();
  TSession session(device->As<TSequence>(), saps[data[0] & 3], (data[0] & 4) ? 2 : 1);
  size_t i = 1;
  while (i < size) {
    const size_t length = data[i++];
    const size_t take = std::min(length, size - i);
    session.Serve(PduStr(reinterpret_cast<const char*>(data + i), take));
    i += take;
  }
  return 0;
}
