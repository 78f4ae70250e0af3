// The single-step key derivation (one iteration) of key agreement.
#pragma once
#include "foundation/misc.h"

namespace zv {

// Hash of 00000001, Z and OtherInfo: suite 1 SHA-256 cut to 16 octets, suite 2 SHA-384 cut
// to 32; another suite is an assertion failure.
PduStr KDFDeriveKey(int SecuritySuite, const PduStr& SharedSecret, const PduStr& OtherInfo);

}  // namespace zv
