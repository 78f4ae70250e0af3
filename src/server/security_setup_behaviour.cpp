#include "server/security_setup_behaviour.h"

#include <array>
#include <optional>
#include <vector>

#include "crypto/key_wrap.h"
#include "foundation/data_helper.h"
#include "security/security_material_server.h"
#include "server/transfer_context.h"

namespace zv {

namespace {

constexpr int kSuccess = 0;
constexpr int kObjectUnavailable = 11;
constexpr int kTypeUnmatched = 12;
constexpr int kOtherReason = 250;

constexpr size_t kPolicyMember = 1;  // attribute 2

bool IsAlternative(const TData* d, const TypeInfo& t) { return d && d->Value && d->Value->IsA(t); }

// A policy the protection code can read: version 0 names 0 to 3, version 1 leaves bits 0
// and 1 clear.
bool IsValidPolicy(int Value, int Version) { return Version == 0 ? Value <= 3 : (Value & 0x03) == 0; }

int SecurityActivate(TCosemInstance_SecuritySetup& Self, TTransferContext* Context, const TData* Parameter,
                     int Version) {
  if (!IsAlternative(Parameter, T_Enum)) return kTypeUnmatched;
  const int newPolicy = TDataHelper::EnumValue(*Parameter);
  auto& policy = Self.Get<TNumber>(kPolicyMember);
  const int oldPolicy = static_cast<int>(policy.AsUInt64());
  // A policy can only be raised.
  if ((oldPolicy & ~newPolicy) != 0) return kOtherReason;
  // A value the protection code would refuse on every later request is refused now.
  if (!IsValidPolicy(newPolicy, Version)) return kOtherReason;
  if (Context) {
    Context->UsePreviousProtectionOnResponse = true;
    Context->PreviousProtectionOnResponse = TCOSEMProtectionServices::FromOctet(
        TSecurityPolicyHelper::ResponseProtectionServices(policy, Version).Octet());
  }
  policy.SetInt64(newPolicy);
  return kSuccess;
}

// Key ids of key_transfer: 0 unicast encryption, 1 broadcast encryption, 2 authentication,
// 3 master key.
struct TTransferredKey {
  PduStr TCosemInstance_SecuritySetup::*Pending;
  TXMLId Attribute;
};
constexpr std::array<TTransferredKey, 4> kTransferredKeys = {{
    {&TCosemInstance_SecuritySetup::NewGlobalUnicastEncryptionKey, xmlGlobalUnicastEncryptionKey},
    {&TCosemInstance_SecuritySetup::NewGlobalBroadCastEncryptionKey, xmlGlobalBroadCastEncryptionKey},
    {&TCosemInstance_SecuritySetup::NewGlobalAuthenticationKey, xmlGlobalAuthenticationKey},
    {&TCosemInstance_SecuritySetup::NewMasterKey, xmlMasterKey},
}};

std::optional<size_t> KeySizeOfSuite(int Suite) {
  if (Suite == 0 || Suite == 1) return 16;
  if (Suite == 2) return 32;
  return std::nullopt;
}

int KeyTransfer(TCosemInstance_SecuritySetup& Self, TTransferContext* Context, const TData* Parameter) {
  if (!IsAlternative(Parameter, T_Array)) return kTypeUnmatched;
  const TSequenceOf& elements = TDataHelper::AsArray(*Parameter);
  const int suite = Self.SecuritySuite();
  const std::optional<size_t> keySize = KeySizeOfSuite(suite);
  const TOctetString* masterKey = Self.KeyAttribute(xmlMasterKey);

  // First pass: every element well formed and every key unwrapped with the master key in
  // force, before anything changes.
  struct TUnwrapped {
    size_t Index;
    PduStr Key;
  };
  std::vector<TUnwrapped> keys;
  for (int i = 0; i < elements.ElementCount(); ++i) {
    const TData* element = GetDataElement(elements, i);
    if (!element || !TDataHelper::IsStructureOf(*element, 2)) return kTypeUnmatched;
    const TSequenceOf& pair = TDataHelper::AsStructure(*element);
    const TData* id = GetDataElement(pair, 0);
    const TData* wrapped = GetDataElement(pair, 1);
    if (!IsAlternative(id, T_Enum) || TDataHelper::EnumValue(*id) >= kTransferredKeys.size()) return kTypeUnmatched;
    if (!IsAlternative(wrapped, T_OctetString)) return kTypeUnmatched;
    if (!keySize || !masterKey || masterKey->Value.size() != *keySize) return kOtherReason;
    PduStr key;
    try {
      key = TKeyWrap::UnWrap(suite, TDataHelper::OctetStringValue(*wrapped), masterKey->Value);
    } catch (const Exception&) {
      return kOtherReason;
    }
    // A key of another size would make every later protection fail.
    if (key.size() != *keySize) return kOtherReason;
    keys.push_back({TDataHelper::EnumValue(*id), std::move(key)});
  }

  // Second pass: the keys wait in the pending fields until the response has been sent; a
  // later element of the same id wins.
  for (TUnwrapped& k : keys) {
    const TTransferredKey& target = kTransferredKeys[k.Index];
    RequireKeyAttribute(Self, target.Attribute);
    Self.*target.Pending = std::move(k.Key);
  }
  if (Context) Context->KeysTransferredTo = &Self;
  return kSuccess;
}

int InvokeMethodOfVersion(int Version, TCosemInstance_SecuritySetup& Self, void* Context, int MethodId,
                          const TData* InvocationParameters, std::unique_ptr<TData>& ResultData) {
  Self.Context = Context;
  ResultData.reset();
  switch (MethodId) {
    case 1: return SecurityActivate(Self, static_cast<TTransferContext*>(Context), InvocationParameters, Version);
    case 2: return KeyTransfer(Self, static_cast<TTransferContext*>(Context), InvocationParameters);
    default: return kObjectUnavailable;
  }
}

}  // namespace

namespace TSecurityPolicyHelper {

TProtectionServices ResponseProtectionServices(int PolicyValue, int Version) {
  TProtectionServices s;
  if (Version == 0) {
    if (PolicyValue & 0x01) s.Include(rcAUTHENTICATION);
    if (PolicyValue & 0x02) s.Include(rcENCRYPTION);
    return s;
  }
  ZV_ASSERT(Version == 1);
  if (PolicyValue & 0x20) s.Include(rcAUTHENTICATION);
  if (PolicyValue & 0x40) s.Include(rcENCRYPTION);
  if (PolicyValue & 0x80) s.Include(rcSIGNATURE);
  return s;
}

TProtectionServices ResponseProtectionServices(const TCOSEMPduBase& SecurityPolicy, int Version) {
  ZV_ASSERT(SecurityPolicy.IsA(T_SecurityPolicy));
  return ResponseProtectionServices(static_cast<int>(SecurityPolicy.As<TNumber>().AsUInt64()), Version);
}

}  // namespace TSecurityPolicyHelper

namespace TSecuritySetupObject_1_Helper {
int InvokeMethod(TCosemInstance_SecuritySetup& Self, void* Context, TCOSEMInstance*, int MethodId,
                 const TData* InvocationParameters, std::unique_ptr<TData>& ResultData) {
  return InvokeMethodOfVersion(1, Self, Context, MethodId, InvocationParameters, ResultData);
}
}  // namespace TSecuritySetupObject_1_Helper

namespace TSecuritySetupObject_0_Helper {
int InvokeMethod(TCosemInstance_SecuritySetup& Self, void* Context, TCOSEMInstance*, int MethodId,
                 const TData* InvocationParameters, std::unique_ptr<TData>& ResultData) {
  return InvokeMethodOfVersion(0, Self, Context, MethodId, InvocationParameters, ResultData);
}
}  // namespace TSecuritySetupObject_0_Helper

TCOSEMInstance::TInvokeMethodFunc MakeSecuritySetupInvokeHook(TCOSEMInstance& Object) {
  const bool version1 = &Object.Type() == &T_SecuritySetupObject_1;
  ZV_ASSERT(version1 || &Object.Type() == &T_SecuritySetupObject_0);
  auto* self = &Object.As<TCosemInstance_SecuritySetup>();
  if (version1) {
    return [self](void* context, TCOSEMInstance* association, int methodId, const TData* parameters,
                  std::unique_ptr<TData>& result) {
      return TSecuritySetupObject_1_Helper::InvokeMethod(*self, context, association, methodId, parameters, result);
    };
  }
  return [self](void* context, TCOSEMInstance* association, int methodId, const TData* parameters,
                std::unique_ptr<TData>& result) {
    return TSecuritySetupObject_0_Helper::InvokeMethod(*self, context, association, methodId, parameters, result);
  };
}

}  // namespace zv
