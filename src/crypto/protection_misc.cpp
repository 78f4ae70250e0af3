#include "crypto/protection_misc.h"

#include "foundation/errors.h"

namespace zv {

PduStr TProtectionHelper::GetAlgorithmOID(TAlgorithmId AlgorithmId) {
  switch (AlgorithmId) {
    case aiAES_GCM_128: return HexStrToByteStr("60857405080300");
    case aiAES_GCM_256: return HexStrToByteStr("60857405080301");
    case aiAES_WRAP_128: return HexStrToByteStr("60857405080302");
    case aiAES_WRAP_256: return HexStrToByteStr("60857405080303");
  }
  ZV_ASSERT(false);
  return PduStr();
}

}  // namespace zv
