// Short-name referencing: object names, variable access specifications, the READ and
// WRITE APDUs and the shared lists of variable accesses and of Data values.
#pragma once
#include <cstddef>

#include "foundation/codec.h"

namespace zv {

extern const TypeInfo T_ObjectName, T_ParametrisedAccess, T_BlockNumberAccess, T_ReadDataBlockAccess,
    T_WriteDataBlockAccess, T_VariableAccessSpecification;

extern const TypeInfo T_ReadRequest, T_ReadResponse, T_WriteRequest, T_WriteResponse,
    T_ListOfVariableAccessSpecifications, T_ListOfData, T_DataBlockResult, T_SingleReadResponse,
    T_SingleWriteResponse;

// Member positions, for code that reads these sequences by field.
struct ParametrisedAccess {
  enum : size_t { VariableName, Selector, Parameter };
};
struct BlockNumberAccess {
  enum : size_t { BlockNumber };
};
struct ReadDataBlockAccess {
  enum : size_t { LastBlock, BlockNumber, RawData };
};
struct WriteDataBlockAccess {
  enum : size_t { LastBlock, BlockNumber };
};
struct WriteRequest {
  enum : size_t { ListOfVariableAccessSpecification, ListOfData };
};
struct DataBlockResult {
  enum : size_t { LastBlock, BlockNumber, RawData };
};

}  // namespace zv
