// The server's helpers without a transport: response templates, logging, the logged wait,
// association object lists and their completion, object look-ups and the device tick.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "apdu/acse.h"
#include "apdu/apdu_views.h"
#include "apdu/conformance.h"
#include "apdu/ln_services.h"
#include "cosem/association_classes.h"
#include "cosem/logical_device.h"
#include "foundation/data_helper.h"
#include "foundation/globals.h"
#include "server/association_lists.h"
#include "server/device_process.h"
#include "server/logical_device_wrapper.h"
#include "server/make_service.h"
#include "server/misc_helpers.h"
#include "server/object_services.h"
#include "server/settings.h"
#include "server/transfer_context.h"
#include "support/test_server.h"

using namespace zv;
using namespace zv::test;

namespace {

template <class F>
std::string ErrorOf(F f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "<no error>";
}

std::string Hex(const TCOSEMPduBase& Pdu) { return ByteStrToHexStr(Pdu.Encode()); }

const std::string& CoreClasses() {
  static const std::string text = ReadFile(ZV_FIXTURES_DIR "/core_classes.xml");
  return text;
}

// A clock whose waits take no real time.
class FakeClock : public IClock {
 public:
  int64_t NowMs() const override { return Ms.load(); }
  int64_t WaitBudgetMs(int64_t Wait) const override {
    Ms += Wait;
    Waited += Wait;
    return 0;
  }
  mutable std::atomic<int64_t> Ms{1000000};
  mutable std::atomic<int64_t> Waited{0};
};

// The settings file of a test.
class Settings {
 public:
  explicit Settings(const TSettings& Values) {
    char dir[] = "/tmp/zv_units_XXXXXX";
    FDir = mkdtemp(dir) ? dir : "/tmp";
    FIni = std::make_unique<TIniFile>(FDir + "/settings.ini");
    for (const auto& [k, v] : Values) FIni->WriteString("FormPreferences", k, v);
    TFormPreferences::SetIniFile(FIni.get());
  }
  ~Settings() {
    TFormPreferences::SetIniFile(nullptr);
    std::remove((FDir + "/settings.ini").c_str());
    rmdir(FDir.c_str());
  }

 private:
  std::string FDir;
  std::unique_ptr<TIniFile> FIni;
};

// The attribute numbers (with access mode and selectors) and method numbers of a list item.
std::string Rights(const TSequence& Item) {
  std::string s;
  const auto& rights = Item.Get<TSequence>(ObjectListItemLN::AccessRights);
  for (const auto& e : rights.Get<TSequenceOf>(AccessRights::AttributeAccessList).FElements) {
    const auto& a = e->As<TSequence>();
    s += Format("a%d:%d", static_cast<int>(a.Get<TNumber>(0).AsInt64()), TAttributeAccessItemHelper::AccessMode(a));
    if (TAttributeAccessItemHelper::SelectorAllowed(a, 1)) s += "+1";
    if (TAttributeAccessItemHelper::SelectorAllowed(a, 2)) s += "+2";
    s += " ";
  }
  for (const auto& e : rights.Get<TSequenceOf>(AccessRights::MethodAccessList).FElements)
    s += Format("m%d ", static_cast<int>(e->As<TSequence>().Get<TNumber>(0).AsInt64()));
  return s;
}

}  // namespace

