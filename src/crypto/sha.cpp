#include "crypto/sha.h"

#include "crypto/hash.h"
#include "platform/crypto_lib.h"

namespace zv {

PduStr TSHA::SHA256(const PduStr& s) {
  return HashOctets(reinterpret_cast<const uint8_t*>(s.data()), s.size(), kHashSHA256, 32,
                    "TSHA.SHA256: Error: %d");
}

PduStr TSHA::SHA384(const PduStr& s) {
  return HashOctets(reinterpret_cast<const uint8_t*>(s.data()), s.size(), kHashSHA384, 48,
                    "TSHA.SHA384: Error: %d");
}

}  // namespace zv
