#include "security/protection_crypto.h"

#include "crypto/elliptic_stuff_interface.h"
#include "crypto/protection_misc.h"
#include "foundation/codec.h"
#include "foundation/errors.h"

namespace zv {

namespace protection_crypto {

namespace {

void LogToContext(void* Context, const std::string& Text) {
  static_cast<const TLoggingContext*>(Context)->LogString(Text);
}

// Clears the curve code's log procedure when signing ends, however it ends.
struct LogCallbackGuard {
  ~LogCallbackGuard() { ECSetLogCallback(nullptr, nullptr); }
};

}  // namespace

void AppendAdditionalField(PduStr& Out, const PduStr& Field) {
  EncodeVarLengthUnsignedInteger(Out, static_cast<int64_t>(Field.size()));
  Out += Field;
}

PduStr SharedSecret(int SecuritySuite, const PduStr& PublicKey, const PduStr& PrivateKey) {
  PduStr z;
  if (!ECDHSharedSecret(SecuritySuite, PrivateKey, PublicKey, z)) throw Exception(ECLastError());
  return z;
}

PduStr DerivedKey(int SecuritySuite, const PduStr& SharedSecret, const PduStr& PartUInfo,
                  const PduStr& PartVInfo) {
  ZV_ASSERT(SecuritySuite == 1 || SecuritySuite == 2);
  const PduStr otherInfo =
      TProtectionHelper::GetAlgorithmOID(SecuritySuite == 1 ? aiAES_GCM_128 : aiAES_GCM_256) +
      PartUInfo + PartVInfo;
  PduStr key;
  if (!ECKDF(SecuritySuite, SharedSecret, otherInfo, key)) throw Exception(ECLastError());
  return key;
}

PduStr StaticUnifiedPartUInfo(const PduStr& OriginatorSystemTitle, const PduStr& TransactionId) {
  // The length has one octet; a longer transaction id cannot be described by it.
  if (TransactionId.size() > 255) throw EProtection("Transaction id too long for key agreement");
  return OriginatorSystemTitle + static_cast<char>(TransactionId.size()) + TransactionId;
}

PduStr Sign(int SecuritySuite, const PduStr& Message, const PduStr& PrivateKey,
            const TLoggingContext* LogTo) {
  LogCallbackGuard guard;
  if (LogTo) ECSetLogCallback(LogToContext, const_cast<TLoggingContext*>(LogTo));
  PduStr signature;
  if (!ECDSASign(SecuritySuite, Message, PrivateKey, signature)) throw Exception(ECLastError());
  return signature;
}

bool Verify(int SecuritySuite, const PduStr& Message, const PduStr& Signature,
            const PduStr& PublicKey) {
  bool valid = false;
  if (!ECDSAVerify(SecuritySuite, Message, Signature, valid, PublicKey))
    throw Exception(ECLastError());
  return valid;
}

}  // namespace protection_crypto

}  // namespace zv
