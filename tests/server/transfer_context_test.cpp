#include "server/transfer_context.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>

#include "apdu/conformance.h"
#include "cosem/association_classes.h"
#include "cosem/logical_device.h"
#include "cosem/security_setup.h"
#include "support/error_of.h"

using namespace zv;
using zv::test::ErrorOf;

namespace {

const char kDevice[] =
    "<LogicalDevice><Name Value=\"\"/><ServerSAP Value=\"0001\"/><COSEMObjectList Qty=\"AUTO\">"
    "<LNAssociationObject_3><Name Value=\"0.0.40.0.1.255\"/><ObjectList Qty=\"0\"></ObjectList>"
    "<AssociatedPartnersId><ClientSAP Value=\"10\"/><ServerSAP Value=\"0001\"/></AssociatedPartnersId>"
    "<ApplicationContextName Value=\"LN\"/><xDLMSContextInfo><Conformance><ConformanceBit Name=\"Get\"/>"
    "</Conformance><MaxRecPduSize Value=\"0400\"/><MaxSendPduSize Value=\"0400\"/><DLMSVersionNr Value=\"06\"/>"
    "<QualityOfService Value=\"00\"/><CypheringInfo Value=\"\"/></xDLMSContextInfo>"
    "<AuthenticationMechanismName Value=\"NO_SECURITY\"/><Secret Value=\"\"/>"
    "<AssociationStatus Value=\"NonAssociated\"/><SecuritySetupReference Value=\"\"/><UserList Qty=\"0\"></UserList>"
    "<CurrentUser><UserId Value=\"00\"/><UserName Value=\"\"/></CurrentUser></LNAssociationObject_3>"
    "<SNAssociationObject_4><Name Value=\"0.0.40.0.0.255\"/><ObjectList Qty=\"0\"></ObjectList>"
    "<AccessRightsListSN Qty=\"0\"></AccessRightsListSN><SecuritySetupReference Value=\"\"/>"
    "<UserList Qty=\"0\"></UserList><CurrentUser><UserId Value=\"00\"/><UserName Value=\"\"/></CurrentUser>"
    "</SNAssociationObject_4></COSEMObjectList></LogicalDevice>";

}  // namespace

TEST(TransferContext, AFreshContextIsNotAssociated) {
  TTransferContext c;
  EXPECT_EQ(c.GetAssociationStatus(), 0);
  EXPECT_FALSE(c.InLNContext());
  EXPECT_EQ(c.GetCurrentAssociation(), nullptr);
  EXPECT_EQ(c.CurrentLNAssociationObject(), nullptr);
  EXPECT_EQ(c.AgreedConformance(), nullptr);
  EXPECT_EQ(c.MechanismName, TObjectIdentifier::UNKNOWN);
  EXPECT_EQ(c.CommunicationProfileInfo.Profile, cpHDLC);
  EXPECT_EQ(c.LastFC, 0u);
  EXPECT_FALSE(c.BlockTransferWithGetOrRead.InProgress);
  EXPECT_EQ(ErrorOf([&] { c.SetAssociationStatus(2); }), "Wrong assertion (1148)");
}

TEST(TransferContext, StatusLivesInTheClones) {
  auto dev = MakeLogicalDevice(kDevice);
  TCOSEMInstance& ln = TLogicalDevice::Object(*dev, 0);
  TCOSEMInstance& sn = TLogicalDevice::Object(*dev, 1);
  TTransferContext c;
  c.ApplicationContextName = TObjectIdentifier::LN;
  c.SetCurrentLNAssociationObjectClone(ln);
  ASSERT_NE(c.CurrentLNAssociationObject(), nullptr);
  EXPECT_NE(c.CurrentLNAssociationObject(), &ln);
  EXPECT_TRUE(c.InLNContext());
  EXPECT_EQ(c.GetCurrentAssociation(), c.CurrentLNAssociationObject());
  c.SetAssociationStatus(asAssociationPending);
  EXPECT_EQ(c.GetAssociationStatus(), asAssociationPending);
  EXPECT_EQ(TLNAssociation::AssociationStatus(*c.CurrentLNAssociationObject()), asAssociationPending);
  EXPECT_EQ(TLNAssociation::AssociationStatus(ln), asNonAssociated);  // the device's object is untouched

  // An LN attempt left status 0, then an SN association is accepted: the setter writes the LN
  // clone, the getter reads the SN status.
  c.SetAssociationStatus(0);
  c.ApplicationContextName = TObjectIdentifier::SN;
  c.SetCurrentSNAssociationObjectClone(sn);
  EXPECT_FALSE(c.InLNContext());
  EXPECT_EQ(c.GetCurrentAssociation(), c.CurrentSNAssociationObject());
  c.SetAssociationStatus(asAssociated);
  EXPECT_EQ(TLNAssociation::AssociationStatus(*c.CurrentLNAssociationObject()), asAssociated);
  EXPECT_EQ(c.GetAssociationStatus(), 0);

  // SN only: the status is the context's own.
  TTransferContext s;
  s.ApplicationContextName = TObjectIdentifier::SN_WITH_CIPHERING;
  s.SetCurrentSNAssociationObjectClone(sn);
  s.SetAssociationStatus(asAssociated);
  EXPECT_EQ(s.GetAssociationStatus(), asAssociated);
  s.ApplicationContextName = TObjectIdentifier::LN_WITH_CIPHERING;
  EXPECT_TRUE(s.InLNContext());
  EXPECT_EQ(s.GetCurrentAssociation(), nullptr);
}

