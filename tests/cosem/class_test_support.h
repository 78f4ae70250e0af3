// Helpers shared by the object-model tests: fixtures, hex, the interface class table, and
// the checks that every group of classes runs over its own descriptor table and fixture.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <sstream>
#include <string>

#include "cosem/interface_class_table.h"
#include "cosem/logical_device.h"
#include "foundation/kit_support.h"
#include "support/error_of.h"

namespace zv::test {

inline PduStr H(const char* hex) { return HexStrToByteStr(hex); }
inline std::string X(const PduStr& s) { return ByteStrToHexStr(s); }
// Hex with blanks, as the writer prints it.
inline std::string XH(const std::string& hex) { return X(HexStrToByteStr(hex)); }

// LF lines to the writer's CR LF.
inline std::string Crlf(const char* lf) {
  std::string s;
  for (const char* p = lf; *p; ++p) {
    if (*p == '\n') s += '\r';
    s += *p;
  }
  return s;
}

// A file of tests/fixtures, byte for byte.
inline std::string ReadFixture(const char* name) {
  auto path = std::filesystem::path(ZV_FIXTURES_DIR) / name;
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << path;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A class's element name: its name less "T_".
inline std::string ElementName(const char* className) {
  return std::strncmp(className, "T_", 2) == 0 ? className + 2 : className;
}

inline bool InTable(const TypeTable& table, const TypeInfo& t) {
  for (size_t i = 0; i < table.count; ++i)
    if (table.types[i] == &t) return true;
  return false;
}

inline const TInterfaceClassEntry* TableEntry(const char* name) {
  for (const auto& e : kInterfaceClasses)
    if (std::strcmp(e.name, name) == 0) return &e;
  return nullptr;
}

// The first object of a class in a loaded device.
inline TCOSEMInstance& FindObject(const TSequence& dev, const TypeInfo& t) {
  for (int i = 0; i < TLogicalDevice::ObjectCount(dev); ++i)
    if (&TLogicalDevice::Object(dev, i).Type() == &t) return TLogicalDevice::Object(dev, i);
  throw Exception(std::string("not in the fixture: ") + t.name);
}

// What the server does for a SET: a new member of the attribute's class from the Data form,
// the whole value consumed, in place of the old one. Throws where the value does not decode.
inline void SetFromData(TCOSEMInstance& obj, int attributeId, const char* dataHex) {
  const PduStr data = HexStrToByteStr(dataHex);
  TStringWrapper w(data);
  PduPtr v = CreateFromDataPduStr(*obj.AttributeType(attributeId), obj.AttributeXMLId(attributeId), w);
  EXPECT_EQ(w.RemainingBytes(), 0) << dataHex;
  obj.ReplaceAttribute(attributeId, v);
}

// Loads a fixture and checks that it renders back byte for byte; that each object's class
// stands once (and in `table` if given) with the class id, version, choice tag and element
// of the interface class table; that every attribute travels in the Data form as GET answers
// it and comes back as SET builds it, accepted by its class in place of the old value; that
// each whole object reads back from its Data and plain forms; and that the object list reads
// back from its plain form, each object behind its tag octet. `classes` is how many there are.
inline std::unique_ptr<TSequence> CheckFixtureRoundTrip(const char* fixture, const TypeTable* table,
                                                        size_t classes) {
  SCOPED_TRACE(fixture);
  const std::string text = ReadFixture(fixture);
  auto dev = MakeLogicalDevice(text);
  EXPECT_EQ(dev->ToXMLString(), text);
  auto& list = TLogicalDevice::ObjectList(*dev);
  std::set<const TypeInfo*> seen;
  for (int i = 0; i < list.ElementCount(); ++i) {
    TCOSEMInstance& obj = TLogicalDevice::Object(*dev, i);
    SCOPED_TRACE(obj.ClassName());
    EXPECT_TRUE(seen.insert(&obj.Type()).second) << "twice in the fixture";
    if (table) {
      EXPECT_TRUE(InTable(*table, obj.Type())) << "not a class of this group";
    }
    const TInterfaceClassEntry* e = TableEntry(obj.ClassName());
    EXPECT_NE(e, nullptr) << "not in the interface class table";
    if (e) {
      EXPECT_EQ(list.Elements(i)->As<TChoice>().Tag, e->tag);
      EXPECT_EQ(obj.COSEMClassId(), e->classId);
      EXPECT_EQ(obj.COSEMClassVersion(), e->version);
      EXPECT_EQ(obj.XMLId, e->id);
    }
    EXPECT_EQ(obj.AttributeCount(), obj.Type().memberCount);
    for (int a = 1; a <= obj.AttributeCount(); ++a) {
      SCOPED_TRACE("attribute " + std::to_string(a));
      EXPECT_NE(obj.Attribute(a), nullptr);
      if (obj.Attribute(a) == nullptr) continue;
      // GET answers the Data form; SET builds a new member of the attribute's class from it.
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
    EXPECT_EQ(MakeAnyFromData(obj.XMLId, obj.Type(), obj.EncodeData())->ToXMLString(), obj.ToXMLString());
    EXPECT_EQ(MakeAnyFromPdu(obj.XMLId, obj.Type(), obj.Encode())->ToXMLString(), obj.ToXMLString());
  }
  EXPECT_EQ(seen.size(), classes);
  PduPtr listBack = MakeAnyFromPdu(xmlCOSEMObjectList, list.Type(), list.Encode());
  EXPECT_EQ(X(listBack->Encode()), X(list.Encode()));
  EXPECT_EQ(listBack->ToXMLString(), list.ToXMLString());
  return dev;
}

// Every object of a device copies deeply: the copy is equal and renders the same, shares no
// attribute, and emptying every list of the copy, at any depth, leaves the source as it was.
inline void CheckCopiesAreDeep(const TSequence& dev) {
  const std::function<void(TCOSEMPduBase&)> clearLists = [&](TCOSEMPduBase& v) {
    if (auto* l = dynamic_cast<TSequenceOf*>(&v)) {
      for (auto& e : l->FElements) clearLists(*e);
      l->Clear();
    } else if (auto* s = dynamic_cast<TSequence*>(&v)) {
      for (auto& m : s->Members)
        if (m) clearLists(*m);
    }
  };
  for (int i = 0; i < TLogicalDevice::ObjectCount(dev); ++i) {
    TCOSEMInstance& obj = TLogicalDevice::Object(dev, i);
    SCOPED_TRACE(obj.ClassName());
    const std::string before = obj.ToXMLString();
    PduPtr copy = obj.Clone();
    ASSERT_TRUE(copy->IsEqual(obj));
    EXPECT_EQ(copy->ToXMLString(), before);
    auto& c = copy->As<TCOSEMInstance>();
    for (int a = 1; a <= c.AttributeCount(); ++a) EXPECT_NE(c.Attribute(a), obj.Attribute(a)) << "attribute " << a;
    clearLists(c);
    EXPECT_EQ(obj.ToXMLString(), before);
  }
}

// What a group's descriptor table holds, for the counts each group checks.
struct DescriptorSummary {
  std::set<std::string> interfaceClasses;
  std::map<Family, int> kinds;  // the other classes, by family
  int Kinds(Family f) const {
    auto it = kinds.find(f);
    return it == kinds.end() ? 0 : it->second;
  }
};

// What a group allows beyond the rules every group keeps.
struct DescriptorRules {
  std::set<Family> families;   // the families of its other classes; empty: any
  bool optionalMembers = true;  // whether any member may be optional
  bool derivedAreNumbers = false;  // whether every alias class has the shape of a number
};

// Checks every descriptor of a table: names and element names unique and derived from the
// class name, members well formed and only trailing ones optional, each interface class as
// the interface class table and the object choice know it, and the rules of each family.
inline DescriptorSummary CheckDescriptorInvariants(const TypeTable& table, const DescriptorRules& rules = {}) {
  DescriptorSummary summary;
  std::set<std::string> names;
  for (size_t i = 0; i < table.count; ++i) {
    const TypeInfo& t = *table.types[i];
    SCOPED_TRACE(t.name);
    EXPECT_TRUE(names.insert(t.name).second) << "listed twice";
    // Every class names its own element "_" + its name less "T_".
    EXPECT_EQ(std::string(XMLIdNames[t.ownId]), "_" + ElementName(t.name));
    bool optional = false;
    for (uint16_t m = 0; m < t.memberCount; ++m) {
      SCOPED_TRACE("member " + std::to_string(m));
      EXPECT_NE(t.members[m].type, nullptr);
      EXPECT_LT(static_cast<int>(t.members[m].id), XMLIdCount);
      EXPECT_NE(t.members[m].id, xmlIgnore);
      if (!rules.optionalMembers) {
        EXPECT_FALSE(t.members[m].optional);
      }
      // Only trailing members are optional, so every form can leave them out.
      if (optional) {
        EXPECT_TRUE(t.members[m].optional);
      }
      optional = t.members[m].optional;
    }
    if (t.flags & tfRegisterSequence) {
      summary.interfaceClasses.insert(t.name);
      const TInterfaceClassEntry* e = TableEntry(t.name);
      EXPECT_NE(e, nullptr) << "not in the interface class table";
      if (!e) continue;
      EXPECT_EQ(t.classId, e->classId);
      EXPECT_EQ(t.classVersion, e->version);
      EXPECT_EQ(t.dataTag, 2);
      EXPECT_GE(t.memberCount, 2);
      if (t.memberCount > 0) {
        EXPECT_EQ(t.members[0].id, xmlName);
        EXPECT_EQ(t.members[0].type, &T_LogicalName);
      }
      // The object choice knows the class by its tag and its element name.
      const AltInfo* alt = T_COSEMObject.AltById(e->id);
      EXPECT_NE(alt, nullptr) << "not in the object choice";
      if (!alt) continue;
      EXPECT_EQ(alt->tag, e->tag);
      EXPECT_EQ(alt->type, &t);
      EXPECT_EQ(T_COSEMObject.AltByTag(e->tag), alt);
      EXPECT_EQ(std::string(XMLIdNames[alt->id]), ElementName(t.name));
      continue;
    }
    ++summary.kinds[t.family];
    if (!rules.families.empty()) {
      EXPECT_EQ(rules.families.count(t.family), 1u) << "unexpected kind";
    }
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
          EXPECT_TRUE(values.insert(t.names[n].value).second) << t.names[n].value;
          EXPECT_TRUE(valueNames.insert(t.names[n].name).second) << t.names[n].name;
          // A name of two hex digits would be read back as a number.
          EXPECT_GT(std::strlen(t.names[n].name), 2u) << t.names[n].name;
        }
        break;
      }
      case Family::OctetString:
        EXPECT_EQ(t.size, -1);
        EXPECT_EQ(t.dataTag, 9);
        break;
      case Family::Derived:
        if (rules.derivedAreNumbers) {
          EXPECT_EQ(t.Shape().family, Family::Number);
        }
        break;
      default:
        break;
    }
  }
  return summary;
}

