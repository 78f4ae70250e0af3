// The communication element types and classes in their three forms, with the byte
// examples of the classes and the errors a description or a peer can provoke.
#include <gtest/gtest.h>

#include "cosem/class_test_support.h"
#include "cosem/comm_classes.h"

using namespace zv;
using namespace zv::test;

namespace {

const char kDateTime[] = "07E8031505 0E1E00 FF 800000";

}  // namespace

TEST(CommCodec, ByteExamples) {
  const std::string dt = XH(kDateTime);
  const std::string window12 = "02 02 09 0C " + dt + " 09 0C " + dt;
  const std::string capture = "02 02 11 02 19 " + dt;
  const std::string captureOctets = "09 0C " + dt;
  const ByteExample rows[] = {
      // Twisted pair lists.
      {&T_PrimaryAddressList_0, xmlPrimaryAddressList, "01 02 09 01 01 09 02 02 03", "02 01 01 02 02 03",
       "<PrimaryAddressList Qty=\"0002\" >\n  <_PrimaryAddress_0 Value=\"01\" />\n"
       "  <_PrimaryAddress_0 Value=\"0203\" />\n</PrimaryAddressList>\n"},
      {&T_TabiList, xmlTabiList, "01 02 0F FF 0F 05", "02 FF 05",
       "<TabiList Qty=\"0002\" >\n  <_Tabi Value=\"FF\" />\n  <_Tabi Value=\"05\" />\n</TabiList>\n"},
      {&T_PrimaryAddressList_1, xmlPrimaryAddressList, "01 01 11 10", "01 10",
       "<PrimaryAddressList Qty=\"0001\" >\n  <_PrimaryAddress_1 Value=\"10\" />\n</PrimaryAddressList>\n"},
      // M-Bus.
      {&T_CaptureTime, xmlCaptureTime, capture.c_str(), nullptr, nullptr},
      {&T_CaptureDefinition, xmlCaptureDefinition, "01 01 02 02 09 01 04 09 01 13", "01 01 04 01 13", nullptr},
      {&T_CaptureDefinition, xmlCaptureDefinition, "01 00", "00",
       "<CaptureDefinition Qty=\"0000\" >\n</CaptureDefinition>\n"},
      // Modems and dial-up.
      {&T_Windows, xmlListeningWindows, "01 00", "00", "<ListeningWindows Qty=\"0000\" >\n</ListeningWindows>\n"},
      {&T_Window, xml_Window, window12.c_str(), nullptr, nullptr},
      {&T_Window, xml_Window, "02 02 09 03 313233 09 03 343536", "03 313233 03 343536",
       "<_Window>\n  <StartTime Value=\"\\123\" />\n  <EndTime Value=\"\\456\" />\n</_Window>\n"},
      {&T_NumberOfRings, xmlNumberOfRings, "02 02 11 03 11 05", "03 05", nullptr},
      {&T_ListOfAllowedCallersElement, xml_ListOfAllowedCallersElement, "02 02 09 04 31323334 16 01", "04 31323334 01",
       "<_ListOfAllowedCallersElement>\n  <CallerId Value=\"\\1234\" />\n  <CallType Value=\"CallType1\" />\n"
       "</_ListOfAllowedCallersElement>\n"},
      {&T_AutoAnswerMode, xmlMode, "16 02", "02", "<Mode Value=\"AutoAnsverMode2\" />\n"},
      {&T_AutoConnectMode, xmlMode, "16 65", "65", "<Mode Value=\"AutoConnectMode101\" />\n"},
      {&T_DestinationList, xmlDestinationList, "01 01 09 05 3132333435", "01 05 3132333435",
       "<DestinationList Qty=\"0001\" >\n  <_Destination Value=\"\\12345\" />\n</DestinationList>\n"},
      {&T_Unsigned16, xmlRepetitionDelay, "12 00 3C", "00 3C", nullptr},
      // ZigBee.
      {&T_StackProfile, xmlStackProfile, "16 02", "02", "<StackProfile Value=\"ZigBeePro\" />\n"},
      {&T_BitString, xmlStatus, "04 08 A0", "08 A0", "<Status Value=\"10100000\" />\n"},
      {&T_BitString, xmlStatus, "04 03 A0", "03 A0", "<Status Value=\"101\" />\n"},
      {&T_Integer8, xmlMaxRSSI, "0F F6", "F6", "<MaxRSSI Value=\"F6\" />\n"},
      {&T_Unsigned32, xmlChannelMask, "06 07FFF800", "07FFF800", nullptr},
      {&T_ActiveDevices, xmlActiveDevices, "01 00", "00", nullptr},
      // IP.
      {&T_Unsigned32, xmlIPAddress, "06 C0 A8 00 01", "C0 A8 00 01", "<IPAddress Value=\"C0A80001\" />\n"},
      {&T_Unsigned16, xmlTCPUDPPort, "12 0F DB", "0F DB", "<TCPUDPPort Value=\"0FDB\" />\n"},
      {&T_MulticastIPAddress, xmlMulticastIPAddress, "01 02 06 E0000001 06 E0000002", nullptr,
       "<MulticastIPAddress Qty=\"0002\" >\n  <_Unsigned32 Value=\"E0000001\" />\n"
       "  <_Unsigned32 Value=\"E0000002\" />\n</MulticastIPAddress>\n"},
      {&T_IPOptionsElement, xml_IPOptionsElement, "02 03 11 07 11 03 09 03 010203", "07 03 03 010203", nullptr},
      {&T_IPOptionsElement, xml_IPOptionsElement, "02 03 11 07 11 09 09 03 010203", "07 09 03 010203", nullptr},
      {&T_UnicastIPv6Addresses, xmlUnicastIPv6Addresses, "01 01 09 10 20010DB8000000000000000000000001", nullptr,
       nullptr},
      {&T_UnicastIPv6Addresses, xmlUnicastIPv6Addresses, "01 01 09 04 0A000001", "01 04 0A000001",
       "<UnicastIPv6Addresses Qty=\"0001\" >\n  <_OctetString Value=\"0A000001\" />\n</UnicastIPv6Addresses>\n"},
      {&T_NeighborDiscoverySetupElement, xml_NeighborDiscoverySetupElement, "02 03 11 03 12 000A 06 00000258",
       "03 000A 00000258", nullptr},
      {&T_AddressConfigMode, xmlAddressConfigMode, "16 02", "02",
       "<AddressConfigMode Value=\"AddressConfigMode2\" />\n"},
      {&T_OctetString, xmlMACAddress, "09 06 001122 33AABB", "06 001122 33AABB",
       "<MACAddress Value=\"00112233AABB\" />\n"},
      // PPP, GPRS and SMTP.
      {&T_PPPAuthType, xmlPPPAuthentication, "00", "00", "<PPPAuthentication>\n  <NullData />\n</PPPAuthentication>\n"},
      {&T_LCPOptionsType, xmlLCPOptions, "01 01 02 03 11 01 11 04 12 05DC", "01 01 04 12 05DC",
       "<LCPOptions Qty=\"0001\" >\n  <_LCPOptionsTypeElement>\n    <LCPOptionType Value=\"01\" />\n"
       "    <LCPOptionLength Value=\"04\" />\n    <LCPOptionData>\n      <LongUnsigned Value=\"05DC\" />\n"
       "    </LCPOptionData>\n  </_LCPOptionsTypeElement>\n</LCPOptions>\n"},
      {&T_IPCPOptionsType, xmlIPCPOptions, "01 00", "00", nullptr},
      {&T_QualityOfService, xmlQualityOfService,
       "02 02 02 05 11 01 11 02 11 03 11 04 11 05 02 05 11 00 11 00 11 00 11 00 11 00", "0102030405 0000000000",
       nullptr},
      {&T_Unsigned16, xmlServerPort, "12 00 19", "00 19", nullptr},
      // GSM diagnostic.
      {&T_CellInfo, xmlCellInfo, "02 04 12 1234 12 0042 11 14 11 00", "1234 0042 14 00", nullptr},
      {&T_AdjacentCells, xmlAdjacentCells, "01 02 02 02 12 0001 11 05 02 02 12 0002 11 06", "02 0001 05 0002 06",
       nullptr},
      {&T_OctetDateTime, xmlCaptureTime, captureOctets.c_str(), nullptr,
       "<CaptureTime Value=\"07E80315050E1E00FF800000\" />\n"},
      {&T_OctetDateTime, xmlCaptureTime, "09 00", "00", "<CaptureTime Value=\"\" />\n"},
      {&T_VisibleString, xmlOperator, "0A 03 414243", "03 414243", "<Operator Value=\"\\ABC\" />\n"},
      {&T_GSMDiagnosticStatus, xmlStatus, "16 05", "05", "<Status Value=\"GSMDiagnosticStatus5\" />\n"},
      // S-FSK.
      {&T_Frequencies, xmlFrequencies, "02 02 06 00000001 06 00000002", "00000001 00000002", nullptr},
      {&T_Initiator, xmlActiveInitiator, "02 03 09 08 4142434445464748 12 0102 11 03", "08 4142434445464748 0102 03",
       nullptr},
      {&T_MacGroupAddresses, xmlMacGroupAddresses, "01 00", "00", nullptr},
      {&T_SynchronizationRegister, xmlSynchronizationRegister, "01 01 02 02 12 0001 06 00000002", "01 0001 00000002",
       nullptr},
      {&T_SynchronizationListing, xmlSynchronizationListing,
       "02 05 06 00000001 06 00000002 06 00000003 06 00000004 06 00000005", nullptr, nullptr},
      {&T_ReportingSystemList, xmlReportingSystemList, "01 01 09 03 010203", "01 03 010203",
       "<ReportingSystemList Qty=\"0001\" >\n  <_SystemTitle Value=\"010203\" />\n</ReportingSystemList>\n"},
      // LLC.
      {&T_ReplayStatusList, xmlReplyStatusList, "01 01 02 02 11 01 11 02", "01 01 02",
       "<ReplyStatusList Qty=\"0001\" >\n  <_ReplayStatus>\n    <LSAPSelector Value=\"01\" />\n"
       "    <ReplyStatus Value=\"02\" />\n  </_ReplayStatus>\n</ReplyStatusList>\n"},
      {&T_Unsigned16, xmlMaxFrameLength, "12 0100", "0100", "<MaxFrameLength Value=\"0100\" />\n"},
      // PRIME.
      {&T_MAC_State, xmlMAC_State, "16 03", "03", "<MAC_State Value=\"MACS_tateBase\" />\n"},
      {&T_Integer16, xmlMAC_LNID, "10 FFFF", "FFFF", nullptr},
      {&T_MAC_ListMulticastEntries, xmlMAC_ListMulticastEntries, "01 01 02 02 0F 05 10 0003", "01 05 0003", nullptr},
      {&T_MAC_ListSwitchTable, xmlMAC_ListSwitchTable, "01 02 10 0001 10 FFFE", "02 0001 FFFE",
       "<MAC_ListSwitchTable Qty=\"0002\" >\n  <_StblEntryLSID Value=\"0001\" />\n"
       "  <_StblEntryLSID Value=\"FFFE\" />\n</MAC_ListSwitchTable>\n"},
      // G3.
      {&T_MAC_KeyTable, xmlMAC_KeyTable, "01 00", "00", nullptr},
      {&T_MAC_KeyTable, xmlMAC_KeyTable, "01 02 02 02 11 01 09 00 02 02 11 02 09 10 000102030405060708090A0B0C0D0E0F",
       nullptr,
       "<MAC_KeyTable Qty=\"0002\" >\n  <_MAC_GMK>\n    <KeyId Value=\"01\" />\n    <Key Value=\"\" />\n"
       "  </_MAC_GMK>\n  <_MAC_GMK>\n    <KeyId Value=\"02\" />\n    <Key Value=\"000102030405060708090A0B0C0D0E0F\" "
       "/>\n"
       "  </_MAC_GMK>\n</MAC_KeyTable>\n"},
      {&T_Modulation, xmlModulation, "16 04", "04", "<Modulation Value=\"QAM_16\" />\n"},
      {&T_TxRes, xmlTxRes, "16 01", "01", "<TxRes Value=\"ThreedB\" />\n"},
      {&T_ADP_PrefixTable, xmlADP_PrefixTable, "01 03 11 01 11 02 11 03", "03 010203", nullptr},
      {&T_ADP_GroupTable, xmlADP_GroupTable, "01 01 12 8001", "01 8001",
       "<ADP_GroupTable Qty=\"0001\" >\n  <_GroupAddress Value=\"8001\" />\n</ADP_GroupTable>\n"},
      {&T_ADP_RoutingConfiguration, xmlADP_RoutingConfiguration,
       "01 01 02 0E 11 01 12 0002 11 03 11 04 11 05 11 06 11 07 11 08 11 09 11 0A 12 000B 03 01 03 00 11 0E", nullptr,
       nullptr},
      {&T_ContextInformationTable, xml_ContextInformationTable,
       "02 05 04 04 A0 11 40 09 08 0102030405060708 03 01 12 0100", nullptr, nullptr},
      {&T_ADP_DeviceType, xmlADP_DeviceType, "16 02", "02", "<ADP_DeviceType Value=\"ADP_DeviceNotDefined\" />\n"},
  };
  CheckByteExamples(rows);
}

