#include "apdu/errors_apdu.h"

#include "foundation/axdr_types.h"

namespace zv {

namespace {

constexpr EnumName kDataAccessResultNames[] = {
    {0, "Success"},
    {1, "HardwareFault"},
    {2, "TemporaryFailure"},
    {3, "ReadWriteDenied"},
    {4, "ObjectUndefined"},
    {9, "ObjectClassInconsistent"},
    {11, "ObjectUnavailable"},
    {12, "TypeUnmatched"},
    {13, "ScopeOfAccessViolated"},
    {14, "DataBlockUnavailable"},
    {15, "LongGetOrReadAborted"},
    {16, "NoLongGetOrReadInProgress"},
    {17, "LongSetOrWriteAborted"},
    {18, "NoLongSetOrWriteInProgress"},
    {19, "DataBlockNumberInvalid"},
    {250, "OtherReason"},
};

constexpr EnumName kExceptionStateErrorNames[] = {{1, "ServiceNotAllowed"}, {2, "ServiceUnknown"}};

constexpr EnumName kExceptionServiceErrorNames[] = {
    {1, "OperationNotPossible"}, {2, "ServiceNotSupported"}, {3, "OtherReason"},
    {4, "PduTooLong"},           {5, "DecipheringError"},    {6, "InvocationCounterError"},
};

constexpr EnumName kApplicationReferenceNames[] = {
    {0, "Other"},
    {1, "TimeElapsed"},
    {2, "ApplicationUnreachable"},
    {3, "ApplicationReferenceInvalid"},
    {4, "ApplicationContextUnsupported"},
    {5, "ProviderCommunicationError"},
    {6, "DecipheringError"},
};

constexpr EnumName kHardwareResourceNames[] = {
    {0, "Other"},
    {1, "MemoryUnavailable"},
    {2, "ProcessorResourceUnavailable"},
    {3, "MassStorageUnavailable"},
    {4, "OtherResourceUnavailable"},
};

constexpr EnumName kVdeStateErrorNames[] = {
    {0, "Other"}, {1, "NoDlmsContext"}, {2, "LoadingDataSet"}, {3, "StatusNochange"}, {4, "StatusInoperable"},
};

constexpr EnumName kServiceNames[] = {{0, "Other"}, {1, "PduSize"}, {2, "ServiceUnsupported"}};

constexpr EnumName kDefinitionNames[] = {
    {0, "Other"}, {1, "ObjectUndefined"}, {2, "ObjectClassInconsistent"}, {3, "ObjectAttributeInconsistent"},
};

constexpr EnumName kAccessNames[] = {
    {0, "Other"},         {1, "ScopeOfAccessViolated"}, {2, "ObjectAccessInvalid"},
    {3, "HardwareFault"}, {4, "ObjectUnavailable"},
};

constexpr EnumName kInitiateNames[] = {
    {0, "Other"},           {1, "DlmsVersionTooLow"},      {2, "IncompatibleConformance"},
    {3, "PduSizeTooShort"}, {4, "RefusedByTheVDEHandler"},
};

constexpr EnumName kLoadDataSetNames[] = {
    {0, "Other"},
    {1, "PrimitiveOutOfSequence"},
    {2, "NotLoadable"},
    {3, "DatasetSizeTooLarge"},
    {4, "NotAwaitedSegment"},
    {5, "InterpretationFailure"},
    {6, "StorageFailure"},
    {7, "DataSetNotReady"},
};

constexpr EnumName kTaskNames[] = {
    {0, "Other"}, {1, "NoRemoteControl"}, {2, "TiStopped"}, {3, "TiRunning"}, {4, "TiUnusable"},
};

constexpr MemberInfo kExceptionResponseMembers[] = {
    Mem(xmlStateError, T_ExceptionStateError),
    Mem(xmlServiceError, T_ExceptionServiceError),
};

// There is no alternative 8.
constexpr AltInfo kServiceErrorAlts[] = {
    Alt(0, xmlApplicationReference, T_ApplicationReference),
    Alt(1, xmlHardwareResource, T_HardwareResource),
    Alt(2, xmlVdeStateError, T_VdeStateError),
    Alt(3, xmlService, T_Service),
    Alt(4, xmlDefinition, T_Definition),
    Alt(5, xmlAccess, T_Access),
    Alt(6, xmlInitiate, T_Initiate),
    Alt(7, xmlLoadDataSet, T_LoadDataSet),
    Alt(9, xmlTask, T_Task),
    Alt(10, xmlOtherError, T_OtherError),
};

constexpr MemberInfo kConfirmedServiceErrorMembers[] = {
    Mem(xmlService, T_Unsigned8),
    Mem(xmlServiceError, T_ServiceError),
};

}  // namespace

constinit const TypeInfo T_DataAccessResult =
    EnumType("T_DataAccessResult", xml_DataAccessResult, kDataAccessResultNames);

constinit const TypeInfo T_ExceptionStateError =
    EnumType("T_ExceptionStateError", xml_ExceptionStateError, kExceptionStateErrorNames);
constinit const TypeInfo T_ExceptionServiceError =
    EnumType("T_ExceptionServiceError", xml_ExceptionServiceError, kExceptionServiceErrorNames);
constinit const TypeInfo T_ExceptionResponse =
    SequenceType("T_ExceptionResponse", xml_ExceptionResponse, kExceptionResponseMembers);

constinit const TypeInfo T_ApplicationReference =
    EnumType("T_ApplicationReference", xml_ApplicationReference, kApplicationReferenceNames);
constinit const TypeInfo T_HardwareResource =
    EnumType("T_HardwareResource", xml_HardwareResource, kHardwareResourceNames);
constinit const TypeInfo T_VdeStateError = EnumType("T_VdeStateError", xml_VdeStateError, kVdeStateErrorNames);
constinit const TypeInfo T_Service = EnumType("T_Service", xml_Service, kServiceNames);
constinit const TypeInfo T_Definition = EnumType("T_Definition", xml_Definition, kDefinitionNames);
constinit const TypeInfo T_Access = EnumType("T_Access", xml_Access, kAccessNames);
constinit const TypeInfo T_Initiate = EnumType("T_Initiate", xml_Initiate, kInitiateNames);
constinit const TypeInfo T_LoadDataSet = EnumType("T_LoadDataSet", xml_LoadDataSet, kLoadDataSetNames);
constinit const TypeInfo T_Task = EnumType("T_Task", xml_Task, kTaskNames);
constinit const TypeInfo T_OtherError = NumberType("T_OtherError", xml_OtherError, NumKind::U8, 17);
constinit const TypeInfo T_ServiceError = ChoiceType("T_ServiceError", xml_ServiceError, kServiceErrorAlts);
constinit const TypeInfo T_ConfirmedServiceError =
    SequenceType("T_ConfirmedServiceError", xml_ConfirmedServiceError, kConfirmedServiceErrorMembers);

}  // namespace zv