TEST(MakeService, Templates) {
  EXPECT_EQ(Hex(*TMakeService::ExceptionResponse()), "D80101");
  EXPECT_EQ(Hex(*TMakeService::ExceptionNotImplemented()), "D80102");
  EXPECT_EQ(Hex(*TMakeService::GetResponseNormal_DataAccessResult(0xC1, 11)), "C401C1010B");
  // A get-response carries the result it is given, value or error, under the new invoke id.
  for (const char* result : {"00120102", "0002020901AA1105", "010B"}) {
    COSEMpduPtr source = TCOSEMPDUHelper::MakeFromPdu(HexStrToByteStr(std::string("C401C1") + result));
    const auto& normal = source->As<TChoice>().Value->As<TChoice>().Value->As<TSequence>();
    COSEMpduPtr answer = TMakeService::GetResponseNormal(normal.Get<TChoice>(GetResponseNormal::Result), 0x41);
    EXPECT_EQ(Hex(*answer), std::string("C40141") + result);
  }
  EXPECT_EQ(Hex(*TMakeService::GetResponseWithDataBlock(0xC1, false, 1, HexStrToByteStr("0102"))),
            "C402C10000000001000201" "02");
  EXPECT_EQ(Hex(*TMakeService::GetResponseWithDataBlock_DataAccessResult(0xC1, true, 7, 16)), "C402C1010000000701" "10");
  EXPECT_EQ(Hex(*TMakeService::SetResponseNormal(0xC1, 0)), "C501C100");
  EXPECT_EQ(Hex(*TMakeService::SetResponseForDataBlock(0xC1, 2)), "C502C100000002");
  EXPECT_EQ(Hex(*TMakeService::SetResponseForLastDataBlock(0xC1, 12, 3)), "C503C10C00000003");
  EXPECT_EQ(Hex(*TMakeService::ActionResponseNormal(0xC1, 250, nullptr)), "C701C1FA00");
  auto data = TDataHelper::MakeFromXml("<Data><LongUnsigned Value=\"0102\" /></Data>");
  EXPECT_EQ(Hex(*TMakeService::ActionResponseNormal(0xC1, 0, data.get())), "C701C10001001201" "02");
  EXPECT_EQ(Hex(*TMakeService::ActionResponse_Data(0x41, *data)), "C701410001001201" "02");
  EXPECT_EQ(Hex(*TMakeService::ReadResponse_Data(*data)), "0C0100120102");
  EXPECT_EQ(Hex(*TMakeService::ReadResponse_DataAccessError(250)), "0C0101FA");
  EXPECT_EQ(Hex(*TMakeService::ReadResponseWithDataBlock(true, 2, HexStrToByteStr("AA"))), "0C01020100020" "1AA");
  EXPECT_EQ(Hex(*TMakeService::WriteResponseBlockNumber(3)), "0D01020003");
  EXPECT_EQ(Hex(*TMakeService::WriteResponseSuccess()), "0D0100");
  EXPECT_EQ(Hex(*TMakeService::RLRE_Normal()), "6303800100");
  EXPECT_EQ(Hex(*TMakeService::GBT(0x80, 1, 0, HexStrToByteStr("0102"))), "E080000100000201" "02");
  EXPECT_EQ(Hex(*TMakeService::AccessResponseNotSelfDescriptive(0x40000001)), "DA4000000100000000");
  EXPECT_EQ(Hex(*TMakeService::AccessResponseSelfDescriptive(0x50000001)), "DA500000010001000000");
  TDateTimeRecord r = TDateTimeRecord::GetDateTimeRecord(2024, 6, 15, 12, 0, 0);
  EXPECT_EQ(Hex(*TMakeService::DataNotification(1, r)), "0F000000010C07E8060F060C000000800" "0FF020" "0");
}

TEST(MakeService, AssociationAndReleaseResponses) {
  PduPtr conformance = MakeAnyFromXml(xmlConformance, T_Conformance,
                                      "<Conformance><ConformanceBit Name=\"Get\" /></Conformance>");
  const auto& c = conformance->As<TConformance>();
  // An acceptance without security still names its mechanism.
  COSEMpduPtr aare = TMakeService::AARE(TObjectIdentifier::LN, TObjectIdentifier::NO_SECURITY, false, 0, 0, "", "", &c,
                                        0x400, false);
  const auto& a = TCOSEMPDUHelper::AsAssociationResponse(*aare);
  ASSERT_NE(a.MechanismName(), nullptr);
  EXPECT_EQ(a.MechanismName()->Value, TObjectIdentifier::NO_SECURITY);
  ASSERT_NE(a.UserInformation(), nullptr);
  EXPECT_NE(aare->ToXMLString().find("<VaaName Value=\"0007\" />"), std::string::npos);
  // Without conformance there is no user-information; a provider diagnostic is named so.
  COSEMpduPtr reject = TMakeService::AARE(TObjectIdentifier::SN, TObjectIdentifier::UNKNOWN, true, 1, 2,
                                          HexStrToByteStr("0102030405060708"), "", nullptr, 0, true);
  const auto& r = TCOSEMPDUHelper::AsAssociationResponse(*reject);
  EXPECT_EQ(r.UserInformation(), nullptr);
  EXPECT_EQ(r.MechanismName(), nullptr);
  EXPECT_TRUE(r.ResultSourceDiagnostic()->IsServiceProvider());
  EXPECT_NE(r.RespondingAPTitle(), nullptr);
  EXPECT_NE(r.ResponderACSERequirement(), nullptr);
  COSEMpduPtr rlre = TMakeService::RLRE_Normal_UserInformation(TObjectIdentifier::SN, c, 200);
  EXPECT_NE(rlre->ToXMLString().find("<VaaName Value=\"FA00\" />"), std::string::npos);
  EXPECT_NE(rlre->ToXMLString().find("<NegotiatedMaxPduSize Value=\"00C8\" />"), std::string::npos);
}

