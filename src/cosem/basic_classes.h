// Data, registers, profile generic and clock.
#pragma once
#include "cosem/cosem_instance.h"

namespace zv {

extern const TypeInfo T_DataObject;

}  // namespace zv
