// Payment metering: token gateway, account, credit and charge. Pure data: no token is
// processed, no credit consumed, no charge collected, and references between the objects
// are never resolved.
#include "cosem/meter_classes.h"

namespace zv {

namespace {

constexpr EnumName kTokenDeliveryMethod[] = {
    {0, "TokenDeliveryMethod_0"}, {1, "TokenDeliveryMethod_1"}, {2, "TokenDeliveryMethod_2"}};
constexpr EnumName kStatusCode[] = {
    {0, "StatusCode_0"}, {1, "StatusCode_1"}, {2, "StatusCode_2"}, {3, "StatusCode_3"}, {4, "StatusCode_4"},
    {5, "StatusCode_5"}, {6, "StatusCode_6"}, {7, "StatusCode_7"}, {8, "StatusCode_8"},
};
// Payment mode and account status start at 1.
constexpr EnumName kPaymentMode[] = {{1, "CreditMode"}, {2, "PrepaymentMode"}};
constexpr EnumName kAccountStatus[] = {{1, "NewAccount"}, {2, "AccountActive"}, {3, "AccountClosed"}};
constexpr EnumName kCurrencyUnit[] = {{0, "Time"}, {1, "Consumption"}, {2, "Monetary"}};
constexpr EnumName kCreditType[] = {
    {0, "TokenCredit"},     {1, "ReservedCredit"},         {2, "EmergencyCredit"},
    {3, "TimeBasedCredit"}, {4, "ConsumptionBasedCredit"},
};
constexpr EnumName kCreditStatus[] = {
    {0, "CreditStatus_0"}, {1, "CreditStatus_1"}, {2, "CreditStatus_2"}, {3, "CreditStatus_3"}, {4, "CreditStatus_4"},
};
constexpr EnumName kChargeType[] = {{0, "ChargeType_0"}, {1, "ChargeType_1"}, {2, "ChargeType_2"}};

// Token gateway; the token time is a plain octet string.
constexpr MemberInfo kTokenStatus[] = {
    Mem(xmlStatusCode, T_StatusCode),
    Mem(xmlDataValue, T_BitString),
};
constexpr MemberInfo kTokenGateway[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlToken, T_OctetString),
    Mem(xmlTokenTime, T_OctetString),
    Mem(xmlTokenDescription, T_TokenDescription),
    Mem(xmlTokenDeliveryMethod, T_TokenDeliveryMethod),
    Mem(xmlTokenStatus, T_TokenStatus),
};

// Account.
constexpr MemberInfo kAccountModeAndStatus[] = {
    Mem(xmlPaymentMode, T_PaymentMode),
    Mem(xmlAccountStatus, T_AccountStatus),
};
constexpr MemberInfo kCreditChargeConfigurationItem[] = {
    Mem(xmlCreditReference, T_OctetString),
    Mem(xmlChargeReference, T_OctetString),
    Mem(xmlCollectConfiguration, T_BitString),
};
constexpr MemberInfo kTokenGatewayConfigurationItem[] = {
    Mem(xmlCreditReference, T_OctetString),
    Mem(xmlTokenProportion, T_Unsigned8),
};
// The currency name is a UTF-8 string kept as its octets.
constexpr MemberInfo kCurrency[] = {
    Mem(xmlCurrencyName, T_UTF8String),
    Mem(xmlCurrencyScale, T_Integer8),
    Mem(xmlCurrencyUnit, T_CurrencyUnit),
};
constexpr MemberInfo kAccount[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlAccountModeAndStatus, T_AccountModeAndStatus),
    Mem(xmlCurrentCreditInUse, T_Unsigned8),
    Mem(xmlCurrentCreditStatus, T_BitString),
    Mem(xmlAvailableCredit, T_Integer32),
    Mem(xmlAmountToClear, T_Integer32),
    Mem(xmlClearanceThreshold, T_Integer32),
    Mem(xmlAggregatedDebt, T_Integer32),
    Mem(xmlCreditReferenceList, T_CreditReferenceList),
    Mem(xmlChargeReferenceList, T_ChargeReferenceList),
    Mem(xmlCreditChargeConfiguration, T_CreditChargeConfiguration),
    Mem(xmlTokenGatewayConfiguration, T_TokenGatewayConfiguration),
    Mem(xmlAccountActivationTime, T_OctetString),
    Mem(xmlAccountClosureTime, T_OctetString),
    Mem(xmlCurrency, T_Currency),
    Mem(xmlLowCreditThreshold, T_Integer32),
    Mem(xmlNextCreditAvailableThreshold, T_Integer32),
    Mem(xmlMaxProvision, T_Unsigned16),
    Mem(xmlMaxProvisionPeriod, T_Integer32),
};

// Credit: its period is a 12-octet date-time (the charge's period is a number).
constexpr MemberInfo kCredit[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlCurrentCreditAmount, T_Integer32),
    Mem(xmlCreditType, T_CreditType),
    Mem(xmlPriority, T_Unsigned8),
    Mem(xmlWarningthreshold, T_Integer32),
    Mem(xmlLimit, T_Integer32),
    Mem(xmlCreditConfiguration, T_BitString),
    Mem(xmlCreditStatus, T_CreditStatus),
    Mem(xmlPresetCreditAmount, T_Integer32),
    Mem(xmlCreditAvailableThreshold, T_Integer32),
    Mem(xmlPeriod, T_DateTime),
};

