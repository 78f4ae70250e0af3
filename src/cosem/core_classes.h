// The descriptors of the clock, association, access-rights, security setup, push setup
// and data protection classes and their element types.
#pragma once
#include "foundation/codec.h"

namespace zv {

const TypeTable& CoreClassTypes();

}  // namespace zv
