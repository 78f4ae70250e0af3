// The communication classes as a whole: one description holding one object of every
// class, and the invariants of their descriptors.
#include "cosem/comm_classes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "cosem/interface_class_table.h"
#include "cosem/logical_device.h"

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

bool IsCommunicationType(const TypeInfo& t) {
  const TypeTable& table = CommunicationTypes();
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

TEST(CommClasses, FixtureLoadsRendersBackAndEveryAttributeTravels) {
  const std::string text = ReadFixture("comm_classes.xml");
  auto dev = MakeLogicalDevice(text);
  EXPECT_EQ(dev->ToXMLString(), text);

  std::set<const TypeInfo*> seen;
  for (int i = 0; i < TLogicalDevice::ObjectCount(*dev); ++i) {
    TCOSEMInstance& obj = TLogicalDevice::Object(*dev, i);
    SCOPED_TRACE(obj.ClassName());
    EXPECT_TRUE(seen.insert(&obj.Type()).second) << "twice in the fixture";
    ASSERT_TRUE(IsCommunicationType(obj.Type()));
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
    }
    // The whole object in each octet form.
    PduPtr fromData = MakeAnyFromData(obj.XMLId, obj.Type(), obj.EncodeData());
    EXPECT_EQ(fromData->ToXMLString(), obj.ToXMLString());
    PduPtr fromPlain = MakeAnyFromPdu(obj.XMLId, obj.Type(), obj.Encode());
    EXPECT_EQ(fromPlain->ToXMLString(), obj.ToXMLString());
  }
  EXPECT_EQ(seen.size(), 48u);

  // The object list carries each object behind its tag octet in the plain form.
  auto& list = TLogicalDevice::ObjectList(*dev);
  PduPtr listBack = MakeAnyFromPdu(xmlCOSEMObjectList, list.Type(), list.Encode());
  EXPECT_EQ(X(listBack->Encode()), X(list.Encode()));
}

TEST(CommClasses, CopiesAreDeep) {
  auto dev = MakeLogicalDevice(ReadFixture("comm_classes.xml"));
  for (int i = 0; i < TLogicalDevice::ObjectCount(*dev); ++i) {
    TCOSEMInstance& obj = TLogicalDevice::Object(*dev, i);
    PduPtr copy = obj.Clone();
    ASSERT_TRUE(copy->IsEqual(obj)) << obj.ClassName();
    EXPECT_EQ(copy->ToXMLString(), obj.ToXMLString());
    auto& c = copy->As<TCOSEMInstance>();
    for (int a = 1; a <= c.AttributeCount(); ++a) EXPECT_NE(c.Attribute(a), obj.Attribute(a));
  }
  // A change inside a copied list item leaves the source as it was.
  for (int i = 0; i < TLogicalDevice::ObjectCount(*dev); ++i) {
    TCOSEMInstance& obj = TLogicalDevice::Object(*dev, i);
    if (&obj.Type() != &T_AutoAnswerObject_2) continue;
    const std::string before = obj.ToXMLString();
    PduPtr copy = obj.Clone();
    auto& windows = copy->As<TCOSEMInstance>().Attribute(3)->As<TSequenceOf>();
    windows.Elements(0)->As<TSequence>().Get<TOctetString>(0).Value = "changed";
    copy->As<TCOSEMInstance>().Attribute(7)->As<TSequenceOf>().Clear();
    EXPECT_EQ(obj.ToXMLString(), before);
    EXPECT_EQ(TWindow::StartTime(windows.Elements(0)->As<TSequence>()), "changed");
  }
}

TEST(CommClasses, DescriptorInvariants) {
  const TypeTable& table = CommunicationTypes();
  std::set<std::string> names;
  std::map<Family, int> kinds;
  int interfaceClasses = 0;
  for (size_t i = 0; i < table.count; ++i) {
    const TypeInfo& t = *table.types[i];
    SCOPED_TRACE(t.name);
    EXPECT_TRUE(names.insert(t.name).second) << "listed twice";
    // Every class names its own element "_" + its name less "T_".
    EXPECT_EQ(std::string(XMLIdNames[t.ownId]), "_" + ElementName(t.name));
    if (t.flags & tfRegisterSequence) {
      ++interfaceClasses;
      const TInterfaceClassEntry* e = TableEntry(t.name);
      ASSERT_NE(e, nullptr);
      EXPECT_EQ(t.classId, e->classId);
      EXPECT_EQ(t.classVersion, e->version);
      ASSERT_GE(t.memberCount, 2);
      EXPECT_EQ(t.members[0].id, xmlName);
      EXPECT_EQ(t.members[0].type, &T_LogicalName);
      // The object choice knows the class by its tag and its element name.
      const AltInfo* alt = T_COSEMObject.AltById(e->id);
      ASSERT_NE(alt, nullptr);
      EXPECT_EQ(alt->tag, e->tag);
      EXPECT_EQ(alt->type, &t);
      EXPECT_EQ(std::string(XMLIdNames[alt->id]), ElementName(t.name));
      continue;
    }
    ++kinds[t.family];
    switch (t.family) {
      case Family::SequenceOf:
        EXPECT_EQ(std::string(XMLIdNames[t.elemId]), "_" + ElementName(t.elemType->name));
        EXPECT_EQ(t.dataTag, 1);
        break;
      case Family::Sequence:
        EXPECT_EQ(t.dataTag, 2);
        EXPECT_EQ(t.classId, -1);
        break;
      case Family::Enumerated: {
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
      case Family::OctetString:
        EXPECT_EQ(t.size, -1);
        EXPECT_EQ(t.dataTag, 9);
        break;
      default:
        break;
    }
    for (uint16_t m = 0; m < t.memberCount; ++m) EXPECT_NE(t.members[m].type, nullptr);
  }
  EXPECT_EQ(interfaceClasses, 48);
  EXPECT_EQ(kinds[Family::Sequence], 34);
  EXPECT_EQ(kinds[Family::SequenceOf], 41);
  EXPECT_EQ(kinds[Family::Enumerated], 24);
  EXPECT_EQ(kinds[Family::OctetString], 5);
  EXPECT_EQ(kinds[Family::Number], 1);
  EXPECT_EQ(kinds[Family::Derived], 6);

  // Tags and element names of the object choice stay unique as classes are added.
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

TEST(CommClasses, EmptyObjectsHaveEveryAttribute) {
  // An empty LLC type 2 object: empty name, zero numbers.
  PduPtr llc = Create(T_LLCType2SetupObject, xmlLLCType2SetupObject);
  EXPECT_EQ(X(llc->EncodeData()),
            X(HexStrToByteStr("02 09 09 00 11 00 11 00 12 0000 11 00 12 0000 12 0000 12 0000 12 0000")));
  // The network administration data starts with five empty lists.
  PduPtr nad = Create(T_PRIME_NB_OFDM_PLC_MACNetworkAdministrationDataObject,
                      xmlPRIME_NB_OFDM_PLC_MACNetworkAdministrationDataObject);
  EXPECT_EQ(X(nad->EncodeData()), "0206090001000100010001000100");
}