// Tags and element names of the object choice stay unique, in element-name order, as
// classes are added.
inline void CheckObjectChoiceIsUnique() {
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

// The class names the editor scheme lists for a descriptor table.
inline std::set<std::string> EditorSchemeNames(const TypeTable& table) {
  TKitSupport::Clear();
  TKitSupport::AddTypeTable(table);
  std::set<std::string> registered;
  for (const auto& n : TKitSupport::RegisteredClassNames()) registered.insert(n);
  TKitSupport::Clear();
  return registered;
}

// An enumeration keeps the codes it has no name for (the first after the named ones, and
// the highest octet): in the Data and plain forms, and in XML as two hex digits that read back.
inline void CheckUnnamedEnumCodes(const TypeInfo& t) {
  int unnamed = 0;
  while (t.EnumNameOf(unnamed)) ++unnamed;
  for (int code : {unnamed, 0xFF}) {
    SCOPED_TRACE(std::string(t.name) + " " + std::to_string(code));
    ASSERT_EQ(t.EnumNameOf(code), nullptr);
    PduStr data{'\x16', static_cast<char>(code)};
    PduPtr e = MakeAnyFromData(t.ownId, t, data);
    EXPECT_EQ(e->As<TEnum>().Value, code);
    EXPECT_EQ(X(e->EncodeData()), X(data));
    EXPECT_EQ(X(e->Encode()), X(data.substr(1)));
    const std::string xml = e->ToXMLString();
    EXPECT_EQ(xml, "<" + std::string(XMLIdNames[t.ownId]) + " Value=\"" + IntToHex(static_cast<uint64_t>(code), 2) +
                       "\" />\r\n");
    EXPECT_EQ(X(MakeAnyFromXml(t.ownId, t, xml)->EncodeData()), X(data));
    EXPECT_EQ(ErrorOf([&] { TEnum::GetString(t, code); }), std::string(t.name) + ": illegal enum value");
  }
}

// The same for every enumeration of a table; returns how many there are.
inline int CheckUnnamedEnumCodes(const TypeTable& table) {
  int enumerations = 0;
  for (size_t i = 0; i < table.count; ++i) {
    if (table.types[i]->family != Family::Enumerated) continue;
    ++enumerations;
    CheckUnnamedEnumCodes(*table.types[i]);
  }
  return enumerations;
}

// A value in its three forms: the Data form, and the plain form and XML where given.
struct ByteExample {
  const TypeInfo* type;
  TXMLId id;
  std::string data;   // Data form (hex with blanks)
  const char* plain;  // plain form, or null
  const char* xml;    // XML form (LF lines; CR LF when compared), or null
};

// Each example reads from its Data form and writes it back; reads from and writes its plain
// form; renders its XML; and reads back from the XML it renders.
inline void CheckByteExamples(std::span<const ByteExample> rows) {
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.type->name) + " " + (r.data.size() > 80 ? r.data.substr(0, 80) + "..." : r.data));
    const std::string data = XH(r.data);
    PduPtr a = MakeAnyFromData(r.id, *r.type, HexStrToByteStr(r.data));
    EXPECT_EQ(X(a->EncodeData()), data);
    if (r.plain) {
      EXPECT_EQ(X(a->Encode()), XH(r.plain));
      EXPECT_EQ(X(MakeAnyFromPdu(r.id, *r.type, HexStrToByteStr(r.plain))->EncodeData()), data);
    }
    const std::string xml = a->ToXMLString();
    if (r.xml) {
      EXPECT_EQ(xml, Crlf(r.xml));
    }
    EXPECT_EQ(X(MakeAnyFromXml(r.id, *r.type, xml)->EncodeData()), data);
  }
}

// A piece of description that a class refuses, with the message it refuses it with.
struct XmlErrorExample {
  const TypeInfo* type;
  TXMLId id;
  const char* xml;
  const char* error;
};

inline void CheckXmlErrors(std::span<const XmlErrorExample> rows) {
  for (const auto& r : rows) {
    SCOPED_TRACE(r.xml);
    try {
      MakeAnyFromXml(r.id, *r.type, r.xml);
      ADD_FAILURE() << "no error";
    } catch (const EXMLError& e) {
      EXPECT_EQ(e.Message(), r.error);
    } catch (const Exception& e) {
      ADD_FAILURE() << "not an XML error: " << e.Message();
    }
  }
}

}  // namespace zv::test
