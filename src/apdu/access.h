// The ACCESS service: several GET, SET and ACTION operations in one request and their
// results in one response.
#pragma once
#include <cstddef>

#include "foundation/codec.h"

namespace zv {

extern const TypeInfo T_AccessRequestGet, T_AccessRequestSet, T_AccessRequestAction,
    T_AccessRequestGetWithSelection, T_AccessRequestSetWithSelection, T_AccessRequestSpecification,
    T_ListOfAccessRequestSpecification, T_AccessRequestBody, T_AccessRequest;

extern const TypeInfo T_AccessResponseGet, T_AccessResponseSet, T_AccessResponseAction,
    T_AccessResponseSpecification, T_ListOfAccessResponseSpecification, T_AccessResponseBody, T_AccessResponse;

// Member positions, for code that reads these sequences by field.
struct AccessRequest {
  enum : size_t { LongInvokeIdAndPriority, DateTime, AccessRequestBody };
};
struct AccessRequestBody {
  enum : size_t { AccessRequestSpecification, AccessRequestListOfData };
};
// AccessRequestGet, AccessRequestSet, AccessRequestAction (whose descriptor is a method
// descriptor) and the two WithSelection forms.
struct AccessRequestItem {
  enum : size_t { Descriptor, AccessSelection };
};
struct AccessResponse {
  enum : size_t { LongInvokeIdAndPriority, DateTime, AccessResponseBody };
};
struct AccessResponseBody {
  enum : size_t { AccessRequestSpecification, AccessResponseListOfData, AccessResponseSpecification };
};
// AccessResponseGet, AccessResponseSet, AccessResponseAction.
struct AccessResponseItem {
  enum : size_t { Result };
};

}  // namespace zv