TEST(CommCodec, WholeObjectsInTheirForms) {
  const char kHdlc[] =
      "<IECHDLCSetupObject>\n"
      "  <Name Value=\"0000160000FF\" />\n"
      "  <CommSpeed Value=\"Baud9600\" />\n"
      "  <WindowSizeTransmit Value=\"01\" />\n"
      "  <WindowSizeReceive Value=\"07\" />\n"
      "  <MaxInfoFieldLengthTransmit Value=\"0080\" />\n"
      "  <MaxInfoFieldLengthReceive Value=\"0100\" />\n"
      "  <InterOctetTimeout Value=\"0019\" />\n"
      "  <InactivityTimeout Value=\"0078\" />\n"
      "  <DeviceAddress Value=\"0010\" />\n"
      "</IECHDLCSetupObject>\n";
  PduPtr hdlc = MakeAnyFromXml(xmlIECHDLCSetupObject, T_IECHDLCSetupObject, Crlf(kHdlc));
  EXPECT_EQ(hdlc->ToXMLString(), Crlf(kHdlc));
  EXPECT_EQ(X(hdlc->EncodeData()),
            XH("02 09 09 06 0000160000FF 16 05 11 01 11 07 12 0080 12 0100 12 0019 12 0078 12 0010"));
  EXPECT_EQ(X(hdlc->Encode()), XH("06 0000160000FF 05 01 07 0080 0100 0019 0078 0010"));

  PduPtr master = MakeAnyFromXml(xmlMBusMasterPortSetupObject, T_MBusMasterPortSetupObject,
                                 "<MBusMasterPortSetupObject><Name Value=\"0.0.24.6.0.255\"/>"
                                 "<CommSpeed Value=\"Baud2400\"/></MBusMasterPortSetupObject>");
  EXPECT_EQ(X(master->EncodeData()), XH("02 02 09 06 0000180600FF 16 03"));

  // Any number of members of a class-83 object: octet 2, count 14, the members in order.
  PduPtr fp = Create(T_PRIME_NB_OFDM_PLC_MACFunctionalParameters, xmlPRIME_NB_OFDM_PLC_MACFunctionalParameters);
  const PduStr fpData = fp->EncodeData();
  EXPECT_EQ(X(fpData.substr(0, 2)), "020E");
  EXPECT_EQ(X(fpData.substr(2, 5)), "0900100000");  // empty name, then MAC_LNID as a long
}

