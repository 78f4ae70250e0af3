// The communication classes as a whole: one description holding one object of every
// class, and the invariants of their descriptors.
#include "cosem/comm_classes.h"

#include <gtest/gtest.h>

#include "cosem/class_test_support.h"

using namespace zv;
using namespace zv::test;

TEST(CommClasses, FixtureLoadsRendersBackAndEveryAttributeTravels) {
  CheckFixtureRoundTrip("comm_classes.xml", &CommunicationTypes(), 48);
}

TEST(CommClasses, CopiesAreDeep) {
  auto dev = MakeLogicalDevice(ReadFixture("comm_classes.xml"));
  CheckCopiesAreDeep(*dev);
  // A change inside a copied list item leaves the source as it was.
  TCOSEMInstance& obj = FindObject(*dev, T_AutoAnswerObject_2);
  const std::string before = obj.ToXMLString();
  PduPtr copy = obj.Clone();
  auto& windows = copy->As<TCOSEMInstance>().Attribute(3)->As<TSequenceOf>();
  windows.Elements(0)->As<TSequence>().Get<TOctetString>(0).Value = "changed";
  copy->As<TCOSEMInstance>().Attribute(7)->As<TSequenceOf>().Clear();
  EXPECT_EQ(obj.ToXMLString(), before);
  EXPECT_EQ(TWindow::StartTime(windows.Elements(0)->As<TSequence>()), "changed");
}

TEST(CommClasses, DescriptorInvariants) {
  const DescriptorSummary s = CheckDescriptorInvariants(CommunicationTypes());
  EXPECT_EQ(s.interfaceClasses.size(), 48u);
  EXPECT_EQ(s.Kinds(Family::Sequence), 34);
  EXPECT_EQ(s.Kinds(Family::SequenceOf), 41);
  EXPECT_EQ(s.Kinds(Family::Enumerated), 24);
  EXPECT_EQ(s.Kinds(Family::OctetString), 5);
  EXPECT_EQ(s.Kinds(Family::Number), 1);
  EXPECT_EQ(s.Kinds(Family::Derived), 6);
  CheckObjectChoiceIsUnique();
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
