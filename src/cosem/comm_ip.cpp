// TCP-UDP, IPv4, MAC address, IPv6, PPP, GPRS modem and SMTP setup.
#include "cosem/comm_classes.h"
#include "cosem/cosem_instance.h"

namespace zv {

namespace {

constexpr EnumName kAddressConfigMode[] = {
    {0, "AddressConfigMode0"}, {1, "AddressConfigMode1"}, {2, "AddressConfigMode2"}, {3, "AddressConfigMode3"}};

constexpr MemberInfo kIPOptionsElement[] = {
    Mem(xmlIPOptionType, T_Unsigned8),
    Mem(xmlIPOptionLength, T_Unsigned8),
    Mem(xmlIPOptionData, T_OctetString),
};

constexpr MemberInfo kNeighborDiscoverySetupElement[] = {
    Mem(xmlRSMaxRetry, T_Unsigned8),
    Mem(xmlRSRetryWaitTime, T_Unsigned16),
    Mem(xmlRASendPeriod, T_Unsigned32),
};

constexpr MemberInfo kLCPOptionsTypeElement[] = {
    Mem(xmlLCPOptionType, T_Unsigned8),
    Mem(xmlLCPOptionLength, T_Unsigned8),
    Mem(xmlLCPOptionData, T_Data),
};

constexpr MemberInfo kIPCPOptionsTypeElement[] = {
    Mem(xmlIPCPOptioType, T_Unsigned8),
    Mem(xmlIPCPOptionLength, T_Unsigned8),
    Mem(xmlIPCPOptionData, T_Data),
};

constexpr MemberInfo kQOSElement[] = {
    Mem(xmlPrecedence, T_Unsigned8),
    Mem(xmlDelay, T_Unsigned8),
    Mem(xmlReliability, T_Unsigned8),
    Mem(xmlPeakThrouput, T_Unsigned8),
    Mem(xmlMeanThroughput, T_Unsigned8),
};

constexpr MemberInfo kQualityOfService[] = {
    Mem(xmlDefault, T_QOSElement),
    Mem(xmlRequested, T_QOSElement),
};

constexpr MemberInfo kTCPUDPSetup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlTCPUDPPort, T_Unsigned16),
    Mem(xmlIPReference, T_OctetString),
    Mem(xmlMSS, T_Unsigned16),
    Mem(xmlNbOfSimConn, T_Unsigned8),
    Mem(xmlInactivityTimeout, T_Unsigned16),
};

// Addresses and the mask are 32-bit numbers, most significant octet first.
constexpr MemberInfo kIPv4Setup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlDLReference, T_OctetString),
    Mem(xmlIPAddress, T_Unsigned32),
    Mem(xmlMulticastIPAddress, T_MulticastIPAddress),
    Mem(xmlIPOptions, T_IPOptions),
    Mem(xmlSubnetMask, T_Unsigned32),
    Mem(xmlGatewayIPAddress, T_Unsigned32),
    Mem(xmlUseDHCLFlag, T_Boolean),
    Mem(xmlPrimaryDNSAddress, T_Unsigned32),
    Mem(xmlSecondaryDNSAddress, T_Unsigned32),
};

constexpr MemberInfo kMACAddressSetup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlMACAddress, T_OctetString),
};

constexpr MemberInfo kIPv6Setup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlDLReference, T_OctetString),
    Mem(xmlAddressConfigMode, T_AddressConfigMode),
    Mem(xmlUnicastIPv6Addresses, T_UnicastIPv6Addresses),
    Mem(xmlMulticastIPv6Addresses, T_MulticastIPv6Addresses),
    Mem(xmlGatewayIPv6Addresses, T_GatewayIPv6Addresses),
    Mem(xmlPrimaryDNSAddress, T_OctetString),
    Mem(xmlSecondaryDNSAddress, T_OctetString),
    Mem(xmlTrafficClass, T_Unsigned8),
    Mem(xmlNeighborDiscoverySetup, T_NeighborDiscoverySetup),
};

constexpr MemberInfo kPPPSetup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlPHYReference, T_OctetString),
    Mem(xmlLCPOptions, T_LCPOptionsType),
    Mem(xmlIPCPOptions, T_IPCPOptionsType),
    Mem(xmlPPPAuthentication, T_PPPAuthType),
};

constexpr MemberInfo kGPRSModemSetup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlAPN, T_OctetString),
    Mem(xmlPINCode, T_Unsigned16),
    Mem(xmlQualityOfService, T_QualityOfService),
};

