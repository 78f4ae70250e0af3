// The hashes of the curve code: SHA-256 for P-256, SHA-384 for P-384.
#pragma once
#include "foundation/misc.h"

namespace zv {

class TSHA {
 public:
  static PduStr SHA256(const PduStr& s);
  static PduStr SHA384(const PduStr& s);
};

}  // namespace zv
