// The responses of the server. Each is written as the XML form of its APDU with the
// variable parts filled in and parsed into a new APDU, so that the log shows every
// response in the shape of its template.
#pragma once
#include <cstdint>

#include "apdu/ber.h"
#include "apdu/cosem_pdu.h"
#include "foundation/axdr_types.h"
#include "foundation/date_time.h"

namespace zv {

class TConformance;

struct TMakeService {
  // "OperationNotPossible" and "ServiceNotSupported".
  static COSEMpduPtr ExceptionResponse();
  static COSEMpduPtr ExceptionNotImplemented();

  // GetDataResult: a T_GetDataResult (its element is written as it is named).
  static COSEMpduPtr GetResponseNormal(const TCOSEMPduBase& GetDataResult, int InvokeIdAndPriority);
  static COSEMpduPtr GetResponseNormal_DataAccessResult(int InvokeIdAndPriority, int DataAccessResultCode);
  // L: a T_ListOfGetDataResult; it is written as a Result element.
  static COSEMpduPtr GetResponseWithList(TCOSEMPduBase& L, int InvokeIdAndPriority);
  static COSEMpduPtr GetResponseWithDataBlock(int InvokeIdAndPriority, bool LastBlock, uint32_t BlockNumber,
                                              const PduStr& RawData);
  static COSEMpduPtr GetResponseWithDataBlock_DataAccessResult(int InvokeIdAndPriority, bool LastBlock,
                                                               uint32_t BlockNumber, int DataAccessResultCode);
  static COSEMpduPtr SetResponseNormal(int InvokeIdAndPriority, int DataAccessResultCode);
  static COSEMpduPtr SetResponseForDataBlock(int InvokeIdAndPriority, uint32_t BlockNumber);
  static COSEMpduPtr SetResponseForLastDataBlock(int InvokeIdAndPriority, int DataAccessResultCode,
                                                 uint32_t BlockNumber);
  // ReturnParameters may be null.
  static COSEMpduPtr ActionResponseNormal(int InvokeIdAndPriority, int ActionResultCode, const TData* ReturnParameters);
  static COSEMpduPtr ActionResponse_Data(int InvokeIdAndPriority, const TData& Data);
  static COSEMpduPtr AccessResponseNotSelfDescriptive(uint32_t LongInvokeIdAndPriority);
  static COSEMpduPtr AccessResponseSelfDescriptive(uint32_t LongInvokeIdAndPriority);
  static COSEMpduPtr ReadResponse_Data(const TData& Data);
  static COSEMpduPtr ReadResponse_DataAccessError(int DataAccessResultCode);
  static COSEMpduPtr ReadResponseWithDataBlock(bool LastBlock, int BlockNumber, const PduStr& RawData);
  static COSEMpduPtr WriteResponseBlockNumber(int BlockNumber);
  static COSEMpduPtr WriteResponseSuccess();
  static COSEMpduPtr RLRE_Normal();
  static COSEMpduPtr RLRE_Normal_UserInformation(TObjectIdentifier ContextName, const TConformance& NegotiatedConformance,
                                                 int NegotiatedMaxPduSize);
  static COSEMpduPtr DataNotification(uint32_t InvokeIdAndPriority, const TDateTimeRecord& DateTimeRecord);
  static COSEMpduPtr GBT(int BlockControl, int BlockNumber, int BlockNumberAck, const PduStr& PayLoad);
  // NegotiatedConformance null: no user-information.
  static COSEMpduPtr AARE(TObjectIdentifier ContextName, TObjectIdentifier MechanismName, bool ACSERequirement,
                          int AssociationResult, int ResultSourceDiagnostic, const PduStr& RespondingAPTitle,
                          const PduStr& RespondingAuthenticationValue, const TConformance* NegotiatedConformance,
                          int NegotiatedMaxPduSize, bool ACSEServiceProvider);

  // The texts behind the functions above.
  static std::string InitiateResponseXml(TObjectIdentifier ContextName, const TConformance& NegotiatedConformance,
                                         int NegotiatedMaxPduSize);
  // "0007" for the LN contexts, "FA00" for all others.
  static const char* VaaName(TObjectIdentifier ContextName);
};

// Names of result codes; a code without a name raises the class's "illegal enum value".
std::string DataAccessResultName(int Code);
std::string ActionResultName(int Code);

}  // namespace zv
