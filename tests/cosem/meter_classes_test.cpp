// The metering, scheduling, control and payment classes as a whole: one description
// holding one object of every class, and the invariants of their descriptors.
#include "cosem/meter_classes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "cosem/interface_class_table.h"
#include "cosem/logical_device.h"
#include "foundation/kit_support.h"

using namespace zv;

namespace {

std::string ReadFixture(const char* name) {
  auto path = std::filesystem::path(__FILE__).parent_path().parent_path() / "fixtures" / name;
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << path;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string X(const PduStr& s) { return ByteStrToHexStr(s); }

std::string ElementName(const char* className) {
  return std::strncmp(className, "T_", 2) == 0 ? className + 2 : className;
}

bool IsMeterType(const TypeInfo& t) {
  const TypeTable& table = MeterClassTypes();
  for (size_t i = 0; i < table.count; ++i)
    if (table.types[i] == &t) return true;
  return false;
}

const TInterfaceClassEntry* TableEntry(const char* name) {
  for (const auto& e : kInterfaceClasses)
    if (std::strcmp(e.name, name) == 0) return &e;
  return nullptr;
}

}  // namespace

TEST(MeterClasses, FixtureLoadsRendersBackAndEveryAttributeTravels) {
  const std::string text = ReadFixture("meter_classes.xml");
  auto dev = MakeLogicalDevice(text);
  EXPECT_EQ(dev->ToXMLString(), text);

  std::set<const TypeInfo*> seen;
  for (int i = 0; i < TLogicalDevice::ObjectCount(*dev); ++i) {
    TCOSEMInstance& obj = TLogicalDevice::Object(*dev, i);
    SCOPED_TRACE(obj.ClassName());
    EXPECT_TRUE(seen.insert(&obj.Type()).second) << "twice in the fixture";
    ASSERT_TRUE(IsMeterType(obj.Type()));
    ASSERT_EQ(obj.AttributeCount(), obj.Type().memberCount);
    for (int a = 1; a <= obj.AttributeCount(); ++a) {
      SCOPED_TRACE(a);
      // GET answers the Data form; SET builds a new member of the same class from it.
      const PduStr data = obj.Attribute(a)->EncodeData();
      TStringWrapper w(data);
      PduPtr back = CreateFromDataPduStr(*obj.AttributeType(a), obj.AttributeXMLId(a), w);
      EXPECT_EQ(w.RemainingBytes(), 0);
      EXPECT_EQ(X(back->EncodeData()), X(data));
      EXPECT_EQ(back->ToXMLString(), obj.Attribute(a)->ToXMLString());
      // The attribute's class accepts the new value in place of the old one.
      PduPtr copy = obj.Clone();
      copy->As<TCOSEMInstance>().ReplaceAttribute(a, back);
      EXPECT_TRUE(copy->IsEqual(obj));
    }
    // The whole object in each octet form.
    PduPtr fromData = MakeAnyFromData(obj.XMLId, obj.Type(), obj.EncodeData());
    EXPECT_EQ(fromData->ToXMLString(), obj.ToXMLString());
    PduPtr fromPlain = MakeAnyFromPdu(obj.XMLId, obj.Type(), obj.Encode());
    EXPECT_EQ(fromPlain->ToXMLString(), obj.ToXMLString());
  }
  EXPECT_EQ(seen.size(), 21u);

  // The object list carries each object behind its tag octet in the plain form.
  auto& list = TLogicalDevice::ObjectList(*dev);
  PduPtr listBack = MakeAnyFromPdu(xmlCOSEMObjectList, list.Type(), list.Encode());
  EXPECT_EQ(X(listBack->Encode()), X(list.Encode()));
  EXPECT_EQ(listBack->ToXMLString(), list.ToXMLString());
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
  for (int i = 0; i < TLogicalDevice::ObjectCount(*dev); ++i) {
    TCOSEMInstance& obj = TLogicalDevice::Object(*dev, i);
    const std::string before = obj.ToXMLString();
    PduPtr copy = obj.Clone();
    ASSERT_TRUE(copy->IsEqual(obj)) << obj.ClassName();
    auto& c = copy->As<TCOSEMInstance>();
    for (int a = 1; a <= c.AttributeCount(); ++a) EXPECT_NE(c.Attribute(a), obj.Attribute(a));
    // Emptying every list of the copy, at any depth, leaves the source as it was.
    std::function<void(TCOSEMPduBase&)> clearLists = [&](TCOSEMPduBase& v) {
      if (auto* l = dynamic_cast<TSequenceOf*>(&v)) {
        for (auto& e : l->FElements) clearLists(*e);
        l->Clear();
      } else if (auto* s = dynamic_cast<TSequence*>(&v)) {
        for (auto& m : s->Members)
          if (m) clearLists(*m);
      }
    };
    clearLists(c);
    EXPECT_EQ(obj.ToXMLString(), before) << obj.ClassName();
  }
}

TEST(MeterClasses, DescriptorInvariants) {
  const TypeTable& table = MeterClassTypes();
  std::set<std::string> names;
  std::map<Family, int> kinds;
  std::set<std::string> interfaceClasses;
  for (size_t i = 0; i < table.count; ++i) {
    const TypeInfo& t = *table.types[i];
    SCOPED_TRACE(t.name);
    EXPECT_TRUE(names.insert(t.name).second) << "listed twice";
    // Every class names its own element "_" + its name less "T_".
    EXPECT_EQ(std::string(XMLIdNames[t.ownId]), "_" + ElementName(t.name));
    for (uint16_t m = 0; m < t.memberCount; ++m) {
      ASSERT_NE(t.members[m].type, nullptr);
      EXPECT_LT(static_cast<int>(t.members[m].id), XMLIdCount);
      EXPECT_NE(t.members[m].id, xmlIgnore);
      EXPECT_FALSE(t.members[m].optional);
    }
    if (t.flags & tfRegisterSequence) {
      interfaceClasses.insert(t.name);
      const TInterfaceClassEntry* e = TableEntry(t.name);
      ASSERT_NE(e, nullptr);
      EXPECT_EQ(t.classId, e->classId);
      EXPECT_EQ(t.classVersion, e->version);
      EXPECT_EQ(t.dataTag, 2);
      ASSERT_GE(t.memberCount, 2);
      EXPECT_EQ(t.members[0].id, xmlName);
      EXPECT_EQ(t.members[0].type, &T_LogicalName);
      // The object choice knows the class by its tag and its element name.
      const AltInfo* alt = T_COSEMObject.AltById(e->id);
      ASSERT_NE(alt, nullptr);
      EXPECT_EQ(alt->tag, e->tag);
      EXPECT_EQ(alt->type, &t);
      EXPECT_EQ(T_COSEMObject.AltByTag(e->tag), alt);
      EXPECT_EQ(std::string(XMLIdNames[alt->id]), ElementName(t.name));
      continue;
    }
    ++kinds[t.family];
    switch (t.family) {
      case Family::SequenceOf:
        // Items are "_" + the element class; Data values stand bare under their alternative.
        EXPECT_EQ(std::string(XMLIdNames[t.elemId]), "_" + ElementName(t.elemType->name));
        EXPECT_EQ(t.dataTag, 1);
        break;
      case Family::Sequence:
        EXPECT_EQ(t.dataTag, 2);
        EXPECT_EQ(t.classId, -1);
        break;
      case Family::Enumerated: {
        EXPECT_EQ(t.dataTag, 22);
        std::set<int> values;
        std::set<std::string> valueNames;
        for (uint16_t n = 0; n < t.nameCount; ++n) {
          EXPECT_TRUE(values.insert(t.names[n].value).second);
          EXPECT_TRUE(valueNames.insert(t.names[n].name).second);
          // A name of two hex digits would be read back as a number.
          EXPECT_GT(std::strlen(t.names[n].name), 2u);
        }
        break;
      }
      case Family::Derived:
        EXPECT_EQ(t.Shape().family, Family::Number);
        break;
      default:
        ADD_FAILURE() << "unexpected kind";
        break;
    }
  }
  EXPECT_EQ(interfaceClasses.size(), 21u);
  EXPECT_EQ(kinds[Family::Sequence], 34);
  EXPECT_EQ(kinds[Family::SequenceOf], 31);
  EXPECT_EQ(kinds[Family::Enumerated], 14);
  EXPECT_EQ(kinds[Family::Derived], 2);

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
    EXPECT_EQ(interfaceClasses.count(name), 1u) << name;

  // Tags and element names of the object choice stay unique and in element-name order.
  std::set<int> tags;
  std::set<TXMLId> ids;
  for (uint16_t a = 0; a < T_COSEMObject.altCount; ++a) {
    EXPECT_TRUE(tags.insert(T_COSEMObject.alts[a].tag).second) << T_COSEMObject.alts[a].tag;
    EXPECT_TRUE(ids.insert(T_COSEMObject.alts[a].id).second) << XMLIdNames[T_COSEMObject.alts[a].id];
    if (a > 0) {
      EXPECT_LT(T_COSEMObject.alts[a - 1].id, T_COSEMObject.alts[a].id);
    }
  }
}

TEST(MeterClasses, EditorSchemeKnowsTheClassesAndTheirItems) {
  TKitSupport::Clear();
  TKitSupport::AddTypeTable(MeterClassTypes());
  std::set<std::string> registered;
  for (const auto& n : TKitSupport::RegisteredClassNames()) registered.insert(n);
  for (const char* n : {"LimiterObject", "ChargeObject", "WeightingsTable", "_ActorWeightingList", "GroupEValues",
                        "_GroupEValue", "TableCellValues", "_Data", "TokenDescription", "_OctetString",
                        "PermissionsTable", "_BitString", "IndexArray", "_Unsigned8"})
    EXPECT_EQ(registered.count(n), 1u) << n;
  // Structures, enumerations and aliases are not composite elements of their own.
  for (const char* n : {"ValueDefinition", "ControlMode", "EmergencyProfileGroupId"})
    EXPECT_EQ(registered.count(n), 0u) << n;
  TKitSupport::Clear();
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
