// The key-information options of a data protection object's protection parameters: the
// option types a KeyInfoOptions Data value stands for, and how such a value becomes the
// key information and key-ciphered data of a data protection layer.
#pragma once
#include <memory>

#include "foundation/axdr_types.h"
#include "security/protection_common_decl.h"

namespace zv {

// Enumeration: 0 "GlobalUnicastEncryptionKey", 1 "GlobalBroadcastEncryptionKey".
extern const TypeInfo T_IdentifiedKeyInfoOptions;
// Structure of KekId (T_KekId) and KeyCipheredData (T_OctetString).
extern const TypeInfo T_WrappedKeyInfoOptions;
// Structure of KeyParameters and KeyCipheredData (both T_OctetString).
extern const TypeInfo T_AgreedKeyInfoOptions;

// Member positions of the two structures.
struct WrappedKeyInfoOptions {
  enum : size_t { KekId, KeyCipheredData };
};
struct AgreedKeyInfoOptions {
  enum : size_t { KeyParameters, KeyCipheredData };
};

// Every descriptor of this library.
const TypeTable& SecurityTypes();

// The key of a data protection layer.
struct TLayerKey {
  TKeyInfo KeyInfo;
  PduStr KeyCipheredData;
};

// Class functions of the data protection object's behaviour that read key information.
namespace TDataProtectionHelper {

// The option object a KeyInfoOptions Data value stands for; the caller owns it. A value of
// another shape raises "Invalid class typecast", a structure of fewer than two elements the
// list's index error. Identified: the enum's octet unchanged (no range test). Wrapped: the
// second element's octets; the first is not read (the key-encryption key is always the
// master key). Agreed: the first and second elements' octets. Further elements are ignored.
PduPtr MakeIdentifiedKeyInfoOptions(const TData& Data);
PduPtr MakeWrappedKeyInfoOptions(const TData& Data);
PduPtr MakeAgreedKeyInfoOptions(const TData& Data);

// The layer's key information and key-ciphered data for KeyInfoType 0 "IdentifiedKey",
// 1 "WrappedKey" or 2 "AgreedKey" with its options. Values the layers cannot use (a type
// outside 0 to 2, an identified value other than 0 or 1, key parameters other than the one
// octet 01 or 02) are assertion failures.
TLayerKey MakeLayerKey(int KeyInfoType, const TData& KeyInfoOptions);

}  // namespace TDataProtectionHelper

}  // namespace zv
