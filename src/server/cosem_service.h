// The service layer: the octets of one request become a decoded APDU, logged as
// "RECEIVED:", and an answer is logged as "SENT:" and sent as octets. Ciphered service
// APDUs pass as what they are; the handlers answer them.
#pragma once
#include "apdu/cosem_pdu.h"

namespace zv {

class TProtocolLayerAbstract;
class TTransferContext;

struct TCiphering2 {
  // Undecodable octets raise EMakeCOSEMPdu carrying them; nothing is logged for them.
  static void ReceiveUncipheredService(TTransferContext& TransferContext, TProtocolLayerAbstract& LowerLayer,
                                       COSEMpduPtr& Request);
  // The caller keeps Response. Errors of the lower layers arrive after the "SENT:" lines.
  static void SendUncipheredService(TTransferContext& TransferContext, TProtocolLayerAbstract& LowerLayer,
                                    const TCOSEMpdu& Response);
};

struct TCOSEMService {
  static void ReceiveCOSEMService(TTransferContext& TransferContext, TProtocolLayerAbstract& LowerLayer,
                                  COSEMpduPtr& Service);
  static void SendCOSEMService(TTransferContext& TransferContext, TProtocolLayerAbstract& LowerLayer,
                               const TCOSEMpdu& Service);
};

}  // namespace zv