TEST(MiscHelpers, LogProtocolItemShortensLongLists) {
  Settings settings(TSettings{{"CHKShortenLongXmlLogging", "1"}});
  TLogPump log;
  // An array of 56 elements renders as 60 lines with the title.
  std::string xml = "<Data><Array Qty=\"0038\" >";
  for (int i = 0; i < 56; ++i) xml += "<Unsigned Value=\"01\" />";
  xml += "</Array></Data>";
  auto data = TDataHelper::MakeFromXml(xml);
  TMiscHelpers::LogProtocolItem(data.get(), "TITLE:", 4);
  ASSERT_TRUE(log.WaitForText("..."));
  auto lines = log.Lines();
  ASSERT_EQ(lines.size(), 51u);
  EXPECT_EQ(lines[0], "TITLE:");
  EXPECT_EQ(lines[50], "        ...");
  EXPECT_EQ(lines[49].substr(0, 9), "        <");
  EXPECT_EQ(ErrorOf([] { TMiscHelpers::LogProtocolItem(nullptr, "", 0); }), "Wrong assertion (1073)");
}

TEST(MiscHelpers, LogProtocolItemLogsEveryLineWhenNotShortened) {
  Settings settings(TSettings{});
  TLogPump log;
  std::string xml = "<Data><Array Qty=\"0038\" >";
  for (int i = 0; i < 56; ++i) xml += "<Unsigned Value=\"01\" />";
  xml += "</Array></Data>";
  auto data = TDataHelper::MakeFromXml(xml);
  TMiscHelpers::LogProtocolItem(data.get(), "TITLE:", 4);
  TMiscHelpers::LogProtocolItem(data.get(), "", 0);
  std::vector<std::string> expected{"TITLE:"};
  data->AddXmlToLines(4, expected);
  data->AddXmlToLines(0, expected);
  ASSERT_EQ(expected.size(), 1u + 60u + 60u);
  ASSERT_TRUE(log.WaitForCount("</Data>", 2));
  EXPECT_EQ(log.Lines(), expected);
}

TEST(MiscHelpers, WaitLogsAndTestsAbortBeforeEachSecond) {
  Settings settings(TSettings{});
  TLogPump log;
  FakeClock clock;
  AbortRequested = false;
  TMiscHelpers::Wait(2500, "", clock);
  EXPECT_EQ(clock.Waited.load(), 2500);
  TMiscHelpers::Wait(1000, "x", clock);
  TMiscHelpers::Wait(1050, "", clock);
  TMiscHelpers::Wait(20, "", clock);
  EXPECT_EQ(clock.Waited.load(), 2500 + 1000 + 1050 + 20);
  AbortRequested = true;
  EXPECT_EQ(ErrorOf([&] { TMiscHelpers::Wait(1500, "", clock); }), "USER ABORT");
  // A single second is waited without a test.
  EXPECT_EQ(ErrorOf([&] { TMiscHelpers::Wait(1000, "", clock); }), "<no error>");
  AbortRequested = false;
  ASSERT_TRUE(log.WaitForText("Waiting 20 ms"));
  for (const char* text : {"Waiting 2.500 s", "Waiting 1.000 s (x)", "Waiting 1.050 s"})
    EXPECT_TRUE(log.Contains(text)) << text;
}

