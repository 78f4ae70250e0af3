// The metering, scheduling, control and payment element types and classes in their three
// forms, with the byte examples of the classes and the errors a description can provoke.
#include <gtest/gtest.h>

#include "apdu/ln_services.h"
#include "cosem/class_test_support.h"
#include "cosem/comm_types.h"
#include "cosem/meter_classes.h"

using namespace zv;
using namespace zv::test;

namespace {

const char kDateTime[] = "07E8031505 0E1E00 FF 800000";

}  // namespace

TEST(MeterCodec, ByteExamples) {
  const std::string dt = kDateTime;
  std::string buffer200(400, '0');
  const ByteExample rows[] = {
      // Register activation.
      {&T_RegisterAssignment, xmlRegisterAssignment, "01 01 02 02 12 00 03 09 06 01 00 01 08 00 FF",
       "01 0003 06 0100010800FF",
       "<RegisterAssignment Qty=\"0001\" >\n  <_ObjectDefinition>\n    <ClassId Value=\"0003\" />\n"
       "    <LogicalName Value=\"0100010800FF\" />\n  </_ObjectDefinition>\n</RegisterAssignment>\n"},
      {&T_MaskList, xmlMaskList, "01 00", "00", "<MaskList Qty=\"0000\" >\n</MaskList>\n"},
      {&T_MaskList, xmlMaskList, "01 01 02 02 09 03 446179 01 02 11 00 11 09", "01 03 446179 02 00 09",
       "<MaskList Qty=\"0001\" >\n  <_RegisterActMask>\n    <MaskName Value=\"\\Day\" />\n"
       "    <IndexList Qty=\"0002\" >\n      <_Unsigned8 Value=\"00\" />\n      <_Unsigned8 Value=\"09\" />\n"
       "    </IndexList>\n  </_RegisterActMask>\n</MaskList>\n"},
      // Script table: write unsigned 5 to attribute 2 of 0.0.96.1.0.255.
      {&T_ScriptAction, xml_ScriptAction, "02 05 16 01 12 00 01 09 06 00 00 60 01 00 FF 0F 02 11 05",
       "01 00 01 06 00 00 60 01 00 FF 02 11 05",
       "<_ScriptAction>\n  <ServiceId Value=\"ServiceWriteAttribute\" />\n  <ClassId Value=\"0001\" />\n"
       "  <LogicalName Value=\"0000600100FF\" />\n  <Index Value=\"02\" />\n  <Parameter>\n"
       "    <Unsigned Value=\"05\" />\n  </Parameter>\n</_ScriptAction>\n"},
      {&T_ScriptAction, xml_ScriptAction, "02 05 16 00 12 00 08 09 06 0000010000FF 0F FF 00", nullptr,
       "<_ScriptAction>\n  <ServiceId Value=\"ServiceUndefined\" />\n  <ClassId Value=\"0008\" />\n"
       "  <LogicalName Value=\"0000010000FF\" />\n  <Index Value=\"FF\" />\n  <Parameter>\n    <NullData />\n"
       "  </Parameter>\n</_ScriptAction>\n"},
      {&T_Script, xml_Script, "02 02 12 0007 01 00", "0007 00",
       "<_Script>\n  <ScriptIdentifier Value=\"0007\" />\n  <ScriptActions Qty=\"0000\" >\n  </ScriptActions>\n"
       "</_Script>\n"},
      // Schedule: a switch time of six octets is kept as it is.
      {&T_ScheduleEntry, xml_ScheduleEntry,
       "02 0A 12 0001 03 01 09 06 00000A0064FF 12 0001 09 06 060000000000 12 FFFF 04 07 F8 04 00 09 05 07E80101FF "
       "09 05 FFFFFFFFFF",
       "0001 01 06 00000A0064FF 0001 06 060000000000 FFFF 07 F8 00 05 07E80101FF 05 FFFFFFFFFF", nullptr},
      // Special days.
      {&T_SpecialDay, xml_SpecialDay, "02 03 12 00 01 09 05 07 E5 01 01 FF 11 02", "00 01 05 07 E5 01 01 FF 02",
       "<_SpecialDay>\n  <Index Value=\"0001\" />\n  <DayDate Value=\"07E50101FF\" />\n  <DayId Value=\"02\" />\n"
       "</_SpecialDay>\n"},
      // SAP assignment.
      {&T_SAPAssignmentList, xmlSAPAssignmentList, "01 01 02 02 12 0001 09 03 5A564E", "01 0001 03 5A564E",
       "<SAPAssignmentList Qty=\"0001\" >\n  <_SAPAssignmentListItem>\n    <SAP Value=\"0001\" />\n"
       "    <LogicalDeviceName Value=\"\\ZVN\" />\n  </_SAPAssignmentListItem>\n</SAPAssignmentList>\n"},
      // Image transfer.
      {&T_ImageTransferStatus, xmlImageTransferStatus, "16 07", "07",
       "<ImageTransferStatus Value=\"ImageActivationFailed\" />\n"},
      {&T_ImageToActivateInfo, xmlImageToActivateInfo, "01 01 02 03 06 00003E80 09 02 4657 09 00",
       "01 00003E80 02 4657 00", nullptr},
      {&T_ImageToActivateInfo, xmlImageToActivateInfo, "01 00", "00",
       "<ImageToActivateInfo Qty=\"0000\" >\n</ImageToActivateInfo>\n"},
      // Activity calendar.
      {&T_WeekProfile, xml_WeekProfile, "02 08 09 01 57 11 01 11 01 11 01 11 01 11 01 11 02 11 03",
       "01 57 01 01 01 01 01 02 03", nullptr},
      {&T_DayProfile, xml_DayProfile, "02 02 11 01 01 01 02 03 09 04 06000000 09 06 00000A0064FF 12 0001",
       "01 01 04 06000000 06 00000A0064FF 0001", nullptr},
      {&T_DayProfile, xml_DayProfile, "02 02 11 02 01 00", "02 00",
       "<_DayProfile>\n  <DayId Value=\"02\" />\n  <DaySchedule Qty=\"0000\" >\n  </DaySchedule>\n</_DayProfile>\n"},
      {&T_Season, xml_Season, "02 03 09 01 57 09 0C " + dt + " 09 00", nullptr, nullptr},
      // Register monitor: thresholds of mixed types.
      {&T_Thresholds, xmlThresholds, "01 02 12 1388 05 FFFFFFFF", "02 12 1388 05 FFFFFFFF",
       "<Thresholds Qty=\"0002\" >\n  <LongUnsigned Value=\"1388\" />\n  <DoubleLong Value=\"FFFFFFFF\" />\n"
       "</Thresholds>\n"},
      {&T_Actions, xmlActions, "01 01 02 02 02 02 09 06 00000A0064FF 12 0001 02 02 09 06 00000A0064FF 12 0002",
       "01 06 00000A0064FF 0001 06 00000A0064FF 0002", nullptr},
      // Single action schedule: a time of three octets.
      {&T_ExecutionTimes, xmlExecutionTimes, "01 01 02 02 09 03 0C0000 09 05 07E80601FF", "01 03 0C0000 05 07E80601FF",
       "<ExecutionTimes Qty=\"0001\" >\n  <_ExecutionTime>\n    <Time Value=\"0C0000\" />\n"
       "    <Date Value=\"07E80601FF\" />\n  </_ExecutionTime>\n</ExecutionTimes>\n"},
      {&T_ScheduleType, xmlScheduleType, "16 05", "05", "<ScheduleType Value=\"ScheduleType5\" />\n"},
      // Utility tables: an empty buffer, and one of 200 octets with a two-octet length.
      {&T_OctetString, xmlBuffer, "09 00", "00", "<Buffer Value=\"\" />\n"},
      {&T_OctetString, xmlBuffer, "09 81 C8 " + buffer200, nullptr, nullptr},
      // Disconnect control.
      {&T_ControlState, xmlControlState, "16 00", "00", "<ControlState Value=\"ControlDiconnected\" />\n"},
      {&T_ControlMode, xmlControlMode, "16 06", "06", "<ControlMode Value=\"ControlMode6\" />\n"},
      {&T_Boolean, xmlOutputState, "03 FF", "FF", "<OutputState Value=\"FF\" />\n"},
      // Limiter.
      {&T_ValueDefinition, xmlMonitoredValue, "02 03 12 0003 09 06 0100010700FF 0F 02", "0003 06 0100010700FF 02",
       "<MonitoredValue>\n  <ClassId Value=\"0003\" />\n  <LogicalName Value=\"0100010700FF\" />\n"
       "  <AttributeIndex Value=\"02\" />\n</MonitoredValue>\n"},
      {&T_Data, xmlThresholdActive, "06 00001388", "06 00001388",
       "<ThresholdActive>\n  <DoubleLongUnsigned Value=\"00001388\" />\n</ThresholdActive>\n"},
      {&T_Data, xmlThresholdNormal, "12 1388", "12 1388", nullptr},
      {&T_Data, xmlThresholdEmergency, "00", "00", "<ThresholdEmergency>\n  <NullData />\n</ThresholdEmergency>\n"},
      {&T_EmergencyProfile, xmlEmergencyProfile, "02 03 12 0001 09 05 07E80315FF 06 00000E10",
       "0001 05 07E80315FF 00000E10",
       "<EmergencyProfile>\n  <ProfileId Value=\"0001\" />\n  <ActivationTime Value=\"07E80315FF\" />\n"
       "  <Duration Value=\"00000E10\" />\n</EmergencyProfile>\n"},
      {&T_EmergencyProfileGroupIdList, xmlEmergencyProfileGroupIdList, "01 00", "00",
       "<EmergencyProfileGroupIdList Qty=\"0000\" >\n</EmergencyProfileGroupIdList>\n"},
      {&T_EmergencyProfileGroupIdList, xmlEmergencyProfileGroupIdList, "01 02 12 0001 12 00FF", "02 0001 00FF",
       "<EmergencyProfileGroupIdList Qty=\"0002\" >\n  <_EmergencyProfileGroupId Value=\"0001\" />\n"
       "  <_EmergencyProfileGroupId Value=\"00FF\" />\n</EmergencyProfileGroupIdList>\n"},
      {&T_Action, xmlActions, "02 02 02 02 09 06 00000A006AFF 12 0001 02 02 09 06 00000A006AFF 12 0002",
       "06 00000A006AFF 0001 06 00000A006AFF 0002",
       "<Actions>\n  <OverThreshold>\n    <ScriptLogicalName Value=\"00000A006AFF\" />\n"
       "    <ScriptSelector Value=\"0001\" />\n  </OverThreshold>\n  <UnderThresHold>\n"
       "    <ScriptLogicalName Value=\"00000A006AFF\" />\n    <ScriptSelector Value=\"0002\" />\n"
       "  </UnderThresHold>\n</Actions>\n"},
      // Register table: cells of any types; an empty group E list.
      {&T_TableCellValues, xmlTableCellValues, "01 00", "00", "<TableCellValues Qty=\"0000\" >\n</TableCellValues>\n"},
      {&T_TableCellValues, xmlTableCellValues, "01 03 06 000004D2 12 0010 0A 02 4142",
       "03 06 000004D2 12 0010 0A 02 4142",
       "<TableCellValues Qty=\"0003\" >\n  <DoubleLongUnsigned Value=\"000004D2\" />\n"
       "  <LongUnsigned Value=\"0010\" />\n  <VisibleString Value=\"\\AB\" />\n</TableCellValues>\n"},
      {&T_TableCellDefinition, xmlTableCellDefinition, "02 04 12 0003 09 06 0100010800FF 01 00 0F 02",
       "0003 06 0100010800FF 00 02", nullptr},
      {&T_GroupEValues, xmlGroupEValues, "01 02 11 01 11 02", "02 01 02",
       "<GroupEValues Qty=\"0002\" >\n  <_GroupEValue Value=\"01\" />\n  <_GroupEValue Value=\"02\" />\n"
       "</GroupEValues>\n"},
      // Compact data.
      {&T_CaptureMethod, xmlCaptureMethod, "16 01", "01", "<CaptureMethod Value=\"CaptureMethod_1\" />\n"},
      {&T_OctetString, xmlCompactBuffer, "09 00", "00", "<CompactBuffer Value=\"\" />\n"},
      // Status mapping.
      {&T_Data, xmlStatusWord, "04 08 A0", "04 08 A0",
       "<StatusWord>\n  <BitString Value=\"10100000\" />\n</StatusWord>\n"},
      {&T_MappingTable, xmlMappingTable, "02 02 11 01 01 02 12 0001 12 0002", "01 01 02 12 0001 12 0002",
       "<MappingTable>\n  <RefTableId Value=\"01\" />\n  <MappingTableEntry>\n    <Array Qty=\"0002\" >\n"
       "      <LongUnsigned Value=\"0001\" />\n      <LongUnsigned Value=\"0002\" />\n    </Array>\n"
       "  </MappingTableEntry>\n</MappingTable>\n"},
      // Parameter monitor.
      {&T_ChangedParameter, xmlChangedParameter, "02 04 12 0008 09 06 0000010000FF 0F 03 02 02 12 0001 03 01",
       "0008 06 0000010000FF 03 02 02 12 0001 03 01", nullptr},
      {&T_OctetDateTime, xmlCaptureTime, "09 00", "00", "<CaptureTime Value=\"\" />\n"},
      {&T_ParameterList, xmlParameterList, "01 00", "00", "<ParameterList Qty=\"0000\" >\n</ParameterList>\n"},
      // Arbitrator: a bit string of five bits inside an array.
      {&T_MostRecentRequestsTable, xmlMostRecentRequestsTable, "01 01 04 05 B0", "01 05 B0",
       "<MostRecentRequestsTable Qty=\"0001\" >\n  <_BitString Value=\"10110\" />\n</MostRecentRequestsTable>\n"},
      {&T_WeightingsTable, xmlWeightingsTable, "01 02 01 02 12 0001 12 0002 01 00", "02 02 0001 0002 00",
       "<WeightingsTable Qty=\"0002\" >\n  <_ActorWeightingList Qty=\"0002\" >\n    <_Unsigned16 Value=\"0001\" />\n"
       "    <_Unsigned16 Value=\"0002\" />\n  </_ActorWeightingList>\n  <_ActorWeightingList Qty=\"0000\" >\n"
       "  </_ActorWeightingList>\n</WeightingsTable>\n"},
      {&T_ArbitratorActions, xmlActions, "01 01 02 02 09 02 4142 12 0001", "01 02 4142 0001",
       "<Actions Qty=\"0001\" >\n  <_ArbitratorActionItem>\n    <ScriptLogicalName Value=\"\\AB\" />\n"
       "    <ScriptSelector Value=\"0001\" />\n  </_ArbitratorActionItem>\n</Actions>\n"},
      // Token gateway.
      {&T_TokenStatus, xmlTokenStatus, "02 02 16 08 04 08 FF", "08 08 FF",
       "<TokenStatus>\n  <StatusCode Value=\"StatusCode_8\" />\n  <DataValue Value=\"11111111\" />\n</TokenStatus>\n"},
      {&T_TokenStatus, xmlTokenStatus, "02 02 16 00 04 00", "00 00", nullptr},
      {&T_TokenDescription, xmlTokenDescription, "01 00", "00",
       "<TokenDescription Qty=\"0000\" >\n</TokenDescription>\n"},
      {&T_TokenDeliveryMethod, xmlTokenDeliveryMethod, "16 02", "02",
       "<TokenDeliveryMethod Value=\"TokenDeliveryMethod_2\" />\n"},
      // Account.
      {&T_AccountModeAndStatus, xmlAccountModeAndStatus, "02 02 16 02 16 03", "02 03",
       "<AccountModeAndStatus>\n  <PaymentMode Value=\"PrepaymentMode\" />\n  <AccountStatus Value=\"AccountClosed\" "
       "/>\n"
       "</AccountModeAndStatus>\n"},
      {&T_Currency, xmlCurrency, "02 03 0C 03 455552 0F FE 16 00", "03 455552 FE 00",
       "<Currency>\n  <CurrencyName Value=\"\\EUR\" />\n  <CurrencyScale Value=\"FE\" />\n"
       "  <CurrencyUnit Value=\"Time\" />\n</Currency>\n"},
      {&T_CreditChargeConfiguration, xmlCreditChargeConfiguration,
       "01 01 02 03 09 06 0000130A00FF 09 06 0000131400FF 04 08 E0", "01 06 0000130A00FF 06 0000131400FF 08 E0",
       nullptr},
      {&T_TokenGatewayConfiguration, xmlTokenGatewayConfiguration, "01 01 02 02 09 06 0000130A00FF 11 64",
       "01 06 0000130A00FF 64", nullptr},
      {&T_CreditReferenceList, xmlCreditReferenceList, "01 00", "00",
       "<CreditReferenceList Qty=\"0000\" >\n</CreditReferenceList>\n"},
      {&T_BitString, xmlCurrentCreditStatus, "04 00", "00", "<CurrentCreditStatus Value=\"\" />\n"},
      // Credit.
      {&T_CreditType, xmlCreditType, "16 04", "04", "<CreditType Value=\"ConsumptionBasedCredit\" />\n"},
      {&T_CreditStatus, xmlCreditStatus, "16 04", "04", "<CreditStatus Value=\"CreditStatus_4\" />\n"},
      {&T_DateTime, xmlPeriod, "19 " + dt, nullptr, "<Period Value=\"07E80315050E1E00FF800000\" />\n"},
      // Charge: signed scale and charge, an empty and a full table.
      {&T_UnitCharge, xmlUnitChargeActive,
       "02 03 02 02 0F 00 0F FE 02 03 12 0003 09 06 0100010800FF 0F FF 01 01 02 02 09 01 01 10 FFFE",
       "00 FE 0003 06 0100010800FF FF 01 01 01 FFFE", nullptr},
      {&T_UnitCharge, xmlUnitChargePassive, "02 03 02 02 0F 00 0F 00 02 03 12 0000 09 00 0F 00 01 00",
       "00 00 0000 00 00 00",
       "<UnitChargePassive>\n  <ChargePerUnitScaling>\n    <CommodityScale Value=\"00\" />\n"
       "    <PriceScale Value=\"00\" />\n  </ChargePerUnitScaling>\n  <CommodityReference>\n"
       "    <ClassId Value=\"0000\" />\n    <LogicalName Value=\"\" />\n    <AttributeIndex Value=\"00\" />\n"
       "  </CommodityReference>\n  <ChargeTable Qty=\"0000\" >\n  </ChargeTable>\n</UnitChargePassive>\n"},
      {&T_ChargeType, xmlChargeType, "16 02", "02", "<ChargeType Value=\"ChargeType_2\" />\n"},
      {&T_Unsigned32, xmlPeriod, "06 FFFFFFFF", "FFFFFFFF", "<Period Value=\"FFFFFFFF\" />\n"},
  };
  CheckByteExamples(rows);
}

