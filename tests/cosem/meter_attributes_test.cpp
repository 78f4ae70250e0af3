// What a client's SET can do to a metering, control or payment object: new values built
// from the Data form in the attribute's own class, unnamed enumeration codes, structure
// counts that do not fit the class, and ReplaceAttribute's guards.
#include <gtest/gtest.h>

#include "cosem/class_test_support.h"
#include "cosem/meter_classes.h"

using namespace zv;
using namespace zv::test;

namespace {

// The fixture's object of a class, as a copy of its own.
PduPtr FixtureObject(const TypeInfo& type) {
  static const auto dev = MakeLogicalDevice(ReadFixture("meter_classes.xml"));
  return FindObject(*dev, type).Clone();
}

// A SET from the Data form; false (and the object untouched) when the value does not decode,
// which the server answers with "type unmatched".
bool Set(TCOSEMInstance& obj, int attributeId, const char* dataHex) {
  const PduPtr before = obj.Clone();
  try {
    SetFromData(obj, attributeId, dataHex);
    return true;
  } catch (const Exception&) {
    EXPECT_TRUE(obj.IsEqual(*before)) << "changed by a refused SET";
    return false;
  }
}

std::string Get(const TCOSEMInstance& obj, int attributeId) { return X(obj.Attribute(attributeId)->EncodeData()); }

// The object renders to XML and reads back to an equal object.
void ExpectWritable(const TCOSEMInstance& obj) {
  PduPtr back = MakeAnyFromXml(obj.XMLId, obj.Type(), obj.ToXMLString());
  EXPECT_TRUE(back->IsEqual(obj)) << obj.ToXMLString();
}

}  // namespace

TEST(MeterAttributes, EveryEnumerationKeepsCodesWithoutAName) {
  EXPECT_EQ(CheckUnnamedEnumCodes(MeterClassTypes()), 14);
}

TEST(MeterAttributes, UnnamedCodesFromSetKeepTheObjectWritable) {
  struct Row {
    const TypeInfo* type;
    int attribute;
    const char* data;
    const char* rendered;  // what the object's XML then holds
  };
  const Row rows[] = {
      {&T_DisconnectControlObject, 4, "16 09", "<ControlMode Value=\"09\" />"},
      {&T_SingleActionScheduleObject, 3, "16 00", "<ScheduleType Value=\"00\" />"},
      {&T_CompactDataObject, 6, "16 05", "<CaptureMethod Value=\"05\" />"},
      {&T_TokenGatewayObject, 5, "16 07", "<TokenDeliveryMethod Value=\"07\" />"},
      {&T_CreditObject, 8, "16 07", "<CreditStatus Value=\"07\" />"},
      {&T_ChargeObject, 3, "16 03", "<ChargeType Value=\"03\" />"},
      {&T_ImageTransferObject, 6, "16 08", "<ImageTransferStatus Value=\"08\" />"},
      {&T_AccountObject, 2, "02 02 16 00 16 09", "<AccountStatus Value=\"09\" />"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.type->name);
    PduPtr p = FixtureObject(*r.type);
    auto& obj = p->As<TCOSEMInstance>();
    ASSERT_TRUE(Set(obj, r.attribute, r.data));
    EXPECT_EQ(Get(obj, r.attribute), XH(r.data));
    EXPECT_NE(obj.ToXMLString().find(r.rendered), std::string::npos);
    ExpectWritable(obj);
  }
  // A script action decoded with service 3 keeps it in both octet forms.
  PduPtr action = MakeAnyFromPdu(xml_ScriptAction, T_ScriptAction, HexStrToByteStr("03 0001 06 0000600100FF 02 11 05"));
  EXPECT_EQ(X(action->Encode()), XH("03 0001 06 0000600100FF 02 11 05"));
  EXPECT_EQ(X(action->EncodeData()), XH("02 05 16 03 12 0001 09 06 0000600100FF 0F 02 11 05"));
  EXPECT_EQ(action->As<TSequence>().Get<TEnum>(ScriptAction::ServiceId).Value, 3);
}

