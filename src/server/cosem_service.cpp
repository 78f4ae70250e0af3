#include "server/cosem_service.h"

#include "crypto/logging_context.h"
#include "server/general_block_transfer.h"
#include "server/transfer_context.h"

namespace zv {

namespace {

constexpr int kLogIndent = 20;

void Log(const TTransferContext& TransferContext, const TCOSEMpdu& Pdu, const char* Title) {
  if (TransferContext.LoggingContext) TransferContext.LoggingContext->LogProtocolItem(&Pdu, Title, kLogIndent);
}

}  // namespace

void TCiphering2::ReceiveUncipheredService(TTransferContext& TransferContext, TProtocolLayerAbstract& LowerLayer,
                                           COSEMpduPtr& Request) {
  PduStr octets;
  TGeneralBlockTransfer::ReceivePdu(TransferContext, LowerLayer, octets);
  Request = TCOSEMPDUHelper::MakeFromPdu(octets);
  Log(TransferContext, *Request, "RECEIVED:");
}

void TCiphering2::SendUncipheredService(TTransferContext& TransferContext, TProtocolLayerAbstract& LowerLayer,
                                        const TCOSEMpdu& Response) {
  PduStr octets;
  Response.EncodeToPduStr(octets);
  Log(TransferContext, Response, "SENT:");
  TGeneralBlockTransfer::SendPdu(TransferContext, LowerLayer, octets);
}

void TCOSEMService::ReceiveCOSEMService(TTransferContext& TransferContext, TProtocolLayerAbstract& LowerLayer,
                                        COSEMpduPtr& Service) {
  Service.reset();
  TCiphering2::ReceiveUncipheredService(TransferContext, LowerLayer, Service);
}

void TCOSEMService::SendCOSEMService(TTransferContext& TransferContext, TProtocolLayerAbstract& LowerLayer,
                                     const TCOSEMpdu& Service) {
  TCiphering2::SendUncipheredService(TransferContext, LowerLayer, Service);
}

}  // namespace zv
