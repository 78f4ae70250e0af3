// Hex conversions of the curve code.
#pragma once
#include <string>
#include <string_view>

#include "foundation/misc.h"

namespace zv {

// Two upper-case hex digits per octet.
inline std::string BinToHex(std::string_view s) { return ByteStrToHexStr(s); }
// Hex digits (either case, blanks skipped) to octets; "Illegal hex-character" for a
// character that is no hex digit, "HexStrToByteStr: Hex-character missing" for a lone last
// digit.
inline PduStr HexToBin(std::string_view s) { return TMisc::HexStrToByteStr(s); }
inline int HexCharToNibble(char c) { return TMisc::H1(c); }
// S without its blanks.
std::string RemoveSpaces(std::string_view s);

}  // namespace zv
