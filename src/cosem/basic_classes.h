// Data, registers and profile generic, with the element types other classes share
// (scaler and unit, capture objects).
#pragma once
#include "cosem/cosem_instance.h"

namespace zv {

extern const TypeInfo T_DataObject, T_RegisterObject, T_ExtendedRegisterObject, T_DemandRegisterObject,
    T_ProfileGenericObject;
extern const TypeInfo T_ScalerUnit, T_PhysUnit, T_CaptureObject, T_CaptureObjects, T_SortMethod;

// Member positions.
struct ScalerUnit {
  enum : size_t { Scaler, PhysUnit };
};
struct CaptureObject {
  enum : size_t { ClassId, LogicalName, AttributeIndex, DataIndex };
};

const TypeTable& BasicClassTypes();

}  // namespace zv
