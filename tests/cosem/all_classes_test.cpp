// One object of every one of the 81 interface classes: the description loads, renders back
// byte for byte, and every attribute travels in the Data form as GET and SET carry it.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
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

}  // namespace

TEST(AllClasses, EveryInterfaceClassLoadsRendersBackAndTravels) {
  const std::string text = ReadFixture("all_classes.xml");
  auto dev = MakeLogicalDevice(text);
  EXPECT_EQ(dev->ToXMLString(), text);
  auto& list = TLogicalDevice::ObjectList(*dev);
  ASSERT_EQ(list.ElementCount(), 81);
  std::set<std::string> seen;
  for (int i = 0; i < list.ElementCount(); ++i) {
    // The fixture holds the classes in the reader's order.
    const TInterfaceClassEntry& e = kInterfaceClasses[i];
    const auto& entry = list.Elements(i)->As<TChoice>();
    TCOSEMInstance& obj = TLogicalDevice::Object(*dev, i);
    SCOPED_TRACE(obj.ClassName());
    EXPECT_STREQ(obj.ClassName(), e.name);
    EXPECT_TRUE(seen.insert(obj.ClassName()).second);
    EXPECT_EQ(entry.Tag, e.tag);
    EXPECT_EQ(obj.COSEMClassId(), e.classId);
    EXPECT_EQ(obj.COSEMClassVersion(), e.version);
    EXPECT_EQ(obj.XMLId, e.id);
    for (int a = 1; a <= obj.AttributeCount(); ++a) {
      SCOPED_TRACE(a);
      ASSERT_NE(obj.Attribute(a), nullptr);
      const PduStr data = obj.Attribute(a)->EncodeData();
      TStringWrapper w(data);
      PduPtr back = CreateFromDataPduStr(*obj.AttributeType(a), obj.AttributeXMLId(a), w);
      EXPECT_EQ(w.RemainingBytes(), 0);
      EXPECT_EQ(back->EncodeData(), data);
      EXPECT_EQ(back->ToXMLString(), obj.Attribute(a)->ToXMLString());
      PduPtr copy = obj.Clone();
      copy->As<TCOSEMInstance>().ReplaceAttribute(a, back);
      EXPECT_TRUE(copy->IsEqual(obj));
    }
  }
  // The whole list in the plain form, each object behind its tag octet.
  PduPtr back = MakeAnyFromPdu(xmlCOSEMObjectList, list.Type(), list.Encode());
  EXPECT_EQ(back->Encode(), list.Encode());
  EXPECT_EQ(back->ToXMLString(), list.ToXMLString());
}