TEST(ConformanceHelper, ToSet) {
  PduPtr c = Create(T_Conformance, xmlConformance);
  c->As<TConformance>().Value = "0001";
  EXPECT_EQ(TConformanceHelper::ToSet(c->As<TConformance>()), std::bitset<24>(1u << 3));
}

// Completion adds every object of the device that the list does not name yet.
TEST(AssociationLists, CompleteLNObjectList) {
  auto device = MakeLogicalDevice(CoreClasses());
  TCOSEMInstance* association = TLogicalDeviceHelper::FindLNAssociationByClientSAP(*device, 0x10);
  ASSERT_NE(association, nullptr);
  PduPtr clone = association->Clone();
  auto& a = clone->As<TCOSEMInstance>();
  TLogicalDeviceHelper::CompleteLNObjectList(*device, a);
  auto rights = [&](const char* ln, int classId) {
    TSequence* item = TLNAssociationObjectHelper::FindItem(a, HexStrToByteStr(ln), classId);
    return item ? Rights(*item) : std::string("<none>");
  };
  EXPECT_EQ(TLNAssociation::ObjectList(a).ElementCount(), TLogicalDevice::ObjectCount(*device) + 1);
  // Listed by the description: kept as it was.
  EXPECT_EQ(rights("0100010800FF", 3), "a2:227 ");
  EXPECT_EQ(rights("0100630100FF", 7), "a1:3 a2:3+1+2 a3:3 a4:3 a5:3 a6:3 a7:3 a8:3 ");
  EXPECT_EQ(rights("0000190900FF", 40), "a1:3 a2:3 a3:3 a4:3 a5:3 a6:3 a7:3 m1 ");
  EXPECT_EQ(rights("00002B0001FF", 64), "a1:3 a2:3 a3:3 a4:3 a5:3 a6:3 m1 m2 ");
  EXPECT_EQ(rights("00002B0000FF", 64), "a1:3 a2:3 a3:3 a4:3 a5:3 m1 m2 ");
  EXPECT_EQ(rights("00002B0200FF", 30), "a1:3 a2:3 a3:3 a4:3 a5:3 a6:3 m1 m2 m3 ");
  EXPECT_EQ(rights("0000280000FF", 12), "a1:3 a2:3 a3:3 a4:3 a5:3 a6:3 ");
  // The new items render as list items.
  EXPECT_NE(a.ToXMLString().find("<_ObjectListItemLN>"), std::string::npos);
  // The description's association is not touched.
  EXPECT_EQ(TLNAssociation::ObjectList(*association).ElementCount(), 2);
}

TEST(AssociationLists, CompleteSNObjectListBaseNames) {
  const std::string head =
      "<LogicalDevice><Name Value=\"\"/><ServerSAP Value=\"0001\"/><COSEMObjectList Qty=\"AUTO\">";
  const std::string sn =
      "<SNAssociationObject_4><Name Value=\"0000280000FF\"/><ObjectList Qty=\"0\"></ObjectList>"
      "<AccessRightsListSN Qty=\"0\"></AccessRightsListSN><SecuritySetupReference Value=\"\"/>"
      "<UserList Qty=\"0\"></UserList><CurrentUser><UserId Value=\"00\"/><UserName Value=\"\"/></CurrentUser>"
      "</SNAssociationObject_4>";
  const std::string sap =
      "<SAPAssignmentObject><Name Value=\"0000290000FF\"/><SAPAssignmentList Qty=\"0\"></SAPAssignmentList>"
      "</SAPAssignmentObject>";
  auto data = [](const char* ln) {
    return std::string("<DataObject><Name Value=\"") + ln + "\"/><DataValue><NullData/></DataValue></DataObject>";
  };
  auto baseNames = [&](const std::string& objects) {
    auto device = MakeLogicalDevice(head + objects + "</COSEMObjectList></LogicalDevice>");
    PduPtr clone = TLogicalDeviceHelper::FindSNAssociation(*device)->Clone();
    auto& a = clone->As<TCOSEMInstance>();
    TLogicalDeviceHelper::CompleteSNObjectList(*device, a);
    std::string s;
    for (const auto& e : TSNAssociation::ObjectList(a).FElements)
      s += IntToHex(e->As<TSequence>().Get<TNumber>(ObjectListItemSN::BaseName).AsUInt64() & 0xFFFF, 4) + " ";
    EXPECT_EQ(TSNAssociation::AccessRightsList(a).ElementCount(), TSNAssociation::ObjectList(a).ElementCount());
    return s;
  };
  EXPECT_EQ(baseNames(sn + sap + data("00002A0000FF") + data("0000600100FF") + data("0000600101FF")),
            "FA00 FC00 FD00 F900 F700 ");
  EXPECT_EQ(baseNames(data("0000600100FF") + data("0000600101FF") + sn), "FF00 F900 FA00 ");
}

