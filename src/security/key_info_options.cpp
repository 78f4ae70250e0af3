#include "security/key_info_options.h"

#include <iterator>

#include "apdu/general_apdus.h"
#include "foundation/data_helper.h"

namespace zv {

namespace {

constexpr EnumName kIdentifiedKeyInfoOptionsNames[] = {{0, "GlobalUnicastEncryptionKey"},
                                                       {1, "GlobalBroadcastEncryptionKey"}};

constexpr MemberInfo kWrappedKeyInfoOptionsMembers[] = {
    Mem(xmlKekId, T_KekId),
    Mem(xmlKeyCipheredData, T_OctetString),
};

constexpr MemberInfo kAgreedKeyInfoOptionsMembers[] = {
    Mem(xmlKeyParameters, T_OctetString),
    Mem(xmlKeyCipheredData, T_OctetString),
};

// The octets of a Data element that must hold an octet string.
const PduStr& ElementOctets(const TSequenceOf& structure, int index) {
  const TCOSEMPduBase* e = structure.Elements(index);
  return TDataHelper::OctetStringValue(e->As<TChoice>());
}

}  // namespace

constinit const TypeInfo T_IdentifiedKeyInfoOptions =
    EnumType("T_IdentifiedKeyInfoOptions", xml_IdentifiedKeyInfoOptions, kIdentifiedKeyInfoOptionsNames);
constinit const TypeInfo T_WrappedKeyInfoOptions =
    SequenceType("T_WrappedKeyInfoOptions", xml_WrappedKeyInfoOptions, kWrappedKeyInfoOptionsMembers);
constinit const TypeInfo T_AgreedKeyInfoOptions =
    SequenceType("T_AgreedKeyInfoOptions", xml_AgreedKeyInfoOptions, kAgreedKeyInfoOptionsMembers);

const TypeTable& SecurityTypes() {
  static const TypeInfo* const kTypes[] = {&T_IdentifiedKeyInfoOptions, &T_WrappedKeyInfoOptions,
                                           &T_AgreedKeyInfoOptions};
  static const TypeTable table{kTypes, std::size(kTypes)};
  return table;
}

namespace TDataProtectionHelper {

PduPtr MakeIdentifiedKeyInfoOptions(const TData& Data) {
  const uint8_t value = TDataHelper::EnumValue(Data);
  PduPtr options = Create(T_IdentifiedKeyInfoOptions, xml_IdentifiedKeyInfoOptions);
  options->As<TEnum>().Value = value;
  return options;
}

PduPtr MakeWrappedKeyInfoOptions(const TData& Data) {
  const TSequenceOf& structure = TDataHelper::AsStructure(Data);
  PduPtr options = Create(T_WrappedKeyInfoOptions, xml_WrappedKeyInfoOptions);
  options->As<TSequence>().Get<TOctetString>(WrappedKeyInfoOptions::KeyCipheredData).Value =
      ElementOctets(structure, 1);
  return options;
}

PduPtr MakeAgreedKeyInfoOptions(const TData& Data) {
  const TSequenceOf& structure = TDataHelper::AsStructure(Data);
  PduPtr options = Create(T_AgreedKeyInfoOptions, xml_AgreedKeyInfoOptions);
  auto& seq = options->As<TSequence>();
  seq.Get<TOctetString>(AgreedKeyInfoOptions::KeyParameters).Value = ElementOctets(structure, 0);
  seq.Get<TOctetString>(AgreedKeyInfoOptions::KeyCipheredData).Value = ElementOctets(structure, 1);
  return options;
}

TLayerKey MakeLayerKey(int KeyInfoType, const TData& KeyInfoOptions) {
  TLayerKey key;
  switch (KeyInfoType) {
    case 0: {
      const int value = MakeIdentifiedKeyInfoOptions(KeyInfoOptions)->As<TEnum>().Value;
      ZV_ASSERT(value == 0 || value == 1);
      key.KeyInfo = TKeyInfo::KeyInfoIdentified(value == 0 ? kiGUEK : kiGBEK);
      return key;
    }
    case 1: {
      PduPtr options = MakeWrappedKeyInfoOptions(KeyInfoOptions);
      key.KeyInfo = TKeyInfo::KeyInfoWrapped(kiKEK);
      key.KeyCipheredData =
          options->As<TSequence>().Get<TOctetString>(WrappedKeyInfoOptions::KeyCipheredData).Value;
      return key;
    }
    case 2: {
      PduPtr options = MakeAgreedKeyInfoOptions(KeyInfoOptions);
      const auto& seq = options->As<TSequence>();
      const PduStr& parameters = seq.Get<TOctetString>(AgreedKeyInfoOptions::KeyParameters).Value;
      ZV_ASSERT(parameters == PduStr(1, '\x01') || parameters == PduStr(1, '\x02'));
      key.KeyInfo = TKeyInfo::KeyInfoAgreed(parameters[0] == 1 ? kaOPDH : kaSUM);
      key.KeyCipheredData = seq.Get<TOctetString>(AgreedKeyInfoOptions::KeyCipheredData).Value;
      return key;
    }
  }
  ZV_ASSERT(false);
  return key;
}

}  // namespace TDataProtectionHelper

}  // namespace zv
