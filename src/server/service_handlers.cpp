#include "server/service_handlers.h"

#include "apdu/access.h"
#include "apdu/conformance.h"
#include "apdu/ln_services.h"
#include "apdu/sn_services.h"
#include "cosem/logical_device.h"
#include "foundation/data_helper.h"
#include "foundation/logger.h"
#include "server/association_control.h"
#include "server/make_service.h"
#include "server/object_services.h"
#include "server/request_helpers.h"
#include "server/request_session.h"
#include "server/settings.h"
#include "server/transfer_context.h"

namespace zv {

namespace {

constexpr int kOtherReason = 250;

bool InLNContext(const TTransferContext& Context) { return Context.InLNContext(); }

bool InSNContext(const TTransferContext& Context) {
  return Context.ApplicationContextName == TObjectIdentifier::SN ||
         Context.ApplicationContextName == TObjectIdentifier::SN_WITH_CIPHERING;
}

bool Agreed(const TTransferContext& Context, int Bit) {
  return Context.AgreedConformance() && Context.AgreedConformance()->IsSet(Bit);
}

int InvokeIdOf(const TSequence& Request) {
  return static_cast<int>(Request.Get<TNumber>(0).AsUInt64());
}

// The invoke-id-and-priority of the request, with its service class noted in the context.
int NoteInvokeId(TTransferContext& Context, const TSequence& Request) {
  const int invokeId = InvokeIdOf(Request);
  Context.Confirmed = TInvokeIdAndPriorityHelper::Confirmed(static_cast<uint8_t>(invokeId));
  return invokeId;
}

// The fields of an attribute or method descriptor.
struct TReference {
  int ClassId;
  PduStr InstanceId;
  int Id;
};

TReference ReferenceOf(const TSequence& Descriptor) {
  return {static_cast<int>(Descriptor.Get<TNumber>(AttributeDescriptor::ClassId).AsUInt64()),
          Descriptor.Get<TOctetString>(AttributeDescriptor::InstanceId).Value,
          static_cast<int>(Descriptor.Get<TNumber>(AttributeDescriptor::AttributeId).AsInt64())};
}

const TSequence* OptionalSequence(const TSequence& Owner, size_t Member) {
  const TCOSEMPduBase* m = Owner.Member(Member);
  return m ? &m->As<TSequence>() : nullptr;
}

}  // namespace

COSEMpduPtr TServiceHandlers::ServiceNotSupported() { return TMakeService::ExceptionNotImplemented(); }

COSEMpduPtr TServiceHandlers::HandleAssociated(TRequestSession& Session, const TCOSEMpdu& Service) {
  TTransferContext& ctx = Session.TransferContext();
  if (TLogicalDevice::ServerSAP(Session.Device()) != ctx.ServerId) return nullptr;
  const TCOSEMPduBase* v = Service.Value.get();
  if (!v) return ServiceNotSupported();
  if (v->IsA(T_ReleaseRequest)) return TAssociationControl::HandleRelease(Session, v->As<TReleaseRequest>());
  if (v->IsA(T_GetRequest))
    return InLNContext(ctx) ? HandleGet(Session, v->As<TChoice>()) : TMakeService::ExceptionResponse();
  if (v->IsA(T_SetRequest))
    return InLNContext(ctx) ? HandleSet(Session, v->As<TChoice>()) : TMakeService::ExceptionResponse();
  if (v->IsA(T_ReadRequest))
    return InSNContext(ctx) ? HandleRead(Session, v->As<TSequenceOf>()) : TMakeService::ExceptionResponse();
  if (v->IsA(T_WriteRequest))
    return InSNContext(ctx) ? HandleWrite(Session, v->As<TSequence>()) : TMakeService::ExceptionResponse();
  if (v->IsA(T_ActionRequest))
    return InLNContext(ctx) ? HandleAction(Session, v->As<TChoice>()) : TMakeService::ExceptionResponse();
  if (v->IsA(T_AccessRequest))
    return InLNContext(ctx) ? HandleAccess(Session, v->As<TSequence>()) : TMakeService::ExceptionResponse();
  if (v->IsA(T_AssociationRequest)) {
    Logger().StringToLog("*** AARQ received in Associated state");
    if (!TFormPreferences::GetAcceptAARQWhenAssociated()) return TMakeService::ExceptionResponse();
    const int clientId = ctx.ClientId, serverId = ctx.ServerId;
    Session.InitTransferContext();
    Session.TransferContext().ClientId = clientId;
    Session.TransferContext().ServerId = serverId;
    Logger().StringToLog("*** Accept AARQ in Associated state");
    return TAssociationControl::HandleNonAssociated(Session, Service);
  }
  return ServiceNotSupported();
}

// ---- GET ------------------------------------------------------------------------------------

COSEMpduPtr TServiceHandlers::HandleGet(TRequestSession& Session, const TChoice& Request) {
  const TCOSEMPduBase* v = Request.Value.get();
  if (v && v->IsA(T_GetRequestNormal)) return HandleGetNormal(Session, v->As<TSequence>());
  if (v && v->IsA(T_GetRequestWithList)) return HandleGetWithList(Session, v->As<TSequence>());
  if (v && v->IsA(T_GetRequestForNextDatablock)) return HandleGetNext(Session, v->As<TSequence>());
  return ServiceNotSupported();
}

COSEMpduPtr TServiceHandlers::HandleGetNormal(TRequestSession& Session, const TSequence& Request) {
  TTransferContext& ctx = Session.TransferContext();
  const int invokeId = NoteInvokeId(ctx, Request);
  const TReference r = ReferenceOf(Request.Get<TSequence>(GetRequestNormal::AttributeDescriptor));
  PduPtr result = TLogicalDeviceHelper::GetAttribute(Session.Device(), ctx, r.InstanceId, r.ClassId, r.Id,
                                                     OptionalSequence(Request, GetRequestNormal::AccessSelection));
  const TChoice& choice = result->As<TChoice>();
  if (choice.Value && choice.Value->IsA(T_Data) && !Agreed(ctx, cbGeneralBlockTransfer)) {
    PduStr encoded;
    choice.Value->EncodeToPduStr(encoded);
    if (static_cast<int>(encoded.size()) + 3 > ctx.AgreedMaxSendPduSize) {
      if (Agreed(ctx, cbBlockTransferWithGetOrRead)) return StartGetBlockTransfer(Session, encoded, invokeId);
      return TMakeService::GetResponseNormal_DataAccessResult(invokeId, kOtherReason);
    }
  }
  return TMakeService::GetResponseNormal(*result, invokeId);
}

COSEMpduPtr TServiceHandlers::HandleGetWithList(TRequestSession& Session, const TSequence& Request) {
  TTransferContext& ctx = Session.TransferContext();
  const int invokeId = NoteInvokeId(ctx, Request);
  if (!Agreed(ctx, cbMultipleReferences)) return TMakeService::GetResponseNormal_DataAccessResult(invokeId, kOtherReason);
  PduPtr list = Create(T_ListOfGetDataResult, xmlResult);
  for (const auto& e : Request.Get<TSequenceOf>(GetRequestWithList::AttributeDescriptorList).FElements) {
    const TSequence& item = e->As<TSequence>();
    const TReference r = ReferenceOf(item.Get<TSequence>(AttributeDescriptorWithSelection::AttributeDescriptor));
    list->As<TSequenceOf>().Add(TLogicalDeviceHelper::GetAttribute(
        Session.Device(), ctx, r.InstanceId, r.ClassId, r.Id,
        OptionalSequence(item, AttributeDescriptorWithSelection::AccessSelection)));
  }
  PduStr encoded;
  list->EncodeToPduStr(encoded);
  if (static_cast<int>(encoded.size()) + 3 > ctx.AgreedMaxSendPduSize)
    return StartGetBlockTransfer(Session, encoded, invokeId);
  return TMakeService::GetResponseWithList(*list, invokeId);
}

// Long answers in data blocks are not served yet: such an answer is refused as when block
// transfer is not agreed, and a request for a next block as an unsupported service.
COSEMpduPtr TServiceHandlers::StartGetBlockTransfer(TRequestSession&, const PduStr&, int InvokeIdAndPriority) {
  return TMakeService::GetResponseNormal_DataAccessResult(InvokeIdAndPriority, kOtherReason);
}

COSEMpduPtr TServiceHandlers::HandleGetNext(TRequestSession&, const TSequence&) { return ServiceNotSupported(); }

// ---- SET ------------------------------------------------------------------------------------

COSEMpduPtr TServiceHandlers::HandleSet(TRequestSession& Session, const TChoice& Request) {
  const TCOSEMPduBase* v = Request.Value.get();
  if (v && v->IsA(T_SetRequestNormal)) return HandleSetNormal(Session, v->As<TSequence>());
  if (v && v->IsA(T_SetRequestWithFirstDataBlock)) return HandleSetFirstBlock(Session, v->As<TSequence>());
  if (v && v->IsA(T_SetRequestWithDataBlock)) return HandleSetBlock(Session, v->As<TSequence>());
  return ServiceNotSupported();
}

COSEMpduPtr TServiceHandlers::HandleSetNormal(TRequestSession& Session, const TSequence& Request) {
  TTransferContext& ctx = Session.TransferContext();
  const int invokeId = NoteInvokeId(ctx, Request);
  const TReference r = ReferenceOf(Request.Get<TSequence>(SetRequestNormal::AttributeDescriptor));
  const TData& value = Request.Get<TChoice>(SetRequestNormal::Value);
  const int code = TLogicalDeviceHelper::SetAttribute(Session.Device(), ctx, ctx.CurrentLNAssociationObject(),
                                                      r.InstanceId, r.ClassId, r.Id, value);
  return TMakeService::SetResponseNormal(invokeId, code);
}

// Requests in data blocks are not served yet.
COSEMpduPtr TServiceHandlers::HandleSetFirstBlock(TRequestSession&, const TSequence&) { return ServiceNotSupported(); }
COSEMpduPtr TServiceHandlers::HandleSetBlock(TRequestSession&, const TSequence&) { return ServiceNotSupported(); }

// ---- ACTION ---------------------------------------------------------------------------------

COSEMpduPtr TServiceHandlers::HandleAction(TRequestSession& Session, const TChoice& Request) {
  const TCOSEMPduBase* v = Request.Value.get();
  if (v && v->IsA(T_ActionRequestNormal)) return HandleActionNormal(Session, v->As<TSequence>());
  return ServiceNotSupported();
}

COSEMpduPtr TServiceHandlers::HandleActionNormal(TRequestSession& Session, const TSequence& Request) {
  TTransferContext& ctx = Session.TransferContext();
  const int invokeId = NoteInvokeId(ctx, Request);
  const TReference r = ReferenceOf(Request.Get<TSequence>(ActionRequestNormal::MethodDescriptor));
  const auto* parameters = dynamic_cast<const TData*>(Request.Member(ActionRequestNormal::MethodInvocationParameters));
  std::unique_ptr<TData> returned;
  const int code = TLogicalDeviceHelper::InvokeMethod(Session.Device(), ctx, ctx.CurrentLNAssociationObject(),
                                                      r.InstanceId, r.ClassId, r.Id, parameters, returned);
  return TMakeService::ActionResponseNormal(invokeId, code, returned.get());
}

// ---- ACCESS, READ and WRITE are not served yet --------------------------------------------------

COSEMpduPtr TServiceHandlers::HandleAccess(TRequestSession&, const TSequence&) { return ServiceNotSupported(); }
COSEMpduPtr TServiceHandlers::HandleRead(TRequestSession&, const TSequenceOf&) { return ServiceNotSupported(); }
COSEMpduPtr TServiceHandlers::HandleWrite(TRequestSession&, const TSequence&) { return ServiceNotSupported(); }

}  // namespace zv