TEST(AssociationLists, ShortNamesResolveToAttributes) {
  auto device = MakeLogicalDevice(CoreClasses());
  TCOSEMInstance* sn = TLogicalDeviceHelper::FindSNAssociation(*device);
  ASSERT_NE(sn, nullptr);
  PduPtr clone = sn->Clone();
  auto& a = clone->As<TCOSEMInstance>();
  TSNAssociationObjectHelper::Sort(a);
  int classId = 0, attribute = 0;
  PduStr name;
  TSequence* item = nullptr;
  EXPECT_TRUE(TSNAssociationObjectHelper::GetSNInfo(a, 0x0108, classId, attribute, name, item));
  EXPECT_EQ(attribute, 2);
  EXPECT_EQ(classId, 1);
  EXPECT_EQ(ByteStrToHexStr(name), "0000600100FF");
  EXPECT_FALSE(TSNAssociationObjectHelper::GetSNInfo(a, 0x0110, classId, attribute, name, item));
  EXPECT_EQ(attribute, 3);
  TSNAssociationObjectHelper::GetSNInfo(a, 0x010D, classId, attribute, name, item);
  EXPECT_EQ(attribute, 2);
  // The association itself, by the greatest base name below.
  EXPECT_FALSE(TSNAssociationObjectHelper::GetSNInfo(a, 0xFA08, classId, attribute, name, item));
  EXPECT_EQ(classId, 12);
  // Below the first base name no object is named.
  EXPECT_FALSE(TSNAssociationObjectHelper::GetSNInfo(a, 0x0010, classId, attribute, name, item));
  EXPECT_EQ(item, nullptr);
}

TEST(ObjectServices, LookUpsAndTheCurrentAssociation) {
  auto device = MakeLogicalDevice(CoreClasses());
  const int count = TLogicalDevice::ObjectCount(*device);
  TCOSEMInstance* ln = TLogicalDeviceHelper::FindLNAssociationByClientSAP(*device, 0x10);
  ASSERT_NE(ln, nullptr);
  EXPECT_EQ(TLogicalDeviceHelper::FindLNAssociationByClientSAP(*device, 0x11), nullptr);
  EXPECT_EQ(TLogicalDeviceHelper::FindInstance(*device, nullptr, HexStrToByteStr("0100010800FF"), 3)->COSEMClassId(), 3);
  EXPECT_EQ(TLogicalDeviceHelper::FindInstance(*device, nullptr, HexStrToByteStr("0100010800FF"), 4), nullptr);
  // The current-association name with its class is the association given.
  EXPECT_EQ(TLogicalDeviceHelper::FindInstance(*device, ln, kCurrentAssociationName, 15), ln);
  EXPECT_EQ(ErrorOf([&] { TLogicalDeviceHelper::CheckDuplicateInstanceIds(*device); }), "<no error>");
  PduPtr current = ln->Clone();
  current->As<TSequence>().Get<TOctetString>(0).Value = kCurrentAssociationName;
  TLogicalDeviceHelper::AddCurrentAssociation(*device, current->As<TCOSEMInstance>());
  TLogicalDeviceHelper::AddCurrentAssociation(*device, current->As<TCOSEMInstance>());
  // The clone of a previous association is replaced, not kept.
  EXPECT_EQ(TLogicalDevice::ObjectCount(*device), count + 1);
  EXPECT_TRUE(TLogicalDevice::Object(*device, count).IsAddedInstance);
  EXPECT_EQ(TLogicalDeviceHelper::FindInstance(*device, nullptr, kCurrentAssociationName, 15),
            &TLogicalDevice::Object(*device, count));
  EXPECT_EQ(TLogicalDeviceHelper::ClockDateTime(*device), TDateTimeRecord::GetDateTimeRecord(2026, 12, 10, 16, 0, 0));
  EXPECT_EQ(ErrorOf([&] { TLogicalDeviceHelper::GetAttributeData(*device, HexStrToByteStr("0000010000FF"), 8, 10); }),
            "Attribute: 10 not found in Instance: \"0000010000FF\", Class: 8");
  EXPECT_EQ(ErrorOf([&] { TLogicalDeviceHelper::GetAttributeData(*device, HexStrToByteStr("0000010000FE"), 8, 2); }),
            "Instance: \"0000010000FE\", Class: 8 not found");
  // The SN association has the same logical name as the clone, under another class.
  EXPECT_EQ(ErrorOf([&] { TLogicalDeviceHelper::CheckDuplicateInstanceIds(*device); }),
            "InstanceId 0000280000FF is duplicated");
}

