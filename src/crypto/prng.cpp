#include "crypto/prng.h"

#include "crypto/library_binding.h"
#include "platform/crypto_lib.h"

namespace zv {

PduStr GetRandomOctets(int count) {
  ZV_ASSERT(count >= 0);
  PduStr out(static_cast<size_t>(count), '\0');
  int rc = CheckBinding(RANDOM_Bytes(reinterpret_cast<uint8_t*>(out.data()), count), "RANDOM_Bytes");
  if (rc < 0) throw Exception(Format("GetRandomOctets: Error: %d", rc));
  return out;
}

}  // namespace zv
