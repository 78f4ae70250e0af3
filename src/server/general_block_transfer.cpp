#include "server/general_block_transfer.h"

#include "foundation/globals.h"
#include "server/gbt.h"
#include "server/protocol_layer.h"
#include "server/transfer_context.h"

namespace zv {

void TGeneralBlockTransfer::ReceivePdu(TTransferContext& TransferContext, TProtocolLayerAbstract& LowerLayer,
                                       PduStr& ReceivedPdu) {
  ReceivedPdu.clear();
  while (ReceivedPdu.empty() && !AbortRequested) {
    TransferContext.GBTProtocol.reset();
    PduStr& buffer = TransferContext.ReceivedBufferInfo.Buffer;
    if (!buffer.empty()) {
      ReceivedPdu.swap(buffer);
      buffer.clear();
    } else {
      ReceivedPdu = LowerLayer.Rec(&TransferContext);
    }
    TransferContext.GeneralBlockTransferInfo.Valid = false;
  }
  if (ReceivedPdu.empty()) CheckUserAbort();
}

void TGeneralBlockTransfer::SendPdu(TTransferContext& TransferContext, TProtocolLayerAbstract& LowerLayer,
                                    const PduStr& Pdu) {
  LowerLayer.Send(&TransferContext, Pdu);
}

}  // namespace zv
