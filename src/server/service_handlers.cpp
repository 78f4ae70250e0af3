#include "server/service_handlers.h"

#include <algorithm>

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
#include "server/service_support.h"
#include "server/settings.h"
#include "server/transfer_context.h"

namespace zv {

namespace {

bool InLNContext(const TTransferContext& Context) { return Context.InLNContext(); }

bool InSNContext(const TTransferContext& Context) {
  return Context.ApplicationContextName == TObjectIdentifier::SN ||
         Context.ApplicationContextName == TObjectIdentifier::SN_WITH_CIPHERING;
}

}  // namespace

bool Agreed(const TTransferContext& Context, int Bit) {
  return Context.AgreedConformance() && Context.AgreedConformance()->IsSet(Bit);
}

int NoteInvokeId(TTransferContext& Context, const TSequence& Request) {
  const int invokeId = static_cast<int>(Request.Get<TNumber>(0).AsUInt64());
  Context.Confirmed = TInvokeIdAndPriorityHelper::Confirmed(static_cast<uint8_t>(invokeId));
  return invokeId;
}

TReference ReferenceOf(const TSequence& Descriptor) {
  return {static_cast<int>(Descriptor.Get<TNumber>(AttributeDescriptor::ClassId).AsUInt64()),
          Descriptor.Get<TOctetString>(AttributeDescriptor::InstanceId).Value,
          static_cast<int>(Descriptor.Get<TNumber>(AttributeDescriptor::AttributeId).AsInt64())};
}

const TSequence* OptionalSequence(const TSequence& Owner, size_t Member) {
  const TCOSEMPduBase* m = Owner.Member(Member);
  return m ? &m->As<TSequence>() : nullptr;
}

void StartBlocks(TBlockTransferWithGetOrRead& Transfer, const PduStr& RawData, int AgreedMaxSendPduSize) {
  Transfer.InProgress = true;
  Transfer.RemainingData = RawData;
  Transfer.NextBlockNumber = 2;
  // The smallest PDU size an association accepts leaves no room for raw data; one octet per
  // block still lets the transfer end.
  Transfer.MaxRawDataSize = std::max(1, AgreedMaxSendPduSize - 12);
}

PduStr TakeBlock(TBlockTransferWithGetOrRead& Transfer, bool& LastBlock) {
  const size_t size = static_cast<size_t>(std::max(1, Transfer.MaxRawDataSize));
  LastBlock = size >= Transfer.RemainingData.size();
  PduStr block = Transfer.RemainingData.substr(0, size);
  Transfer.RemainingData.erase(0, block.size());
  Transfer.InProgress = !Transfer.RemainingData.empty();
  return block;
}

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
    // The answer adds four octets to the value: tag, choice, invoke id and result choice.
    if (static_cast<int>(encoded.size()) + 4 > ctx.AgreedMaxSendPduSize) {
      if (Agreed(ctx, cbBlockTransferWithGetOrRead)) return StartGetBlockTransfer(Session, encoded, invokeId);
      return TMakeService::GetResponseNormal_DataAccessResult(invokeId, srcOtherReason);
    }
  }
  return TMakeService::GetResponseNormal(*result, invokeId);
}

COSEMpduPtr TServiceHandlers::HandleGetWithList(TRequestSession& Session, const TSequence& Request) {
  TTransferContext& ctx = Session.TransferContext();
  const int invokeId = NoteInvokeId(ctx, Request);
  if (!Agreed(ctx, cbMultipleReferences)) return TMakeService::GetResponseNormal_DataAccessResult(invokeId, srcOtherReason);
  PduPtr list = Create(T_ListOfGetDataResult, xmlResult);
  size_t assembled = 0;
  for (const auto& e : Request.Get<TSequenceOf>(GetRequestWithList::AttributeDescriptorList).FElements) {
    const TSequence& item = e->As<TSequence>();
    const TReference r = ReferenceOf(item.Get<TSequence>(AttributeDescriptorWithSelection::AttributeDescriptor));
    PduPtr result = TLogicalDeviceHelper::GetAttribute(Session.Device(), ctx, r.InstanceId, r.ClassId, r.Id,
                                                       OptionalSequence(item, AttributeDescriptorWithSelection::AccessSelection));
    assembled += static_cast<size_t>(result->PDUSize());
    if (assembled > kMaxAssembledAnswer) return TMakeService::GetResponseNormal_DataAccessResult(invokeId, srcOtherReason);
    list->As<TSequenceOf>().Add(std::move(result));
  }
  PduStr encoded;
  list->EncodeToPduStr(encoded);
  if (static_cast<int>(encoded.size()) + 3 > ctx.AgreedMaxSendPduSize)
    return StartGetBlockTransfer(Session, encoded, invokeId);
  return TMakeService::GetResponseWithList(*list, invokeId);
}

