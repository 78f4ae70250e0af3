#include "crypto/hash.h"

#include "crypto/library_binding.h"
#include "platform/crypto_lib.h"

namespace zv {

PduStr HashOctets(const uint8_t* message, size_t length, int option, int digestLength,
                  const char* error) {
  PduStr digest(static_cast<size_t>(digestLength), '\0');
  int rc = length > static_cast<size_t>(INT32_MAX)
               ? kCryptoBadParameter
               : CheckBinding(HASH_Bytes(reinterpret_cast<uint8_t*>(digest.data()), digestLength,
                                         message, static_cast<int>(length), option),
                              "HASH_Bytes");
  if (rc < 0) throw Exception(Format(error, rc));
  return digest;
}

static PduStr Hash(const PduStr& s, int option, int digestLength, const char* error) {
  return HashOctets(reinterpret_cast<const uint8_t*>(s.data()), s.size(), option, digestLength,
                    error);
}

PduStr THASH::MD5(const PduStr& s) { return Hash(s, kHashMD5, 16, "THASH.MD5: Error: %d"); }

THASH::TByteArray THASH::MD5(const TByteArray& b) {
  PduStr d = HashOctets(b.data(), b.size(), kHashMD5, 16, "THASH.MD5: Error: %d");
  return TByteArray(d.begin(), d.end());
}

PduStr THASH::SHA1(const PduStr& s) { return Hash(s, kHashSHA1, 20, "THASH.SHA1: Error: %d"); }

PduStr THASH::SHA256(const PduStr& s) {
  return Hash(s, kHashSHA256, 32, "THASH.SHA256: Error: %d");
}

PduStr THASH::SHA384(const PduStr& s) {
  return Hash(s, kHashSHA384, 48, "THASH.SHA384: Error: %d");
}

}  // namespace zv
