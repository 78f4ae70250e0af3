#include "crypto/assymetric_keys.h"

#include "crypto/hex_conversions.h"
#include "foundation/errors.h"

namespace zv {

TPublicKey TPublicKey::MakeFromBin(std::string_view BinKey) {
  if (BinKey.size() % 2) throw Exception("TPublicKey.MakeFromBin: Illegal key length");
  const size_t half = BinKey.size() / 2;
  return TPublicKey{PduStr(BinKey.substr(0, half)), PduStr(BinKey.substr(half))};
}

TPublicKey TPublicKey::MakeFromHex(std::string_view HexKey) { return MakeFromBin(HexToBin(HexKey)); }

}  // namespace zv
