// Wrapping and unwrapping of keys with the master key (AES key wrap).
#pragma once
#include "foundation/misc.h"

namespace zv {

class TKeyWrap {
 public:
  // Suites 0 and 1 wrap with an AES-128 master key, suite 2 with an AES-256 one.
  static PduStr Wrap(int SecuritySuite, const PduStr& Key, const PduStr& MasterKey);
  // Raises "TKeyWrap.UnWrap: Error: %d" when the wrapped key does not check.
  static PduStr UnWrap(int SecuritySuite, const PduStr& WrappedKey, const PduStr& MasterKey);
};

}  // namespace zv
