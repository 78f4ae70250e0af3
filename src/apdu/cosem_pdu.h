// The top-level APDU choice and its factories.
#pragma once
#include "foundation/codec.h"

namespace zv {

extern const TypeInfo T_COSEMpdu;

}  // namespace zv
