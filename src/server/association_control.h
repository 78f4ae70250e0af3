// Association control: what the server answers while no association is established and
// while high-level authentication is pending, the release request, and the checks,
// negotiation and authentication of an AARQ.
#pragma once
#include <memory>

#include "apdu/acse.h"
#include "apdu/cosem_pdu.h"
#include "foundation/axdr_types.h"

namespace zv {

class TCOSEMInstance;
class TRequestSession;
class TTransferContext;

struct TAssociationControl {
  // Association status 0: an AARQ for the device's server SAP, or the exception response;
  // null (no answer) for another server SAP.
  static COSEMpduPtr HandleNonAssociated(TRequestSession& Session, const TCOSEMpdu& Service);
  // The AARE, or null.
  static COSEMpduPtr HandleAARQ(TRequestSession& Session, const TAssociationRequest& Request);
  // Association status 1: only the client's answer to the server's challenge.
  static COSEMpduPtr HandleAssociationPending(TRequestSession& Session, const TCOSEMpdu& Service);
  static COSEMpduPtr HandleRelease(TRequestSession& Session, const TReleaseRequest& Request);

  // Take the accepting association object into the context and give the AARE's result
  // and diagnostic; Status becomes the association status (0 when rejected).
  static void AcceptLN(TRequestSession& Session, const TAssociationRequest& Request, const TCOSEMInstance& Association,
                       int Status, int& Result, int& Diagnostic);
  static void AcceptSN(TRequestSession& Session, const TAssociationRequest& Request, const TCOSEMInstance& Association,
                       int Status, int& Result, int& Diagnostic);

  // Pass 3: the client's f(StoC). Mechanisms that need the association's keys raise an
  // error without a key store.
  static bool CheckChallengeResponse(const TTransferContext& Context, const PduStr& MyChallenge, const PduStr& Response);
  // Pass 4: the server's f(CtoS) as an octet-string Data value.
  static std::unique_ptr<TData> MakeChallengeResponse(TTransferContext& Context, const PduStr& ClientChallenge);
};

}  // namespace zv
