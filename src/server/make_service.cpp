#include "server/make_service.h"

#include "apdu/conformance.h"
#include "apdu/errors_apdu.h"
#include "apdu/ln_services.h"
#include "foundation/data_helper.h"

namespace zv {

namespace {

std::string Hex2(int v) { return IntToHex(static_cast<uint64_t>(v) & 0xFF, 2); }
std::string Hex4(uint64_t v) { return IntToHex(v & 0xFFFF, 4); }
std::string Hex8(uint64_t v) { return IntToHex(v & 0xFFFFFFFF, 8); }
const char* LastBlockText(bool LastBlock) { return LastBlock ? "01" : "00"; }

COSEMpduPtr Make(const std::string& xml) { return TCOSEMPDUHelper::MakeFromXml(xml); }

}  // namespace

std::string DataAccessResultName(int Code) { return TEnum::GetString(T_DataAccessResult, Code); }
std::string ActionResultName(int Code) { return TEnum::GetString(T_ActionResult, Code); }

COSEMpduPtr TMakeService::ExceptionResponse() {
  return Make(
      "<ExceptionResponse><StateError Value=\"ServiceNotAllowed\" /><ServiceError Value=\"OperationNotPossible\" />"
      "</ExceptionResponse>");
}

COSEMpduPtr TMakeService::ExceptionNotImplemented() {
  return Make(
      "<ExceptionResponse><StateError Value=\"ServiceNotAllowed\" /><ServiceError Value=\"ServiceNotSupported\" />"
      "</ExceptionResponse>");
}

// The most frequent answer is built from its octets (get-response, normal, invoke id, the
// result): the same APDU as from its XML form, without rendering the value and reading it back.
COSEMpduPtr TMakeService::GetResponseNormal(const TCOSEMPduBase& GetDataResult, int InvokeIdAndPriority) {
  PduStr octets{'\xC4', '\x01', static_cast<char>(InvokeIdAndPriority & 0xFF)};
  GetDataResult.EncodeToPduStr(octets);
  return TCOSEMPDUHelper::MakeFromPdu(octets);
}

COSEMpduPtr TMakeService::GetResponseNormal_DataAccessResult(int InvokeIdAndPriority, int DataAccessResultCode) {
  return Make(Format("<GetResponse><GetResponseNormal><InvokeIdAndPriority Value=\"%s\" /><Result><DataAccessError "
                     "Value=\"%s\" /></Result></GetResponseNormal></GetResponse>",
                     Hex2(InvokeIdAndPriority).c_str(), DataAccessResultName(DataAccessResultCode).c_str()));
}

COSEMpduPtr TMakeService::GetResponseWithList(TCOSEMPduBase& L, int InvokeIdAndPriority) {
  L.XMLId = xmlResult;
  return Make("<GetResponse><GetResponseWithList><InvokeIdAndPriority Value=\"" + Hex2(InvokeIdAndPriority) +
              "\" />" + L.ToXMLString() + "</GetResponseWithList>" + "</GetResponse>");
}

COSEMpduPtr TMakeService::GetResponseWithDataBlock(int InvokeIdAndPriority, bool LastBlock, uint32_t BlockNumber,
                                                   const PduStr& RawData) {
  return Make(Format("<GetResponse><GetResponsewithDataBlock><InvokeIdAndPriority Value=\"%s\" /><Result><LastBlock "
                     "Value=\"%s\" /><BlockNumber Value=\"%s\" /><Result><RawData Value = \"%s\" /></Result></Result>"
                     "</GetResponsewithDataBlock></GetResponse>",
                     Hex2(InvokeIdAndPriority).c_str(), LastBlockText(LastBlock), Hex8(BlockNumber).c_str(),
                     ByteStrToHexStr(RawData).c_str()));
}

COSEMpduPtr TMakeService::GetResponseWithDataBlock_DataAccessResult(int InvokeIdAndPriority, bool LastBlock,
                                                                    uint32_t BlockNumber, int DataAccessResultCode) {
  return Make(Format("<GetResponse><GetResponsewithDataBlock><InvokeIdAndPriority Value=\"%s\" /><Result><LastBlock "
                     "Value=\"%s\" /><BlockNumber Value=\"%s\" /><Result><DataAccessResult Value = \"%s\" /></Result>"
                     "</Result></GetResponsewithDataBlock></GetResponse>",
                     Hex2(InvokeIdAndPriority).c_str(), LastBlockText(LastBlock), Hex8(BlockNumber).c_str(),
                     DataAccessResultName(DataAccessResultCode).c_str()));
}

COSEMpduPtr TMakeService::SetResponseNormal(int InvokeIdAndPriority, int DataAccessResultCode) {
  return Make(Format("<SetResponse><SetResponseNormal><InvokeIdAndPriority Value=\"%s\" /><Result Value=\"%s\" />"
                     "</SetResponseNormal></SetResponse>",
                     Hex2(InvokeIdAndPriority).c_str(), DataAccessResultName(DataAccessResultCode).c_str()));
}

COSEMpduPtr TMakeService::SetResponseForDataBlock(int InvokeIdAndPriority, uint32_t BlockNumber) {
  return Make(Format("<SetResponse><SetResponseForDataBlock><InvokeIdAndPriority Value=\"%s\" /><BlockNumber "
                     "Value=\"%s\" /></SetResponseForDataBlock></SetResponse>",
                     Hex2(InvokeIdAndPriority).c_str(), Hex8(BlockNumber).c_str()));
}

COSEMpduPtr TMakeService::SetResponseForLastDataBlock(int InvokeIdAndPriority, int DataAccessResultCode,
                                                      uint32_t BlockNumber) {
  return Make(Format("<SetResponse><SetResponseForLastDataBlock><InvokeIdAndPriority Value=\"%s\" /><Result "
                     "Value=\"%s\"/><BlockNumber Value=\"%s\" /></SetResponseForLastDataBlock></SetResponse>",
                     Hex2(InvokeIdAndPriority).c_str(), DataAccessResultName(DataAccessResultCode).c_str(),
                     Hex8(BlockNumber).c_str()));
}

COSEMpduPtr TMakeService::ActionResponseNormal(int InvokeIdAndPriority, int ActionResultCode,
                                               const TData* ReturnParameters) {
  std::string xml = Format("<ActionResponse><ActionResponseNormal><InvokeIdAndPriority Value=\"%s\" /><Result "
                           "Value=\"%s\" />",
                           Hex2(InvokeIdAndPriority).c_str(), ActionResultName(ActionResultCode).c_str());
  // The full XML of the Data value, whatever element name the hook gave it.
  if (ReturnParameters)
    xml += "<ReturnParameters><Data>" + TDataHelper::ValueToXMLString(*ReturnParameters) + "</Data></ReturnParameters>";
  return Make(xml + "</ActionResponseNormal>" + "</ActionResponse>");
}

COSEMpduPtr TMakeService::ActionResponse_Data(int InvokeIdAndPriority, const TData& Data) {
  return Make(Format("<ActionResponse><ActionResponseNormal><InvokeIdAndPriority Value=\"%s\" /><Result "
                     "Value=\"Success\" /><ReturnParameters><Data>%s</Data></ReturnParameters></ActionResponseNormal>"
                     "</ActionResponse>",
                     Hex2(InvokeIdAndPriority).c_str(), TDataHelper::ValueToXMLString(Data).c_str()));
}

COSEMpduPtr TMakeService::AccessResponseNotSelfDescriptive(uint32_t LongInvokeIdAndPriority) {
  return Make(Format("  <AccessResponse>    <LongInvokeIdAndPriority Value = \"%s\" />    <DateTime Value = \"\" />"
                     "    <AccessResponseBody>      <AccessResponseListOfData Qty = \"AUTO\" />      "
                     "</AccessResponseListOfData>      <AccessResponseSpecification Qty = \"AUTO\" />      "
                     "</AccessResponseSpecification>    </AccessResponseBody>  </AccessResponse>",
                     Hex8(LongInvokeIdAndPriority).c_str()));
}

COSEMpduPtr TMakeService::AccessResponseSelfDescriptive(uint32_t LongInvokeIdAndPriority) {
  return Make(Format("  <AccessResponse>    <LongInvokeIdAndPriority Value = \"%s\" />    <DateTime Value = \"\" />"
                     "    <AccessResponseBody>      <AccessRequestSpecification Qty = \"AUTO\">      "
                     "</AccessRequestSpecification>      <AccessResponseListOfData Qty = \"AUTO\" />      "
                     "</AccessResponseListOfData>      <AccessResponseSpecification Qty = \"AUTO\" />      "
                     "</AccessResponseSpecification>    </AccessResponseBody>  </AccessResponse>",
                     Hex8(LongInvokeIdAndPriority).c_str()));
}

COSEMpduPtr TMakeService::ReadResponse_Data(const TData& Data) {
  return Make(Format("<ReadResponse Qty=\"01\"><Data>%s</Data></ReadResponse>",
                     TDataHelper::ValueToXMLString(Data).c_str()));
}

COSEMpduPtr TMakeService::ReadResponse_DataAccessError(int DataAccessResultCode) {
  return Make(Format("<ReadResponse Qty=\"01\"><DataAccessError Value=\"%s\" /></ReadResponse>",
                     DataAccessResultName(DataAccessResultCode).c_str()));
}

COSEMpduPtr TMakeService::ReadResponseWithDataBlock(bool LastBlock, int BlockNumber, const PduStr& RawData) {
  return Make(Format("<ReadResponse Qty=\"01\"><DataBlockResult><LastBlock Value=\"%s\" /><BlockNumber Value=\"%s\" />"
                     "<RawData Value=\"%s\" /></DataBlockResult></ReadResponse>",
                     LastBlockText(LastBlock), Hex4(static_cast<uint64_t>(BlockNumber)).c_str(),
                     ByteStrToHexStr(RawData).c_str()));
}

COSEMpduPtr TMakeService::WriteResponseBlockNumber(int BlockNumber) {
  return Make(Format("<WriteResponse Qty=\"01\">  <BlockNumber Value=\"%s\"/></WriteResponse>",
                     Hex4(static_cast<uint64_t>(BlockNumber)).c_str()));
}

COSEMpduPtr TMakeService::WriteResponseSuccess() { return Make("<WriteResponse Qty=\"01\">  <Success/></WriteResponse>"); }

COSEMpduPtr TMakeService::RLRE_Normal() { return Make("<ReleaseResponse><Reason Value=\"Normal\" /></ReleaseResponse>"); }

COSEMpduPtr TMakeService::RLRE_Normal_UserInformation(TObjectIdentifier ContextName,
                                                      const TConformance& NegotiatedConformance,
                                                      int NegotiatedMaxPduSize) {
  return Make("<ReleaseResponse><Reason Value=\"Normal\" /><UserInformation>" +
              InitiateResponseXml(ContextName, NegotiatedConformance, NegotiatedMaxPduSize) + "</UserInformation>" +
              "</ReleaseResponse>");
}

COSEMpduPtr TMakeService::DataNotification(uint32_t InvokeIdAndPriority, const TDateTimeRecord& DateTimeRecord) {
  return Make(Format("<DataNotification><LongInvokeIdAndPriority Value=\"%s\" /><DateTime Value=\"%s\" />"
                     "<NotificationBody><DataValue><Structure Qty=\"0000\" ></Structure></DataValue></NotificationBody>"
                     "</DataNotification>",
                     Hex8(InvokeIdAndPriority).c_str(), ByteStrToHexStr(DateTimeRecord.COSEMDateTime()).c_str()));
}

COSEMpduPtr TMakeService::GBT(int BlockControl, int BlockNumber, int BlockNumberAck, const PduStr& PayLoad) {
  return Make(Format("<GeneralBlockTransfer><BlockControl Value=\"%s\" /><BlockNumber Value=\"%s\" /><BlockNumberAck "
                     "Value=\"%s\" /><BlockData Value=\"%s\" /></GeneralBlockTransfer>",
                     Hex2(BlockControl).c_str(), Hex4(static_cast<uint64_t>(BlockNumber)).c_str(),
                     Hex4(static_cast<uint64_t>(BlockNumberAck)).c_str(), ByteStrToHexStr(PayLoad).c_str()));
}

const char* TMakeService::VaaName(TObjectIdentifier ContextName) {
  return ContextName == TObjectIdentifier::LN || ContextName == TObjectIdentifier::LN_WITH_CIPHERING ? "0007" : "FA00";
}

std::string TMakeService::InitiateResponseXml(TObjectIdentifier ContextName, const TConformance& NegotiatedConformance,
                                              int NegotiatedMaxPduSize) {
  return Format("<InitiateResponse><NegotiatedDlmsVersionNumber Value=\"06\" />%s<NegotiatedMaxPduSize Value=\"%s\" />"
                "<VaaName Value=\"%s\" />",
                NegotiatedConformance.ToXMLString().c_str(),
                Hex4(static_cast<uint64_t>(NegotiatedMaxPduSize)).c_str(), VaaName(ContextName)) +
         "</InitiateResponse>";
}

COSEMpduPtr TMakeService::AARE(TObjectIdentifier ContextName, TObjectIdentifier MechanismName, bool ACSERequirement,
                               int AssociationResult, int ResultSourceDiagnostic, const PduStr& RespondingAPTitle,
                               const PduStr& RespondingAuthenticationValue, const TConformance* NegotiatedConformance,
                               int NegotiatedMaxPduSize, bool ACSEServiceProvider) {
  std::string xml = "<AssociationResponse>";
  xml += Format("<ApplicationContextName Value=\"%s\" />", ObjectIdentifierName(ContextName));
  xml += Format("<AssociationResult Value=\"%s\" />", Hex2(AssociationResult).c_str());
  xml += Format("<ResultSourceDiagnostic><%s Value=\"%s\" /></ResultSourceDiagnostic>",
                ACSEServiceProvider ? "ACSEServiceProvider" : "ACSEServiceUser", Hex2(ResultSourceDiagnostic).c_str());
  if (!RespondingAPTitle.empty())
    xml += Format("<RespondingAPTitle Value=\"%s\" />", ByteStrToHexStr(RespondingAPTitle).c_str());
  if (ACSERequirement) xml += "<ResponderACSERequirement Value=\"1\" />";
  if (MechanismName != TObjectIdentifier::UNKNOWN)
    xml += Format("<MechanismName Value=\"%s\" />", ObjectIdentifierName(MechanismName));
  if (!RespondingAuthenticationValue.empty())
    xml += Format("<RespondingAuthenticationValue Value=\"%s\" />",
                  ByteStrToHexStr(RespondingAuthenticationValue).c_str());
  if (NegotiatedConformance) xml += InitiateResponseXml(ContextName, *NegotiatedConformance, NegotiatedMaxPduSize);
  xml += "</AssociationResponse>";
  return Make(xml);
}

}  // namespace zv