TEST(MeterCodec, SignedValuesReadAsTheirTypes) {
  PduPtr unit = MakeAnyFromData(xmlUnitChargeActive, T_UnitCharge,
                                HexStrToByteStr("02 03 02 02 0F 00 0F FE 02 03 12 0003 09 00 0F FF 01 01 "
                                                "02 02 09 00 10 FFFE"));
  auto& u = unit->As<TSequence>();
  EXPECT_EQ(u.Get<TSequence>(0).Get<TNumber>(1).AsInt64(), -2);
  EXPECT_EQ(u.Get<TSequence>(1).Get<TNumber>(2).AsInt64(), -1);
  EXPECT_EQ(u.Get<TSequenceOf>(2).Elements(0)->As<TSequence>().Get<TNumber>(1).AsInt64(), -2);
  PduPtr proportion = MakeAnyFromXml(xmlProportion, T_Unsigned16, "<Proportion Value=\"FFFF\" />");
  EXPECT_EQ(proportion->As<TNumber>().AsUInt64(), 0xFFFFu);
  PduPtr clearance = MakeAnyFromXml(xmlClearanceThreshold, T_Integer32, "<ClearanceThreshold Value=\"FFFFFC18\" />");
  EXPECT_EQ(clearance->As<TNumber>().AsInt64(), -1000);
}

