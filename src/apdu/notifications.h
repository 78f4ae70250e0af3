// APDUs sent without an answer: data notification, information report, unconfirmed
// write and event notification, with the long invoke id that heads some of them.
#pragma once
#include <cstddef>

#include "foundation/codec.h"

namespace zv {

extern const TypeInfo T_LongInvokeIdAndPriority, T_NotificationBody, T_DataNotification,
    T_UnconfirmedWriteRequest, T_InformationReportRequest, T_EventNotificationRequest;

// Member positions, for code that reads these sequences by field.
struct DataNotification {
  enum : size_t { LongInvokeIdAndPriority, DateTime, NotificationBody };
};
struct NotificationBody {
  enum : size_t { DataValue };
};
struct InformationReportRequest {
  enum : size_t { CurrentTime, ListOfVariableAccessSpecification, ListOfData };
};
struct EventNotificationRequest {
  enum : size_t { Time, AttributeDescriptor, AttributeValue };
};

}  // namespace zv
