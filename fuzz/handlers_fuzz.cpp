// Requests of every xDLMS service through the handlers of an associated session: each
// input starts from a fresh association (LN or SN, at a chosen PDU size) on a device with a
// long value, a load profile and a script table whose hooks are bound, and feeds decoded
// requests to the handlers one after the other, with the association state (block
// transfers included) carried between them. Every input must end in answers or errors the
// session reports, never a crash, a hang or a runaway allocation.
//
// Input: octet 0: bit 0 short-name referencing (else logical-name), bits 1-2 the proposed
// PDU size (12, 64, 200, 1024), bit 3 "Ignore unconfirmed", bit 4 general block transfer
// proposed; then records of a two-octet big-endian length and that many octets of an APDU.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "cosem/logical_device.h"
#include "foundation/ini_file.h"
#include "server/association_control.h"
#include "server/object_services.h"
#include "server/request_session.h"
#include "server/service_handlers.h"
#include "server/settings.h"
#include "server/transfer_context.h"

using namespace zv;

namespace {

std::string Hex(uint64_t v, int digits) { return IntToHex(v, digits); }

std::string Attr(int nr, int mode) {
  return "<_AttributeAccessItem><AttributeNr Value=\"" + Hex(static_cast<uint64_t>(nr), 2) +
         "\"/><AccessMode Value=\"" + Hex(static_cast<uint64_t>(mode), 2) +
         "\"/><AccessSelectors><NullData/></AccessSelectors></_AttributeAccessItem>";
}

std::string Conformance(const char* bits) {
  std::string x = "<Conformance>", name;
  for (const char* p = bits;; ++p) {
    if (*p == ' ' || *p == 0) {
      if (!name.empty()) x += "<ConformanceBit Name=\"" + name + "\"/>";
      name.clear();
      if (*p == 0) break;
    } else {
      name += *p;
    }
  }
  return x + "</Conformance>";
}

const char* const kLNBits =
    "Get Set Action SelectiveAccess MultipleReferences BlockTransferWithGetOrRead BlockTransferWithSetOrWrite "
    "BlockTransferWithAction Access GeneralBlockTransfer";
const char* const kSNBits =
    "Read Write ParametrizedAccess MultipleReferences BlockTransferWithGetOrRead BlockTransferWithSetOrWrite "
    "GeneralBlockTransfer";

std::string Device() {
  // The script table may be read, written and executed; everything else the session's
  // completion grants.
  const std::string scriptItem =
      "<_ObjectListItemLN><ClassId Value=\"0009\"/><Version Value=\"00\"/><LogicalName Value=\"00000A0064FF\"/>"
      "<AccessRights><AttributeAccessList Qty=\"AUTO\">" +
      Attr(1, 1) + Attr(2, 3) +
      "</AttributeAccessList><MethodAccessList Qty=\"AUTO\"><_MethodAccessItem><MethodNr Value=\"01\"/>"
      "<AccessMode Value=\"01\"/></_MethodAccessItem><_MethodAccessItem><MethodNr Value=\"02\"/>"
      "<AccessMode Value=\"01\"/></_MethodAccessItem></MethodAccessList></AccessRights></_ObjectListItemLN>";
  const std::string ln =
      "<LNAssociationObject_3><Name Value=\"0000280001FF\"/><ObjectList Qty=\"AUTO\">" + scriptItem +
      "</ObjectList><AssociatedPartnersId><ClientSAP Value=\"10\"/><ServerSAP Value=\"0001\"/>"
      "</AssociatedPartnersId><ApplicationContextName Value=\"LN\"/><xDLMSContextInfo>" +
      Conformance(kLNBits) +
      "<MaxRecPduSize Value=\"0400\"/><MaxSendPduSize Value=\"0400\"/><DLMSVersionNr Value=\"06\"/>"
      "<QualityOfService Value=\"00\"/><CypheringInfo Value=\"\"/></xDLMSContextInfo>"
      "<AuthenticationMechanismName Value=\"NO_SECURITY\"/><Secret Value=\"\"/>"
      "<AssociationStatus Value=\"NonAssociated\"/><SecuritySetupReference Value=\"\"/>"
      "<UserList Qty=\"0\"></UserList><CurrentUser><UserId Value=\"00\"/><UserName Value=\"\"/></CurrentUser>"
      "</LNAssociationObject_3>";
  const std::string sn =
      "<SNAssociationObject_4><Name Value=\"0000280000FF\"/><ObjectList Qty=\"0\"></ObjectList>"
      "<AccessRightsListSN Qty=\"0\"></AccessRightsListSN><SecuritySetupReference Value=\"\"/>"
      "<UserList Qty=\"0\"></UserList><CurrentUser><UserId Value=\"00\"/><UserName Value=\"\"/></CurrentUser>"
      "<Secret Value=\"\\12345678\"/>" +
      Conformance(kSNBits) + "</SNAssociationObject_4>";
  std::string longValue;
  for (int i = 0; i < 700; ++i) longValue += Hex(static_cast<uint64_t>(i & 0xFF), 2);
  std::string buffer;
  for (int n = 0; n < 24; ++n)
    buffer += "<Structure Qty=\"0003\"><OctetString Value=\"07E8060F06" + Hex(static_cast<uint64_t>(n / 4), 2) +
              Hex(static_cast<uint64_t>((n % 4) * 15), 2) + "00FF800000\"/>" +
              (n % 5 == 3 ? std::string("<NullData/>") : "<DoubleLongUnsigned Value=\"" + Hex(1000u + 7u * n, 8) + "\"/>") +
              "<LongUnsigned Value=\"" + Hex(static_cast<uint64_t>(n), 4) + "\"/></Structure>";
  auto capture = [](const char* classId, const char* name) {
    return std::string("<_CaptureObject><ClassId Value=\"") + classId + "\"/><LogicalName Value=\"" + name +
           "\"/><AttributeIndex Value=\"02\"/><DataIndex Value=\"0000\"/></_CaptureObject>";
  };
  auto write = [](const char* name, const char* index, const char* value) {
    return std::string("<_ScriptAction><ServiceId Value=\"ServiceWriteAttribute\"/><ClassId Value=\"0001\"/>"
                       "<LogicalName Value=\"") +
           name + "\"/><Index Value=\"" + index + "\"/><Parameter>" + value + "</Parameter></_ScriptAction>";
  };
  return "<LogicalDevice><Name Value=\"\\F\"/><ServerSAP Value=\"0001\"/><COSEMObjectList Qty=\"AUTO\">" + ln + sn +
         "<DataObject><Name Value=\"0000600100FF\"/><DataValue><LongUnsigned Value=\"0005\"/></DataValue></DataObject>"
         "<DataObject><Name Value=\"0000600A03FF\"/><DataValue><OctetString Value=\"" +
         longValue +
         "\"/></DataValue></DataObject>"
         "<RegisterObject><Name Value=\"0100010800FF\"/><Value><DoubleLongUnsigned Value=\"00000001\"/></Value>"
         "<ScalerUnit><Scaler Value=\"00\"/><PhysUnit Value=\"UnitWattHour\"/></ScalerUnit></RegisterObject>"
         "<ClockObject><Name Value=\"0000010000FF\"/><Time Value=\"07E8060F06100000FF800000\"/>"
         "<TimeZone Value=\"FFC4\"/><Status Value=\"00\"/><DaylightSavingsBegin Value=\"FFFF03FE0702000000800000\"/>"
         "<DaylightSavingsEnd Value=\"FFFF0AFE0703000000800000\"/><DaylightSavingsDeviation Value=\"3C\"/>"
         "<DaylightSavingsEnabled Value=\"01\"/><ClockBase Value=\"ClockBaseInternalCrystal\"/></ClockObject>"
         "<ProfileGenericObject><Name Value=\"0100630100FF\"/><Buffer><Array Qty=\"AUTO\">" +
         buffer + "</Array></Buffer><CaptureObjects Qty=\"AUTO\">" + capture("0008", "0000010000FF") +
         capture("0003", "0100010800FF") + capture("0001", "0000600100FF") +
         "</CaptureObjects><CapturePeriod Value=\"00000384\"/><SortMethod Value=\"SortFifo\"/><SortObject>"
         "<ClassId Value=\"0000\"/><LogicalName Value=\"000000000000\"/><AttributeIndex Value=\"00\"/>"
         "<DataIndex Value=\"0000\"/></SortObject><EntriesInUse Value=\"00000018\"/><ProfileEntries "
         "Value=\"00000018\"/></ProfileGenericObject>"
         "<ScriptTableObject><Name Value=\"00000A0064FF\"/><Scripts Qty=\"AUTO\"><_Script><ScriptIdentifier "
         "Value=\"0001\"/><ScriptActions Qty=\"AUTO\">" +
         write("0000600100FF", "02", "<LongUnsigned Value=\"0009\"/>") +
         write("0000600AFFFF", "02", "<LongUnsigned Value=\"0009\"/>") +
         "</ScriptActions></_Script><_Script><ScriptIdentifier Value=\"0002\"/><ScriptActions Qty=\"AUTO\">" +
         write("0000600100FF", "07", "<NullData/>") +
         "</ScriptActions></_Script></Scripts></ScriptTableObject></COSEMObjectList></LogicalDevice>";
}

// The AARQ of the public client: LN or SN context, the proposed PDU size and conformance.
PduStr Aarq(bool shortNames, int pduSize, bool gbt) {
  std::string bits = shortNames ? kSNBits : kLNBits;
  if (!gbt) bits = bits.substr(0, bits.rfind(' '));
  std::string xml = std::string("<AssociationRequest><ApplicationContextName Value=\"") + (shortNames ? "SN" : "LN") +
                    "\" /><InitiateRequest><ProposedDlmsVersionNumber Value=\"06\" /><ProposedConformance>";
  std::string name;
  for (size_t i = 0; i <= bits.size(); ++i) {
    if (i == bits.size() || bits[i] == ' ') {
      xml += "<ConformanceBit Name=\"" + name + "\" />";
      name.clear();
    } else {
      name += bits[i];
    }
  }
  xml += "</ProposedConformance><ProposedMaxPduSize Value=\"" + Hex(static_cast<uint64_t>(pduSize), 4) +
         "\" /></InitiateRequest></AssociationRequest>";
  return TCOSEMPDUHelper::MakeFromXml(xml)->Encode();
}

// Two settings files, with and without "Ignore unconfirmed"; both complete the association
// lists.
struct TSettingsFiles {
  std::string Dir;
  std::unique_ptr<TIniFile> Plain, IgnoreUnconfirmed;
  TSettingsFiles() {
    char dir[] = "/tmp/zv_handlers_fuzz_XXXXXX";
    Dir = mkdtemp(dir) ? dir : "/tmp";
    Plain = std::make_unique<TIniFile>(Dir + "/plain.ini");
    Plain->WriteString("FormPreferences", "CHKCompleteObjectList", "1");
    IgnoreUnconfirmed = std::make_unique<TIniFile>(Dir + "/ignore.ini");
    IgnoreUnconfirmed->WriteString("FormPreferences", "CHKCompleteObjectList", "1");
    IgnoreUnconfirmed->WriteString("FormPreferences", "CHKIgnoreUnconfirmed", "1");
  }
  ~TSettingsFiles() {
    std::remove(Plain->FileName().c_str());
    std::remove(IgnoreUnconfirmed->FileName().c_str());
    rmdir(Dir.c_str());
  }
};

// The session of one input, as the application process serves it.
class TSession : public TRequestSession {
 public:
  explicit TSession(TSequence& Device) : FDevice(Device) { InitTransferContext(); }
  TTransferContext& TransferContext() override { return *FContext; }
  TSequence& Device() override { return FDevice; }
  void SetMustInitTransferContext() override { FMustInit = true; }
  void InitTransferContext() override {
    FContext = std::make_unique<TTransferContext>();
    FContext->LogicalDevice = &FDevice;
  }