COSEMpduPtr TServiceHandlers::StartGetBlockTransfer(TRequestSession& Session, const PduStr& RawData,
                                                    int InvokeIdAndPriority) {
  TTransferContext& ctx = Session.TransferContext();
  TBlockTransferWithGetOrRead& transfer = ctx.BlockTransferWithGetOrRead;
  StartBlocks(transfer, RawData, ctx.AgreedMaxSendPduSize);
  bool last = false;
  const PduStr block = TakeBlock(transfer, last);
  return TMakeService::GetResponseWithDataBlock(InvokeIdAndPriority, last, 1, block);
}

COSEMpduPtr TServiceHandlers::HandleGetNext(TRequestSession& Session, const TSequence& Request) {
  TTransferContext& ctx = Session.TransferContext();
  const int invokeId = NoteInvokeId(ctx, Request);
  const auto requested =
      static_cast<uint32_t>(Request.Get<TNumber>(GetRequestForNextDatablock::BlockNumber).AsUInt64());
  TBlockTransferWithGetOrRead& transfer = ctx.BlockTransferWithGetOrRead;
  if (!transfer.InProgress)
    return TMakeService::GetResponseWithDataBlock_DataAccessResult(invokeId, true, requested,
                                                                   srcNoLongGetOrReadInProgress);
  // The client acknowledges the last block sent; any other number leaves the transfer as it is.
  if (requested != static_cast<uint32_t>(transfer.NextBlockNumber - 1))
    return TMakeService::GetResponseWithDataBlock_DataAccessResult(invokeId, true, requested,
                                                                   srcLongGetOrReadAborted);
  bool last = false;
  const PduStr block = TakeBlock(transfer, last);
  const int number = transfer.NextBlockNumber++;
  return TMakeService::GetResponseWithDataBlock(invokeId, last, static_cast<uint32_t>(number), block);
}

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

COSEMpduPtr TServiceHandlers::HandleSetFirstBlock(TRequestSession& Session, const TSequence& Request) {
  TTransferContext& ctx = Session.TransferContext();
  const int invokeId = NoteInvokeId(ctx, Request);
  const TReference r = ReferenceOf(Request.Get<TSequence>(SetRequestWithFirstDataBlock::AttributeDescriptor));
  const TSequence& block = Request.Get<TSequence>(SetRequestWithFirstDataBlock::DataBlock);
  TBlockTransferWithSetOrWrite& transfer = ctx.BlockTransferWithSetOrWrite;
  // A first block starts a new transfer whatever came before; its last-block flag is not read.
  transfer.InProgress = true;
  transfer.NextBlockNumber = 1;
  transfer.InstanceId = r.InstanceId;
  transfer.ClassId = r.ClassId;
  transfer.AttributeId = static_cast<int8_t>(r.Id);
  transfer.RawDataReceived = block.Get<TOctetString>(DataBlock_SA::RawData).Value;
  if (block.Get<TNumber>(DataBlock_SA::BlockNumber).AsUInt64() != 1) return TMakeService::ExceptionResponse();
  transfer.NextBlockNumber = 2;
  return TMakeService::SetResponseForDataBlock(invokeId, 1);
}

COSEMpduPtr TServiceHandlers::HandleSetBlock(TRequestSession& Session, const TSequence& Request) {
  TTransferContext& ctx = Session.TransferContext();
  const int invokeId = NoteInvokeId(ctx, Request);
  const TSequence& block = Request.Get<TSequence>(SetRequestWithDataBlock::DataBlock);
  TBlockTransferWithSetOrWrite& transfer = ctx.BlockTransferWithSetOrWrite;
  if (!transfer.InProgress ||
      block.Get<TNumber>(DataBlock_SA::BlockNumber).AsUInt64() != static_cast<uint64_t>(transfer.NextBlockNumber))
    return TMakeService::ExceptionResponse();
  const PduStr& raw = block.Get<TOctetString>(DataBlock_SA::RawData).Value;
  if (transfer.RawDataReceived.size() + raw.size() > kMaxJoinedBlockData) {
    transfer.InProgress = false;
    transfer.RawDataReceived.clear();
    return TMakeService::ExceptionResponse();
  }
  transfer.RawDataReceived += raw;
  if (!block.Get<TNumber>(DataBlock_SA::LastBlock).AsBool())
    return TMakeService::SetResponseForDataBlock(invokeId, static_cast<uint32_t>(transfer.NextBlockNumber++));
  // The last block ends the transfer: a further block is out of sequence.
  transfer.InProgress = false;
  const PduStr joined = std::move(transfer.RawDataReceived);
  transfer.RawDataReceived.clear();
  std::unique_ptr<TData> value;
  try {
    value = TDataHelper::MakeFromPduStr(joined);
  } catch (const Exception&) {
    // Joined octets that are no Data value are refused like a value of the wrong type.
  }
  const int code = value ? TLogicalDeviceHelper::SetAttribute(Session.Device(), ctx, ctx.CurrentLNAssociationObject(),
                                                               transfer.InstanceId, transfer.ClassId,
                                                               transfer.AttributeId, *value)
                         : srcTypeUnmatched;
  return TMakeService::SetResponseForLastDataBlock(invokeId, code, static_cast<uint32_t>(transfer.NextBlockNumber));
}

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

}  // namespace zv
