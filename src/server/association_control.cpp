#include "server/association_control.h"

#include <algorithm>

#include "apdu/access.h"
#include "apdu/apdu_views.h"
#include "apdu/conformance.h"
#include "apdu/initiate.h"
#include "apdu/ln_services.h"
#include "apdu/sn_services.h"
#include "cosem/association_classes.h"
#include "cosem/logical_device.h"
#include "cosem/security_setup.h"
#include "crypto/hash.h"
#include "foundation/data_helper.h"
#include "foundation/date_time.h"
#include "foundation/logger.h"
#include "security/protection_layers.h"
#include "security/security_material.h"
#include "server/association_lists.h"
#include "server/association_protection.h"
#include "server/hls_authentication.h"
#include "server/make_service.h"
#include "server/misc_helpers.h"
#include "server/object_services.h"
#include "server/request_helpers.h"
#include "server/request_session.h"
#include "server/settings.h"
#include "server/transfer_context.h"

namespace zv {

namespace {

using OID = TObjectIdentifier;

// ACSE result-source-diagnostic values.
enum : int {
  diagNone = 0,
  diagNoReasonGiven = 1,
  diagApplicationContextNameNotSupported = 2,
  diagCallingAPTitleNotRecognized = 3,
  diagCallingAEInvocationIdNotRecognized = 6,
  diagAuthenticationMechanismNameNotRecognised = 11,
  diagAuthenticationFailure = 13,
  diagAuthenticationRequired = 14,
  diagNoCommonAcseVersion = 2,  // acse-service-provider
};

constexpr int kSNNegotiatedPduSize = 200;
// The reply_to_HLS_authentication method of the SN association at base name 0xFA00.
constexpr int kSNReplyToHLSAuthentication = 0xFA58;

const char* const kServiceErrorOther =
    "<ConfirmedServiceError>  <Service Value = \"01\" />  <ServiceError>    <Initiate Value = \"Other\" />  "
    "</ServiceError></ConfirmedServiceError>";
const char* const kServiceErrorDlmsVersionTooLow =
    "<ConfirmedServiceError>  <Service Value = \"01\" />  <ServiceError>    <Initiate Value = \"DlmsVersionTooLow\" />  "
    "</ServiceError></ConfirmedServiceError>";
const char* const kServiceErrorIncompatibleConformance =
    "<ConfirmedServiceError>  <Service Value = \"01\" />  <ServiceError>    <Initiate Value = "
    "\"IncompatibleConformance\" />  </ServiceError></ConfirmedServiceError>";
const char* const kServiceErrorPduSizeTooShort =
    "<ConfirmedServiceError>  <Service Value = \"01\" />  <ServiceError>    <Initiate Value = \"PduSizeTooShort\" />  "
    "</ServiceError></ConfirmedServiceError>";

bool IsCipheredContext(OID c) { return c == OID::LN_WITH_CIPHERING || c == OID::SN_WITH_CIPHERING; }
bool IsLNContext(OID c) { return c == OID::LN || c == OID::LN_WITH_CIPHERING; }

void LogRejected(const std::string& Reason) { Logger().StringToLog("*** AA Rejected: " + Reason); }

// The responding AP title of every AARE.
PduStr Title(const TTransferContext& Context) {
  const OID m = Context.MechanismName;
  if (m == OID::HIGH_SECURITY_GMAC || m == OID::HIGH_SECURITY_SHA256 || m == OID::HIGH_SECURITY_ECDSA ||
      IsCipheredContext(Context.ApplicationContextName))
    return Context.MySystemTitle;
  return PduStr();
}

// The parts of one AARE; a rejection unless set otherwise.
struct TAare {
  int Result = 1;
  int Diagnostic = diagNoReasonGiven;
  bool Provider = false;
  bool ACSERequirement = false;
  bool WithTitle = false;
  PduStr RespondingAuthenticationValue;
  bool WithConformance = false;
  int PduSize = 0;
  const char* ServiceError = nullptr;  // replaces the user-information
};

COSEMpduPtr MakeAare(const TTransferContext& Context, const TAare& a) {
  COSEMpduPtr aare = TMakeService::AARE(
      Context.ApplicationContextName, Context.MechanismName, a.ACSERequirement, a.Result, a.Diagnostic,
      a.WithTitle ? Title(Context) : PduStr(), a.RespondingAuthenticationValue,
      a.WithConformance ? Context.AgreedConformance() : nullptr, a.WithConformance ? a.PduSize : 0, a.Provider);
  if (a.ServiceError)
    TCOSEMPDUHelper::AsAssociationResponse(*aare).SetUserInformation(TCOSEMPDUHelper::MakeBERFromXml(a.ServiceError));
  return aare;
}

const PduStr& SecretOf(const TTransferContext& Context) {
  static const PduStr kNone;
  if (Context.InLNContext()) {
    const TCOSEMInstance* a = Context.CurrentLNAssociationObject();
    return a ? TLNAssociation::Secret(*a) : kNone;
  }
  const TCOSEMInstance* a = Context.CurrentSNAssociationObject();
  const TOctetString* s = a ? TSNAssociation::Secret(*a) : nullptr;
  return s ? s->Value : kNone;
}

// The user check of an accepted association: an empty user list lets everyone in;
// otherwise the calling AE invocation id must be a user id of the list.
void CheckUser(const TAssociationRequest& Request, TCOSEMInstance& Clone, const TSequenceOf& UserList,
               int CurrentUserAttribute, int& Result, int& Diagnostic) {
  if (UserList.ElementCount() == 0) {
    Result = 0;
    Diagnostic = diagNone;
    return;
  }
  Result = 1;
  Diagnostic = diagCallingAEInvocationIdNotRecognized;
  const TBERInteger* id = Request.CallingAEInvocationId();
  if (!id) return;
  for (const auto& e : UserList.FElements) {
    const auto& entry = e->As<TSequence>();
    if (static_cast<int>(entry.Get<TNumber>(UserListEntry::UserId).AsUInt64()) != id->Value) continue;
    Result = 0;
    Diagnostic = diagNone;
    PduPtr user = entry.Clone();
    user->XMLId = Clone.AttributeXMLId(CurrentUserAttribute);
    Clone.ReplaceAttribute(CurrentUserAttribute, std::move(user));
    return;
  }
}

bool ChallengeInRange(const PduStr& Value) { return Value.size() >= 8 && Value.size() <= 64; }

}  // namespace

COSEMpduPtr TAssociationControl::HandleNonAssociated(TRequestSession& Session, const TCOSEMpdu& Service) {
  TTransferContext& ctx = Session.TransferContext();
  const int expected = TLogicalDevice::ServerSAP(Session.Device());
  if (expected != ctx.ServerId) {
    Logger().StringToLog(Format("*** APDU received for ServerSAP %d; expect ServerSAP %d", ctx.ServerId, expected));
    return nullptr;
  }
  if (Service.Value && Service.Value->IsA(T_AssociationRequest)) {
    // An attempt that does not end associated leaves nothing for the next one: a clone of
    // the other referencing kind kept here would hide the next association's status.
    COSEMpduPtr aare;
    try {
      aare = HandleAARQ(Session, Service.Value->As<TAssociationRequest>());
    } catch (...) {
      Session.SetMustInitTransferContext();
      throw;
    }
    if (ctx.GetAssociationStatus() == 0) Session.SetMustInitTransferContext();
    return aare;
  }
  return TMakeService::ExceptionResponse();
}

COSEMpduPtr TAssociationControl::HandleAARQ(TRequestSession& Session, const TAssociationRequest& Request) {
  TTransferContext& ctx = Session.TransferContext();
  TSequence& device = Session.Device();
  using H = TAssociationRequestHelper;

  // 1. What the request names.
  const bool mechanismNamed = Request.MechanismName() != nullptr;
  ctx.MechanismName = mechanismNamed ? H::MechanismName(Request) : OID::NO_SECURITY;
  ctx.ApplicationContextName = H::ContextName(Request);
  ctx.ClientSystemTitle.clear();
  ctx.ClientChallenge.clear();
  const bool authenticationBit = H::AuthenticationRequired(Request);
  const PduStr authenticationValue = H::AuthenticationValue(Request);
  const OID mechanism = ctx.MechanismName;
  const OID context = ctx.ApplicationContextName;
  const bool ciphered = IsCipheredContext(context);

  auto reject = [&](const std::string& reason, TAare a) {
    if (!reason.empty()) LogRejected(reason);
    return MakeAare(ctx, a);
  };
  TAare dflt;
  dflt.ACSERequirement = authenticationBit;

  // 2-8. The form of the request.
  const TBERBitStr* protocolVersion = Request.ProtocolVersion();
  if (protocolVersion && (protocolVersion->Value.empty() || protocolVersion->Value[0] != '1')) {
    TAare a;
    a.Provider = true;
    a.Diagnostic = diagNoCommonAcseVersion;
    a.WithTitle = true;
    return reject("Bad protocol version", a);
  }
  if (context != OID::LN && context != OID::SN && !ciphered) {
    TAare a;
    a.Diagnostic = diagApplicationContextNameNotSupported;
    a.WithTitle = true;
    return reject("Application context name not supported", a);
  }
  if (mechanism < OID::NO_SECURITY || mechanism > OID::HIGH_SECURITY_ECDSA) {
    TAare a;
    a.Diagnostic = diagAuthenticationMechanismNameNotRecognised;
    a.WithTitle = true;
    return reject("Mechanism name not supported", a);
  }
  if (mechanismNamed && mechanism == OID::NO_SECURITY && (authenticationBit || !authenticationValue.empty()))
    return reject("ACSE requirements and/or Authentication value in NO_SECURITY", TAare());
  if (mechanismNamed && mechanism != OID::NO_SECURITY && !authenticationBit)
    return reject("Security association without mechanism name or ACSE", TAare());
  if (authenticationBit && (!mechanismNamed || (authenticationValue.empty() && mechanism != OID::HIGH_SECURITY)))
    return reject("ACSE requirement present but without Mechanism name and/or without authentication value", dflt);
  if (Request.ImplementationInformation()) return reject("ImplementationInformation present", dflt);

  // 9. A dedicated key needs ciphering.
  if ((context == OID::LN || context == OID::SN) && Request.UserInformation() &&
      !TInitiateRequestHelper::DedicatedKey(*Request.UserInformation()->Value).empty()) {
    TAare a = dflt;
    a.ServiceError = kServiceErrorOther;
    return reject("Dedicated key is illegal in a non ciphered context", a);
  }

  // 10. Mechanisms that bind the client's system title.
  const TBEROctetStr* callingTitle = Request.CallingAPTitle();
  const bool titleOk = callingTitle && callingTitle->Value.size() == 8;
  if ((mechanism == OID::HIGH_SECURITY_GMAC || mechanism == OID::HIGH_SECURITY_SHA256 ||
       mechanism == OID::HIGH_SECURITY_ECDSA) && !titleOk) {
    TAare a = dflt;
    a.Diagnostic = diagCallingAPTitleNotRecognized;
    return reject("Calling AP title not recognized", a);
  }

  // 11. The association object that serves the client.
  const TCOSEMInstance* association = nullptr;
  if (IsLNContext(context)) {
    association = TLogicalDeviceHelper::FindLNAssociationByClientSAP(device, ctx.ClientId);
    if (!association) return reject("Association object not found", dflt);
    if (TLNAssociation::ApplicationContextName(*association).Value != context) {
      TAare a = dflt;
      a.Diagnostic = diagApplicationContextNameNotSupported;
      return reject("Application context doesn't match", a);
    }
    const TCOSEMPduBase* m = association->Attribute(LNAssociationAttr::AuthenticationMechanismName);
    if (m && m->As<TBERObjectIdentifier>().Value != OID::UNKNOWN && m->As<TBERObjectIdentifier>().Value != mechanism) {
      TAare a = dflt;
      a.Diagnostic = diagAuthenticationMechanismNameNotRecognised;
      return reject("Mechanism name doesn't match", a);
    }
  } else {
    association = TLogicalDeviceHelper::FindSNAssociation(device);
    if (!association) return reject("SN association object not found", dflt);
  }
  {
    const PduStr& reference = IsLNContext(context) ? TLNAssociation::SecuritySetupReference(*association)
                                                   : TSNAssociation::SecuritySetupReference(*association);
    TCOSEMInstance* setup = TLogicalDeviceHelper::FindInstance(device, nullptr, reference, 64);
    ctx.SecuritySetupObject = dynamic_cast<TCosemInstance_SecuritySetup*>(setup);
    // Every association that references a setup object gets its keys: also one without
    // ciphering needs them for HIGH_SECURITY_GMAC and HIGH_SECURITY_ECDSA.
    TAssociationProtection::MakeSecurityMaterial(ctx);
  }

  // 12. The protection of a ciphered association's user-information.
  if (ciphered) {
    if (!titleOk) {
      TAare a = dflt;
      a.Diagnostic = diagCallingAPTitleNotRecognized;
      return reject("Calling AP title not recognized", a);
    }
    if (!ctx.SecuritySetupObject)
      Logger().StringToLog("*** Ciphered Association does not referece a security setup object");
    if (!H::UserInformationProtected(Request)) return reject("", dflt);
    ctx.ClientSystemTitle = callingTitle->Value;
    try {
      TAssociationProtection::UnprotectUserInformation(ctx, *Request.UserInformation(),
                                                       "AARQ not sufficiently protected");
    } catch (const std::exception& e) {
      Logger().StringToLog(e.what());
      return reject("", TAare());
    }
  }

  // 13-15. The xDLMS negotiation.
  const int proposedMaxPduSize = H::ProposedMaxPduSize(Request);
  const TConformance& proposed = H::ProposedConformance(Request);
  const TCOSEMPduBase& initiate = *Request.UserInformation()->Value;
  if (ProposedDlmsVersionNumberOf(initiate) < 6) {
    TAare a = dflt;
    a.ServiceError = kServiceErrorDlmsVersionTooLow;
    return reject("", a);
  }
  {
    const TConformance* offered = IsLNContext(context) ? &TLNAssociation::Conformance(*association)
                                                       : TSNAssociation::Conformance(*association);
    PduPtr agreed = offered ? offered->Clone() : Create(T_Conformance, xmlConformance);
    if (!offered) agreed->As<TConformance>().SetDefaultValue();
    agreed->As<TConformance>().IntersectWith(proposed);
    ctx.SetAgreedConformance(agreed->As<TConformance>());
  }
  if ((TConformanceHelper::ToSet(proposed) & TConformanceHelper::ToSet(*ctx.AgreedConformance())).none()) {
    TAare a = dflt;
    a.ServiceError = kServiceErrorIncompatibleConformance;
    return reject("Negotiated conformance empty", a);
  }
  if (proposedMaxPduSize <= 11) {
    TAare a = dflt;
    a.ServiceError = kServiceErrorPduSizeTooShort;
    return reject("Proposed max receive pdu size too small", a);
  }

  // 16. A dedicated key goes into the key store.
  {
    const PduStr key = TInitiateRequestHelper::DedicatedKey(initiate);
    if (!key.empty()) {
      int suite = ctx.SecurityMaterial ? ctx.SecurityMaterial->GetSecuritySuite() : -1;
      const bool sizeOk = ((suite == 0 || suite == 1) && key.size() == 16) || (suite == 2 && key.size() == 32);
      if (!sizeOk) return reject("", TAare());
      ctx.SecurityMaterial->ReplaceSymmetricKey(kiDEK, key);
      Logger().StringToLog("*** Dedicated key transfered");
    } else if (ctx.SecurityMaterial) {
      ctx.SecurityMaterial->ReplaceSymmetricKey(kiDEK, PduStr());
    }
  }

  // 17-18. Authentication.
  const bool ln = IsLNContext(context);
  const int negotiatedPduSize = ln ? TLNAssociation::MaxRecPduSize(*association) : kSNNegotiatedPduSize;
  auto accept = [&](int status, int& result, int& diagnostic) {
    if (ln) AcceptLN(Session, Request, *association, status, result, diagnostic);
    else AcceptSN(Session, Request, *association, status, result, diagnostic);
  };
  TAare a;
  a.WithTitle = true;
  a.WithConformance = true;
  a.PduSize = negotiatedPduSize;
  if (mechanism == OID::NO_SECURITY) {
    accept(2, a.Result, a.Diagnostic);
  } else if (mechanism == OID::LOW_SECURITY) {
    a.ACSERequirement = true;
    if (authenticationValue.empty() || !Request.SenderACSERequirements()) {
      a.Diagnostic = diagAuthenticationFailure;
      return reject("authentication failure", a);
    }
    const PduStr* secret = nullptr;
    if (ln) {
      secret = &TLNAssociation::Secret(*association);
    } else if (const TOctetString* s = TSNAssociation::Secret(*association)) {
      secret = &s->Value;
    } else {
      Logger().StringToLog("*** No \"Secret\" available for LOW_SECURITY mechanism");
      a.Diagnostic = diagAuthenticationFailure;
      return MakeAare(ctx, a);
    }
    if (authenticationValue != *secret) {
      Logger().StringToLog("*** Wrong LOW_SECURITY Secret \"" + *secret + "\"");
      a.Diagnostic = diagAuthenticationFailure;
      a.WithConformance = !ln;
      return MakeAare(ctx, a);
    }
    accept(2, a.Result, a.Diagnostic);
  } else {
    a.ACSERequirement = true;
    if ((mechanism != OID::HIGH_SECURITY || !ln) && !ChallengeInRange(authenticationValue)) {
      TAare r;
      r.ACSERequirement = true;
      r.WithTitle = true;
      r.Diagnostic = diagAuthenticationFailure;
      return reject("authentication failure, challenge not in range", r);
    }
    ctx.ClientChallenge = authenticationValue;
    accept(1, a.Result, a.Diagnostic);
    if (a.Result == 0) a.Diagnostic = diagAuthenticationRequired;
    if (callingTitle) ctx.ClientSystemTitle = callingTitle->Value;
    ctx.MakeChallenge();
    a.RespondingAuthenticationValue = ctx.MyChallenge();
  }
  COSEMpduPtr aare = MakeAare(ctx, a);
  // 19. A ciphered association's answer is protected like its request.
  if (ciphered) {
    TAssociationResponse& r = TCOSEMPDUHelper::AsAssociationResponse(*aare);
    try {
      if (r.UserInformation()) TAssociationProtection::ProtectResponseUserInformation(ctx, *r.UserInformation());
    } catch (...) {
      // No answer goes out, so the association the client never saw accepted ends here.
      Session.SetMustInitTransferContext();
      throw;
    }
  }
  return aare;
}

void TAssociationControl::AcceptLN(TRequestSession& Session, const TAssociationRequest& Request,
                                   const TCOSEMInstance& Association, int Status, int& Result, int& Diagnostic) {
  TTransferContext& ctx = Session.TransferContext();
  ctx.SetCurrentLNAssociationObjectClone(Association);
  TCOSEMInstance& clone = *ctx.CurrentLNAssociationObject();
  clone.Get<TOctetString>(LNAssociationAttr::Name - 1).Value = kCurrentAssociationName;
  TLogicalDeviceHelper::AddCurrentAssociation(Session.Device(), clone);
  if (TFormPreferences::GetCHKComleteObjecList()) {
    TLogicalDeviceHelper::CompleteLNObjectList(Session.Device(), clone);
    Logger().StringToLog("*** CurrentLNAssociationObject object-list completed");
  }
  ctx.AgreedMaxSendPduSize =
      std::min(TLNAssociation::MaxSendPduSize(clone), TAssociationRequestHelper::ProposedMaxPduSize(Request));
  Logger().StringToLog(Format("Max.Pdu size = %d", ctx.AgreedMaxSendPduSize));
  CheckUser(Request, clone, TLNAssociation::UserList(clone), LNAssociationAttr::CurrentUser, Result, Diagnostic);
  ctx.SetAssociationStatus(Result != 0 ? 0 : Status);
}

void TAssociationControl::AcceptSN(TRequestSession& Session, const TAssociationRequest& Request,
                                   const TCOSEMInstance& Association, int Status, int& Result, int& Diagnostic) {
  TTransferContext& ctx = Session.TransferContext();
  ctx.SetCurrentSNAssociationObjectClone(Association);
  TCOSEMInstance& clone = *ctx.CurrentSNAssociationObject();
  if (TFormPreferences::GetCHKComleteObjecList()) {
    TLogicalDeviceHelper::CompleteSNObjectList(Session.Device(), clone);
    TSNAssociationObjectHelper::Sort(clone);
    TMiscHelpers::LogProtocolItem(&clone, "TransferContext.CurrentSNAssociationObject:", 20);
  } else {
    TSNAssociationObjectHelper::Sort(clone);
  }
  ctx.AgreedMaxSendPduSize = std::min(kSNNegotiatedPduSize, TAssociationRequestHelper::ProposedMaxPduSize(Request));
  Logger().StringToLog(Format("Max.Pdu size = %d", ctx.AgreedMaxSendPduSize));
  CheckUser(Request, clone, TSNAssociation::UserList(clone), SNAssociationAttr::CurrentUser, Result, Diagnostic);
  ctx.SetAssociationStatus(Result != 0 ? 0 : Status);
}

bool TAssociationControl::CheckChallengeResponse(const TTransferContext& Context, const PduStr& MyChallenge,
                                                 const PduStr& Response) {
  const PduStr& secret = SecretOf(Context);
  switch (Context.MechanismName) {
    case OID::HIGH_SECURITY_MD5: return Response == THASH::MD5(MyChallenge + secret);
    case OID::HIGH_SECURITY_SHA1: return Response == THASH::SHA1(MyChallenge + secret);
    case OID::HIGH_SECURITY_SHA256:
      return Response == THASH::SHA256(secret + Context.ClientSystemTitle + Context.MySystemTitle + MyChallenge +
                                       Context.ClientChallenge);
    case OID::HIGH_SECURITY_GMAC: return THLSAuthentication::CheckGMAC(Context, MyChallenge, Response);
    case OID::HIGH_SECURITY_ECDSA: return THLSAuthentication::CheckECDSA(Context, MyChallenge, Response);
    default: return false;
  }
}

std::unique_ptr<TData> TAssociationControl::MakeChallengeResponse(TTransferContext& Context,
                                                                  const PduStr& ClientChallenge) {
  const PduStr& secret = SecretOf(Context);
  PduStr value;
  switch (Context.MechanismName) {
    case OID::HIGH_SECURITY_MD5: value = THASH::MD5(ClientChallenge + secret); break;
    case OID::HIGH_SECURITY_SHA1: value = THASH::SHA1(ClientChallenge + secret); break;
    case OID::HIGH_SECURITY_SHA256:
      value = THASH::SHA256(secret + Context.MySystemTitle + Context.ClientSystemTitle + ClientChallenge +
                            Context.MyChallenge());
      break;
    case OID::HIGH_SECURITY_GMAC: value = THLSAuthentication::GMACResponse(Context, ClientChallenge); break;
    case OID::HIGH_SECURITY_ECDSA: value = THLSAuthentication::ECDSAResponse(Context, ClientChallenge); break;
    default: break;
  }
  return TDataHelper::MakeFromXml(Format("<Data><OctetString Value = \"%s\"/></Data>", ByteStrToHexStr(value).c_str()));
}

COSEMpduPtr TAssociationControl::HandleAssociationPending(TRequestSession& Session, const TCOSEMpdu& Service) {
  TTransferContext& ctx = Session.TransferContext();
  ctx.SetAssociationStatus(0);
  COSEMpduPtr answer;
  if (ctx.ProtectionOfRequestReceived() && ctx.ProtectionOfRequestReceived()->UseDedicatedServices()) {
    answer = TMakeService::ExceptionResponse();
  } else if (Service.Value && Service.Value->IsA(T_ActionRequest)) {
    const TChoice& action = Service.Value->As<TChoice>();
    bool passed = false;
    int invokeId = 0;
    if (action.Value && action.Value->IsA(T_ActionRequestNormal)) {
      const TSequence& req = action.Value->As<TSequence>();
      invokeId = static_cast<int>(req.Get<TNumber>(ActionRequestNormal::InvokeIdAndPriority).AsUInt64());
      const TSequence& md = req.Get<TSequence>(ActionRequestNormal::MethodDescriptor);
      const auto* parameters = dynamic_cast<const TChoice*>(req.Member(ActionRequestNormal::MethodInvocationParameters));
      passed = md.Get<TNumber>(MethodDescriptor::ClassId).AsUInt64() == 15 &&
               md.Get<TOctetString>(MethodDescriptor::InstanceId).Value == kCurrentAssociationName &&
               md.Get<TNumber>(MethodDescriptor::MethodId).AsInt64() == 1 && parameters && parameters->Value &&
               parameters->Value->IsA(T_OctetString) &&
               CheckChallengeResponse(ctx, ctx.MyChallenge(), TDataHelper::OctetStringValue(*parameters));
    }
    if (passed) {
      answer = TMakeService::ActionResponse_Data(invokeId, *MakeChallengeResponse(ctx, ctx.ClientChallenge));
      ctx.SetAssociationStatus(2);
    } else {
      answer = TMakeService::ExceptionResponse();
    }
  } else if (Service.Value && Service.Value->IsA(T_ReadRequest)) {
    const TSequenceOf& items = Service.Value->As<TSequenceOf>();
    bool passed = false;
    if (items.ElementCount() == 1) {
      const TChoice& item = items.Elements(0)->As<TChoice>();
      if (item.Value && item.Value->IsA(T_ParametrisedAccess)) {
        const TSequence& pa = item.Value->As<TSequence>();
        const auto* parameter = dynamic_cast<const TChoice*>(pa.Member(ParametrisedAccess::Parameter));
        passed = (pa.Get<TNumber>(ParametrisedAccess::VariableName).AsUInt64() & 0xFFFF) == kSNReplyToHLSAuthentication &&
                 parameter && parameter->Value && parameter->Value->IsA(T_OctetString) &&
                 CheckChallengeResponse(ctx, ctx.MyChallenge(), TDataHelper::OctetStringValue(*parameter));
      }
    }
    if (passed) {
      answer = TMakeService::ReadResponse_Data(*MakeChallengeResponse(ctx, ctx.ClientChallenge));
      ctx.SetAssociationStatus(2);
    } else {
      answer = TMakeService::ReadResponse_DataAccessError(250);
    }
  } else if (Service.Value && Service.Value->IsA(T_AccessRequest)) {
    const TSequence& req = Service.Value->As<TSequence>();
    const TSequence& body = req.Get<TSequence>(AccessRequest::AccessRequestBody);
    const TSequenceOf& items = body.Get<TSequenceOf>(AccessRequestBody::AccessRequestSpecification);
    const TSequenceOf& data = body.Get<TSequenceOf>(AccessRequestBody::AccessRequestListOfData);
    bool passed = false;
    if (items.ElementCount() == 1) {
      const TChoice& item = items.Elements(0)->As<TChoice>();
      const TData* first = GetDataElement(data, 0);
      if (item.Value && item.Value->IsA(T_AccessRequestAction) && first && first->Value &&
          first->Value->IsA(T_OctetString)) {
        const TSequence& md = item.Value->As<TSequence>().Get<TSequence>(AccessRequestItem::Descriptor);
        passed = md.Get<TNumber>(MethodDescriptor::ClassId).AsUInt64() == 15 &&
                 md.Get<TOctetString>(MethodDescriptor::InstanceId).Value == kCurrentAssociationName &&
                 md.Get<TNumber>(MethodDescriptor::MethodId).AsInt64() == 1 &&
                 CheckChallengeResponse(ctx, ctx.MyChallenge(), TDataHelper::OctetStringValue(*first));
      }
    }
    if (passed) {
      const uint32_t invoke =
          static_cast<uint32_t>(req.Get<TNumber>(AccessRequest::LongInvokeIdAndPriority).AsUInt64());
      const bool selfDescriptive = TLongInvokeIdAndPriorityHelper::SelfDescriptive(invoke);
      answer = selfDescriptive ? TMakeService::AccessResponseSelfDescriptive(invoke)
                               : TMakeService::AccessResponseNotSelfDescriptive(invoke);
      TSequence& response = answer->Value->As<TSequence>();
      if (!req.Get<TOctetString>(AccessRequest::DateTime).Value.empty()) {
        TDateTimeRecord now;
        DateTimeToRecord(now, NowDateTime());
        response.Get<TOctetString>(AccessResponse::DateTime).Value = now.COSEMDateTime();
      }
      TSequence& responseBody = response.Get<TSequence>(AccessResponse::AccessResponseBody);
      if (selfDescriptive)
        responseBody.Get<TSequenceOf>(AccessResponseBody::AccessRequestSpecification).Add(items.Elements(0)->Clone());
      responseBody.Get<TSequenceOf>(AccessResponseBody::AccessResponseListOfData)
          .Add(MakeChallengeResponse(ctx, ctx.ClientChallenge));
      responseBody.Get<TSequenceOf>(AccessResponseBody::AccessResponseSpecification)
          .Add(MakeAnyFromXml(xmlAccessResponseSpecification, T_AccessResponseSpecification,
                              "<AccessResponseSpecification>  <AccessResponseAction>    <Result Value = \"Success\" />"
                              "  </AccessResponseAction></AccessResponseSpecification>"));
      ctx.SetAssociationStatus(2);
    } else {
      answer = TMakeService::ExceptionResponse();
    }
  } else {
    answer = TMakeService::ExceptionResponse();
  }
  if (ctx.GetAssociationStatus() != 2) Session.SetMustInitTransferContext();
  return answer;
}

COSEMpduPtr TAssociationControl::HandleRelease(TRequestSession& Session, const TReleaseRequest& Request) {
  TTransferContext& ctx = Session.TransferContext();
  const bool ciphered = IsCipheredContext(ctx.ApplicationContextName);
  bool accepted;
  if (!ciphered) {
    accepted = !TReleaseRequestHelper::UserInformationProtected(Request);
  } else {
    accepted = TReleaseRequestHelper::UserInformationProtected(Request);
    if (accepted) {
      try {
        TAssociationProtection::UnprotectUserInformation(ctx, *Request.UserInformation(),
                                                         "RLRQ not sufficiently protected");
      } catch (const std::exception&) {
        accepted = false;
      }
    }
  }
  if (!accepted) return TMakeService::ExceptionResponse();
  // The association ends even when its answer cannot be protected.
  Session.SetMustInitTransferContext();
  COSEMpduPtr answer;
  if (ciphered && ctx.InLNContext() && ctx.AgreedConformance()) {
    answer = TMakeService::RLRE_Normal_UserInformation(ctx.ApplicationContextName, *ctx.AgreedConformance(),
                                                       ctx.AgreedMaxSendPduSize);
    TReleaseResponse& r = TCOSEMPDUHelper::AsReleaseResponse(*answer);
    if (r.UserInformation()) TAssociationProtection::ProtectResponseUserInformation(ctx, *r.UserInformation());
  } else {
    answer = TMakeService::RLRE_Normal();
  }
  return answer;
}

}  // namespace zv
