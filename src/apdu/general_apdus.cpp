#include "apdu/general_apdus.h"

#include "foundation/axdr_types.h"

namespace zv {

namespace {

constexpr MemberInfo kGeneralGloCipheringMembers[] = {
    Mem(xmlSystemTitle, T_OctetString),
    Mem(xmlCipheredService, T_OctetString),
};

// The date-time is a length-prefixed octet string (empty when none is sent), not the
// fixed date-time of the Data choice.
constexpr MemberInfo kGeneralCipheringMembers[] = {
    Mem(xmlTransactionId, T_OctetString),
    Mem(xmlOriginatorSystemTitle, T_OctetString),
    Mem(xmlRecipientSystemTitle, T_OctetString),
    Mem(xmlDateTime, T_OctetString),
    Mem(xmlOtherInformation, T_OctetString),
    Opt(xmlKeyInfo, T_KeyInfo),
    Mem(xmlCipheredContent, T_OctetString),
};

constexpr EnumName kKeyIdNames[] = {{0, "GlobalUnicastEncryptionKey"}, {1, "GlobalBroadcastEncryptionKey"}};
constexpr EnumName kKekIdNames[] = {{0, "MasterKey"}};

constexpr MemberInfo kIdentifiedKeyMembers[] = {
    Mem(xmlKeyId, T_KeyId),
};

constexpr MemberInfo kWrappedKeyMembers[] = {
    Mem(xmlKekId, T_KekId),
    Mem(xmlKeyCipheredData, T_OctetString),
};

constexpr MemberInfo kAgreedKeyMembers[] = {
    Mem(xmlKeyParameters, T_OctetString),
    Mem(xmlKeyCipheredData, T_OctetString),
};

constexpr AltInfo kKeyInfoAlts[] = {
    Alt(0, xmlIdentifiedKey, T_IdentifiedKey),
    Alt(1, xmlWrappedKey, T_WrappedKey),
    Alt(2, xmlAgreedKey, T_AgreedKey),
};

constexpr MemberInfo kGeneralSigningMembers[] = {
    Mem(xmlTransactionId, T_OctetString),
    Mem(xmlOriginatorSystemTitle, T_OctetString),
    Mem(xmlRecipientSystemTitle, T_OctetString),
    Mem(xmlDateTime, T_OctetString),
    Mem(xmlOtherInformation, T_OctetString),
    Mem(xmlContent, T_OctetString),
    Mem(xmlSignature, T_OctetString),
};

constexpr MemberInfo kGeneralBlockTransferMembers[] = {
    Mem(xmlBlockControl, T_BlockControl),
    Mem(xmlBlockNumber, T_Unsigned16),
    Mem(xmlBlockNumberAck, T_Unsigned16),
    Mem(xmlBlockData, T_OctetString),
};

}  // namespace

constinit const TypeInfo T_GeneralGloCiphering =
    SequenceType("T_GeneralGloCiphering", xml_GeneralGloCiphering, kGeneralGloCipheringMembers);
constinit const TypeInfo T_GeneralDedCiphering =
    SequenceType("T_GeneralDedCiphering", xml_GeneralDedCiphering, kGeneralGloCipheringMembers);
constinit const TypeInfo T_GeneralCiphering =
    SequenceType("T_GeneralCiphering", xml_GeneralCiphering, kGeneralCipheringMembers);
constinit const TypeInfo T_KeyId = EnumType("T_KeyId", xml_KeyId, kKeyIdNames);
constinit const TypeInfo T_KekId = EnumType("T_KekId", xml_KekId, kKekIdNames);
constinit const TypeInfo T_IdentifiedKey = SequenceType("T_IdentifiedKey", xml_IdentifiedKey, kIdentifiedKeyMembers);
constinit const TypeInfo T_WrappedKey = SequenceType("T_WrappedKey", xml_WrappedKey, kWrappedKeyMembers);
constinit const TypeInfo T_AgreedKey = SequenceType("T_AgreedKey", xml_AgreedKey, kAgreedKeyMembers);
constinit const TypeInfo T_KeyInfo = ChoiceType("T_KeyInfo", xml_KeyInfo, kKeyInfoAlts);

constinit const TypeInfo T_GeneralSigning =
    SequenceType("T_GeneralSigning", xml_GeneralSigning, kGeneralSigningMembers);

// The block-control octet is kept whole: last-block bit, streaming bit, window size.
constinit const TypeInfo T_BlockControl = NumberType("T_BlockControl", xml_BlockControl, NumKind::U8, 17);
constinit const TypeInfo T_GeneralBlockTransfer =
    SequenceType("T_GeneralBlockTransfer", xml_GeneralBlockTransfer, kGeneralBlockTransferMembers);

}  // namespace zv
