// Small helpers shared by the APDU tests.
#pragma once
#include <string>

#include "foundation/codec.h"
#include "support/error_of.h"

namespace zv::test {

inline PduStr H(const char* hex) { return HexStrToByteStr(hex); }
inline std::string X(const PduStr& s) { return ByteStrToHexStr(s); }

// Joins XML lines with the writer's CR LF line ends.
inline std::string Lines(std::initializer_list<const char*> lines) {
  std::string s;
  for (const char* l : lines) {
    s += l;
    s += "\r\n";
  }
  return s;
}

}  // namespace zv::test
