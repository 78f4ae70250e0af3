#include "apdu/access.h"

#include "apdu/errors_apdu.h"
#include "apdu/ln_services.h"
#include "apdu/notifications.h"
#include "apdu/sn_services.h"
#include "foundation/axdr_types.h"

namespace zv {

namespace {

constexpr MemberInfo kAccessRequestGetMembers[] = {
    Mem(xmlAttributeDescriptor, T_AttributeDescriptor),
};

constexpr MemberInfo kAccessRequestActionMembers[] = {
    Mem(xmlMethodDescriptor, T_MethodDescriptor),
};

constexpr MemberInfo kAccessRequestWithSelectionMembers[] = {
    Mem(xmlAttributeDescriptor, T_AttributeDescriptor),
    Mem(xmlAccessSelection, T_SelectiveAccessDescriptor),
};

constexpr AltInfo kAccessRequestSpecificationAlts[] = {
    Alt(1, xmlAccessRequestGet, T_AccessRequestGet),
    Alt(2, xmlAccessRequestSet, T_AccessRequestSet),
    Alt(3, xmlAccessRequestAction, T_AccessRequestAction),
    Alt(4, xmlAccessRequestGetWithSelection, T_AccessRequestGetWithSelection),
    Alt(5, xmlAccessRequestSetWithSelection, T_AccessRequestSetWithSelection),
};

constexpr MemberInfo kAccessRequestBodyMembers[] = {
    Mem(xmlAccessRequestSpecification, T_ListOfAccessRequestSpecification),
    Mem(xmlAccessRequestListOfData, T_ListOfData),
};

constexpr MemberInfo kAccessRequestMembers[] = {
    Mem(xmlLongInvokeIdAndPriority, T_LongInvokeIdAndPriority),
    Mem(xmlDateTime, T_OctetString),
    Mem(xmlAccessRequestBody, T_AccessRequestBody),
};

constexpr MemberInfo kAccessResponseDataMembers[] = {
    Mem(xmlResult, T_DataAccessResult),
};

constexpr MemberInfo kAccessResponseActionMembers[] = {
    Mem(xmlResult, T_ActionResult),
};

constexpr AltInfo kAccessResponseSpecificationAlts[] = {
    Alt(1, xmlAccessResponseGet, T_AccessResponseGet),
    Alt(2, xmlAccessResponseSet, T_AccessResponseSet),
    Alt(3, xmlAccessResponseAction, T_AccessResponseAction),
};

// The response's copy of the operation list is optional.
constexpr MemberInfo kAccessResponseBodyMembers[] = {
    Opt(xmlAccessRequestSpecification, T_ListOfAccessRequestSpecification),
    Mem(xmlAccessResponseListOfData, T_ListOfData),
    Mem(xmlAccessResponseSpecification, T_ListOfAccessResponseSpecification),
};

constexpr MemberInfo kAccessResponseMembers[] = {
    Mem(xmlLongInvokeIdAndPriority, T_LongInvokeIdAndPriority),
    Mem(xmlDateTime, T_OctetString),
    Mem(xmlAccessResponseBody, T_AccessResponseBody),
};

}  // namespace

constinit const TypeInfo T_AccessRequestGet =
    SequenceType("T_AccessRequestGet", xml_AccessRequestGet, kAccessRequestGetMembers);
constinit const TypeInfo T_AccessRequestSet =
    SequenceType("T_AccessRequestSet", xml_AccessRequestSet, kAccessRequestGetMembers);
constinit const TypeInfo T_AccessRequestAction =
    SequenceType("T_AccessRequestAction", xml_AccessRequestAction, kAccessRequestActionMembers);
constinit const TypeInfo T_AccessRequestGetWithSelection =
    SequenceType("T_AccessRequestGetWithSelection", xml_AccessRequestGetWithSelection,
                 kAccessRequestWithSelectionMembers);
constinit const TypeInfo T_AccessRequestSetWithSelection =
    SequenceType("T_AccessRequestSetWithSelection", xml_AccessRequestSetWithSelection,
                 kAccessRequestWithSelectionMembers);
constinit const TypeInfo T_AccessRequestSpecification =
    ChoiceType("T_AccessRequestSpecification", xml_AccessRequestSpecification, kAccessRequestSpecificationAlts);
constinit const TypeInfo T_ListOfAccessRequestSpecification =
    SequenceOfType("T_ListOfAccessRequestSpecification", xml_ListOfAccessRequestSpecification,
                   T_AccessRequestSpecification, xml_AccessRequestSpecification);
constinit const TypeInfo T_AccessRequestBody =
    SequenceType("T_AccessRequestBody", xml_AccessRequestBody, kAccessRequestBodyMembers);
constinit const TypeInfo T_AccessRequest = SequenceType("T_AccessRequest", xml_AccessRequest, kAccessRequestMembers);

constinit const TypeInfo T_AccessResponseGet =
    SequenceType("T_AccessResponseGet", xml_AccessResponseGet, kAccessResponseDataMembers);
constinit const TypeInfo T_AccessResponseSet =
    SequenceType("T_AccessResponseSet", xml_AccessResponseSet, kAccessResponseDataMembers);
constinit const TypeInfo T_AccessResponseAction =
    SequenceType("T_AccessResponseAction", xml_AccessResponseAction, kAccessResponseActionMembers);
constinit const TypeInfo T_AccessResponseSpecification =
    ChoiceType("T_AccessResponseSpecification", xml_AccessResponseSpecification, kAccessResponseSpecificationAlts);
constinit const TypeInfo T_ListOfAccessResponseSpecification =
    SequenceOfType("T_ListOfAccessResponseSpecification", xml_ListOfAccessResponseSpecification,
                   T_AccessResponseSpecification, xml_AccessResponseSpecification);
constinit const TypeInfo T_AccessResponseBody =
    SequenceType("T_AccessResponseBody", xml_AccessResponseBody, kAccessResponseBodyMembers);
constinit const TypeInfo T_AccessResponse =
    SequenceType("T_AccessResponse", xml_AccessResponse, kAccessResponseMembers);

}  // namespace zv
