#include "crypto/aes.h"

#include "crypto/library_binding.h"
#include "platform/crypto_lib.h"

namespace zv {

static PduStr AESBlock(const PduStr& key, const PduStr& s, int encrypt) {
  ZV_ASSERT(s.size() == 16);
  PduStr out(16, '\0');
  auto* o = reinterpret_cast<uint8_t*>(out.data());
  auto* in = reinterpret_cast<const uint8_t*>(s.data());
  auto* k = reinterpret_cast<const uint8_t*>(key.data());
  int rc;
  if (key.size() == 16) {
    rc = CheckBinding(AES128_Bytes(o, in, 16, k, encrypt), "AES128_Bytes");
  } else if (key.size() == 32) {
    rc = CheckBinding(AES256_Bytes(o, in, 16, k, encrypt), "AES256_Bytes");
  } else {
    throw Exception(Format("TAES.AES illegal key size %d", static_cast<int>(key.size())));
  }
  if (rc < 0) throw Exception(Format("TAES.AES: Error: %d", rc));
  return out;
}

PduStr TAES::AESEncrypt(const PduStr& key, const PduStr& s) { return AESBlock(key, s, 1); }
PduStr TAES::AESDecrypt(const PduStr& key, const PduStr& s) { return AESBlock(key, s, 0); }

}  // namespace zv