TEST(CommCodec, DescriptionErrors) {
  const XmlErrorExample rows[] = {
      // Value names compare exactly, case and odd spellings included.
      {&T_Baud, xmlCommSpeed, "<CommSpeed Value=\"baud9600\" />", "T_Baud: illegal element baud9600"},
      {&T_Baud, xmlCommSpeed, "<CommSpeed Value=\"Baud14400\" />", "T_Baud: illegal element Baud14400"},
      {&T_FatalError, xmlFatalError, "<FatalError Value=\"T_EP_1F\" />", "T_FatalError: illegal element T_EP_1F"},
      {&T_AutoAnswerMode, xmlMode, "<Mode Value=\"AutoAnswerMode2\" />",
       "T_AutoAnswerMode: illegal element AutoAnswerMode2"},
      {&T_AutoDialMode, xmlMode, "<Mode Value=\"AutoConnectMode1\" />",
       "T_AutoDialMode: illegal element AutoConnectMode1"},
      {&T_AutoConnectMode, xmlMode, "<Mode Value=\"AutoConnectMode7\" />",
       "T_AutoConnectMode: illegal element AutoConnectMode7"},
      {&T_CSAttachment, xmlCSAttachement, "<CSAttachement Value=\"CSAttachement1\" />",
       "T_CSAttachment: illegal element CSAttachement1"},
      {&T_Phase, xmlInitiatorElectricalPhase, "<InitiatorElectricalPhase Value=\"phase1\" />",
       "T_Phase: illegal element phase1"},
      {&T_MAC_State, xmlMAC_State, "<MAC_State Value=\"MAC_StateBase\" />",
       "T_MAC_State: illegal element MAC_StateBase"},
      {&T_Modulation, xmlModulation, "<Modulation Value=\"QAM16\" />", "T_Modulation: illegal element QAM16"},
      {&T_ADP_DeviceType, xmlADP_DeviceType, "<ADP_DeviceType Value=\"ADP_DevicePanDevice\" />",
       "T_ADP_DeviceType: illegal element ADP_DevicePanDevice"},
      // Widths and counts.
      {&T_PrimaryAddressList_1, xmlPrimaryAddressList,
       "<PrimaryAddressList Qty=\"auto\"><_PrimaryAddress_1 Value=\"0102\" /></PrimaryAddressList>",
       "Illegal data size, expected 1, found 2"},
      {&T_Unsigned32, xmlIPAddress, "<IPAddress Value=\"C0A800\" />", "Illegal data size, expected 4, found 3"},
      {&T_SynchronizationRegister, xmlSynchronizationRegister,
       "<SynchronizationRegister Qty=\"0003\"><_SynchronizationCouples><MACAddress Value=\"0001\"/>"
       "<SynchronizationCounter Value=\"00000002\"/></_SynchronizationCouples><_SynchronizationCouples>"
       "<MACAddress Value=\"0001\"/><SynchronizationCounter Value=\"00000002\"/></_SynchronizationCouples>"
       "</SynchronizationRegister>",
       "ExpectedQty=3, ActualQty=2"},
      {&T_MBusBroadcastFramesCounterItem, xml_MBusBroadcastFramesCounterItem,
       "<_MBusBroadcastFramesCounterItem><ClientId Value=\"01\"/><Counter Value=\"00000001\"/>"
       "<TimeStamp Value=\"0102\"/></_MBusBroadcastFramesCounterItem>",
       "T_DateTime: Illegal data size, expected 12, found 2"},
      // Members in table order, with their stored spellings only.
      {&T_SynchronizationCouples, xml_SynchronizationCouples,
       "<_SynchronizationCouples><SynchronizationCounter Value=\"00000002\"/><MACAddress Value=\"0001\"/>"
       "</_SynchronizationCouples>",
       "Start tag \"MACAddress\" expected"},
      {&T_QualityOfService, xmlQualityOfService,
       "<QualityOfService><Default><Precedence Value=\"01\"/><Delay Value=\"01\"/><Reliability Value=\"01\"/>"
       "<PeakThrouput Value=\"01\"/><MeanThroughput Value=\"01\"/></Default></QualityOfService>",
       "Start tag \"Requested\" expected"},
      {&T_QOSElement, xml_QOSElement,
       "<_QOSElement><Precedence Value=\"01\"/><Delay Value=\"01\"/><Reliability Value=\"01\"/>"
       "<PeakThroughput Value=\"01\"/>",
       "'PeakThroughput' unknown identifier"},
      {&T_IPCPOptionsTypeElement, xml_IPCPOptionsTypeElement, "<_IPCPOptionsTypeElement><IPCPOptionType Value=\"01\"/>",
       "'IPCPOptionType' unknown identifier"},
      {&T_ModemProfiles, xmlModemProfiles, "<ModemProfiles Qty=\"0001\"><_ModemProfileElement Value=\"01\"/>",
       "'_ModemProfileElement' unknown identifier"},
      {&T_InitializationStrings_0, xmlInitializationStrings,
       "<InitializationStrings Qty=\"0001\"><_InitializationString_1><Request Value=\"\"/>",
       "Start tag \"_InitializationString_0\" expected"},
      {&T_InitializationString_0, xml_InitializationString_0,
       "<_InitializationString_0><Request Value=\"\"/><Response Value=\"\"/><DelayAfterResponse Value=\"0001\"/>",
       "Stop tag \"_InitializationString_0\" expected"},
      {&T_ADP_GroupTable, xmlADP_GroupTable, "<ADP_GroupTable Qty=\"0001\"><_Unsigned16 Value=\"0001\"/>",
       "Start tag \"_GroupAddress\" expected"},
      {&T_MAC_ListDirectTable, xmlMAC_ListDirectTable,
       "<MAC_ListDirectTable Qty=\"0001\"><_PhyCommElement><PhyCommEUI Value=\"\"/>",
       "Start tag \"_MAC_DirectTableElement\" expected"},
      {&T_PPPAuthType, xmlPPPAuthentication, "<PPPAuthentication><Name Value=\"\"/></PPPAuthentication>",
       "T_PPPAuthType.CreateFromXml : illegal choice"},
      // Bit strings are checked while the description loads.
      {&T_BitString, xmlMAC_ToneMask, "<MAC_ToneMask Value=\"1012\" />", "BERBitString: illegal character"},
  };
  CheckXmlErrors(rows);
}