TEST(MeterAttributes, LimiterSetFollowsTheClass) {
  PduPtr p = FixtureObject(T_LimiterObject);
  auto& limiter = p->As<TCOSEMInstance>();

  // Thresholds take any Data value, each on its own.
  EXPECT_EQ(Get(limiter, 3), XH("06 00001388"));
  EXPECT_EQ(Get(limiter, 4), XH("12 1388"));
  EXPECT_EQ(Get(limiter, 5), "00");
  EXPECT_TRUE(Set(limiter, 4, "0A 03 414243"));
  EXPECT_EQ(Get(limiter, 4), XH("0A 03 414243"));
  EXPECT_EQ(Get(limiter, 3), XH("06 00001388"));

  // The monitored value: exactly three members of the right types.
  EXPECT_TRUE(Set(limiter, 2, "02 03 12 0001 09 06 0000600100FF 0F 02"));
  EXPECT_EQ(Get(limiter, 2), XH("02 03 12 0001 09 06 0000600100FF 0F 02"));
  const char* refused[] = {
      "02 05 12 0003 09 06 0100010700FF 0F 02 11 01 11 02",  // five elements
      "02 04 12 0003 09 06 0100010700FF 0F 02 11 01",        // four elements
      "02 02 12 0003 09 06 0100010700FF",                    // two elements
      "02 03 11 03 09 06 0100010700FF 0F 02",                // class id not a long-unsigned
      "02 03 12 0003 09 06 0100010700FF 11 02",              // index not an integer
      "01 01 12 0003",                                       // an array
      "02 03 12 0003 09 06 0100010700",                      // cut short
  };
  for (const char* data : refused) EXPECT_FALSE(Set(limiter, 2, data)) << data;
  EXPECT_EQ(Get(limiter, 2), XH("02 03 12 0001 09 06 0000600100FF 0F 02"));

  // Both action items at once, or nothing.
  EXPECT_TRUE(Set(limiter, 11, "02 02 02 02 09 06 00000A0064FF 12 0005 02 02 09 06 00000A0064FF 12 0006"));
  EXPECT_EQ(Get(limiter, 11), XH("02 02 02 02 09 06 00000A0064FF 12 0005 02 02 09 06 00000A0064FF 12 0006"));
  EXPECT_FALSE(Set(limiter, 11, "02 01 02 02 09 06 00000A0064FF 12 0007"));
  EXPECT_FALSE(Set(limiter, 11, "02 02 02 02 09 06 00000A0064FF 12 0007"));

  // The group list may be emptied; the activation time is an octet string of any length.
  EXPECT_TRUE(Set(limiter, 9, "01 00"));
  EXPECT_EQ(Get(limiter, 9), "0100");
  EXPECT_TRUE(Set(limiter, 8, "02 03 12 0002 09 05 07E80315FF 06 0000003C"));
  EXPECT_EQ(Get(limiter, 8), XH("02 03 12 0002 09 05 07E80315FF 06 0000003C"));
  EXPECT_FALSE(Set(limiter, 10, "11 01"));
  ExpectWritable(limiter);
}

TEST(MeterAttributes, LimiterReplaceAttributeGuards) {
  PduPtr p = FixtureObject(T_LimiterObject);
  auto& limiter = p->As<TCOSEMInstance>();
  const PduPtr before = limiter.Clone();

  // A value of another class is refused; the caller keeps it and the old value stays.
  PduPtr data = MakeAnyFromData(xmlMonitoredValue, T_Data, HexStrToByteStr("02 03 12 0003 09 00 0F 02"));
  EXPECT_EQ(ErrorOf([&] { limiter.ReplaceAttribute(2, data); }), "Invalid class typecast");
  EXPECT_NE(data, nullptr);
  EXPECT_EQ(Get(limiter, 2), XH("02 03 12 0003 09 06 0100010700FF 0F 02"));
  for (int id : {0, 12}) {
    PduPtr v = Create(T_ValueDefinition, xmlMonitoredValue);
    EXPECT_EQ(ErrorOf([&] { limiter.ReplaceAttribute(id, v); }), "Argument out of range") << id;
    EXPECT_NE(v, nullptr);
  }
  // A group id list made of plain long-unsigned values is not the list's class.
  PduPtr groups = MakeAnyFromData(xmlEmergencyProfileGroupIdList, T_ActorWeightingList, HexStrToByteStr("01 00"));
  EXPECT_EQ(ErrorOf([&] { limiter.ReplaceAttribute(9, groups); }), "Invalid class typecast");
  EXPECT_TRUE(limiter.IsEqual(*before));

  // A changed copy leaves its source as it was.
  PduPtr copy = limiter.Clone();
  ASSERT_TRUE(Set(copy->As<TCOSEMInstance>(), 6, "06 00000001"));
  EXPECT_EQ(Get(limiter, 6), XH("06 0000003C"));
  EXPECT_TRUE(limiter.IsEqual(*before));
  EXPECT_FALSE(copy->IsEqual(*before));
  // Copies carry no hooks.
  limiter.ProcessFunc = [] {};
  EXPECT_FALSE(limiter.Clone()->As<TCOSEMInstance>().ProcessFunc);
}

