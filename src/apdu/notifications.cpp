#include "apdu/notifications.h"

#include "apdu/ln_services.h"
#include "apdu/sn_services.h"
#include "foundation/axdr_types.h"

namespace zv {

constinit const TypeInfo T_LongInvokeIdAndPriority =
    NumberType("T_LongInvokeIdAndPriority", xml_LongInvokeIdAndPriority, NumKind::U32, 6);

namespace {

constexpr MemberInfo kNotificationBodyMembers[] = {
    Mem(xmlDataValue, T_Data),
};

// The date-time is a length-prefixed octet string, empty when the notification has none.
constexpr MemberInfo kDataNotificationMembers[] = {
    Mem(xmlLongInvokeIdAndPriority, T_LongInvokeIdAndPriority),
    Mem(xmlDateTime, T_OctetString),
    Mem(xmlNotificationBody, T_NotificationBody),
};

constexpr MemberInfo kUnconfirmedWriteRequestMembers[] = {
    Mem(xmlListOfVariableAccessSpecification, T_ListOfVariableAccessSpecifications),
    Mem(xmlListOfData, T_ListOfData),
};

constexpr MemberInfo kInformationReportRequestMembers[] = {
    Opt(xmlCurrentTime, T_OctetString),
    Mem(xmlListOfVariableAccessSpecification, T_ListOfVariableAccessSpecifications),
    Mem(xmlListOfData, T_ListOfData),
};

// The time comes first and is optional; its length is not checked.
constexpr MemberInfo kEventNotificationRequestMembers[] = {
    Opt(xmlTime, T_OctetString),
    Mem(xmlAttributeDescriptor, T_AttributeDescriptor),
    Mem(xmlAttributeValue, T_Data),
};

}  // namespace

constinit const TypeInfo T_NotificationBody =
    SequenceType("T_NotificationBody", xml_NotificationBody, kNotificationBodyMembers);
constinit const TypeInfo T_DataNotification =
    SequenceType("T_DataNotification", xml_DataNotification, kDataNotificationMembers);
constinit const TypeInfo T_UnconfirmedWriteRequest =
    SequenceType("T_UnconfirmedWriteRequest", xml_UnconfirmedWriteRequest, kUnconfirmedWriteRequestMembers);
constinit const TypeInfo T_InformationReportRequest =
    SequenceType("T_InformationReportRequest", xml_InformationReportRequest, kInformationReportRequestMembers);
constinit const TypeInfo T_EventNotificationRequest =
    SequenceType("T_EventNotificationRequest", xml_EventNotificationRequest, kEventNotificationRequestMembers);

}  // namespace zv
