#include "services_support.h"

#include "apdu/ln_services.h"
#include "apdu/sn_services.h"
#include "foundation/axdr_types.h"
#include "foundation/date_time.h"

namespace zv::test::services {

namespace {

std::string Hex(uint64_t Value, int Digits) { return IntToHex(Value, Digits); }

std::string Attr(int Nr, int Mode) {
  return "<_AttributeAccessItem><AttributeNr Value=\"" + Hex(static_cast<uint64_t>(Nr), 2) +
         "\"/><AccessMode Value=\"" + Hex(static_cast<uint64_t>(Mode), 2) +
         "\"/><AccessSelectors><NullData/></AccessSelectors></_AttributeAccessItem>";
}

std::string Method(int Nr, int Mode) {
  return "<_MethodAccessItem><MethodNr Value=\"" + Hex(static_cast<uint64_t>(Nr), 2) + "\"/><AccessMode Value=\"" +
         Hex(static_cast<uint64_t>(Mode), 2) + "\"/></_MethodAccessItem>";
}

std::string Item(const char* Ln, int ClassId, int Version, const std::string& Attributes, const std::string& Methods) {
  return "<_ObjectListItemLN><ClassId Value=\"" + Hex(static_cast<uint64_t>(ClassId), 4) + "\"/><Version Value=\"" +
         Hex(static_cast<uint64_t>(Version), 2) + "\"/><LogicalName Value=\"" + Ln +
         "\"/><AccessRights><AttributeAccessList Qty=\"AUTO\">" + Attributes +
         "</AttributeAccessList><MethodAccessList Qty=\"AUTO\">" + Methods +
         "</MethodAccessList></AccessRights></_ObjectListItemLN>";
}

const char* const kLNConformance[] = {"Get", "Set", "Action", "SelectiveAccess", "MultipleReferences",
                                      "BlockTransferWithGetOrRead", "BlockTransferWithSetOrWrite",
                                      "BlockTransferWithAction", "Access"};
const char* const kSNConformance[] = {"Read", "Write", "ParametrizedAccess", "MultipleReferences",
                                      "BlockTransferWithGetOrRead", "BlockTransferWithSetOrWrite"};

template <size_t N>
std::string ConformanceXml(const char* const (&Bits)[N]) {
  std::string x = "<Conformance>";
  for (const char* b : Bits) x += std::string("<ConformanceBit Name=\"") + b + "\"/>";
  return x + "</Conformance>";
}

std::string LNAssociation() {
  const std::string list =
      Item("0000600A02FF", 1, 0, Attr(1, 1) + Attr(2, 2), "") +
      Item("00000A0064FF", 9, 0, Attr(1, 1) + Attr(2, 1), Method(1, 1) + Method(2, 1));
  return "<LNAssociationObject_3><Name Value=\"0000280001FF\"/><ObjectList Qty=\"AUTO\">" + list +
         "</ObjectList><AssociatedPartnersId><ClientSAP Value=\"10\"/><ServerSAP Value=\"0001\"/>"
         "</AssociatedPartnersId><ApplicationContextName Value=\"LN\"/><xDLMSContextInfo>" +
         ConformanceXml(kLNConformance) +
         "<MaxRecPduSize Value=\"0400\"/><MaxSendPduSize Value=\"0400\"/><DLMSVersionNr Value=\"06\"/>"
         "<QualityOfService Value=\"00\"/><CypheringInfo Value=\"\"/></xDLMSContextInfo>"
         "<AuthenticationMechanismName Value=\"NO_SECURITY\"/><Secret Value=\"\"/>"
         "<AssociationStatus Value=\"NonAssociated\"/><SecuritySetupReference Value=\"\"/>"
         "<UserList Qty=\"0\"></UserList><CurrentUser><UserId Value=\"00\"/><UserName Value=\"\"/></CurrentUser>"
         "</LNAssociationObject_3>";
}

std::string SNAssociation() {
  return "<SNAssociationObject_4><Name Value=\"0000280000FF\"/><ObjectList Qty=\"0\"></ObjectList>"
         "<AccessRightsListSN Qty=\"0\"></AccessRightsListSN><SecuritySetupReference Value=\"\"/>"
         "<UserList Qty=\"0\"></UserList><CurrentUser><UserId Value=\"00\"/><UserName Value=\"\"/></CurrentUser>"
         "<Secret Value=\"\\12345678\"/>" +
         ConformanceXml(kSNConformance) + "</SNAssociationObject_4>";
}

std::string Data(const char* Ln, const std::string& ValueXml) {
  return std::string("<DataObject><Name Value=\"") + Ln + "\"/><DataValue>" + ValueXml + "</DataValue></DataObject>";
}

std::string Capture(int ClassId, const char* Ln) {
  return "<_CaptureObject><ClassId Value=\"" + Hex(static_cast<uint64_t>(ClassId), 4) + "\"/><LogicalName Value=\"" +
         Ln + "\"/><AttributeIndex Value=\"02\"/><DataIndex Value=\"0000\"/></_CaptureObject>";
}

std::string Profile(int Entries) {
  std::string buffer;
  buffer.reserve(static_cast<size_t>(Entries) * 170);
  for (int n = 1; n <= Entries; ++n)
    buffer += "<Structure Qty=\"0003\"><OctetString Value=\"" + ByteStrToHexStr(EntryTime(n)) +
              "\"/><DoubleLongUnsigned Value=\"" + Hex(EntryValue(n), 8) + "\"/><LongUnsigned Value=\"" +
              Hex(EntryCount(n), 4) + "\"/></Structure>";
  return "<ProfileGenericObject><Name Value=\"0100630100FF\"/><Buffer><Array Qty=\"AUTO\">" + buffer +
         "</Array></Buffer><CaptureObjects Qty=\"AUTO\">" + Capture(8, "0000010000FF") + Capture(3, "0100010800FF") +
         Capture(1, "0000600A01FF") +
         "</CaptureObjects><CapturePeriod Value=\"00000384\"/><SortMethod Value=\"SortFifo\"/><SortObject>"
         "<ClassId Value=\"0000\"/><LogicalName Value=\"000000000000\"/><AttributeIndex Value=\"00\"/>"
         "<DataIndex Value=\"0000\"/></SortObject><EntriesInUse Value=\"" +
         Hex(static_cast<uint64_t>(Entries), 8) + "\"/><ProfileEntries Value=\"" + Hex(static_cast<uint64_t>(Entries), 8) +
         "\"/></ProfileGenericObject>";
}

std::string WriteAction(const char* Ln, int ClassId, int Index, const std::string& ParameterXml) {
  return "<_ScriptAction><ServiceId Value=\"ServiceWriteAttribute\"/><ClassId Value=\"" +
         Hex(static_cast<uint64_t>(ClassId), 4) + "\"/><LogicalName Value=\"" + Ln + "\"/><Index Value=\"" +
         Hex(static_cast<uint64_t>(Index), 2) + "\"/><Parameter>" + ParameterXml + "</Parameter></_ScriptAction>";
}

std::string Script(int Id, const std::string& Actions) {
  return "<_Script><ScriptIdentifier Value=\"" + Hex(static_cast<uint64_t>(Id), 4) +
         "\"/><ScriptActions Qty=\"AUTO\">" + Actions + "</ScriptActions></_Script>";
}

// 1: write 0x4321 into 0000600A01FF; 2: write 7 there, then into an object the device lacks;
// 3: execute a method; 4: write attribute 9 of a data object; 6: write into the data object
// after script 1 (the first script of that identifier runs).
std::string ScriptTable() {
  const std::string u16 = "<LongUnsigned Value=\"4321\"/>";
  return "<ScriptTableObject><Name Value=\"00000A0064FF\"/><Scripts Qty=\"AUTO\">" +
         Script(1, WriteAction("0000600A01FF", 1, 2, u16)) +
         Script(2, WriteAction("0000600A01FF", 1, 2, "<LongUnsigned Value=\"0007\"/>") +
                       WriteAction("0000600AFFFF", 1, 2, u16)) +
         Script(3, "<_ScriptAction><ServiceId Value=\"ServiceExecuteCommand\"/><ClassId Value=\"0009\"/>"
                   "<LogicalName Value=\"00000A0064FF\"/><Index Value=\"01\"/><Parameter><LongUnsigned "
                   "Value=\"0001\"/></Parameter></_ScriptAction>") +
         Script(4, WriteAction("0000600A01FF", 1, 9, u16)) +
         Script(6, WriteAction("0000600100FF", 1, 2, "<VisibleString Value=\"\\first\"/>")) +
         Script(6, WriteAction("0000600100FF", 1, 2, "<VisibleString Value=\"\\second\"/>")) +
         "</Scripts></ScriptTableObject>";
}

}  // namespace

PduStr EntryTime(int N) {
  TDateTimeRecord r = TDateTimeRecord::GetDateTimeRecord(2024, 6, 15, 0, 0, 0);
  r.Advance(static_cast<int64_t>(N - 1) * kQuarterHour);
  return r.COSEMDateTime();
}
uint32_t EntryValue(int N) { return 1000000u + 7u * static_cast<uint32_t>(N); }
uint16_t EntryCount(int N) { return static_cast<uint16_t>(N); }

PduStr LongOctets() {
  PduStr s;
  for (int i = 0; i < 3000; ++i) s.push_back(static_cast<char>((i * 7 + 3) & 0xFF));
  return s;
}

std::string Device(int ProfileEntries) {
  return "<LogicalDevice><Name Value=\"\\ZVS\"/><ServerSAP Value=\"0001\"/><COSEMObjectList Qty=\"AUTO\">" +
         LNAssociation() + SNAssociation() + Data("0000600100FF", "<OctetString Value=\"\\12345678\"/>") +
         Data("0000600A01FF", "<LongUnsigned Value=\"0005\"/>") +
         Data("0000600A02FF", "<LongUnsigned Value=\"0009\"/>") +
         Data("0000600A03FF", "<OctetString Value=\"" + ByteStrToHexStr(LongOctets()) + "\"/>") +
         "<RegisterObject><Name Value=\"0100010800FF\"/><Value><DoubleLongUnsigned Value=\"0012D687\"/></Value>"
         "<ScalerUnit><Scaler Value=\"00\"/><PhysUnit Value=\"UnitWattHour\"/></ScalerUnit></RegisterObject>"
         "<ClockObject><Name Value=\"0000010000FF\"/><Time Value=\"07E8060F06100000FF800000\"/>"
         "<TimeZone Value=\"FFC4\"/><Status Value=\"00\"/><DaylightSavingsBegin Value=\"FFFF03FE0702000000800000\"/>"
         "<DaylightSavingsEnd Value=\"FFFF0AFE0703000000800000\"/><DaylightSavingsDeviation Value=\"3C\"/>"
         "<DaylightSavingsEnabled Value=\"01\"/><ClockBase Value=\"ClockBaseInternalCrystal\"/></ClockObject>" +
         Profile(ProfileEntries) + ScriptTable() + "</COSEMObjectList></LogicalDevice>";
}

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

std::string GetData(const std::string& DataXml, const char* Invoke) {
  return std::string("<GetResponse><GetResponseNormal><InvokeIdAndPriority Value=\"") + Invoke +
         "\" /><Result><Data>" + DataXml + "</Data></Result></GetResponseNormal></GetResponse>";
}

std::string GetError(const std::string& Name, const char* Invoke) {
  return std::string("<GetResponse><GetResponseNormal><InvokeIdAndPriority Value=\"") + Invoke +
         "\" /><Result><DataAccessError Value=\"" + Name + "\" /></Result></GetResponseNormal></GetResponse>";
}

std::string SelectiveGetXml(int ClassId, const std::string& InstanceHex, int AttributeId, int Selector,
                            const std::string& AccessParametersXml) {
  return "<GetRequest><GetRequestNormal><InvokeIdAndPriority Value=\"C1\" /><AttributeDescriptor><ClassId Value=\"" +
         Hex(static_cast<uint64_t>(ClassId), 4) + "\" /><InstanceId Value=\"" + InstanceHex +
         "\" /><AttributeId Value=\"" + Hex(static_cast<uint64_t>(AttributeId), 2) +
         "\" /></AttributeDescriptor><AccessSelection><AccessSelector Value=\"" +
         Hex(static_cast<uint64_t>(Selector), 2) + "\" /><AccessParameters>" + AccessParametersXml +
         "</AccessParameters></AccessSelection></GetRequestNormal></GetRequest>";
}

std::string EntryParameters(uint32_t FromEntry, uint32_t ToEntry, uint16_t FromColumn, uint16_t ToColumn) {
  return "<Structure Qty=\"0004\" ><DoubleLongUnsigned Value=\"" + Hex(FromEntry, 8) +
         "\" /><DoubleLongUnsigned Value=\"" + Hex(ToEntry, 8) + "\" /><LongUnsigned Value=\"" + Hex(FromColumn, 4) +
         "\" /><LongUnsigned Value=\"" + Hex(ToColumn, 4) + "\" /></Structure>";
}

std::string GetNextXml(uint32_t BlockNumber, int InvokeId) {
  return "<GetRequest><GetRequestForNextDataBlock><InvokeIdAndPriority Value=\"" +
         Hex(static_cast<uint64_t>(InvokeId), 2) + "\" /><BlockNumber Value=\"" + Hex(BlockNumber, 8) +
         "\" /></GetRequestForNextDataBlock></GetRequest>";
}

TJoined GetInBlocks(TTestClient& Client, const std::string& GetRequestXml) {
  TJoined j;
  COSEMpduPtr r = Client.RequestXml(GetRequestXml);
  for (uint32_t expected = 1;; ++expected) {
    const TCOSEMPduBase* v = r && r->Value ? r->Value.get() : nullptr;
    const TCOSEMPduBase* g = v && v->IsA(T_GetResponse) ? v->As<TChoice>().Value.get() : nullptr;
    if (!g || !g->IsA(T_GetResponseWithDataBlock)) {
      j.Failure = "block " + std::to_string(expected) + ": " + Flat(r);
      return j;
    }
    const TSequence& block = g->As<TSequence>().Get<TSequence>(1);
    const TChoice& result = block.Get<TChoice>(DataBlock_G::Result);
    if (block.Get<TNumber>(DataBlock_G::BlockNumber).AsUInt64() != expected || !result.Value ||
        !result.Value->IsA(T_OctetString)) {
      j.Failure = "block " + std::to_string(expected) + ": " + Flat(r);
      return j;
    }
    j.RawData += result.Value->As<TOctetString>().Value;
    j.Blocks = static_cast<int>(expected);
    if (block.Get<TNumber>(DataBlock_G::LastBlock).AsBool()) {
      j.Ok = true;
      return j;
    }
    r = Client.RequestXml(GetNextXml(expected));
  }
}

TJoined ReadInBlocks(TTestClient& Client, const std::string& ReadRequestXml) {
  TJoined j;
  COSEMpduPtr r = Client.RequestXml(ReadRequestXml);
  for (int expected = 1;; ++expected) {
    const TCOSEMPduBase* v = r && r->Value ? r->Value.get() : nullptr;
    const TSequenceOf* list = v && v->IsA(T_ReadResponse) ? &v->As<TSequenceOf>() : nullptr;
    const TCOSEMPduBase* single =
        list && list->ElementCount() == 1 ? list->Elements(0)->As<TChoice>().Value.get() : nullptr;
    if (!single || !single->IsA(T_DataBlockResult)) {
      j.Failure = "block " + std::to_string(expected) + ": " + Flat(r);
      return j;
    }
    const TSequence& block = single->As<TSequence>();
    if (static_cast<int>(block.Get<TNumber>(DataBlockResult::BlockNumber).AsUInt64()) != expected) {
      j.Failure = "block " + std::to_string(expected) + ": " + Flat(r);
      return j;
    }
    j.RawData += block.Get<TOctetString>(DataBlockResult::RawData).Value;
    j.Blocks = expected;
    if (block.Get<TNumber>(DataBlockResult::LastBlock).AsBool()) {
      j.Ok = true;
      return j;
    }
    r = Client.RequestXml("<ReadRequest Qty=\"0001\" ><BlockNumberAccess><BlockNumber Value=\"" +
                          Hex(static_cast<uint64_t>(expected), 4) + "\" /></BlockNumberAccess></ReadRequest>");
  }
}

void Services::Start(const std::string& DeviceXml, const TSettings& Settings) {
  TSettings s = {{"CHKCompleteObjectList", "1"}};
  for (const auto& [k, v] : Settings) s[k] = v;
  Server = std::make_unique<TTestServer>(DeviceXml, s);
  ASSERT_TRUE(Server->Start());
  ASSERT_TRUE(Client.Connect("127.0.0.1", Server->Port()));
}

void Services::Associate(const TAarqOptions& Options) {
  COSEMpduPtr r = Client.RequestXml(AarqXml(Options));
  ASSERT_TRUE(r);
  ASSERT_NE(Flat(r).find("<AssociationResult Value=\"00\" />"), std::string::npos) << Flat(r);
}

TAarqOptions Services::LN() {
  TAarqOptions o;
  o.Conformance.assign(std::begin(kLNConformance), std::end(kLNConformance));
  return o;
}

TAarqOptions Services::SN() {
  TAarqOptions o;
  o.Context = "SN";
  o.Conformance.assign(std::begin(kSNConformance), std::end(kSNConformance));
  return o;
}

}  // namespace zv::test::services
