#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "apdu/apdu_views.h"
#include "apdu/cosem_pdu.h"
#include "apdu/test_util.h"
#include "foundation/axdr_types.h"

using namespace zv;
using namespace zv::test;
using namespace zv::TCOSEMPDUHelper;

namespace {

PduPtr Apdu(const char* hex) { return MakeAnyFromPdu(xmlIgnore, T_COSEMpdu, H(hex)); }
TChoice& Ch(const PduPtr& p) { return p->As<TChoice>(); }

const char* const kAarq =
    "60 1D A1 09 06 07 60 85 74 05 08 01 01 BE 10 04 0E 01 00 00 00 06 5F 1F 04 00 00 7E 1F 04 B0";
const char* const kAare =
    "61 29 A1 09 06 07 60 85 74 05 08 01 01 A2 03 02 01 00 A3 05 A1 03 02 01 00 BE 10 04 0E 08 00 06 5F 1F 04 00 "
    "00 50 1F 01 F4 00 07";
const char* const kGbt = "E0 81 00 01 00 00 02 01 02";

}  // namespace

TEST(ApduViews, CastsToTheAlternative) {
  PduPtr aarq = Apdu(kAarq);
  PduPtr aare = Apdu(kAare);
  PduPtr rlre = Apdu("63 03 80 01 00");
  PduPtr rlrq = Apdu("62 03 80 01 00");
  PduPtr gbt = Apdu(kGbt);
  PduPtr initiate = Apdu("01 00 00 00 06 5F 1F 04 00 00 7E 1F 04 B0");
  PduPtr access = Create(T_COSEMpdu, xmlIgnore);
  Ch(access).CreateVariant(xmlAccessResponse);

  // The view is the APDU's own alternative, not a copy.
  EXPECT_EQ(&AsAssociationRequest(Ch(aarq)), Ch(aarq).Value.get());
  EXPECT_EQ(&AsAssociationResponse(Ch(aare)), Ch(aare).Value.get());
  EXPECT_EQ(&AsReleaseResponse(Ch(rlre)), Ch(rlre).Value.get());
  EXPECT_EQ(&AsGeneralBlockTransfer(Ch(gbt)), Ch(gbt).Value.get());
  EXPECT_EQ(&AsAccessResponse(Ch(access)), Ch(access).Value.get());
  const TChoice& constAare = Ch(aare);
  EXPECT_EQ(AsAssociationResponse(constAare).AssociationResult()->Value, 0);
  EXPECT_EQ(X(AsGeneralBlockTransfer(std::as_const(Ch(gbt))).Get<TOctetString>(3).Value), "0102");

  struct Row {
    const char* view;
    std::function<void()> cast;
  };
  const Row wrong[] = {
      {"AsAssociationRequest", [&] { AsAssociationRequest(Ch(initiate)); }},
      {"AsAssociationRequest", [&] { AsAssociationRequest(Ch(aare)); }},
      {"AsAssociationResponse", [&] { AsAssociationResponse(Ch(aarq)); }},
      {"AsReleaseResponse", [&] { AsReleaseResponse(Ch(rlrq)); }},
      {"AsGeneralBlockTransfer", [&] { AsGeneralBlockTransfer(Ch(aarq)); }},
      {"AsAccessResponse", [&] { AsAccessResponse(std::as_const(Ch(gbt))); }},
      {"AsAssociationRequest", [&] { AsAssociationRequest(Ch(Create(T_COSEMpdu, xmlIgnore))); }},
  };
  for (const auto& r : wrong) EXPECT_EQ(ErrorOf(r.cast), "Invalid class typecast") << r.view;

  EXPECT_TRUE(IsGeneralBlockTransfer(Ch(gbt)));
  EXPECT_FALSE(IsGeneralBlockTransfer(Ch(aarq)));
  EXPECT_FALSE(IsGeneralBlockTransfer(Ch(initiate)));
}

TEST(ApduViews, UserInformationFromXml) {
  PduStr initiate = H("08 00 06 5F 1F 04 00 00 50 1F 01 F4 00 07");
  std::unique_ptr<TBERCOSEMpdu> ui = MakeBERFromXml(
      "<InitiateResponse><NegotiatedDlmsVersionNumber Value=\"06\" /><NegotiatedConformance>"
      "<ConformanceBit Name=\"Action\" /><ConformanceBit Name=\"EventNotification\" />"
      "<ConformanceBit Name=\"SelectiveAccess\" /><ConformanceBit Name=\"Set\" /><ConformanceBit Name=\"Get\" />"
      "<ConformanceBit Name=\"BlockTransferWithGetOrRead\" /><ConformanceBit Name=\"PriorityMgmtSupported\" />"
      "</NegotiatedConformance><NegotiatedMaxPduSize Value=\"01F4\" /><VaaName Value=\"0007\" />"
      "</InitiateResponse> trailing text is ignored");
  EXPECT_EQ(ui->Tag, 8);
  EXPECT_EQ(ui->XMLId, xmlIgnore);
  PduStr noLen;
  ui->EncodeToPduStrNoLen(noLen);
  EXPECT_EQ(X(noLen), X(initiate));
  EXPECT_EQ(X(ui->Encode()), "0E" + X(initiate));
  EXPECT_EQ(ui->ToXMLString().rfind("<InitiateResponse>", 0), 0u);
  PduPtr copy = ui->Clone();
  EXPECT_EQ(X(copy->Encode()), X(ui->Encode()));
  EXPECT_EQ(copy->ClassName(), std::string("T_BERCOSEMpdu"));

  EXPECT_EQ(X(MakeBERFromXml("<glo_InitiateResponse Value=\"0102\"/>")->Encode()), "0428020102");
  EXPECT_THROW(MakeBERFromXml("<Reason Value=\"Normal\"/>"), EXMLError);
  EXPECT_THROW(MakeBERFromXml("<NoSuchElement/>"), EXMLError);
}