TEST(TransferContext, CloneSettersCheckTheClassAndKeepTheirOwnCopy) {
  auto dev = MakeLogicalDevice(kDevice);
  TCOSEMInstance& ln = TLogicalDevice::Object(*dev, 0);
  TCOSEMInstance& sn = TLogicalDevice::Object(*dev, 1);
  TTransferContext c;
  c.SetCurrentLNAssociationObjectClone(ln);
  TCOSEMInstance* held = c.CurrentLNAssociationObject();
  EXPECT_EQ(ErrorOf([&] { c.SetCurrentLNAssociationObjectClone(sn); }), "Invalid class typecast");
  EXPECT_EQ(c.CurrentLNAssociationObject(), held);
  EXPECT_EQ(ErrorOf([&] { c.SetCurrentSNAssociationObjectClone(ln); }), "Invalid class typecast");
  EXPECT_EQ(c.CurrentSNAssociationObject(), nullptr);
  // A new clone replaces the held one; clones carry no hooks.
  ln.ProcessFunc = [] {};
  c.SetCurrentLNAssociationObjectClone(ln);
  EXPECT_FALSE(c.CurrentLNAssociationObject()->ProcessFunc);
  EXPECT_EQ(c.CurrentLNAssociationObject()->ToXMLString(), ln.ToXMLString());

  // The agreed conformance is a clone too.
  TConformance& offered = TLNAssociation::Conformance(ln);
  c.SetAgreedConformance(offered);
  ASSERT_NE(c.AgreedConformance(), nullptr);
  EXPECT_NE(c.AgreedConformance(), &offered);
  c.AgreedConformance()->SetDefaultValue();
  EXPECT_NE(offered.Value, c.AgreedConformance()->Value);
}

TEST(TransferContext, Challenges) {
  TTransferContext c;
  c.MechanismName = TObjectIdentifier::HIGH_SECURITY;
  std::set<PduStr> seen;
  for (int i = 0; i < 100; ++i) {
    c.MakeChallenge();
    const PduStr& ch = c.MyChallenge();
    ASSERT_EQ(ch.size(), 8u);
    for (int k = 0; k < 7; ++k) EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(ch[k])) || (ch[k] >= 'A' && ch[k] <= 'F')) << ch;
    EXPECT_GE(ch[7], '0');
    EXPECT_LE(ch[7], '5');
    seen.insert(ch);
  }
  EXPECT_GT(seen.size(), 95u);
  std::set<size_t> lengths;
  for (auto m : {TObjectIdentifier::HIGH_SECURITY_GMAC, TObjectIdentifier::UNKNOWN, TObjectIdentifier::LOW_SECURITY}) {
    c.MechanismName = m;
    for (int i = 0; i < 200; ++i) {
      c.MakeChallenge();
      ASSERT_GE(c.MyChallenge().size(), 8u);
      ASSERT_LE(c.MyChallenge().size(), 16u);
      lengths.insert(c.MyChallenge().size());
    }
  }
  EXPECT_EQ(lengths.size(), 9u);  // every length from 8 to 16 occurs
}

TEST(TransferContext, RequestsAlwaysHaveEnoughProtection) {
  TTransferContext c;
  for (int bits = 0; bits < 16; ++bits)
    EXPECT_TRUE(c.RequestHasEnoughProtection(TCOSEMProtectionServices::FromOctet(static_cast<uint8_t>(bits))));
}
