// Logical-name referencing: the addressing types (invoke id, class id, instance id,
// attribute descriptors, selective access) and the GET, SET and ACTION APDUs.
#pragma once
#include <cstddef>

#include "foundation/codec.h"

namespace zv {

// Addressing.
extern const TypeInfo T_InvokeIdAndPriority, T_ClassId, T_ObjectInstanceId, T_ObjectAttributeId,
    T_AttributeDescriptor, T_SelectiveAccessDescriptor, T_AttributeDescriptorWithSelection,
    T_ListOfAttributeDescriptorWithSelection;

// GET.
extern const TypeInfo T_GetRequest, T_GetRequestNormal, T_GetRequestForNextDatablock, T_GetRequestWithList;
extern const TypeInfo T_GetResponse, T_GetResponseNormal, T_GetResponseWithDataBlock, T_GetResponseWithList,
    T_GetDataResult, T_DataBlock_G, T_DataBlockGResult, T_ListOfGetDataResult;

// SET.
extern const TypeInfo T_SetRequest, T_SetRequestNormal, T_SetRequestWithFirstDataBlock, T_SetRequestWithDataBlock,
    T_SetRequestWithList, T_SetRequestWithListAndWithFirstDatablock, T_DataBlock_SA;
extern const TypeInfo T_SetResponse, T_SetResponseNormal, T_SetResponseForDataBlock, T_SetResponseForLastDataBlock,
    T_SetResponseForLastDataBlockWithList, T_SetResponseWithList, T_ListOfDataAccessResult;

// ACTION.
extern const TypeInfo T_ObjectMethodId, T_MethodDescriptor, T_ListOfMethodDescriptor;
extern const TypeInfo T_ActionRequest, T_ActionRequestNormal, T_ActionRequestForNextPBlock, T_ActionRequestWithList,
    T_ActionRequestWithFirstPBlock, T_ActionRequestWithListAndWithFirstPBlock, T_ActionRequestWithPBlock;
extern const TypeInfo T_ActionResult, T_ActionResponse, T_ActionResponseNormal, T_ActionResponseWithPBlock,
    T_ActionResponseWithList, T_ActionResponseForNextPBlock, T_SingleActionResponse, T_ListOfSingleActionResponse;

// Member positions of the sequences above (TSequence::Member / Get<T>), for code that
// reads them by field: e.g. req.Get<TSequence>(GetRequestNormal::AttributeDescriptor).
struct AttributeDescriptor {
  enum : size_t { ClassId, InstanceId, AttributeId };
};
struct SelectiveAccessDescriptor {
  enum : size_t { AccessSelector, AccessParameters };
};
struct AttributeDescriptorWithSelection {
  enum : size_t { AttributeDescriptor, AccessSelection };
};
struct GetRequestNormal {
  enum : size_t { InvokeIdAndPriority, AttributeDescriptor, AccessSelection };
};
struct GetRequestForNextDatablock {
  enum : size_t { InvokeIdAndPriority, BlockNumber };
};
struct GetRequestWithList {
  enum : size_t { InvokeIdAndPriority, AttributeDescriptorList };
};
struct GetResponseNormal {
  enum : size_t { InvokeIdAndPriority, Result };
};
struct DataBlock_G {
  enum : size_t { LastBlock, BlockNumber, Result };
};
struct SetRequestNormal {
  enum : size_t { InvokeIdAndPriority, AttributeDescriptor, AccessSelection, Value };
};
struct SetRequestWithFirstDataBlock {
  enum : size_t { InvokeIdAndPriority, AttributeDescriptor, AccessSelection, DataBlock };
};
struct SetRequestWithDataBlock {
  enum : size_t { InvokeIdAndPriority, DataBlock };
};
struct SetRequestWithList {
  enum : size_t { InvokeIdAndPriority, AttributeDescriptorList, ValueList };
};
struct SetRequestWithListAndWithFirstDatablock {
  enum : size_t { InvokeIdAndPriority, AttributeDescriptorList, DataBlock };
};
struct DataBlock_SA {
  enum : size_t { LastBlock, BlockNumber, RawData };
};
struct MethodDescriptor {
  enum : size_t { ClassId, InstanceId, MethodId };
};
struct ActionRequestNormal {
  enum : size_t { InvokeIdAndPriority, MethodDescriptor, MethodInvocationParameters };
};
struct ActionRequestWithList {
  enum : size_t { InvokeIdAndPriority, MethodDescriptorList, MethodInvocationParameters };
};
struct ActionResponseNormal {
  enum : size_t { InvokeIdAndPriority, Result, ReturnParameters };
};

}  // namespace zv
