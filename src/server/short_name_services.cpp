// READ and WRITE in short-name referencing: base names resolved through the current SN
// association, long read answers sent in data blocks, long write requests received in
// data blocks.
#include "apdu/conformance.h"
#include "apdu/sn_services.h"
#include "foundation/data_helper.h"
#include "server/make_service.h"
#include "server/object_services.h"
#include "server/request_session.h"
#include "server/service_handlers.h"
#include "server/service_support.h"
#include "server/transfer_context.h"

namespace zv {

namespace {

int BaseNameOf(const TCOSEMPduBase& ObjectName) { return static_cast<int>(ObjectName.As<TNumber>().AsUInt64() & 0xFFFF); }

const TCOSEMPduBase* AlternativeOf(const TCOSEMPduBase* Element) {
  const auto* c = Element ? dynamic_cast<const TChoice*>(Element) : nullptr;
  return c ? c->Value.get() : nullptr;
}

// The write request joined from blocks is served without blocks of its own: the client
// cannot make the server nest requests in requests.
COSEMpduPtr Write(TRequestSession& Session, const TSequence& Request, bool BlocksAllowed) {
  TTransferContext& ctx = Session.TransferContext();
  ctx.Confirmed = true;
  const TSequenceOf& accesses = Request.Get<TSequenceOf>(WriteRequest::ListOfVariableAccessSpecification);
  const TSequenceOf& data = Request.Get<TSequenceOf>(WriteRequest::ListOfData);
  if (accesses.ElementCount() != data.ElementCount()) return TMakeService::ExceptionResponse();
  COSEMpduPtr response = TCOSEMPDUHelper::CreateVariant(xmlWriteResponse);
  TSequenceOf& results = response->Value->As<TSequenceOf>();
  for (int i = 0; i < accesses.ElementCount(); ++i) {
    const TCOSEMPduBase* access = AlternativeOf(accesses.Elements(i));
    if (access && access->IsA(T_ObjectName)) {
      const TData* value = GetDataElement(data, i);
      if (!value) return TMakeService::ExceptionResponse();
      results.Add(TLogicalDeviceHelper::WriteAttribute(Session.Device(), ctx, ctx.CurrentSNAssociationObject(),
                                                       BaseNameOf(*access), *value));
      continue;
    }
    if (!access || !access->IsA(T_WriteDataBlockAccess)) return TServiceHandlers::ServiceNotSupported();
    if (!BlocksAllowed) return TMakeService::ExceptionResponse();
    // Every block carries its raw data as the octet string of the first data element.
    const TData* first = GetDataElement(data, 0);
    if (!first || !first->Value || !first->Value->IsA(T_OctetString)) return TMakeService::ExceptionResponse();
    TBlockTransferWithSetOrWrite& transfer = ctx.BlockTransferWithSetOrWrite;
    if (!transfer.InProgress) {
      transfer.InProgress = true;
      transfer.RawDataReceived.clear();
    }
    const PduStr& raw = TDataHelper::OctetStringValue(*first);
    if (transfer.RawDataReceived.size() + raw.size() > kMaxJoinedBlockData) {
      transfer.InProgress = false;
      transfer.RawDataReceived.clear();
      return TMakeService::ExceptionResponse();
    }
    transfer.RawDataReceived += raw;
    const TSequence& block = access->As<TSequence>();
    transfer.LastBlockNumberReceived =
        static_cast<int>(block.Get<TNumber>(WriteDataBlockAccess::BlockNumber).AsUInt64());
    if (!block.Get<TNumber>(WriteDataBlockAccess::LastBlock).AsBool())
      return TMakeService::WriteResponseBlockNumber(transfer.LastBlockNumberReceived);
    transfer.InProgress = false;
    const PduStr joined = "\x06" + transfer.RawDataReceived;
    transfer.RawDataReceived.clear();
    COSEMpduPtr inner = TCOSEMPDUHelper::MakeFromPdu(joined);
    return Write(Session, inner->Value->As<TSequence>(), false);
  }
  return response;
}

}  // namespace

COSEMpduPtr TServiceHandlers::HandleRead(TRequestSession& Session, const TSequenceOf& Request) {
  TTransferContext& ctx = Session.TransferContext();
  ctx.Confirmed = true;
  COSEMpduPtr response = TCOSEMPDUHelper::CreateVariant(xmlReadResponse);
  TSequenceOf& results = response->Value->As<TSequenceOf>();
  size_t assembled = 0;
  for (const auto& e : Request.FElements) {
    const TCOSEMPduBase* access = AlternativeOf(e.get());
    PduPtr result;
    if (access && access->IsA(T_ObjectName)) {
      result = TLogicalDeviceHelper::ReadAttribute(Session.Device(), ctx, ctx.CurrentSNAssociationObject(),
                                                   BaseNameOf(*access), 0, nullptr);
    } else if (access && access->IsA(T_ParametrisedAccess)) {
      const TSequence& p = access->As<TSequence>();
      result = TLogicalDeviceHelper::ReadAttribute(
          Session.Device(), ctx, ctx.CurrentSNAssociationObject(), BaseNameOf(p.Get<TNumber>(ParametrisedAccess::VariableName)),
          static_cast<int>(p.Get<TNumber>(ParametrisedAccess::Selector).AsUInt64()),
          &p.Get<TData>(ParametrisedAccess::Parameter));
    } else if (access && access->IsA(T_BlockNumberAccess)) {
      return HandleReadNext(Session, access->As<TSequence>());
    } else {
      return ServiceNotSupported();
    }
    assembled += static_cast<size_t>(result->PDUSize());
    if (assembled > kMaxAssembledAnswer) return TMakeService::ExceptionResponse();
    results.Add(std::move(result));
  }
  const PduStr encoded = response->Encode();
  if (static_cast<int>(encoded.size()) <= ctx.AgreedMaxSendPduSize || Agreed(ctx, cbGeneralBlockTransfer))
    return response;
  if (!Agreed(ctx, cbBlockTransferWithGetOrRead)) return TMakeService::ExceptionResponse();
  // The blocks carry the response without its tag.
  return StartReadBlockTransfer(Session, encoded.substr(1));
}

COSEMpduPtr TServiceHandlers::StartReadBlockTransfer(TRequestSession& Session, const PduStr& RawData) {
  TTransferContext& ctx = Session.TransferContext();
  TBlockTransferWithGetOrRead& transfer = ctx.BlockTransferWithGetOrRead;
  StartBlocks(transfer, RawData, ctx.AgreedMaxSendPduSize);
  // Read blocks are numbered in 16 bits: an answer needing more blocks could not be sent
  // to its end under numbers of its own.
  const size_t size = static_cast<size_t>(transfer.MaxRawDataSize);
  if ((RawData.size() + size - 1) / size > 0xFFFF) {
    transfer.InProgress = false;
    transfer.RemainingData.clear();
    return TMakeService::ExceptionResponse();
  }
  bool last = false;
  const PduStr block = TakeBlock(transfer, last);
  return TMakeService::ReadResponseWithDataBlock(last, 1, block);
}

COSEMpduPtr TServiceHandlers::HandleReadNext(TRequestSession& Session, const TSequence& Access) {
  TTransferContext& ctx = Session.TransferContext();
  ctx.Confirmed = true;
  TBlockTransferWithGetOrRead& transfer = ctx.BlockTransferWithGetOrRead;
  const int requested = static_cast<int>(Access.Get<TNumber>(BlockNumberAccess::BlockNumber).AsUInt64());
  if (!transfer.InProgress || transfer.NextBlockNumber != requested + 1) return TMakeService::ExceptionResponse();
  bool last = false;
  const PduStr block = TakeBlock(transfer, last);
  return TMakeService::ReadResponseWithDataBlock(last, transfer.NextBlockNumber++, block);
}

COSEMpduPtr TServiceHandlers::HandleWrite(TRequestSession& Session, const TSequence& Request) {
  return Write(Session, Request, true);
}

}  // namespace zv
