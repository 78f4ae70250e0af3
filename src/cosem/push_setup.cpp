#include "cosem/push_setup.h"

#include "cosem/basic_classes.h"
#include "cosem/comm_types.h"

namespace zv {

namespace {

constexpr EnumName kTransportServiceTypeNames[] = {
    {0, "TransportServiceTCP"}, {1, "TransportServiceUDP"},  {2, "TransportServiceFTP"},
    {3, "TransportServiceSMTP"}, {4, "TransportServiceSMS"}, {5, "TransportServiceHDLC"},
    {6, "TransportServiceMBus"}, {7, "TransportServiceZigBee"},
};
constexpr EnumName kMessageTypeNames[] = {{0, "MessageTypeAXDR"}, {1, "MessageTypeXML"}};

constexpr MemberInfo kSendDestinationAndMethod[] = {
    Mem(xmlTransportServiceType, T_TransportServiceType),
    Mem(xmlDestination, T_OctetString),
    Mem(xmlMessage, T_MessageType),
};

// AAReference is this system's addition: the association the push is made in.
constexpr MemberInfo kPushSetup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlPushObjectList, T_PushObjectList),
    Mem(xmlSendDestinationAndMethod, T_SendDestinationAndMethod),
    Mem(xmlCommunicationWindows, T_CommunicationWindows),
    Mem(xmlRandomisationStartInterval, T_Unsigned16),
    Mem(xmlNumberOfRetries, T_Unsigned8),
    Mem(xmlRepetitionDelay, T_Unsigned16),
    Opt(xmlAAReference, T_LogicalName),
};

}  // namespace

constinit const TypeInfo T_TransportServiceType =
    EnumType("T_TransportServiceType", xml_TransportServiceType, kTransportServiceTypeNames);
constinit const TypeInfo T_MessageType = EnumType("T_MessageType", xml_MessageType, kMessageTypeNames);
constinit const TypeInfo T_SendDestinationAndMethod =
    SequenceType("T_SendDestinationAndMethod", xml_SendDestinationAndMethod, kSendDestinationAndMethod);
constinit const TypeInfo T_PushObjectList =
    SequenceOfType("T_PushObjectList", xml_PushObjectList, T_CaptureObject, xml_CaptureObject);
constinit const TypeInfo T_CommunicationWindows =
    SequenceOfType("T_CommunicationWindows", xml_CommunicationWindows, T_Window, xml_Window);
constinit const TypeInfo T_PushSetupObject =
    InterfaceClassType("T_PushSetupObject", xml_PushSetupObject, kPushSetup, 40, 0);

static const TSequence& Destination_(const TCOSEMInstance& p) {
  return p.Get<TSequence>(PushSetupAttr::SendDestinationAndMethod - 1);
}

int TPushSetup::TransportServiceType(const TCOSEMInstance& p) {
  return Destination_(p).Get<TEnum>(SendDestinationAndMethod::TransportServiceType).Value;
}

const PduStr& TPushSetup::Destination(const TCOSEMInstance& p) {
  return Destination_(p).Get<TOctetString>(SendDestinationAndMethod::Destination).Value;
}

int TPushSetup::MessageType(const TCOSEMInstance& p) {
  return Destination_(p).Get<TEnum>(SendDestinationAndMethod::Message).Value;
}

int TPushSetup::RandomisationStartInterval(const TCOSEMInstance& p) {
  return static_cast<int>(p.Get<TNumber>(PushSetupAttr::RandomisationStartInterval - 1).AsUInt64());
}

int TPushSetup::NumberOfRetries(const TCOSEMInstance& p) {
  return static_cast<int>(p.Get<TNumber>(PushSetupAttr::NumberOfRetries - 1).AsUInt64());
}

int TPushSetup::RepetitionDelay(const TCOSEMInstance& p) {
  return static_cast<int>(p.Get<TNumber>(PushSetupAttr::RepetitionDelay - 1).AsUInt64());
}

const PduStr* TPushSetup::AAReference(const TCOSEMInstance& p) {
  TCOSEMPduBase* m = p.Member(PushSetupAttr::AAReference - 1);
  return m ? &m->As<TOctetString>().Value : nullptr;
}

}  // namespace zv
