#include "crypto/kdf.h"

#include "crypto/hex_conversions.h"
#include "crypto/sha.h"
#include "foundation/errors.h"

namespace zv {

PduStr KDFDeriveKey(int SecuritySuite, const PduStr& SharedSecret, const PduStr& OtherInfo) {
  ZV_ASSERT(SecuritySuite == 1 || SecuritySuite == 2);
  const PduStr input = HexToBin("00000001") + SharedSecret + OtherInfo;
  if (SecuritySuite == 1) return TSHA::SHA256(input).substr(0, 16);
  return TSHA::SHA384(input).substr(0, 32);
}

}  // namespace zv
