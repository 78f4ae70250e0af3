// The xDLMS service handlers of an established association: each request is unpacked
// into references, served by the object services and packed into its response.
#pragma once
#include <cstdint>

#include "apdu/cosem_pdu.h"

namespace zv {

class TRequestSession;

struct TServiceHandlers {
  // Association status 2; null: no answer.
  static COSEMpduPtr HandleAssociated(TRequestSession& Session, const TCOSEMpdu& Service);

  static COSEMpduPtr HandleGet(TRequestSession& Session, const TChoice& Request);
  static COSEMpduPtr HandleGetNormal(TRequestSession& Session, const TSequence& Request);
  static COSEMpduPtr HandleGetWithList(TRequestSession& Session, const TSequence& Request);
  static COSEMpduPtr HandleGetNext(TRequestSession& Session, const TSequence& Request);
  static COSEMpduPtr StartGetBlockTransfer(TRequestSession& Session, const PduStr& RawData, int InvokeIdAndPriority);
  static COSEMpduPtr HandleSet(TRequestSession& Session, const TChoice& Request);
  static COSEMpduPtr HandleSetNormal(TRequestSession& Session, const TSequence& Request);
  static COSEMpduPtr HandleSetFirstBlock(TRequestSession& Session, const TSequence& Request);
  static COSEMpduPtr HandleSetBlock(TRequestSession& Session, const TSequence& Request);
  static COSEMpduPtr HandleAction(TRequestSession& Session, const TChoice& Request);
  static COSEMpduPtr HandleActionNormal(TRequestSession& Session, const TSequence& Request);
  static COSEMpduPtr HandleAccess(TRequestSession& Session, const TSequence& Request);
  // Serves request Index of an ACCESS request: appends one element to the list of data
  // and one answer entry to ResponseBody; Error is set when it fails.
  static void HandleAccessItem(TRequestSession& Session, int Index, const TChoice& Request,
                               const TSequenceOf& ListOfData, TSequence& ResponseBody, bool& Error);
  // ACCESS get of attribute 0: a structure of every attribute's value; an attribute that
  // cannot be read gives null data, its code becomes the result and Error is set.
  static PduPtr GetAllAttributes(TRequestSession& Session, const PduStr& InstanceId, int ClassId, int& ResultCode,
                                 bool& Error);
  static COSEMpduPtr HandleRead(TRequestSession& Session, const TSequenceOf& Request);
  static COSEMpduPtr HandleReadNext(TRequestSession& Session, const TSequence& Access);
  static COSEMpduPtr StartReadBlockTransfer(TRequestSession& Session, const PduStr& RawData);
  static COSEMpduPtr HandleWrite(TRequestSession& Session, const TSequence& Request);
  // "ServiceNotSupported".
  static COSEMpduPtr ServiceNotSupported();
};

}  // namespace zv
