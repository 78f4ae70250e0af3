// The device import without its window: raw logs written with our own frame writer and
// codecs go through both steps; the device description must load as the device it came from.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "app/import/import_device.h"
#include "cosem/basic_classes.h"
#include "cosem/comm_classes.h"
#include "cosem/logical_device.h"
#include "cosem/security_setup.h"
#include "foundation/data_helper.h"
#include "import/import_support.h"
#include "server/services_support.h"
#include "support/test_client.h"

using namespace zv;
using namespace zv::test;

namespace {

// A Data value from the XML of its alternative.
std::unique_ptr<TData> DataOf(const std::string& AlternativeXml) {
  return TDataHelper::MakeFromXml("<Data>" + AlternativeXml + "</Data>");
}

std::string ObjectList(const std::string& Items) { return "<Array Qty=\"AUTO\">" + Items + "</Array>"; }

// An item of an SN object list: base name, class id, version, logical name.
std::string SNItem(uint16_t BaseName, int ClassId, int Version, const char* Name) {
  return "<Structure Qty=\"0004\"><Long Value=\"" + IntToHex(BaseName, 4) + "\" /><LongUnsigned Value=\"" +
         IntToHex(static_cast<uint64_t>(ClassId), 4) + "\" /><Unsigned Value=\"" +
         IntToHex(static_cast<uint64_t>(Version), 2) + "\" /><OctetString Value=\"" + Name + "\" /></Structure>";
}

// An item of an LN object list with empty access rights.
std::string LNItem(int ClassId, int Version, const char* Name) {
  return "<Structure Qty=\"0004\"><LongUnsigned Value=\"" + IntToHex(static_cast<uint64_t>(ClassId), 4) +
         "\" /><Unsigned Value=\"" + IntToHex(static_cast<uint64_t>(Version), 2) + "\" /><OctetString Value=\"" +
         Name + "\" /><Structure Qty=\"0002\"><Array Qty=\"0000\" ></Array><Array Qty=\"0000\" ></Array>"
         "</Structure></Structure>";
}

// The headers of the entry text.
std::vector<std::string> Headers(const std::vector<std::string>& EntryLines) {
  std::vector<std::string> headers;
  for (const auto& line : EntryLines)
    if (line.starts_with("Instance=")) headers.push_back(line);
  return headers;
}

std::string Header(const char* Name, int ClassId, int AttributeId) {
  return Format("Instance=\"%s\", ClassId=%d, AttributeId=%d", Name, ClassId, AttributeId);
}

// Entry text of Count attributes of a default object of Class, named Name.
std::vector<std::string> DefaultObjectEntries(const TypeInfo& Class, const PduStr& Name, int Count) {
  PduPtr p = Create(Class, Class.ownId);
  auto& object = p->As<TCOSEMInstance>();
  object.Get<TOctetString>(0).Value = Name;
  TAttributeInfos infos;
  for (int a = 1; a <= Count; ++a) {
    auto info = std::make_unique<TAttributeInfo>();
    info->InstanceId = Name;
    info->ClassId = object.COSEMClassId();
    info->AttributeId = a;
    info->DataValue = TDataHelper::MakeFromPdu(*object.Attribute(a));
    infos.Add(std::move(info));
  }
  return infos.GetLines();
}

std::string Failure(const std::function<void()>& Run) {
  try {
    Run();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace

// A client read every attribute of the test meter over a segmenting link, the long values
// in data blocks, and never used short names: the import gives the meter back, with the
// last 100 entries of its 250-entry load profile.
TEST(ImportDevice, LogOfEveryAttributeGivesTheMeterBack) {
  auto source = MakeLogicalDevice(services::Device(250));
  TRawLogWriter log;
  log.GetDevice(*source, 1000);
  TRecordingLog pane;
  TImportDevice import(pane);

  const std::vector<std::string> entries = import.RawLogToEntries(log.Lines);
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(entries[0], Header("0000280001FF", 15, 1));
  ASSERT_GE(pane.Lines.size(), 2u);
  EXPECT_EQ(pane.Clears, 1);
  EXPECT_EQ(pane.Lines[0], "*** SERVICES ****");
  EXPECT_TRUE(pane.Lines[1].starts_with("PDU: C001C1000F0000280001FF01")) << pane.Lines[1];

  const std::vector<std::string> xml = import.EntriesToDevice(entries);
  EXPECT_EQ(pane.Clears, 2);
  EXPECT_EQ(pane.Lines, xml);
  EXPECT_EQ(std::vector<std::string>(xml.begin(), xml.begin() + 5),
            (std::vector<std::string>{"<LogicalDevice>", "  <Name Value = \"\\Logical device name\" />",
                                      "  <ServerSAP Value = \"0001\" />", "  <COSEMObjectList Qty = \"AUTO\">", ""}));
  EXPECT_EQ(xml[5], "// *** 0000280001FF T_LNAssociationObject_3");
  EXPECT_EQ(xml.back(), "</LogicalDevice>");

  auto imported = MakeLogicalDevice(JoinLines(xml));
  ASSERT_EQ(TLogicalDevice::ObjectCount(*imported), TLogicalDevice::ObjectCount(*source));
  for (int i = 0; i < TLogicalDevice::ObjectCount(*source); ++i) {
    const TCOSEMInstance& want = TLogicalDevice::Object(*source, i);
    const TCOSEMInstance& got = TLogicalDevice::Object(*imported, i);
    ASSERT_EQ(&got.Type(), &want.Type()) << i;
    for (int a = 1; a <= want.AttributeCount(); ++a) {
      SCOPED_TRACE(ByteStrToHexStr(want.LogicalName()) + " attribute " + std::to_string(a));
      ASSERT_TRUE(got.Attribute(a));
      PduStr expected = want.Attribute(a)->EncodeData();
      if (want.IsA(T_ProfileGenericObject) && a == 2) {
        auto buffer = TDataHelper::MakeFromPdu(*want.Attribute(a));
        TDataHelper::AsArray(*buffer).FreeRange(0, 150);
        expected = buffer->EncodeData();
      } else if (want.IsA(T_ProfileGenericObject) && a == 7) {
        expected = DataOf("<DoubleLongUnsigned Value=\"00000064\" />")->EncodeData();
      }
      EXPECT_EQ(ByteStrToHexStr(got.Attribute(a)->EncodeData()), ByteStrToHexStr(expected));
    }
  }
}

// Short names are resolved through the SN association's object list, comparing names
// unsigned; reads that are selective, refused or below every object give no entry.
TEST(ImportDevice, ShortNameReadsBecomeObjects) {
  TRawLogWriter log;
  log.Read(0xFA08, *DataOf(ObjectList(SNItem(0xFA00, 12, 4, "0000280000FF") + SNItem(0x8000, 3, 0, "0100010800FF") +
                                      SNItem(0x0200, 1, 0, "0000600100FF"))));
  log.Read(0x0200, *DataOf("<OctetString Value=\"0000600100FF\" />"));
  log.Read(0x0208, *DataOf("<VisibleString Value=\"\\SN meter\" />"));
  log.Read(0x0010, *DataOf("<Unsigned Value=\"01\" />"));
  log.Request(ReadRequestApdu(0x8008, true));
  log.Response(ReadResponseApdu("<Unsigned Value=\"01\" />"));
  log.Read(0x8000, *DataOf("<OctetString Value=\"0100010800FF\" />"));
  log.Request(ReadRequestApdu(0x8010));
  log.Response(ReadErrorApdu());
  log.Read(0x8008, *DataOf("<DoubleLongUnsigned Value=\"00000007\" />"));
  log.Read(0x8010, *DataOf("<Structure Qty=\"0002\"><Integer Value=\"FF\" /><Enum Value=\"1E\" /></Structure>"));

  TRecordingLog pane;
  TImportDevice import(pane);
  const std::vector<std::string> entries = import.RawLogToEntries(log.Lines);
  EXPECT_EQ(Headers(entries), (std::vector<std::string>{
                                  Header("0000280000FF", 12, 2), Header("0000600100FF", 1, 1),
                                  Header("0000600100FF", 1, 2), Header("0100010800FF", 3, 1),
                                  Header("0100010800FF", 3, 2), Header("0100010800FF", 3, 3)}));

  // The association's list alone is no object: it is skipped until the first attribute 1.
  auto device = MakeLogicalDevice(JoinLines(import.EntriesToDevice(entries)));
  ASSERT_EQ(TLogicalDevice::ObjectCount(*device), 2);
  const TCOSEMInstance& reg = TLogicalDevice::Object(*device, 1);
  EXPECT_EQ(ByteStrToHexStr(reg.LogicalName()), "0100010800FF");
  EXPECT_EQ(ByteStrToHexStr(reg.Attribute(2)->EncodeData()), "0600000007");
}

// Only a GET or READ of one plain attribute answered with data is an entry; the answer
// pairs with the request before it, and a sequence of segments cut short is dropped
// instead of swallowing the next request.
TEST(ImportDevice, PairsRequestsWithTheirAnswers) {
  const PduStr data("\x00\x00\x60\x01\x00\xFF", 6), other("\x00\x00\x60\x01\x01\xFF", 6);
  auto five = DataOf("<Unsigned Value=\"05\" />");
  const std::string selection =
      "<AccessSelection><AccessSelector Value=\"01\" /><AccessParameters><NullData /></AccessParameters>"
      "</AccessSelection>";
  TRawLogWriter log;
  log.Response(GetResponseApdu("<Unsigned Value=\"01\" />"));  // no request before it
  log.Request(GetRequestApdu(1, data, 2, selection));
  log.Response(GetResponseApdu("<Unsigned Value=\"02\" />"));
  log.Request(GetRequestApdu(1, data, 2));
  log.Response(GetErrorApdu());
  log.Request(GetRequestApdu(1, data, -3));
  log.Response(GetResponseApdu("<Unsigned Value=\"03\" />"));
  log.Request(GetRequestApdu(1, data, 2, selection));
  log.Response(GetBlockApdu(1, true, five->EncodeData()));
  log.Request(ApduFromXml(GetWithListXml({{1, "0000600100FF", 2}})));
  log.Response(GetResponseApdu("<Unsigned Value=\"04\" />"));
  log.Get(1, data, 1, *DataOf("<OctetString Value=\"0000600100FF\" />"));
  // A long answer whose last segment is missing, then the next exchange.
  TRawLogWriter cut;
  cut.MaxInfo = 16;
  cut.Get(1, other, 2, *DataOf("<OctetString Value=\"" + std::string(80, 'A') + "\" />"));
  cut.Lines.pop_back();
  log.Lines.insert(log.Lines.end(), cut.Lines.begin(), cut.Lines.end());
  log.Get(1, data, 2, *five);

  TRecordingLog pane;
  TImportDevice import(pane);
  const std::vector<std::string> entries = import.RawLogToEntries(log.Lines);
  EXPECT_EQ(Headers(entries), (std::vector<std::string>{Header("0000600100FF", 1, 1), Header("0000600100FF", 1, 2)}));
  EXPECT_EQ(entries.back(), "  </Data>");
  EXPECT_EQ(entries[entries.size() - 2], "    <Unsigned Value=\"05\" />");
}

// A log none of our encoders wrote: the frames were put together by hand, their checks
// worked out apart from the program, so that a fault the frame writer and reader share
// shows here. Between them stand lines of a capture tool's own text.
TEST(ImportDevice, HandMadeLogGivesItsObject) {
  const std::vector<std::string> lines = {
      "capture started 2026-03-02 10:15:07",
      // client 16 -> meter 1, I frame S0 R0 with poll: GET class 1, 0-0:96.1.0.255, attribute 1
      "7E A0 19 03 21 10 7F DA E6 E6 00 C0 01 C1 00 01 00 00 60 01 00 FF 01 00 E1 8A 7E",
      "TX done",
      // meter -> client, S0 R1: the octet string 0000600100FF
      "7E A0 18 21 03 30 C6 41 E6 E7 00 C4 01 C1 00 09 06 00 00 60 01 00 FF 05 C7 7E",
      // client -> meter, S1 R1: attribute 2
      "7E A0 19 03 21 32 6F D8 E6 E6 00 C0 01 C1 00 01 00 00 60 01 00 FF 02 00 89 A0 7E",
      // meter -> client, S1 R2: unsigned 7
      "7E A0 12 21 03 52 7C DD E6 E7 00 C4 01 C1 00 11 07 A4 39 7E",
      "capture stopped",
  };
  TRecordingLog pane;
  TImportDevice import(pane);
  const std::vector<std::string> entries = import.RawLogToEntries(lines);
  EXPECT_EQ(Headers(entries), (std::vector<std::string>{Header("0000600100FF", 1, 1), Header("0000600100FF", 1, 2)}));
  auto device = MakeLogicalDevice(JoinLines(import.EntriesToDevice(entries)));
  ASSERT_EQ(TLogicalDevice::ObjectCount(*device), 1);
  const TCOSEMInstance& data = TLogicalDevice::Object(*device, 0);
  EXPECT_EQ(ByteStrToHexStr(data.LogicalName()), "0000600100FF");
  ASSERT_TRUE(data.Attribute(2));
  EXPECT_EQ(ByteStrToHexStr(data.Attribute(2)->EncodeData()), "1107");
}

// Logs that are not what they should be end the step with a clear error or are skipped,
// whatever their size; a segmented answer open at the end of the log is dropped.
TEST(ImportDevice, HostileLogs) {
  const PduStr name("\x00\x00\x60\x01\x00\xFF", 6);
  TRawLogWriter good;
  good.Get(1, name, 1, *DataOf("<OctetString Value=\"0000600100FF\" />"));
  const std::string frame = good.Lines[1];
  std::string badFcs = frame;
  badFcs[badFcs.size() - 7] = badFcs[badFcs.size() - 7] == '0' ? '1' : '0';

  TRawLogWriter blockError;
  blockError.Request(GetRequestApdu(1, name, 2));
  blockError.Response(ApduFromXml(
      "<GetResponse><GetResponseWithDataBlock><InvokeIdAndPriority Value=\"C1\" /><Result><LastBlock Value=\"01\" />"
      "<BlockNumber Value=\"00000001\" /><Result><DataAccessResult Value=\"ObjectUndefined\" /></Result></Result>"
      "</GetResponseWithDataBlock></GetResponse>"));
  TRawLogWriter noList;
  noList.Read(0x0208, *DataOf("<Unsigned Value=\"01\" />"));

  struct TCase {
    const char* Name;
    std::vector<std::string> Lines;
    std::string Error;
  };
  const TCase cases[] = {
      {"odd hex", {"7E A0 0"}, "HexStrToByteStr: Hex-character missing"},
      {"no hex", {"7EXX"}, "Illegal hex-character"},
      {"bad check", {badFcs}, "Illegal FCS"},
      {"too short", {"7E"}, "Illegal length (1)"},
      {"block of an error", blockError.Lines, "DataBlockGResult is not string"},
      {"no SN list", noList.Lines, "SN Association object not found"},
  };
  for (const TCase& c : cases) {
    TRecordingLog pane;
    TImportDevice import(pane);
    EXPECT_EQ(Failure([&] { import.RawLogToEntries(c.Lines); }), c.Error) << c.Name;
  }

  // A million lines of other text around the exchange, and a long answer cut short at the end.
  std::vector<std::string> lines(1000000, "RX 7E A0 0");
  lines.insert(lines.begin() + 500000, good.Lines.begin(), good.Lines.end());
  TRawLogWriter open;
  open.MaxInfo = 16;
  open.Get(1, name, 2, *DataOf("<OctetString Value=\"" + std::string(80, 'A') + "\" />"));
  open.Lines.pop_back();
  lines.insert(lines.end(), open.Lines.begin(), open.Lines.end());
  TRecordingLog pane;
  TImportDevice import(pane);
  EXPECT_EQ(Headers(import.RawLogToEntries(lines)), std::vector<std::string>{Header("0000600100FF", 1, 1)});
}

// Raw log files may end their lines with CR LF, LF or CR.
TEST(ImportDevice, ReadsRawLogFiles) {
  EXPECT_EQ(SplitRawLogLines("7E A0\r\n\r\nx\ry\n7E"), (std::vector<std::string>{"7E A0", "", "x", "y", "7E"}));
  const std::string path = ::testing::TempDir() + "import_raw_log.txt";
  std::ofstream(path, std::ios::binary) << "a\r\nb\r\n";
  EXPECT_EQ(ReadRawLogFile(path), (std::vector<std::string>{"a", "b"}));
  // The file is read in blocks of 64 KiB: line ends on and across their borders, lines
  // longer than a block, and no end at the end.
  const size_t block = 1 << 16;
  for (const std::string& text : {std::string(block - 1, 'a') + "\r\nb", std::string(block - 1, 'a') + "\r\rb\n",
                                  std::string(block, 'a') + "\n\r\n", std::string(3 * block + 5, 'a') + "\rb\r",
                                  "x\r" + std::string(block - 3, 'a') + "\r", std::string(), std::string("\r\n\n")}) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    EXPECT_EQ(ReadRawLogFile(path), SplitRawLogLines(text)) << text.size();
  }
  // Step one on the file, read a block at a time, is step one on its lines.
  TRawLogWriter log;
  log.GetDevice(*MakeLogicalDevice(services::Device(250)), 100);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << JoinLines(log.Lines);
  TRecordingLog onLines, onFile;
  TImportDevice lines(onLines), file(onFile);
  EXPECT_EQ(file.RawLogFileToEntries(path), lines.RawLogToEntries(log.Lines));
  EXPECT_EQ(onFile.Lines, onLines.Lines);
  ASSERT_GT(onFile.Lines.size(), 1000u);
  std::remove(path.c_str());
  EXPECT_TRUE(Failure([&] { ReadRawLogFile(path); }).starts_with("Cannot open file \"" + path + "\""));
}

// The edited entries: leading entries up to the first attribute 1 are skipped, an object
// that comes twice is written once, and a text value mentioning "Instance" stays a value.
TEST(ImportDevice, EntryTextToDevice) {
  const std::vector<std::string> entries = {
      Header("0000600A01FF", 1, 2),
      "  <Data>",
      "    <Unsigned Value=\"07\" />",
      "  </Data>",
      Header("0000600100FF", 1, 1),
      "  <Data><OctetString Value=\"0000600100FF\" /></Data>",
      "Instance = '0000600100FF'; classid=1; AttributeId = 2",
      "  <_Data>",
      "    <VisibleString Value=\"\\Instance 7\" />",
      "  </_Data>",
      Header("0000600100FF", 1, 1),
      "  <Data><OctetString Value=\"0000600100FF\" /></Data>",
      Header("0000600100FF", 1, 2),
      "  <Data><Unsigned Value=\"09\" /></Data>",
  };
  TRecordingLog pane;
  TImportDevice import(pane);
  const std::vector<std::string> xml = import.EntriesToDevice(entries);
  EXPECT_EQ(xml, (std::vector<std::string>{
                     "<LogicalDevice>",
                     "  <Name Value = \"\\Logical device name\" />",
                     "  <ServerSAP Value = \"0001\" />",
                     "  <COSEMObjectList Qty = \"AUTO\">",
                     "",
                     "// *** 0000600100FF T_DataObject",
                     "    <DataObject>",
                     "      <Name Value=\"0000600100FF\" />",
                     "      <DataValue>",
                     "        <VisibleString Value=\"\\Instance 7\" />",
                     "      </DataValue>",
                     "    </DataObject>",
                     "  </COSEMObjectList>",
                     "</LogicalDevice>",
                 }));
  auto device = MakeLogicalDevice(JoinLines(xml));
  EXPECT_EQ(TLogicalDevice::ObjectCount(*device), 1);
}

// What step two refuses, and how it says so.
TEST(ImportDevice, EntryErrors) {
  const std::string name = Header("0000600100FF", 3, 1), value = "  <Data><OctetString Value=\"0000600100FF\" /></Data>";
  struct TCase {
    std::vector<std::string> Lines;
    std::string Error;
  };
  const TCase cases[] = {
      {{Header("0000600100FF", 9999, 1), value}, "InstanceId=0000600100FF, ClassId=9999: ClassId=9999 not found"},
      {{name, value, Header("0000600100FF", 3, 3), value},
       "InstanceId=0000600100FF, ClassId=3: AttributeId=2 is missing"},
      {{name, value, Header("0000600100FF", 3, 2), "<Data><Unsigned Value=\"01\" /></Data>"},
       "InstanceId=0000600100FF, ClassId=3: 3 attributes expected, found 2"},
      {{name, value, "Instance=\"0000600100FF\", ClassId=3, AttributeId=two", value},
       "Syntax error in line 3 \"Instance=\"0000600100FF\", ClassId=3, AttributeId=two\""},
      {{"Instance=\"0000600100F\", ClassId=3, AttributeId=1"},
       "Syntax error in line 1 \"Instance=\"0000600100F\", ClassId=3, AttributeId=1\""},
      {{"Instance=\"00006001000G\", ClassId=1, AttributeId=1", value},
       "Error \"Illegal hex-character\" for Instance=\"00006001000G\", ClassId=1, AttributeId=1"},
      {{"", name, value}, "Syntax error in line 1 \"\""},
      {{"Instance=\"0000600100FF\", ClassId=99999999999, AttributeId=1"},
       "Syntax error in line 1 \"Instance=\"0000600100FF\", ClassId=99999999999, AttributeId=1\""},
  };
  for (const TCase& c : cases) {
    TRecordingLog pane;
    TImportDevice import(pane);
    EXPECT_EQ(Failure([&] { import.EntriesToDevice(c.Lines); }), c.Error);
  }
  TRecordingLog pane;
  TImportDevice import(pane);
  EXPECT_TRUE(Failure([&] { import.EntriesToDevice({name, "  <Data><Nonsense /></Data>"}); })
                  .ends_with("\" for " + name));
}

// Classes that share an id are told apart by the version the association object lists
// give, else by the values; the simulator's own optional attributes need not be read.
TEST(ImportDevice, ClassByIdAndVersion) {
  const PduStr modem("\x00\x00\x02\x00\x00\xFF", 6), port("\x00\x00\x16\x00\x00\xFF", 6),
      security("\x00\x00\x2B\x00\x00\xFF", 6);
  auto listed = [](int ClassId, int Version, const char* Name) {
    auto list = DataOf(ObjectList(LNItem(ClassId, Version, Name)));
    return Concat({Header("0000280000FF", 15, 2)}, DataLines(*list));
  };
  // Empty lists of initialisation strings read as either version.
  const auto modemEntries = DefaultObjectEntries(T_ModemConfigurationObject_1, modem, 4);
  const auto portEntries = DefaultObjectEntries(T_IECTwistedPairSetupObject_1, port, 5);
  struct TCase {
    std::vector<std::string> Entries;
    const char* Element;
  };
  const TCase cases[] = {
      {Concat(listed(27, 1, "0000020000FF"), modemEntries), "    <ModemConfigurationObject_1>"},
      {Concat(listed(27, 0, "0000020000FF"), modemEntries), "    <ModemConfigurationObject_0>"},
      {modemEntries, "    <ModemConfigurationObject_0>"},
      {portEntries, "    <IECTwistedPairSetupObject_1>"},
      {Concat(listed(24, 7, "0000160000FF"), portEntries), "    <IECTwistedPairSetupObject_1>"},
      {DefaultObjectEntries(T_SecuritySetupObject_0, security, 5), "    <SecuritySetupObject_0>"},
      {DefaultObjectEntries(T_SecuritySetupObject_1, security, 6), "    <SecuritySetupObject_1>"},
  };
  for (const TCase& c : cases) {
    TRecordingLog pane;
    TImportDevice import(pane);
    const std::vector<std::string> xml = import.EntriesToDevice(c.Entries);
    ASSERT_GT(xml.size(), 6u);
    EXPECT_EQ(xml[6], c.Element);
    EXPECT_EQ(TLogicalDevice::ObjectCount(*MakeLogicalDevice(JoinLines(xml))), 1);
  }
  // A listed version is binding: values of another version do not make that object.
  TRecordingLog pane;
  TImportDevice import(pane);
  EXPECT_TRUE(Failure([&] { import.EntriesToDevice(Concat(listed(24, 0, "0000160000FF"), portEntries)); })
                  .starts_with("InstanceId=0000160000FF, ClassId=24: "));
}
