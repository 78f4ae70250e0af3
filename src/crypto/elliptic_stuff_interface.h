// The entry points of the elliptic-curve code for the protection layers and the security
// setup objects. They never raise: on failure they answer false and keep the message, which
// ECLastError gives. Suite 1 is P-256, suite 2 P-384; keys and results are octets.
#pragma once
#include <string>

#include "foundation/misc.h"

namespace zv {

enum TCurveId : int;

// Raises "Unsupported security suite %d" for a suite other than 1 or 2.
TCurveId ECCurveOfSecuritySuite(int SecuritySuite);

// A new key pair: the private key d and the public key x then y, each of the curve size.
bool ECGenerateKeyPair(int SecuritySuite, PduStr& PrivateKey, PduStr& PublicKey);
bool ECDSASign(int SecuritySuite, const PduStr& Message, const PduStr& PrivateKey,
               PduStr& Signature);
// True when the check ran; Valid tells its outcome. A public key that is not a point of the
// curve fails the check.
bool ECDSAVerify(int SecuritySuite, const PduStr& Message, const PduStr& Signature, bool& Valid,
                 const PduStr& PublicKey);
bool ECDHSharedSecret(int SecuritySuite, const PduStr& PrivateKey, const PduStr& PublicKey,
                      PduStr& SharedSecret);
bool ECKDF(int SecuritySuite, const PduStr& SharedSecret, const PduStr& OtherInfo, PduStr& Key);

// The procedure through which signing logs its random k; nullptr clears it. Kept per thread,
// like the last error: the protection code of a session runs on one thread.
using TECLogProc = void (*)(void* Context, const std::string& Text);
void ECSetLogCallback(TECLogProc Proc, void* Context);
std::string ECLastError();

}  // namespace zv