TEST(MeterCodec, ArraysTakeAutoAndAnyCountDigits) {
  PduPtr refs =
      MakeAnyFromXml(xmlCreditReferenceList, T_CreditReferenceList,
                     "<CreditReferenceList Qty=\"auto\"><_OctetString Value=\"01\"/><_OctetString Value=\"02\"/>"
                     "<_OctetString Value=\"03\"/></CreditReferenceList>");
  EXPECT_EQ(X(refs->EncodeData()), XH("01 03 09 01 01 09 01 02 09 01 03"));
  EXPECT_NE(refs->ToXMLString().find("Qty=\"0003\""), std::string::npos);
  PduPtr table =
      MakeAnyFromXml(xmlChargeTable, T_ChargeTable,
                     "<ChargeTable Qty=\"AUTO\"><_ChargeTableItem><Index Value=\"\"/>"
                     "<ChargePerUnit Value=\"0001\"/></_ChargeTableItem><_ChargeTableItem><Index Value=\"\"/>"
                     "<ChargePerUnit Value=\"0002\"/></_ChargeTableItem><_ChargeTableItem><Index Value=\"\"/>"
                     "<ChargePerUnit Value=\"0003\"/></_ChargeTableItem></ChargeTable>");
  EXPECT_EQ(table->As<TSequenceOf>().ElementCount(), 3);
  EXPECT_NE(table->ToXMLString().find("<ChargeTable Qty=\"0003\" >"), std::string::npos);
  // A count of two written with one digit.
  PduPtr groups = MakeAnyFromXml(xmlGroupEValues, T_GroupEValues,
                                 "<GroupEValues Qty=\"2\"><_GroupEValue Value=\"01\"/><_GroupEValue Value=\"02\"/>"
                                 "</GroupEValues>");
  EXPECT_EQ(X(groups->EncodeData()), XH("01 02 11 01 11 02"));
}

