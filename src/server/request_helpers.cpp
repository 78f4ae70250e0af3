#include "server/request_helpers.h"

#include "apdu/initiate.h"

namespace zv {

namespace {

bool IsPlainInitiateRequest(const TBERCOSEMpdu* UserInformation) {
  return UserInformation && UserInformation->Value && UserInformation->Value->IsA(T_InitiateRequest);
}

const TCOSEMPduBase& InitiateRequestOf(const TAssociationRequest& Request) {
  const TBERCOSEMpdu* ui = Request.UserInformation();
  CheckAssertion(ui != nullptr, 1146);
  CheckAssertion(IsPlainInitiateRequest(ui), 1147);
  return *ui->Value;
}

}  // namespace

TObjectIdentifier TAssociationRequestHelper::MechanismName(const TAssociationRequest& Request) {
  return Request.MechanismName() ? Request.MechanismName()->Value : TObjectIdentifier::UNKNOWN;
}

TObjectIdentifier TAssociationRequestHelper::ContextName(const TAssociationRequest& Request) {
  return Request.ApplicationContextName() ? Request.ApplicationContextName()->Value : TObjectIdentifier::UNKNOWN;
}

bool TAssociationRequestHelper::AuthenticationRequired(const TAssociationRequest& Request) {
  const TBERBitStr* r = Request.SenderACSERequirements();
  return r && !r->Value.empty() && r->Value[0] == '1';
}

PduStr TAssociationRequestHelper::AuthenticationValue(const TAssociationRequest& Request) {
  return Request.CallingAuthenticationValue() ? Request.CallingAuthenticationValue()->Value : PduStr();
}

TConformance& TAssociationRequestHelper::ProposedConformance(const TAssociationRequest& Request) {
  return ProposedConformanceOf(InitiateRequestOf(Request));
}

int TAssociationRequestHelper::ProposedMaxPduSize(const TAssociationRequest& Request) {
  return ProposedMaxPduSizeOf(InitiateRequestOf(Request));
}

bool TAssociationRequestHelper::UserInformationProtected(const TAssociationRequest& Request) {
  return Request.UserInformation() && !IsPlainInitiateRequest(Request.UserInformation());
}

PduStr TInitiateRequestHelper::DedicatedKey(const TCOSEMPduBase& InitiateRequest) {
  return DedicatedKeyOf(InitiateRequest);
}

bool TReleaseRequestHelper::UserInformationProtected(const TReleaseRequest& Request) {
  return Request.UserInformation() && !IsPlainInitiateRequest(Request.UserInformation());
}

}  // namespace zv
