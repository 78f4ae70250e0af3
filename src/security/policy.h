// The protection a security policy asks of requests and of responses.
#pragma once
#include "security/cti.h"

namespace zv {

struct TPolicyProtectionServices {
  TProtectionServices Request;
  TProtectionServices Response;
};

// Version 0 (an enumeration): 0 nothing, 1 authentication, 2 encryption, 3 both, the same
// for request and response. Version 1 (a bit string): bits 0 and 1 must be clear ("Illegal
// EnumValue"); bits 2-4 request authentication, encryption, signature; bits 5-7 the same for
// the response. Another version or version 0 value is an assertion failure.
TPolicyProtectionServices GetPolicyProtectionServices(int Version, int Value);

}  // namespace zv
