// The passage between the service layer and the transport stack. Requests that the client
// sends by general block transfer are reassembled before they go up; answers go down by
// general block transfer when the request came that way, or when they are longer than the
// client accepts and general block transfer was agreed.
#pragma once
#include "foundation/misc.h"

namespace zv {

class TProtocolLayerAbstract;
class TTransferContext;

struct TGeneralBlockTransfer {
  // The next request: octets kept from an earlier exchange, else what the lower layer
  // receives, joined first when it comes as blocks. An abort block from the client is
  // answered as the settings say and the next request is awaited.
  static void ReceivePdu(TTransferContext& TransferContext, TProtocolLayerAbstract& LowerLayer, PduStr& ReceivedPdu);
  // Sends one answer, whole or as blocks. Blocks of a confirmed service wait for the
  // client's acknowledgements; a request the client starts meanwhile is kept for the next
  // ReceivePdu.
  static void SendPdu(TTransferContext& TransferContext, TProtocolLayerAbstract& LowerLayer, const PduStr& Pdu);
};

}  // namespace zv
