#include "crypto/key_wrap.h"

#include "crypto/library_binding.h"
#include "foundation/errors.h"
#include "platform/crypto_lib.h"

namespace zv {

static int Options(int suite) {
  if (suite == 0 || suite == 1) return kKeyWrapAES128;
  ZV_ASSERT(suite == 2);
  return kKeyWrapAES256;
}

static int Length(const PduStr& s) {
  return s.size() > 0x10000 ? -1 : static_cast<int>(s.size());
}

PduStr TKeyWrap::Wrap(int SecuritySuite, const PduStr& Key, const PduStr& MasterKey) {
  const int options = Options(SecuritySuite);
  PduStr out(Key.size() + 8, '\0');
  int rc = CheckBinding(
      CIPHER_KeyWrap(reinterpret_cast<uint8_t*>(out.data()), Length(out),
                     reinterpret_cast<const uint8_t*>(Key.data()), Length(Key),
                     reinterpret_cast<const uint8_t*>(MasterKey.data()), Length(MasterKey), options),
      "CIPHER_KeyWrap");
  if (rc < 0) throw Exception(Format("TKeyWrap.Wrap: Error: %d", rc));
  return out;
}

PduStr TKeyWrap::UnWrap(int SecuritySuite, const PduStr& WrappedKey, const PduStr& MasterKey) {
  const int options = Options(SecuritySuite);
  PduStr out(WrappedKey.size() >= 8 ? WrappedKey.size() - 8 : 0, '\0');
  int rc = CheckBinding(
      CIPHER_KeyUnwrap(reinterpret_cast<uint8_t*>(out.data()), Length(out),
                       reinterpret_cast<const uint8_t*>(WrappedKey.data()), Length(WrappedKey),
                       reinterpret_cast<const uint8_t*>(MasterKey.data()), Length(MasterKey),
                       options),
      "CIPHER_KeyUnwrap");
  if (rc < 0) throw Exception(Format("TKeyWrap.UnWrap: Error: %d", rc));
  return out;
}

}  // namespace zv
