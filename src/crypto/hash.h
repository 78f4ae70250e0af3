// Hashes for the high-level-security passes: MD5, SHA-1, SHA-256, SHA-384.
#pragma once
#include <cstdint>
#include <vector>

#include "foundation/misc.h"

namespace zv {

class THASH {
 public:
  using TByteArray = std::vector<uint8_t>;
  static PduStr MD5(const PduStr& s);
  static TByteArray MD5(const TByteArray& b);
  static PduStr SHA1(const PduStr& s);
  static PduStr SHA256(const PduStr& s);
  static PduStr SHA384(const PduStr& s);
};

// The digest of Length octets by HASH_Bytes option Option; a negative result raises
// the text Error with the code.
PduStr HashOctets(const uint8_t* message, size_t length, int option, int digestLength,
                  const char* error);

}  // namespace zv
