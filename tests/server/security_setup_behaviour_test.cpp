// The methods of the security setup objects through the hook the server binds:
// security_activate (the policy can only be raised; the answer keeps the old protection)
// and key_transfer (keys unwrapped with the master key in force, all or nothing, pending
// until the key store puts them into force), and the response protection of policies.
#include "server/security_setup_behaviour.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "cosem/basic_classes.h"
#include "crypto/key_wrap.h"
#include "foundation/data_helper.h"
#include "security/security_material_server.h"
#include "server/transfer_context.h"

using namespace zv;

namespace {

PduStr H(const char* hex) { return HexStrToByteStr(hex); }
std::string X(const PduStr& s) { return ByteStrToHexStr(s); }

const char kMasterKey[] = "000102030405060708090A0B0C0D0E0F";
const char kMasterKey32[] = "000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F";

PduPtr SetupObject(int version, int policy, int suite, const std::string& keys) {
  const char* element = version == 0 ? "SecuritySetupObject_0" : "SecuritySetupObject_1";
  std::string xml = Format("<%s><Name Value=\"0.0.43.0.1.255\"/><SecurityPolicy Value=\"%02X\"/>"
                           "<SecuritySuite Value=\"%02X\"/><ClientSystemTitle Value=\"4142434445464748\"/>"
                           "<ServerSystemTitle Value=\"4D4D4D0000BC614E\"/>",
                           element, policy, suite);
  if (version == 1) xml += "<Certificates Qty=\"0\"></Certificates>";
  xml += keys + Format("</%s>", element);
  return version == 0 ? MakeAnyFromXml(xmlSecuritySetupObject_0, T_SecuritySetupObject_0, xml)
                      : MakeAnyFromXml(xmlSecuritySetupObject_1, T_SecuritySetupObject_1, xml);
}

std::string Keys(const char* master = kMasterKey) {
  return std::string("<GlobalUnicastEncryptionKey Value=\"A0A1A2A3A4A5A6A7A8A9AAABACADAEAF\"/>"
                     "<GlobalBroadCastEncryptionKey Value=\"B0B1B2B3B4B5B6B7B8B9BABBBCBDBEBF\"/>"
                     "<GlobalAuthenticationKey Value=\"C0C1C2C3C4C5C6C7C8C9CACBCCCDCECF\"/>"
                     "<MasterKey Value=\"") +
         master + "\"/>";
}

TCosemInstance_SecuritySetup& SetupOf(const PduPtr& p) { return p->As<TCosemInstance_SecuritySetup>(); }

std::unique_ptr<TData> Data(const std::string& inner) { return TDataHelper::MakeFromXml("<Data>" + inner + "</Data>"); }

// One element of a key_transfer parameter: key id and wrapped key.
std::string KeyData(const char* idElement, int id, const char* keyElement, const PduStr& wrapped) {
  return Format("<Structure Qty=\"0002\"><%s Value=\"%02X\"/><%s Value=\"%s\"/></Structure>", idElement, id,
                keyElement, X(wrapped).c_str());
}
std::string KeyData(int id, const PduStr& wrapped) { return KeyData("Enum", id, "OctetString", wrapped); }

std::string Array(const std::string& elements) { return "<Array Qty=\"AUTO\">" + elements + "</Array>"; }

PduStr Wrapped(const PduStr& key, const char* master = kMasterKey, int suite = 0) {
  return TKeyWrap::Wrap(suite, key, H(master));
}

// Calls the bound hook as the ACTION handler does.
int Invoke(TCOSEMInstance& object, TTransferContext* context, int method, const TData* parameter,
           std::unique_ptr<TData>* resultOut = nullptr) {
  std::unique_ptr<TData> result = Data("<NullData/>");  // a leftover the hook must clear
  const int code = object.InvokeMethodFunc(context, nullptr, method, parameter, result);
  EXPECT_EQ(result, nullptr);
  if (resultOut) *resultOut = std::move(result);
  return code;
}

PduStr Pending(const TCosemInstance_SecuritySetup& s, int id) {
  switch (id) {
    case 0: return s.NewGlobalUnicastEncryptionKey;
    case 1: return s.NewGlobalBroadCastEncryptionKey;
    case 2: return s.NewGlobalAuthenticationKey;
    default: return s.NewMasterKey;
  }
}

}  // namespace

