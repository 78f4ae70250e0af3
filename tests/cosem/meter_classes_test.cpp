// The metering, scheduling, control and payment classes as a whole: one description
// holding one object of every class, and the invariants of their descriptors.
#include "cosem/meter_classes.h"

#include <gtest/gtest.h>

#include "cosem/class_test_support.h"

using namespace zv;
using namespace zv::test;

TEST(MeterClasses, FixtureLoadsRendersBackAndEveryAttributeTravels) {
  CheckFixtureRoundTrip("meter_classes.xml", &MeterClassTypes(), 21);
}

TEST(MeterClasses, FixtureObjectsCarryTheirChoiceTags) {
  auto dev = MakeLogicalDevice(ReadFixture("meter_classes.xml"));
  auto& list = TLogicalDevice::ObjectList(*dev);
  for (int i = 0; i < list.ElementCount(); ++i) {
    const auto& entry = list.Elements(i)->As<TChoice>();
    const TInterfaceClassEntry* e = TableEntry(entry.Value->ClassName());
    ASSERT_NE(e, nullptr) << entry.Value->ClassName();
    EXPECT_EQ(entry.Tag, e->tag) << e->name;
    EXPECT_EQ(static_cast<uint8_t>(entry.Encode()[0]), e->tag) << e->name;
    auto& obj = entry.Value->As<TCOSEMInstance>();
    EXPECT_EQ(obj.COSEMClassId(), e->classId);
    EXPECT_EQ(obj.COSEMClassVersion(), e->version);
  }
  // A variant made by element name alone holds an empty object of that class.
  PduPtr limiter = Create(T_COSEMObject, xml_COSEMObject);
  limiter->As<TChoice>().CreateVariant(xmlLimiterObject);
  EXPECT_EQ(limiter->As<TChoice>().Tag, 43);
  EXPECT_TRUE(limiter->As<TChoice>().Value->IsA(T_LimiterObject));
  // Tag 10 names no class.
  try {
    MakeAnyFromPdu(xml_COSEMObject, T_COSEMObject, HexStrToByteStr("0A00"));
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "T_COSEMObject : illegal Tag 10");
  }
}

TEST(MeterClasses, CopiesAreDeep) {
  auto dev = MakeLogicalDevice(ReadFixture("meter_classes.xml"));
  CheckCopiesAreDeep(*dev);
}

TEST(MeterClasses, DescriptorInvariants) {
  const DescriptorSummary s = CheckDescriptorInvariants(
      MeterClassTypes(),
      {.families = {Family::Sequence, Family::SequenceOf, Family::Enumerated, Family::Derived},
       .optionalMembers = false,
       .derivedAreNumbers = true});
  EXPECT_EQ(s.interfaceClasses.size(), 21u);
  EXPECT_EQ(s.Kinds(Family::Sequence), 34);
  EXPECT_EQ(s.Kinds(Family::SequenceOf), 31);
  EXPECT_EQ(s.Kinds(Family::Enumerated), 14);
  EXPECT_EQ(s.Kinds(Family::Derived), 2);

  // Every interface class of the table that belongs here is defined here.
  for (const char* name : {"T_RegisterActivationObject",
                           "T_ScriptTableObject",
                           "T_ScheduleObject",
                           "T_SpecialDaysTableObject",
                           "T_SAPAssignmentObject",
                           "T_ImageTransferObject",
                           "T_ActivityCalendarObject",
                           "T_RegisterMonitorObject",
                           "T_SingleActionScheduleObject",
                           "T_UtilityTablesObject",
                           "T_DisconnectControlObject",
                           "T_LimiterObject",
                           "T_RegisterTableObject",
                           "T_CompactDataObject",
                           "T_StatusMappingObject",
                           "T_ParameterMonitorObject",
                           "T_ArbitratorObject",
                           "T_TokenGatewayObject",
                           "T_AccountObject",
                           "T_CreditObject",
                           "T_ChargeObject"})
    EXPECT_EQ(s.interfaceClasses.count(name), 1u) << name;
  CheckObjectChoiceIsUnique();
}

TEST(MeterClasses, EditorSchemeKnowsTheClassesAndTheirItems) {
  const std::set<std::string> registered = EditorSchemeNames(MeterClassTypes());
  for (const char* n : {"LimiterObject", "ChargeObject", "WeightingsTable", "_ActorWeightingList", "GroupEValues",
                        "_GroupEValue", "TableCellValues", "_Data", "TokenDescription", "_OctetString",
                        "PermissionsTable", "_BitString", "IndexArray", "_Unsigned8"})
    EXPECT_EQ(registered.count(n), 1u) << n;
  // Structures, enumerations and aliases are not composite elements of their own.
  for (const char* n : {"ValueDefinition", "ControlMode", "EmergencyProfileGroupId"})
    EXPECT_EQ(registered.count(n), 0u) << n;
}

TEST(MeterClasses, EmptyObjectsHaveEveryAttribute) {
  // An empty charge: 13 attributes, each unit charge an empty scaling, reference and table.
  PduPtr charge = Create(T_ChargeObject, xmlChargeObject);
  EXPECT_EQ(charge->As<TCOSEMInstance>().AttributeCount(), 13);
  EXPECT_EQ(X(charge->As<TCOSEMInstance>().Attribute(5)->EncodeData()),
            X(HexStrToByteStr("02 03 02 02 0F 00 0F 00 02 03 12 0000 09 00 0F 00 01 00")));
  PduPtr account = Create(T_AccountObject, xmlAccountObject);
  EXPECT_EQ(account->As<TCOSEMInstance>().AttributeCount(), 19);
  PduPtr credit = Create(T_CreditObject, xmlCreditObject);
  EXPECT_EQ(credit->As<TCOSEMInstance>().AttributeCount(), 11);
  PduPtr limiter = Create(T_LimiterObject, xmlLimiterObject);
  EXPECT_EQ(limiter->As<TCOSEMInstance>().AttributeCount(), 11);
}
