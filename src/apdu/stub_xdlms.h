// Temporary stand-ins for xDLMS classes built elsewhere, so that this branch builds and
// links on its own. The real headers replace this file.
#pragma once
#include "apdu/cosem_pdu.h"
#include "foundation/codec.h"

namespace zv {

extern const TypeInfo T_ObjectName, T_ConfirmedServiceError, T_GeneralGloCiphering, T_GeneralBlockTransfer,
    T_AccessResponse;

// The C++ class of the APDU choice.
class TCOSEMpdu : public TChoice {
 public:
  using TChoice::TChoice;
};

}  // namespace zv
