// Result and error codes that xDLMS responses carry: the data-access result, the
// exception response and the confirmed service error with its error enumerations.
#pragma once
#include <cstddef>

#include "foundation/codec.h"

namespace zv {

extern const TypeInfo T_DataAccessResult;

extern const TypeInfo T_ExceptionResponse, T_ExceptionStateError, T_ExceptionServiceError;

extern const TypeInfo T_ConfirmedServiceError, T_ServiceError, T_ApplicationReference, T_HardwareResource,
    T_VdeStateError, T_Service, T_Definition, T_Access, T_Initiate, T_LoadDataSet, T_Task, T_OtherError;

// Member positions, for code that reads these sequences by field.
struct ExceptionResponse {
  enum : size_t { StateError, ServiceError };
};
struct ConfirmedServiceError {
  enum : size_t { Service, ServiceError };
};

}  // namespace zv