  void Serve(const PduStr& Octets) {
    if (FMustInit) {
      FMustInit = false;
      InitTransferContext();
    }
    FContext->ClientId = 16;
    FContext->ServerId = 1;
    try {
      COSEMpduPtr request = TCOSEMPDUHelper::MakeFromPdu(Octets);
      COSEMpduPtr answer;
      switch (FContext->GetAssociationStatus()) {
        case 0: answer = TAssociationControl::HandleNonAssociated(*this, *request); break;
        case 1: answer = TAssociationControl::HandleAssociationPending(*this, *request); break;
        case 2: answer = TServiceHandlers::HandleAssociated(*this, *request); break;
        default: std::abort();
      }
      // Answers go to the log and the peer in both forms.
      if (answer) {
        answer->Encode();
        answer->ToXMLString();
      }
    } catch (const std::exception&) {
    }
  }

 private:
  TSequence& FDevice;
  bool FMustInit = false;
  std::unique_ptr<TTransferContext> FContext;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TSettingsFiles settings;
  static const std::unique_ptr<TSequence> original = MakeLogicalDevice(Device());
  if (size == 0) return 0;
  const uint8_t options = data[0];
  const int sizes[] = {12, 64, 200, 1024};
  TFormPreferences::SetIniFile((options & 8) ? settings.IgnoreUnconfirmed.get() : settings.Plain.get());
  // Each input starts from the device as described, with its behaviour bound.
  PduPtr device = original->Clone();
  TLogicalDeviceHelper::BindBehaviour(device->As<TSequence>());
  TSession session(device->As<TSequence>());
  static PduStr aarqs[32];
  PduStr& aarq = aarqs[options & 0x17];
  if (aarq.empty()) aarq = Aarq(options & 1, sizes[(options >> 1) & 3], options & 16);
  session.Serve(aarq);
  size_t i = 1;
  while (i + 2 <= size) {
    const size_t length = (static_cast<size_t>(data[i]) << 8) | data[i + 1];
    i += 2;
    const size_t take = std::min(length, size - i);
    session.Serve(PduStr(reinterpret_cast<const char*>(data + i), take));
    i += take;
  }
  TFormPreferences::SetIniFile(nullptr);
  return 0;
}
