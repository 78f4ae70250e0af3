// ACSE APDUs (BER) and the xDLMS initiate request and response they carry.
#pragma once
#include "foundation/codec.h"

namespace zv {

extern const TypeInfo T_InitiateRequest, T_InitiateResponse, T_AssociationRequest, T_AssociationResponse,
    T_ReleaseRequest, T_ReleaseResponse, T_BERCOSEMpdu;

}  // namespace zv
