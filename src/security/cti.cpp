#include "security/cti.h"

#include "foundation/errors.h"

namespace zv {

std::string DisplayName(TProtectionService Value) {
  static constexpr const char* kNames[] = {"AUTHENTICATION", "ENCRYPTION", "SIGNATURE", "COMPRESSION"};
  ZV_ASSERT(Value <= rcCOMPRESSION);
  return kNames[Value];
}

}  // namespace zv
