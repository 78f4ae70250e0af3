#include "crypto/library_binding.h"

#include "platform/crypto_lib.h"

namespace zv {

int CheckBinding(int result, const char* entryName) {
  if (result == kCryptoLibraryNotBound) throw ELoadLibrary(CryptoLibBindError(result, entryName));
  if (result == kCryptoEntryNotBound) throw EGetProcAddress(CryptoLibBindError(result, entryName));
  return result;
}

}  // namespace zv