TEST(ObjectServices, SetAttributeConvertsOrRefuses) {
  auto device = MakeLogicalDevice(CoreClasses());
  TTransferContext context;
  PduPtr clone = TLogicalDeviceHelper::FindLNAssociationByClientSAP(*device, 0x10)->Clone();
  auto& a = clone->As<TCOSEMInstance>();
  TLogicalDeviceHelper::CompleteLNObjectList(*device, a);
  const PduStr scalerOwner = HexStrToByteStr("0100010600FF");
  auto set = [&](const char* xml) {
    return TLogicalDeviceHelper::SetAttribute(*device, context, &a, scalerOwner, 4, 3, *TDataHelper::MakeFromXml(xml));
  };
  EXPECT_EQ(set("<Data><Structure Qty=\"0001\"><Integer Value=\"01\"/></Structure></Data>"), 12);
  EXPECT_EQ(set("<Data><Unsigned Value=\"01\"/></Data>"), 12);
  EXPECT_EQ(set("<Data><Structure Qty=\"0002\"><Integer Value=\"02\"/><Enum Value=\"1B\"/></Structure></Data>"), 0);
  EXPECT_EQ(TLogicalDeviceHelper::SetAttribute(*device, context, &a, scalerOwner, 4, 7,
                                               *TDataHelper::MakeFromXml("<Data><Unsigned Value=\"01\"/></Data>")),
            11);
  std::unique_ptr<TData> result;
  EXPECT_EQ(TLogicalDeviceHelper::InvokeMethod(*device, context, &a, HexStrToByteStr("00002B0200FF"), 30, 1, nullptr,
                                               result),
            250);
  EXPECT_EQ(result, nullptr);
}

// The device tick: every object each second, an error logged and the others still served,
// and the one-second grid kept after a pass that overran.
TEST(DeviceProcess, TickKeepsItsGrid) {
  Settings settings(TSettings{});
  TLogPump log;
  TLogicalDeviceWrapper holder;
  holder.SetLogicalDevice(MakeLogicalDevice(CoreClasses()));
  FakeClock clock;
  std::mutex m;
  std::vector<int64_t> waits;
  std::atomic<int> passes{0};
  {
    TDeviceLock lock(holder);
    TSequence& device = *holder.LogicalDevice();
    TLogicalDevice::Object(device, 0).ProcessFunc = [] { throw Exception("no good"); };
    TLogicalDevice::Object(device, 1).ProcessFunc = [&] {
      std::lock_guard<std::mutex> g(m);
      waits.push_back(clock.Waited.load());
      // The first pass takes two and a half seconds.
      if (waits.size() == 1) clock.Ms += 2500;
      ++passes;
    };
  }
  {
    TDeviceProcess tick(holder, clock);
    while (passes.load() < 6) std::this_thread::yield();
  }
  std::lock_guard<std::mutex> g(m);
  ASSERT_GE(waits.size(), 6u);
  EXPECT_EQ(std::vector<int64_t>(waits.begin(), waits.begin() + 6), (std::vector<int64_t>{0, 0, 0, 500, 1500, 2500}));
  ASSERT_TRUE(log.WaitForCount("Exception \"no good\" when processing instance \"0000600100FF\"", 6));
}
