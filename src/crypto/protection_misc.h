// Helpers of the protection code: the octet-string text forms and the object identifiers
// of the ciphering and key-wrap algorithms.
#pragma once
#include <string>
#include <string_view>

#include "foundation/misc.h"

namespace zv {

enum TAlgorithmId : int { aiAES_GCM_128, aiAES_GCM_256, aiAES_WRAP_128, aiAES_WRAP_256 };

class TProtectionHelper {
 public:
  static std::string ByteStrToHexStr(std::string_view s) { return zv::ByteStrToHexStr(s); }
  // A backslash and the text when every octet is printable and none is a double quote,
  // else hex: the text form of system titles.
  static std::string ByteStrToFormatedString(std::string_view s) {
    return zv::ByteStrToFormatedString(s);
  }
  static PduStr HexStrToByteStr(std::string_view s) { return zv::HexStrToByteStr(s); }
  // 60 85 74 05 08 03 and 00 (GCM-128), 01 (GCM-256), 02 (wrap-128) or 03 (wrap-256).
  static PduStr GetAlgorithmOID(TAlgorithmId AlgorithmId);
};

}  // namespace zv