// Charge.
constexpr MemberInfo kChargePerUnitScaling[] = {
    Mem(xmlCommodityScale, T_Integer8),
    Mem(xmlPriceScale, T_Integer8),
};
constexpr MemberInfo kCommodityReference[] = {
    Mem(xmlClassId, T_Unsigned16),
    Mem(xmlLogicalName, T_OctetString),
    Mem(xmlAttributeIndex, T_Integer8),
};
constexpr MemberInfo kChargeTableItem[] = {
    Mem(xmlIndex, T_OctetString),
    Mem(xmlChargePerUnit, T_Integer16),
};
constexpr MemberInfo kUnitCharge[] = {
    Mem(xmlChargePerUnitScaling, T_ChargePerUnitScaling),
    Mem(xmlCommodityReference, T_CommodityReference),
    Mem(xmlChargeTable, T_ChargeTable),
};
constexpr MemberInfo kCharge[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlTotalAmountPaid, T_Integer32),
    Mem(xmlChargeType, T_ChargeType),
    Mem(xmlPriority, T_Unsigned8),
    Mem(xmlUnitChargeActive, T_UnitCharge),
    Mem(xmlUnitChargePassive, T_UnitCharge),
    Mem(xmlUnitChargeActivationTime, T_OctetString),
    Mem(xmlPeriod, T_Unsigned32),
    Mem(xmlChargeConfiguration, T_BitString),
    Mem(xmlLastCollectionTime, T_DateTime),
    Mem(xmlLastCollectionAmount, T_Integer32),
    Mem(xmlTotalAmountRemaining, T_Integer32),
    Mem(xmlProportion, T_Unsigned16),
};

}  // namespace

constinit const TypeInfo T_TokenDescription =
    SequenceOfType("T_TokenDescription", xml_TokenDescription, T_OctetString, xml_OctetString);
constinit const TypeInfo T_TokenDeliveryMethod =
    EnumType("T_TokenDeliveryMethod", xml_TokenDeliveryMethod, kTokenDeliveryMethod);
constinit const TypeInfo T_StatusCode = EnumType("T_StatusCode", xml_StatusCode, kStatusCode);
constinit const TypeInfo T_TokenStatus = SequenceType("T_TokenStatus", xml_TokenStatus, kTokenStatus);
constinit const TypeInfo T_TokenGatewayObject =
    InterfaceClassType("T_TokenGatewayObject", xml_TokenGatewayObject, kTokenGateway, 115, 0);

constinit const TypeInfo T_PaymentMode = EnumType("T_PaymentMode", xml_PaymentMode, kPaymentMode);
constinit const TypeInfo T_AccountStatus = EnumType("T_AccountStatus", xml_AccountStatus, kAccountStatus);
constinit const TypeInfo T_CurrencyUnit = EnumType("T_CurrencyUnit", xml_CurrencyUnit, kCurrencyUnit);
constinit const TypeInfo T_AccountModeAndStatus =
    SequenceType("T_AccountModeAndStatus", xml_AccountModeAndStatus, kAccountModeAndStatus);
constinit const TypeInfo T_CreditReferenceList =
    SequenceOfType("T_CreditReferenceList", xml_CreditReferenceList, T_OctetString, xml_OctetString);
constinit const TypeInfo T_ChargeReferenceList =
    SequenceOfType("T_ChargeReferenceList", xml_ChargeReferenceList, T_OctetString, xml_OctetString);
constinit const TypeInfo T_CreditChargeConfigurationItem =
    SequenceType("T_CreditChargeConfigurationItem", xml_CreditChargeConfigurationItem, kCreditChargeConfigurationItem);
constinit const TypeInfo T_CreditChargeConfiguration =
    SequenceOfType("T_CreditChargeConfiguration", xml_CreditChargeConfiguration, T_CreditChargeConfigurationItem,
                   xml_CreditChargeConfigurationItem);
constinit const TypeInfo T_TokenGatewayConfigurationItem =
    SequenceType("T_TokenGatewayConfigurationItem", xml_TokenGatewayConfigurationItem, kTokenGatewayConfigurationItem);
constinit const TypeInfo T_TokenGatewayConfiguration =
    SequenceOfType("T_TokenGatewayConfiguration", xml_TokenGatewayConfiguration, T_TokenGatewayConfigurationItem,
                   xml_TokenGatewayConfigurationItem);
constinit const TypeInfo T_Currency = SequenceType("T_Currency", xml_Currency, kCurrency);
constinit const TypeInfo T_AccountObject = InterfaceClassType("T_AccountObject", xml_AccountObject, kAccount, 111, 0);

constinit const TypeInfo T_CreditType = EnumType("T_CreditType", xml_CreditType, kCreditType);
constinit const TypeInfo T_CreditStatus = EnumType("T_CreditStatus", xml_CreditStatus, kCreditStatus);
constinit const TypeInfo T_CreditObject = InterfaceClassType("T_CreditObject", xml_CreditObject, kCredit, 112, 0);

constinit const TypeInfo T_ChargeType = EnumType("T_ChargeType", xml_ChargeType, kChargeType);
constinit const TypeInfo T_ChargePerUnitScaling =
    SequenceType("T_ChargePerUnitScaling", xml_ChargePerUnitScaling, kChargePerUnitScaling);
constinit const TypeInfo T_CommodityReference =
    SequenceType("T_CommodityReference", xml_CommodityReference, kCommodityReference);
constinit const TypeInfo T_ChargeTableItem = SequenceType("T_ChargeTableItem", xml_ChargeTableItem, kChargeTableItem);
constinit const TypeInfo T_ChargeTable =
    SequenceOfType("T_ChargeTable", xml_ChargeTable, T_ChargeTableItem, xml_ChargeTableItem);
constinit const TypeInfo T_UnitCharge = SequenceType("T_UnitCharge", xml_UnitCharge, kUnitCharge);
constinit const TypeInfo T_ChargeObject = InterfaceClassType("T_ChargeObject", xml_ChargeObject, kCharge, 113, 0);

}  // namespace zv