TEST(SecuritySetupBehaviour, ResponseProtectionOfPolicies) {
  struct Row {
    int version, policy;
    uint8_t response;  // bit 0 authentication, 1 encryption, 2 signature
  };
  for (const Row& r : {Row{0, 0, 0}, Row{0, 1, 1}, Row{0, 2, 2}, Row{0, 3, 3}, Row{1, 0x24, 1}, Row{1, 0x64, 3},
                       Row{1, 0xFC, 7}, Row{1, 0x1C, 0}, Row{1, 0x80, 4}}) {
    SCOPED_TRACE(Format("v%d policy %02X", r.version, r.policy));
    EXPECT_EQ(TSecurityPolicyHelper::ResponseProtectionServices(r.policy, r.version).Octet(), r.response);
    PduPtr object = SetupObject(r.version, r.policy, 0, "");
    EXPECT_EQ(TSecurityPolicyHelper::ResponseProtectionServices(*object->As<TSequence>().Member(1), r.version).Octet(),
              r.response);
  }
  EXPECT_THROW(TSecurityPolicyHelper::ResponseProtectionServices(0, 2), EAssertionFailed);
}

TEST(SecuritySetupBehaviour, SecurityActivate) {
  struct Row {
    int version, policy;
    std::string parameter;
    int result;
    int policyAfter;
    int previousResponse;  // -1: the context is left alone
  };
  const Row rows[] = {
      {1, 0x24, "<Enum Value=\"64\"/>", 0, 0x64, 0x01},
      {1, 0x24, "<Enum Value=\"24\"/>", 0, 0x24, 0x01},
      {1, 0x00, "<Enum Value=\"FC\"/>", 0, 0xFC, 0x00},
      {1, 0xE0, "<Enum Value=\"FC\"/>", 0, 0xFC, 0x07},
      // The policy can only be raised.
      {1, 0x64, "<Enum Value=\"24\"/>", 250, 0x64, -1},
      {1, 0x64, "<Enum Value=\"84\"/>", 250, 0x64, -1},
      // Only an enum will do.
      {1, 0x24, "<Unsigned Value=\"64\"/>", 12, 0x24, -1},
      {1, 0x24, "<Structure Qty=\"1\"><Enum Value=\"64\"/></Structure>", 12, 0x24, -1},
      // Bits 0 and 1 of a version 1 policy would make every later request fail.
      {1, 0x24, "<Enum Value=\"27\"/>", 250, 0x24, -1},
      {0, 1, "<Enum Value=\"03\"/>", 0, 3, 0x01},
      {0, 2, "<Enum Value=\"03\"/>", 0, 3, 0x02},
      {0, 0, "<Enum Value=\"00\"/>", 0, 0, 0x00},
      {0, 3, "<Enum Value=\"01\"/>", 250, 3, -1},
      {0, 1, "<Long Value=\"0003\"/>", 12, 1, -1},
      // A version 0 policy names 0 to 3 only.
      {0, 3, "<Enum Value=\"07\"/>", 250, 3, -1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(Format("v%d %02X <- %s", r.version, r.policy, r.parameter.c_str()));
    PduPtr object = SetupObject(r.version, r.policy, 0, Keys());
    auto& s = SetupOf(object);
    s.InvokeMethodFunc = MakeSecuritySetupInvokeHook(s);
    TTransferContext context;
    auto parameter = Data(r.parameter);
    EXPECT_EQ(Invoke(s, &context, 1, parameter.get()), r.result);
    EXPECT_EQ(s.SecurityPolicy(), r.policyAfter);
    EXPECT_EQ(s.Context, &context);
    EXPECT_EQ(context.UsePreviousProtectionOnResponse, r.previousResponse >= 0);
    EXPECT_EQ(context.PreviousProtectionOnResponse.Octet(), r.previousResponse >= 0 ? r.previousResponse : 0);
  }
}

TEST(SecuritySetupBehaviour, MethodsOtherThanOneAndTwoAndMissingParameters) {
  for (int version : {0, 1}) {
    SCOPED_TRACE(version);
    PduPtr object = SetupObject(version, 0, 0, Keys());
    auto& s = SetupOf(object);
    s.InvokeMethodFunc = MakeSecuritySetupInvokeHook(s);
    auto parameter = Data(version == 0 ? "<Enum Value=\"01\"/>" : "<Enum Value=\"20\"/>");
    for (int method : {0, 3, 4, -1}) EXPECT_EQ(Invoke(s, nullptr, method, parameter.get()), 11);
    // No parameters at all is a type mismatch; outside a session there is no context.
    EXPECT_EQ(Invoke(s, nullptr, 1, nullptr), 12);
    EXPECT_EQ(Invoke(s, nullptr, 2, nullptr), 12);
    EXPECT_EQ(Invoke(s, nullptr, 1, parameter.get()), 0);
    EXPECT_EQ(s.SecurityPolicy(), version == 0 ? 1 : 0x20);
  }
  // Only security setup objects take the hook.
  PduPtr profile = Create(T_ProfileGenericObject, xml_ProfileGenericObject);
  EXPECT_THROW(MakeSecuritySetupInvokeHook(profile->As<TCOSEMInstance>()), EAssertionFailed);
}

// Refusals leave every pending field empty and the keys as they were.
TEST(SecuritySetupBehaviour, KeyTransferRefusals) {
  const PduStr key = H("11111111111111111111111111111111");
  const PduStr good = Wrapped(key);
  struct Row {
    const char* name;
    std::string keys;
    std::string parameter;
    int result;
  };
  const Row rows[] = {
      {"not an array", Keys(), KeyData(0, good), 12},
      {"an enum", Keys(), "<Enum Value=\"00\"/>", 12},
      {"element not a structure", Keys(), Array("<OctetString Value=\"00\"/>"), 12},
      {"structure of three", Keys(),
       Array("<Structure Qty=\"3\"><Enum Value=\"00\"/><OctetString Value=\"" + X(good) +
             "\"/><Enum Value=\"00\"/></Structure>"),
       12},
      {"key id 4", Keys(), Array(KeyData(4, good)), 12},
      {"key id as unsigned", Keys(), Array(KeyData("Unsigned", 0, "OctetString", good)), 12},
      {"wrapped key as visible string", Keys(), Array(KeyData("Enum", 0, "VisibleString", good)), 12},
      {"second element of a wrong type", Keys(), Array(KeyData(0, good) + KeyData("Unsigned", 1, "OctetString", good)),
       12},
      {"second key does not unwrap", Keys(), Array(KeyData(0, good) + KeyData(2, Wrapped(key, kMasterKey32, 2))),
       250},
      {"damaged wrapped key", Keys(), Array(KeyData(1, good.substr(0, 23) + static_cast<char>(good[23] ^ 1))), 250},
      {"wrapped key too short", Keys(), Array(KeyData(1, H("0102"))), 250},
      {"no master key", "<GlobalUnicastEncryptionKey Value=\"A0A1A2A3A4A5A6A7A8A9AAABACADAEAF\"/>",
       Array(KeyData(0, good)), 250},
      {"empty master key", Keys(""), Array(KeyData(0, good)), 250},
      {"master key of the wrong size", Keys(kMasterKey32), Array(KeyData(0, Wrapped(key, kMasterKey32, 2))), 250},
      // A key of the wrong size for the suite would make every later protection fail.
      {"24-octet key in suite 0", Keys(), Array(KeyData(0, Wrapped(PduStr(24, '\x33')))), 250},
  };
  for (int version : {0, 1}) {
    for (const Row& r : rows) {
      SCOPED_TRACE(Format("v%d %s", version, r.name));
      PduPtr object = SetupObject(version, 0, 0, r.keys);
      auto& s = SetupOf(object);
      s.InvokeMethodFunc = MakeSecuritySetupInvokeHook(s);
      const std::string before = object->ToXMLString();
      auto parameter = Data(r.parameter);
      EXPECT_EQ(Invoke(s, nullptr, 2, parameter.get()), r.result);
      for (int id = 0; id < 4; ++id) EXPECT_EQ(Pending(s, id), "") << id;
      EXPECT_EQ(object->ToXMLString(), before);
    }
  }
}

TEST(SecuritySetupBehaviour, KeyTransferLeavesKeysPendingUntilCompleted) {
  struct Row {
    const char* name;
    int suite;
    std::string keys;
    std::vector<std::pair<int, PduStr>> transfer;  // key id, plain key
    std::vector<std::pair<int, PduStr>> pending;   // expected pending keys by id
  };
  const PduStr k1(16, '\x21'), k2(16, '\x22'), k3(16, '\x23'), k4(16, '\x24'), k5(16, '\x25');
  const PduStr l1(32, '\x31'), l2(32, '\x32');
  const Row rows[] = {
      {"every key once", 0, Keys(), {{0, k1}, {1, k2}, {2, k3}, {3, k4}}, {{0, k1}, {1, k2}, {2, k3}, {3, k4}}},
      // The new master key and a new unicast key in one call are both unwrapped with the old
      // master key, whichever comes first.
      {"master key first", 0, Keys(), {{3, k4}, {0, k1}}, {{0, k1}, {3, k4}}},
      // A later element of the same id wins.
      {"same id twice", 0, Keys(), {{2, k2}, {2, k5}}, {{2, k5}}},
      {"suite 2", 2, "<GlobalUnicastEncryptionKey Value=\"" + X(l2) + "\"/><MasterKey Value=\"" + kMasterKey32 + "\"/>",
       {{0, l1}, {3, l2}}, {{0, l1}, {3, l2}}},
      {"nothing", 0, Keys(), {}, {}},
  };
  for (int version : {0, 1}) {
    for (const Row& r : rows) {
      SCOPED_TRACE(Format("v%d %s", version, r.name));
      PduPtr object = SetupObject(version, 0, r.suite, r.keys);
      auto& s = SetupOf(object);
      s.InvokeMethodFunc = MakeSecuritySetupInvokeHook(s);
      const char* master = r.suite == 2 ? kMasterKey32 : kMasterKey;
      std::string elements;
      for (const auto& [id, key] : r.transfer) elements += KeyData(id, Wrapped(key, master, r.suite));
      auto parameter = Data(Array(elements));
      TSecurityMaterialServer store(&s);
      const PduStr oldUnicast = store.GetSymmetricKey(kiGUEK);
      TTransferContext context;
      EXPECT_EQ(Invoke(s, &context, 2, parameter.get()), 0);
      EXPECT_FALSE(context.UsePreviousProtectionOnResponse);
      for (int id = 0; id < 4; ++id) {
        PduStr expected;
        for (const auto& [pid, key] : r.pending)
          if (pid == id) expected = key;
        EXPECT_EQ(X(Pending(s, id)), X(expected)) << id;
      }
      // The answer still goes out under the old keys...
      EXPECT_EQ(store.GetSymmetricKey(kiGUEK), oldUnicast);
      EXPECT_EQ(X(store.GetSymmetricKey(kiKEK)), master);
      // ...and the keys come into force when the session completes the transfer.
      store.CompleteKeysTransfer();
      const TKeyId ids[] = {kiGUEK, kiGBEK, kiGAK, kiKEK};
      for (const auto& [id, key] : r.pending) EXPECT_EQ(X(store.GetSymmetricKey(ids[id])), X(key)) << id;
      for (int id = 0; id < 4; ++id) EXPECT_EQ(Pending(s, id), "");
    }
  }
}

TEST(SecuritySetupBehaviour, KeyTransferCreatesAbsentKeyAttributes) {
  PduPtr object = SetupObject(1, 0, 0, "<MasterKey Value=\"" + std::string(kMasterKey) + "\"/>");
  auto& s = SetupOf(object);
  s.InvokeMethodFunc = MakeSecuritySetupInvokeHook(s);
  EXPECT_EQ(s.KeyAttribute(xmlGlobalBroadCastEncryptionKey), nullptr);
  auto parameter = Data(Array(KeyData(1, Wrapped(PduStr(16, '\x81')))));
  EXPECT_EQ(Invoke(s, nullptr, 2, parameter.get()), 0);
  // The attribute now exists, still empty until the transfer completes.
  ASSERT_NE(s.KeyAttribute(xmlGlobalBroadCastEncryptionKey), nullptr);
  EXPECT_EQ(s.KeyAttribute(xmlGlobalBroadCastEncryptionKey)->Value, "");
  EXPECT_EQ(s.KeyAttribute(xmlGlobalUnicastEncryptionKey), nullptr);
  TSecurityMaterialServer store(&s);
  store.CompleteKeysTransfer();
  EXPECT_EQ(store.GetSymmetricKey(kiGBEK), PduStr(16, '\x81'));
  EXPECT_NE(object->ToXMLString().find("<GlobalBroadCastEncryptionKey Value=\"81818181"), std::string::npos);
  // The attribute is where the class puts it: a GET of attribute 8 reads it.
  EXPECT_EQ(X(s.Attribute(8)->EncodeData()), "091081818181818181818181818181818181");
}