TEST(MeterCodec, ElementNamesMatchWithoutRegardToCase) {
  PduPtr credit = MakeAnyFromXml(
      xmlCreditObject, T_CreditObject,
      "<creditobject><Name Value=\"0.0.19.10.0.255\"/><CurrentCreditAmount Value=\"00000001\"/>"
      "<CreditType Value=\"TokenCredit\"/><Priority Value=\"01\"/><WARNINGTHRESHOLD Value=\"00000002\"/>"
      "<Limit Value=\"00000003\"/><CreditConfiguration Value=\"\"/><CreditStatus Value=\"CreditStatus_0\"/>"
      "<PresetCreditAmount Value=\"00000004\"/><CreditAvailableThreshold Value=\"00000005\"/>"
      "<Period Value=\"FFFFFFFFFFFFFFFFFF800000\"/></CREDITOBJECT>");
  const std::string xml = credit->ToXMLString();
  EXPECT_NE(xml.find("<Warningthreshold Value=\"00000002\" />"), std::string::npos);
  EXPECT_NE(xml.find("<Name Value=\"0000130A00FF\" />"), std::string::npos);
  EXPECT_EQ(X(credit->As<TCOSEMInstance>().Attribute(7)->EncodeData()), "0400");
}

TEST(MeterCodec, DescriptionErrors) {
  const XmlErrorExample rows[] = {
      // Value names compare exactly, case and odd spellings included.
      {&T_ScheduleType, xmlScheduleType, "<ScheduleType Value=\"ScheduleType0\" />",
       "T_ScheduleType: illegal element ScheduleType0"},
      {&T_ServiceId, xmlServiceId, "<ServiceId Value=\"ServiceExecute\" />",
       "T_ServiceId: illegal element ServiceExecute"},
      {&T_ImageTransferStatus, xmlImageTransferStatus, "<ImageTransferStatus Value=\"imageActivationFailed\" />",
       "T_ImageTransferStatus: illegal element imageActivationFailed"},
      {&T_ControlState, xmlControlState, "<ControlState Value=\"ControlDisconnected\" />",
       "T_ControlState: illegal element ControlDisconnected"},
      {&T_ControlMode, xmlControlMode, "<ControlMode Value=\"controlmode1\" />",
       "T_ControlMode: illegal element controlmode1"},
      {&T_CaptureMethod, xmlCaptureMethod, "<CaptureMethod Value=\"Capturemethod_0\" />",
       "T_CaptureMethod: illegal element Capturemethod_0"},
      {&T_StatusCode, xmlStatusCode, "<StatusCode Value=\"StatusCode_9\" />",
       "T_StatusCode: illegal element StatusCode_9"},
      {&T_TokenDeliveryMethod, xmlTokenDeliveryMethod, "<TokenDeliveryMethod Value=\"TokenDeliveryMethod_3\" />",
       "T_TokenDeliveryMethod: illegal element TokenDeliveryMethod_3"},
      {&T_PaymentMode, xmlPaymentMode, "<PaymentMode Value=\"creditmode\" />",
       "T_PaymentMode: illegal element creditmode"},
      {&T_AccountStatus, xmlAccountStatus, "<AccountStatus Value=\"AccountOpen\" />",
       "T_AccountStatus: illegal element AccountOpen"},
      {&T_CurrencyUnit, xmlCurrencyUnit, "<CurrencyUnit Value=\"time\" />", "T_CurrencyUnit: illegal element time"},
      {&T_CreditType, xmlCreditType, "<CreditType Value=\"Token\" />", "T_CreditType: illegal element Token"},
      {&T_CreditStatus, xmlCreditStatus, "<CreditStatus Value=\"CreditStatus_5\" />",
       "T_CreditStatus: illegal element CreditStatus_5"},
      {&T_ChargeType, xmlChargeType, "<ChargeType Value=\"ChargeType_3\" />",
       "T_ChargeType: illegal element ChargeType_3"},
      // Widths of fixed-size values.
      {&T_ValueDefinition, xmlMonitoredValue,
       "<MonitoredValue><ClassId Value=\"03\"/><LogicalName Value=\"\"/><AttributeIndex "
       "Value=\"02\"/></MonitoredValue>",
       "Illegal data size, expected 2, found 1"},
      {&T_ChangedParameter, xmlChangedParameter, "<ChangedParameter><ClassId Value=\"000008\"/>",
       "Illegal data size, expected 2, found 3"},
      {&T_Currency, xmlCurrency, "<Currency><CurrencyName Value=\"\"/><CurrencyScale Value=\"FFFE\"/>",
       "Illegal data size, expected 1, found 2"},
      {&T_SpecialDay, xml_SpecialDay, "<_SpecialDay><Index Value=\"01\"/>", "Illegal data size, expected 2, found 1"},
      {&T_DateTime, xmlPeriod, "<Period Value=\"FFFFFFFFFFFFFFFFFF8000\" />",
       "T_DateTime: Illegal data size, expected 12, found 11"},
      // Counts, at every level of nesting.
      {&T_WeightingsTable, xmlWeightingsTable,
       "<WeightingsTable Qty=\"0001\"><_ActorWeightingList Qty=\"0002\"><_Unsigned16 Value=\"0001\"/>"
       "</_ActorWeightingList></WeightingsTable>",
       "ExpectedQty=2, ActualQty=1"},
      {&T_SpecialDays, xmlEntries,
       "<Entries Qty=\"0002\"><_SpecialDay><Index Value=\"0001\"/><DayDate Value=\"\"/><DayId Value=\"01\"/>"
       "</_SpecialDay></Entries>",
       "ExpectedQty=2, ActualQty=1"},
      // Members in table order, with their stored spellings only.
      {&T_LimiterObject, xmlLimiterObject,
       "<LimiterObject><Name Value=\"0.0.17.0.0.255\"/><MonitoredValue><ClassId Value=\"0003\"/>"
       "<LogicalName Value=\"\"/><AttributeIndex Value=\"02\"/></MonitoredValue>"
       "<ThresholdActive><NullData/></ThresholdActive><ThresholdNormal><NullData/></ThresholdNormal>"
       "<ThresholdEmergency><NullData/></ThresholdEmergency><MinOverThresholdDuration Value=\"00000000\"/>"
       "<EmergencyprofileActive Value=\"00\"/>",
       "Start tag \"MinUnderThresholdDuration\" expected"},
      {&T_Action, xmlActions,
       "<Actions><OverThreshold><ScriptLogicalName Value=\"\"/><ScriptSelector Value=\"0001\"/></OverThreshold>"
       "<OverThreshold>",
       "Start tag \"UnderThresHold\" expected"},
      {&T_ImageTransferObject, xmlImageTransferObject,
       "<ImageTransferObject><Name Value=\"\"/><ImageBlockSize Value=\"00000000\"/>"
       "<ImageTransferBlockStatus Value=\"\"/><ImageFirstNotTransferredBlockNumber Value=\"00000000\"/>",
       "'ImageFirstNotTransferredBlockNumber' unknown identifier"},
      {&T_Data, xmlThresholdActive, "<ThresholdActive></ThresholdActive>", "T_Data.CreateFromXml : illegal choice"},
      {&T_MappingTable, xmlMappingTable,
       "<MappingTable><RefTableId Value=\"01\"/><MappingTableEntry><Name Value=\"\"/>",
       "T_Data.CreateFromXml : illegal choice"},
      {&T_ScriptActions, xmlScriptActions, "<ScriptActions Qty=\"0001\"><_Script>",
       "Start tag \"_ScriptAction\" expected"},
      // Bit strings are checked while the description loads.
      {&T_TokenStatus, xmlTokenStatus, "<TokenStatus><StatusCode Value=\"StatusCode_0\"/><DataValue Value=\"0120\"/>",
       "BERBitString: illegal character"},
      {&T_PermissionsTable, xmlPermissionsTable, "<PermissionsTable Qty=\"0001\"><_BitString Value=\"1x\"/>",
       "BERBitString: illegal character"},
  };
  CheckXmlErrors(rows);
}

TEST(MeterCodec, DescriptionErrorsCarryTheirPlace) {
  const char kText[] =
      "<LogicalDevice><Name Value=\"\"/><ServerSAP Value=\"0001\"/><COSEMObjectList Qty=\"AUTO\">\n"
      "<DisconnectControlObject><Name Value=\"0.0.96.3.10.255\"/><OutputState Value=\"01\"/>\n"
      "<ControlState Value=\"ControlConnected\"/>\n"
      "<ControlMode Value=\"ControlMode7\"/></DisconnectControlObject></COSEMObjectList></LogicalDevice>";
  try {
    MakeLogicalDevice(kText);
    ADD_FAILURE() << "no error";
  } catch (const EXMLError& e) {
    EXPECT_EQ(e.Message(), "T_ControlMode: illegal element ControlMode7");
    EXPECT_EQ(e.PosY, 4);
  }
}
