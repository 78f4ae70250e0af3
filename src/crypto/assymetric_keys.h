// A public key on a curve: x and y, octet strings of the curve size. Its octet form is x
// followed by y.
#pragma once
#include <string_view>

#include "foundation/misc.h"

namespace zv {

struct TPublicKey {
  PduStr x;
  PduStr y;

  // An odd number of octets raises "TPublicKey.MakeFromBin: Illegal key length".
  static TPublicKey MakeFromBin(std::string_view BinKey);
  static TPublicKey MakeFromHex(std::string_view HexKey);
};

}  // namespace zv