TEST(MeterAttributes, SetValuesOfTheWrongShapeAreRefused) {
  struct Row {
    const TypeInfo* type;
    int attribute;
    const char* data;
    bool accepted;
  };
  const Row rows[] = {
      // Register monitor: the monitored value's index is an integer, not an unsigned.
      {&T_RegisterMonitorObject, 3, "02 03 12 0003 09 06 0100010700FF 11 02", false},
      {&T_RegisterMonitorObject, 2, "01 02 12 0001 05 00000002", true},
      // Register table: any cells; the definition starts with a long-unsigned.
      {&T_RegisterTableObject, 2, "01 02 09 01 41 03 01", true},
      {&T_RegisterTableObject, 3, "02 04 11 03 09 00 01 00 0F 02", false},
      {&T_RegisterTableObject, 3, "02 04 12 0003 09 00 01 00 0F 02", true},
      // Status mapping: any status word; the table starts with an unsigned.
      {&T_StatusMappingObject, 2, "12 1234", true},
      {&T_StatusMappingObject, 3, "02 02 12 0001 00", false},
      {&T_StatusMappingObject, 3, "02 02 11 02 01 01 11 07", true},
      // Parameter monitor.
      {&T_ParameterMonitorObject, 2, "02 04 12 0001 09 06 0000600100FF 0F 02 0A 02 4F4B", true},
      {&T_ParameterMonitorObject, 3, "19 07E80315050E1E00FF800000", false},
      {&T_ParameterMonitorObject, 3, "09 00", true},
      {&T_ParameterMonitorObject, 4, "01 01 12 0001", false},
      // Compact data.
      {&T_CompactDataObject, 2, "09 03 010203", true},
      {&T_CompactDataObject, 6, "11 01", false},
      {&T_CompactDataObject, 5, "0A 01 41", false},
      // Arbitrator: weightings are arrays of arrays.
      {&T_ArbitratorObject, 4, "01 02 12 0001 12 0002", false},
      {&T_ArbitratorObject, 4, "01 01 01 01 12 0009", true},
      {&T_ArbitratorObject, 2, "01 01 02 02 12 0001 12 0001", false},
      {&T_ArbitratorObject, 6, "11 03", true},
      // Disconnect control.
      {&T_DisconnectControlObject, 3, "11 01", false},
      {&T_DisconnectControlObject, 2, "03 FF", true},
      // Token gateway.
      {&T_TokenGatewayObject, 6, "02 02 11 01 04 00", false},
      {&T_TokenGatewayObject, 5, "11 01", false},
      {&T_TokenGatewayObject, 2, "09 02 ABCD", true},
      // Account: a structure of three enums does not fit the mode and status.
      {&T_AccountObject, 2, "02 03 16 01 16 01 16 01", false},
      {&T_AccountObject, 2, "02 02 11 01 16 01", false},
      {&T_AccountObject, 15, "02 03 09 03 455552 0F FE 16 02", false},
      {&T_AccountObject, 15, "02 03 0C 03 555344 0F FE 16 02", true},
      {&T_AccountObject, 18, "11 01", false},
      {&T_AccountObject, 13, "09 05 07E80101FF", true},
      {&T_AccountObject, 11, "01 01 02 03 09 06 0000130A00FF 09 06 0000131401FF 04 08 80", true},
      // Credit: the period is a date-time, not an octet string.
      {&T_CreditObject, 11, "19 07E80315050E1E00FF800000", true},
      {&T_CreditObject, 11, "09 0C 07E80315050E1E00FF800000", false},
      {&T_CreditObject, 3, "11 01", false},
      // Charge.
      {&T_ChargeObject, 5, "02 03 02 02 0F 00 0F FE 02 03 11 03 09 00 0F 02 01 00", false},
      {&T_ChargeObject, 10, "09 0C 07E80315050E1E00FF800000", false},
      {&T_ChargeObject, 10, "19 07E80315050E1E00FF800000", true},
      {&T_ChargeObject, 7, "09 05 07E80101FF", true},
      // Schedules and scripts.
      {&T_SingleActionScheduleObject, 2, "02 02 09 06 00000A0064FF 12 0002", true},
      {&T_SingleActionScheduleObject, 2, "02 03 09 06 00000A0064FF 12 0002 12 0003", false},
      {&T_ScriptTableObject, 2, "01 01 02 02 12 0003 01 01 02 05 16 02 12 0046 09 06 000060030AFF 0F 01 0F 00", true},
      {&T_ScriptTableObject, 2, "01 01 02 02 12 0003 01 01 02 04 16 02 12 0046 09 06 000060030AFF 0F 01", false},
      {&T_ScheduleObject, 2, "01 00", true},
      {&T_SpecialDaysTableObject, 2, "01 01 02 03 12 0003 09 05 07E80101FF 12 0002", false},
      {&T_SAPAssignmentObject, 2, "01 01 02 02 12 0001 09 00", true},
      {&T_RegisterActivationObject, 3, "01 01 02 02 09 01 41 01 01 12 0001", false},
      {&T_ActivityCalendarObject, 4, "01 01 02 08 09 01 57 11 01 11 01 11 01 11 01 11 01 11 01", false},
      {&T_ImageTransferObject, 3, "04 03 A0", true},
      {&T_UtilityTablesObject, 3, "12 0010", false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.type->name) + " " + std::to_string(r.attribute) + ": " + r.data);
    PduPtr p = FixtureObject(*r.type);
    auto& obj = p->As<TCOSEMInstance>();
    const std::string before = obj.ToXMLString();
    EXPECT_EQ(Set(obj, r.attribute, r.data), r.accepted);
    if (r.accepted) {
      EXPECT_EQ(Get(obj, r.attribute), XH(r.data));
      // Nothing ties one attribute to another: the others stay as they were.
      PduPtr orig = FixtureObject(*r.type);
      auto& o = orig->As<TCOSEMInstance>();
      for (int a = 1; a <= obj.AttributeCount(); ++a) {
        if (a != r.attribute) {
          EXPECT_TRUE(obj.Attribute(a)->IsEqual(*o.Attribute(a))) << a;
        }
      }
      ExpectWritable(obj);
    } else {
      EXPECT_EQ(obj.ToXMLString(), before);
    }
  }
}

