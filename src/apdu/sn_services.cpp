#include "apdu/sn_services.h"

#include "apdu/errors_apdu.h"
#include "foundation/axdr_types.h"

namespace zv {

constinit const TypeInfo T_ObjectName = NumberType("T_ObjectName", xml_ObjectName, NumKind::I16, 16);

namespace {

constexpr MemberInfo kParametrisedAccessMembers[] = {
    Mem(xmlVariableName, T_ObjectName),
    Mem(xmlSelector, T_Unsigned8),
    Mem(xmlParameter, T_Data),
};

constexpr MemberInfo kBlockNumberAccessMembers[] = {
    Mem(xmlBlockNumber, T_Unsigned16),
};

constexpr MemberInfo kReadDataBlockAccessMembers[] = {
    Mem(xmlLastBlock, T_Boolean),
    Mem(xmlBlockNumber, T_Unsigned16),
    Mem(xmlRawData, T_OctetString),
};

constexpr MemberInfo kWriteDataBlockAccessMembers[] = {
    Mem(xmlLastBlock, T_Boolean),
    Mem(xmlBlockNumber, T_Unsigned16),
};

// The class is spelt "Parametrised", its element "Parameterised". Tags 0, 1 and 3
// (detailed access) are no alternatives.
constexpr AltInfo kVariableAccessSpecificationAlts[] = {
    Alt(2, xmlVariableName, T_ObjectName),
    Alt(4, xmlParameterisedAccess, T_ParametrisedAccess),
    Alt(5, xmlBlockNumberAccess, T_BlockNumberAccess),
    Alt(6, xmlReadDataBlockAccess, T_ReadDataBlockAccess),
    Alt(7, xmlWriteDataBlockAccess, T_WriteDataBlockAccess),
};

constexpr MemberInfo kWriteRequestMembers[] = {
    Mem(xmlListOfVariableAccessSpecification, T_ListOfVariableAccessSpecifications),
    Mem(xmlListOfData, T_ListOfData),
};

constexpr MemberInfo kDataBlockResultMembers[] = {
    Mem(xmlLastBlock, T_Boolean),
    Mem(xmlBlockNumber, T_Unsigned16),
    Mem(xmlRawData, T_OctetString),
};

constexpr AltInfo kSingleReadResponseAlts[] = {
    Alt(0, xmlData, T_Data),
    Alt(1, xmlDataAccessError, T_DataAccessResult),
    Alt(2, xmlDataBlockResult, T_DataBlockResult),
    Alt(3, xmlBlockNumber, T_Unsigned16),
};

constexpr AltInfo kSingleWriteResponseAlts[] = {
    Alt(0, xmlSuccess, T_NullData),
    Alt(1, xmlDataAccessError, T_DataAccessResult),
    Alt(2, xmlBlockNumber, T_Unsigned16),
};

}  // namespace

constinit const TypeInfo T_ParametrisedAccess =
    SequenceType("T_ParametrisedAccess", xml_ParametrisedAccess, kParametrisedAccessMembers);
constinit const TypeInfo T_BlockNumberAccess =
    SequenceType("T_BlockNumberAccess", xml_BlockNumberAccess, kBlockNumberAccessMembers);
constinit const TypeInfo T_ReadDataBlockAccess =
    SequenceType("T_ReadDataBlockAccess", xml_ReadDataBlockAccess, kReadDataBlockAccessMembers);
constinit const TypeInfo T_WriteDataBlockAccess =
    SequenceType("T_WriteDataBlockAccess", xml_WriteDataBlockAccess, kWriteDataBlockAccessMembers);
constinit const TypeInfo T_VariableAccessSpecification =
    ChoiceType("T_VariableAccessSpecification", xml_VariableAccessSpecification, kVariableAccessSpecificationAlts);

constinit const TypeInfo T_ListOfVariableAccessSpecifications =
    SequenceOfType("T_ListOfVariableAccessSpecifications", xml_ListOfVariableAccessSpecifications,
                   T_VariableAccessSpecification, xml_VariableAccessSpecification);
constinit const TypeInfo T_ListOfData = SequenceOfType("T_ListOfData", xml_ListOfData, T_Data, xml_Data);
constinit const TypeInfo T_ReadRequest = SequenceOfType("T_ReadRequest", xml_ReadRequest,
                                                        T_VariableAccessSpecification, xml_VariableAccessSpecification);
constinit const TypeInfo T_WriteRequest = SequenceType("T_WriteRequest", xml_WriteRequest, kWriteRequestMembers);
constinit const TypeInfo T_DataBlockResult =
    SequenceType("T_DataBlockResult", xml_DataBlockResult, kDataBlockResultMembers);
constinit const TypeInfo T_SingleReadResponse =
    ChoiceType("T_SingleReadResponse", xml_SingleReadResponse, kSingleReadResponseAlts);
constinit const TypeInfo T_SingleWriteResponse =
    ChoiceType("T_SingleWriteResponse", xml_SingleWriteResponse, kSingleWriteResponseAlts);
constinit const TypeInfo T_ReadResponse =
    SequenceOfType("T_ReadResponse", xml_ReadResponse, T_SingleReadResponse, xml_SingleReadResponse);
constinit const TypeInfo T_WriteResponse =
    SequenceOfType("T_WriteResponse", xml_WriteResponse, T_SingleWriteResponse, xml_SingleWriteResponse);

}  // namespace zv
