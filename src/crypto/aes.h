// One AES block under a 16- or 32-octet key.
#pragma once
#include "foundation/misc.h"

namespace zv {

class TAES {
 public:
  // S must be one 16-octet block; another key length raises "TAES.AES illegal key size %d".
  static PduStr AESEncrypt(const PduStr& key, const PduStr& s);
  static PduStr AESDecrypt(const PduStr& key, const PduStr& s);
};

}  // namespace zv