TEST(MeterAttributes, IndependentValuesStayAsGiven) {
  // A utility table's length is not its buffer's length.
  PduPtr u = FixtureObject(T_UtilityTablesObject);
  auto& tables = u->As<TCOSEMInstance>();
  EXPECT_EQ(Get(tables, 3), XH("06 00000010"));
  EXPECT_EQ(Get(tables, 4), XH("09 03 010203"));
  ASSERT_TRUE(Set(tables, 4, "09 00"));
  EXPECT_EQ(Get(tables, 3), XH("06 00000010"));

  // A charge's passive unit charge changes alone.
  PduPtr c = FixtureObject(T_ChargeObject);
  auto& charge = c->As<TCOSEMInstance>();
  const std::string active = Get(charge, 5);
  const char kPassive[] =
      "02 03 02 02 0F 01 0F FD 02 03 12 0003 09 06 0100010800FF 0F 02 01 02 02 02 09 01 01 10 0019 "
      "02 02 09 01 02 10 FFFE";
  ASSERT_TRUE(Set(charge, 6, kPassive));
  EXPECT_EQ(Get(charge, 6), XH(kPassive));
  EXPECT_EQ(Get(charge, 5), active);

  // A calendar's masks and activation names need not exist anywhere.
  PduPtr r = FixtureObject(T_RegisterActivationObject);
  auto& activation = r->As<TCOSEMInstance>();
  ASSERT_TRUE(Set(activation, 4, "09 07 556E6B6E6F776E"));
  ASSERT_TRUE(Set(activation, 3, "01 02 02 02 09 00 01 00 02 02 09 00 01 01 11 FF"));
  ExpectWritable(activation);
}
