#include "crypto/hex_conversions.h"

namespace zv {

std::string RemoveSpaces(std::string_view s) {
  std::string r;
  r.reserve(s.size());
  for (char c : s)
    if (c != ' ') r.push_back(c);
  return r;
}

}  // namespace zv
