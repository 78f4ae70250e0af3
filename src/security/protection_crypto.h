// The elliptic-curve and key-derivation steps that the APDU protection layers and the
// data protection layers share. The curve routines answer false on failure; these raise
// their last error instead.
#pragma once
#include <string>

#include "crypto/logging_context.h"
#include "foundation/misc.h"

namespace zv {

namespace protection_crypto {

// The A-XDR length of Field followed by its octets, appended to Out.
void AppendAdditionalField(PduStr& Out, const PduStr& Field);

// ECDH of the suite's curve.
PduStr SharedSecret(int SecuritySuite, const PduStr& PublicKey, const PduStr& PrivateKey);
// The content key from a shared secret: KDF with OtherInfo = the AES-GCM algorithm id of
// the suite (suite 1: 128, suite 2: 256), PartUInfo and PartVInfo. Another suite is an
// assertion failure.
PduStr DerivedKey(int SecuritySuite, const PduStr& SharedSecret, const PduStr& PartUInfo,
                  const PduStr& PartVInfo);
// PartUInfo of the static unified model: the originator's title, one octet with the
// transaction id's length, the transaction id.
PduStr StaticUnifiedPartUInfo(const PduStr& OriginatorSystemTitle, const PduStr& TransactionId);

// ECDSA signature of Message; when LogTo is given, signing logs its random k there. The
// curve's log procedure is cleared afterwards, also on failure.
PduStr Sign(int SecuritySuite, const PduStr& Message, const PduStr& PrivateKey,
            const TLoggingContext* LogTo);
// Whether Signature is valid; a failure of the routine itself raises.
bool Verify(int SecuritySuite, const PduStr& Message, const PduStr& Signature,
            const PduStr& PublicKey);

}  // namespace protection_crypto

}  // namespace zv
