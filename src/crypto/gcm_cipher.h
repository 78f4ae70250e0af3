// The ciphered information of DLMS security: security control octet, invocation counter,
// ciphertext and tag, with AES-GCM under the caller's keys; and the HLS-GMAC challenge
// answers. Stateless.
#pragma once
#include <cstdint>

#include "crypto/protection_services.h"
#include "foundation/misc.h"

namespace zv {

struct TSecurityControl {
  TCOSEMProtectionServices COSEMProtectionServices;
  bool BroadCast = false;
  int SecuritySuite = 0;

  static TSecurityControl Construct(TCOSEMProtectionServices se, bool br, int ss) {
    return TSecurityControl{se, br, ss};
  }
  // Bits 0-3 suite, 0x10 authentication, 0x20 encryption, 0x40 broadcast, 0x80 compression.
  uint8_t Octet() const;
};

class TGCMCipher {
 public:
  static void GCMEncrypt(const PduStr& SystemTitle, const PduStr& Information, const PduStr& EK,
                         const PduStr& AK, const TSecurityControl& SecurityControl,
                         uint32_t FrameCounter, const PduStr& ExtraAAD,
                         PduStr& CipheredInformation);
  // Raises EProtection "Authentication failure (Decrypt error)" when the tag does not match,
  // "Ciphered information too short" when the octets cannot hold the control octet, the
  // counter and (when authenticated) the tag.
  static void GCMDecrypt(const PduStr& SystemTitle, const PduStr& CipheredInformation,
                         const PduStr& ExtraAAD, const PduStr& EK, const PduStr& AK,
                         TSecurityControl& SecurityControl, uint32_t& FrameCounter,
                         PduStr& Information);
  // The HLS-GMAC answer: control octet (0x10 + suite), counter and the 12-octet tag.
  static PduStr ResponseToChallenge(const PduStr& SystemTitle, const PduStr& Challenge,
                                    const PduStr& EK, const PduStr& AK, uint32_t FrameCounter,
                                    int SecuritySuite);
  static bool CheckOtherResponseToChallenge(const PduStr& OtherSystemTitle,
                                            const PduStr& OtherResponse, const PduStr& MyChallenge,
                                            const PduStr& EK, const PduStr& AK, int SecuritySuite);
};

}  // namespace zv
