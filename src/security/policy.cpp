#include "security/policy.h"

#include "foundation/errors.h"

namespace zv {

namespace {

TProtectionServices ThreeBits(int bits) {
  TProtectionServices s;
  if (bits & 1) s.Include(rcAUTHENTICATION);
  if (bits & 2) s.Include(rcENCRYPTION);
  if (bits & 4) s.Include(rcSIGNATURE);
  return s;
}

}  // namespace

TPolicyProtectionServices GetPolicyProtectionServices(int Version, int Value) {
  if (Version == 0) {
    ZV_ASSERT(Value >= 0 && Value <= 3);
    TProtectionServices s = ThreeBits(Value);
    return {s, s};
  }
  ZV_ASSERT(Version == 1);
  if (Value & 0x03) throw Exception("Illegal EnumValue");
  return {ThreeBits(Value >> 2), ThreeBits(Value >> 5)};
}

}  // namespace zv
