#include <gtest/gtest.h>

#include "cosem/basic_classes.h"
#include "cosem/class_test_support.h"

using namespace zv;
using namespace zv::test;

namespace {

const char kDevice[] =
    "<LogicalDevice>\r\n"
    "  <Name Value=\"\\Meter\" />\r\n"
    "  <ServerSAP Value=\"0001\" />\r\n"
    "  <COSEMObjectList Qty=\"0001\" >\r\n"
    "    <DataObject>\r\n"
    "      <Name Value=\"0000600100FF\" />\r\n"
    "      <DataValue>\r\n"
    "        <Structure Qty=\"0002\" >\r\n"
    "          <Unsigned Value=\"05\" />\r\n"
    "          <OctetString Value=\"\\abc\" />\r\n"
    "        </Structure>\r\n"
    "      </DataValue>\r\n"
    "    </DataObject>\r\n"
    "  </COSEMObjectList>\r\n"
    "</LogicalDevice>\r\n";

}  // namespace

TEST(Device, LoadsAndRendersBack) {
  auto dev = MakeLogicalDevice(kDevice);
  EXPECT_EQ(dev->ToXMLString(), kDevice);
  EXPECT_EQ(TLogicalDevice::ServerSAP(*dev), 1);
  EXPECT_EQ(TLogicalDevice::Name(*dev), "Meter");
  auto& obj = TLogicalDevice::Object(*dev, 0);
  EXPECT_EQ(obj.COSEMClassId(), 1);
  EXPECT_EQ(obj.COSEMClassVersion(), 0);
  EXPECT_EQ(ByteStrToHexStr(obj.LogicalName()), "0000600100FF");
  EXPECT_EQ(ByteStrToHexStr(obj.Attribute(2)->EncodeData()), "020211050903616263");
}

TEST(Device, ReplaceAttributeKeepsTheObjectOnFailure) {
  auto dev = MakeLogicalDevice(kDevice);
  auto& obj = TLogicalDevice::Object(*dev, 0);
  auto copy = obj.Clone();
  PduPtr wrong = Create(T_Unsigned8, xmlDataValue);
  EXPECT_EQ(ErrorOf([&] { obj.ReplaceAttribute(2, wrong); }), "Invalid class typecast");
  EXPECT_NE(wrong, nullptr);  // the caller keeps it
  for (int id : {0, 3}) {
    PduPtr v = Create(T_Data, xmlDataValue);
    EXPECT_EQ(ErrorOf([&] { obj.ReplaceAttribute(id, v); }), "Argument out of range");
  }
  EXPECT_TRUE(obj.IsEqual(*copy));
  obj.ReplaceAttribute(2, MakeAnyFromPdu(xmlDataValue, T_Data, HexStrToByteStr("090141")));
  EXPECT_EQ(ByteStrToHexStr(obj.Attribute(2)->Encode()), "090141");
  EXPECT_FALSE(obj.IsEqual(*copy));
  // Copies carry no hooks.
  obj.ProcessFunc = [] {};
  EXPECT_FALSE(obj.Clone()->As<TCOSEMInstance>().ProcessFunc);
}

TEST(Device, DescriptionErrors) {
  struct Row { const char* text; const char* error; int line; };
  const Row rows[] = {
      {"<Device/>", "'Device' unknown identifier", 1},
      {"<Name/>", "Start tag \"LogicalDevice\" expected", 1},
      {"<LogicalDevice>\n<Name Value=\"\"/>\n<ServerSAP Value=\"01\"/>", "Illegal data size, expected 2, found 1", 3},
      {"<LogicalDevice><Name Value=\"\"/><ServerSAP Value=\"0001\"/><COSEMObjectList Qty=\"0002\">\n"
       "<DataObject><Name Value=\"0.0.1.0.0.255\"/><DataValue><NullData/></DataValue></DataObject>\n</COSEMObjectList>",
       "ExpectedQty=2, ActualQty=1", 3},
      {"<LogicalDevice><Name Value=\"\"/><ServerSAP Value=\"0001\"/><COSEMObjectList Qty=\"auto\">\n<Name/>",
       "T_COSEMObject.CreateFromXml : illegal choice", 2},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.text);
    try {
      MakeLogicalDevice(r.text);
      ADD_FAILURE() << "no error";
    } catch (const EXMLError& e) {
      EXPECT_EQ(e.Message(), r.error);
      EXPECT_EQ(e.PosY, r.line);
    }
  }
  auto empty = MakeLogicalDevice(
      "<logicaldevice><Name Value=\"\"/><ServerSAP Value=\"0001\"/>"
      "<COSEMObjectList Qty=\"AUTO\"></COSEMObjectList></LogicalDevice> // after");
  EXPECT_EQ(TLogicalDevice::ObjectCount(*empty), 0);
}

TEST(Device, RegistersAndProfileGeneric) {
  auto dev = MakeLogicalDevice(
      "<LogicalDevice><Name Value=\"\"/><ServerSAP Value=\"0001\"/><COSEMObjectList Qty=\"AUTO\">"
      "<RegisterObject><Name Value=\"1.0.1.8.0.255\"/><Value><DoubleLongUnsigned Value=\"000004D2\"/></Value>"
      "<ScalerUnit><Scaler Value=\"FF\"/><PhysUnit Value=\"UnitWattHour\"/></ScalerUnit></RegisterObject>"
      "<ProfileGenericObject><Name Value=\"1.0.99.1.0.255\"/><Buffer><Array Qty=\"0\"></Array></Buffer>"
      "<CaptureObjects Qty=\"1\"><_CaptureObject><ClassId Value=\"0008\"/><LogicalName Value=\"0.0.1.0.0.255\"/>"
      "<AttributeIndex Value=\"02\"/><DataIndex Value=\"0000\"/></_CaptureObject></CaptureObjects>"
      "<CapturePeriod Value=\"00000384\"/><SortMethod Value=\"SortFarestFromZero\"/>"
      "<SortObject><ClassId Value=\"0000\"/><LogicalName Value=\"\"/><AttributeIndex Value=\"00\"/>"
      "<DataIndex Value=\"0000\"/></SortObject><EntriesInUse Value=\"00000000\"/><ProfileEntries Value=\"00000064\"/>"
      "</ProfileGenericObject></COSEMObjectList></LogicalDevice>");
  auto& reg = TLogicalDevice::Object(*dev, 0);
  EXPECT_EQ(reg.COSEMClassId(), 3);
  EXPECT_EQ(ByteStrToHexStr(reg.Attribute(3)->EncodeData()), "02020FFF161E");
  auto& pg = TLogicalDevice::Object(*dev, 1);
  EXPECT_EQ(pg.COSEMClassVersion(), 1);
  EXPECT_EQ(ByteStrToHexStr(pg.Attribute(3)->As<TSequenceOf>().Elements(0)->Encode()), "0008060000010000FF020000");
  EXPECT_EQ(ByteStrToHexStr(pg.Attribute(3)->As<TSequenceOf>().Elements(0)->EncodeData()),
            "020412000809060000010000FF0F02120000");
  auto again = MakeLogicalDevice(dev->ToXMLString());
  EXPECT_EQ(again->ToXMLString(), dev->ToXMLString());
  EXPECT_EQ(ErrorOf([] { MakeAnyFromPdu(xmlPhysUnit, T_PhysUnit, HexStrToByteStr("42"))->As<TEnum>().GetString(); }),
            "T_PhysUnit: illegal enum value");
}
