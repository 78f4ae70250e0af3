// Random octets for keys, nonces and challenges, from libcrypto's secure generator.
#pragma once
#include "foundation/misc.h"

namespace zv {

PduStr GetRandomOctets(int count);

}  // namespace zv
