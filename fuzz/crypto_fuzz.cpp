// Peer octets through the ciphering and curve entry points: ciphered information of any
// length and control octet, signatures and public keys of any length and value. Every input
// must end in a result or an error, never a crash or a read past its end.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "crypto/elliptic_stuff_interface.h"
#include "crypto/gcm_cipher.h"
#include "foundation/errors.h"

using namespace zv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t selector = data[0];
  const std::string in(reinterpret_cast<const char*>(data) + 1, size - 1);
  const int suite = (selector & 4) ? 2 : 1;
  const size_t n = suite == 1 ? 32 : 48;
  switch (selector % 3) {
    case 0: {
      const std::string ek((selector & 8) ? 32 : 16, '\x11'), ak(16, '\x22');
      TSecurityControl sc;
      uint32_t fc = 0;
      std::string info;
      try {
        TGCMCipher::GCMDecrypt(std::string(8, 'T'), in, std::string(), ek, ak, sc, fc, info);
      } catch (const Exception&) {
      }
      break;
    }
    case 1: {
      bool valid = false;
      const std::string sig = in.substr(0, std::min(in.size(), 2 * n));
      const std::string key = in.size() > 2 * n ? in.substr(2 * n) : std::string();
      (void)ECDSAVerify(suite, "message", sig, valid, key);
      break;
    }
    default: {
      std::string z;
      (void)ECDHSharedSecret(suite, std::string(n, '\x05'), in, z);
      break;
    }
  }
  return 0;
}
