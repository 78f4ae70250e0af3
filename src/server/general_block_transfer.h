// The passage between the service layer and the transport stack: the next request as
// octets, and an answer sent down.
#pragma once
#include "foundation/misc.h"

namespace zv {

class TProtocolLayerAbstract;
class TTransferContext;

struct TGeneralBlockTransfer {
  // The next request: octets kept from an earlier exchange, else what the lower layer
  // receives.
  static void ReceivePdu(TTransferContext& TransferContext, TProtocolLayerAbstract& LowerLayer, PduStr& ReceivedPdu);
  // Sends one answer whole.
  static void SendPdu(TTransferContext& TransferContext, TProtocolLayerAbstract& LowerLayer, const PduStr& Pdu);
};

}  // namespace zv