constexpr MemberInfo kSMTPSetup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlServerPort, T_Unsigned16),
    Mem(xmlUserName, T_OctetString),
    Mem(xmlLoginPassword, T_OctetString),
    Mem(xmlServerAddress, T_OctetString),
    Mem(xmlSenderAddress, T_OctetString),
};

}  // namespace

constinit const TypeInfo T_AddressConfigMode =
    EnumType("T_AddressConfigMode", xml_AddressConfigMode, kAddressConfigMode);

constinit const TypeInfo T_IPOptionsElement =
    SequenceType("T_IPOptionsElement", xml_IPOptionsElement, kIPOptionsElement);
constinit const TypeInfo T_NeighborDiscoverySetupElement =
    SequenceType("T_NeighborDiscoverySetupElement", xml_NeighborDiscoverySetupElement, kNeighborDiscoverySetupElement);
constinit const TypeInfo T_LCPOptionsTypeElement =
    SequenceType("T_LCPOptionsTypeElement", xml_LCPOptionsTypeElement, kLCPOptionsTypeElement);
constinit const TypeInfo T_IPCPOptionsTypeElement =
    SequenceType("T_IPCPOptionsTypeElement", xml_IPCPOptionsTypeElement, kIPCPOptionsTypeElement);
constinit const TypeInfo T_QOSElement = SequenceType("T_QOSElement", xml_QOSElement, kQOSElement);
constinit const TypeInfo T_QualityOfService =
    SequenceType("T_QualityOfService", xml_QualityOfService, kQualityOfService);

constinit const TypeInfo T_MulticastIPAddress =
    SequenceOfType("T_MulticastIPAddress", xml_MulticastIPAddress, T_Unsigned32, xml_Unsigned32);
constinit const TypeInfo T_IPOptions =
    SequenceOfType("T_IPOptions", xml_IPOptions, T_IPOptionsElement, xml_IPOptionsElement);
constinit const TypeInfo T_UnicastIPv6Addresses =
    SequenceOfType("T_UnicastIPv6Addresses", xml_UnicastIPv6Addresses, T_OctetString, xml_OctetString);
constinit const TypeInfo T_MulticastIPv6Addresses =
    SequenceOfType("T_MulticastIPv6Addresses", xml_MulticastIPv6Addresses, T_OctetString, xml_OctetString);
constinit const TypeInfo T_GatewayIPv6Addresses =
    SequenceOfType("T_GatewayIPv6Addresses", xml_GatewayIPv6Addresses, T_OctetString, xml_OctetString);
constinit const TypeInfo T_NeighborDiscoverySetup =
    SequenceOfType("T_NeighborDiscoverySetup", xml_NeighborDiscoverySetup, T_NeighborDiscoverySetupElement,
                   xml_NeighborDiscoverySetupElement);
constinit const TypeInfo T_LCPOptionsType =
    SequenceOfType("T_LCPOptionsType", xml_LCPOptionsType, T_LCPOptionsTypeElement, xml_LCPOptionsTypeElement);
constinit const TypeInfo T_IPCPOptionsType =
    SequenceOfType("T_IPCPOptionsType", xml_IPCPOptionsType, T_IPCPOptionsTypeElement, xml_IPCPOptionsTypeElement);
// Any Data value, under a class of its own: a plain T_Data is refused for the attribute.
constinit const TypeInfo T_PPPAuthType = DerivedType("T_PPPAuthType", xml_PPPAuthType, T_Data);

constinit const TypeInfo T_TCPUDPSetupObject =
    InterfaceClassType("T_TCPUDPSetupObject", xml_TCPUDPSetupObject, kTCPUDPSetup, 41, 0);
constinit const TypeInfo T_IPv4SetupObject =
    InterfaceClassType("T_IPv4SetupObject", xml_IPv4SetupObject, kIPv4Setup, 42, 0);
constinit const TypeInfo T_MACAddressSetupObject =
    InterfaceClassType("T_MACAddressSetupObject", xml_MACAddressSetupObject, kMACAddressSetup, 43, 0);
constinit const TypeInfo T_IPv6SetupObject =
    InterfaceClassType("T_IPv6SetupObject", xml_IPv6SetupObject, kIPv6Setup, 48, 0);
constinit const TypeInfo T_PPPSetupObject =
    InterfaceClassType("T_PPPSetupObject", xml_PPPSetupObject, kPPPSetup, 44, 0);
constinit const TypeInfo T_GPRSModemSetupObject =
    InterfaceClassType("T_GPRSModemSetupObject", xml_GPRSModemSetupObject, kGPRSModemSetup, 45, 0);
constinit const TypeInfo T_SMTPSetupObject =
    InterfaceClassType("T_SMTPSetupObject", xml_SMTPSetupObject, kSMTPSetup, 46, 0);

}  // namespace zv
