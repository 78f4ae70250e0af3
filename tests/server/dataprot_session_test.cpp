// Data protection objects over loopback: the protected buffer of attribute 2 read and
// written, methods 1 to 3, the required protection, the frame counters per key and the
// answers to data protection errors. The client side protects and unprotects with OpenSSL
// alone.
#include <gtest/gtest.h>

#include <functional>

#include "apdu/apdu_views.h"
#include "apdu/ln_services.h"
#include "cosem/logical_device.h"
#include "foundation/data_helper.h"
#include "security/security_material_server.h"
#include "server/object_services.h"
#include "server/transfer_context.h"
#include "server/dataprot_test_support.h"
#include "support/data_protection_client.h"
#include "support/test_client.h"
#include "support/test_server.h"

using namespace zv;
using namespace zv::test;
using namespace zv::test::dataprot;

namespace {

const char* const kDp = "00002B0200FF";
const char* const kCustomer = "0000600A01FF";
const char* const kText = "0000600A02FF";
const char* const kEnergy = "0100010800FF";
const char* const kSetup = "00002B0001FF";
const char* const kKeyStoreObject = "0000606300FF";

const char* const kOperationNotPossible =
    "<ExceptionResponse><StateError Value=\"ServiceNotAllowed\" /><ServiceError Value=\"OperationNotPossible\" />"
    "</ExceptionResponse>";

// The XML form on one line, without indentation.
std::string Flat(const std::string& Xml) {
  std::string out;
  bool lineStart = true;
  for (char c : Xml) {
    if (c == '\r' || c == '\n') {
      lineStart = true;
      continue;
    }
    if (lineStart && c == ' ') continue;
    lineStart = false;
    out += c;
  }
  return out;
}
std::string FlatOf(const TData& Value) { return Flat(TDataHelper::ValueToXMLString(Value)); }

std::string Structure(const std::vector<std::string>& Elements) {
  std::string x = "<Structure Qty=\"" + IntToHex(Elements.size(), 4) + "\" >";
  for (const auto& e : Elements) x += e;
  return x + "</Structure>";
}
std::string OctetsXml(const PduStr& s) { return "<OctetString Value=\"" + ByteStrToHexStr(s) + "\" />"; }

// The Data form of a Data value written in XML.
PduStr DataOf(const std::string& Xml) { return TDataHelper::MakeFromXml("<Data>" + Xml + "</Data>")->Encode(); }

struct TActionAnswer {
  std::string Result;
  std::unique_ptr<TData> ReturnParameters;
};

class DataProtection : public ::testing::Test {
 protected:
  void SetUp() override {
    Server = std::make_unique<TTestServer>(ReadFile(DataProtectionFixture()),
                                           TSettings{{"CHKCompleteObjectList", "1"}});
    GiveAssociationsTheKeyStore();
    ASSERT_TRUE(Server->Start());
    Connect();
  }

  // The session's association control leaves the key store to the ciphered associations;
  // method 1 of the Data object 0.0.96.99.0.255 gives the association the store it would
  // hold, over the security setup object the association references.
  void GiveAssociationsTheKeyStore() {
    TDeviceLock lock(Server->Holder());
    TCOSEMInstance* o = TLogicalDeviceHelper::FindInstance(*Server->Holder().LogicalDevice(), nullptr,
                                                           HexStrToByteStr(kKeyStoreObject), 1);
    ASSERT_TRUE(o);
    o->InvokeMethodFunc = [](void* Context, TCOSEMInstance*, int, const TData*, std::unique_ptr<TData>&) {
      auto& ctx = *static_cast<TTransferContext*>(Context);
      if (!ctx.SecurityMaterial && ctx.SecuritySetupObject)
        ctx.SecurityMaterial = std::make_unique<TSecurityMaterialServer>(ctx.SecuritySetupObject);
      return 0;
    };
  }

  void Connect(int ClientSAP = 16) {
    Client.Close();
    ASSERT_TRUE(Client.Connect("127.0.0.1", Server->Port()));
    Client.ClientSAP = ClientSAP;
    COSEMpduPtr aare = Client.RequestXml(AarqXml({}));
    ASSERT_TRUE(aare);
    ASSERT_EQ(TCOSEMPDUHelper::AsAssociationResponse(*aare).AssociationResult()->Value, 0);
    ASSERT_EQ(Action(1, kKeyStoreObject, 1, "<NullData />").Result, "Success");
  }

  // A new session on the same device, as after a restart of the server.
  void Restart() {
    Client.Close();
    ASSERT_TRUE(Server->Stop());
    ASSERT_TRUE(Server->Start());
    Connect();
  }

  std::string Answer(const std::string& Xml) {
    COSEMpduPtr r = Client.RequestXml(Xml);
    return r ? Flat(XmlOf(*r)) : "<no answer>";
  }

  // The value of a GET; fails the test on an error answer.
  std::unique_ptr<TData> Get(int ClassId, const std::string& Instance, int AttributeId) {
    COSEMpduPtr r = Client.RequestXml(GetXml(ClassId, Instance, AttributeId));
    if (!r || !r->Value->IsA(T_GetResponse)) {
      ADD_FAILURE() << "GET answered " << (r ? XmlOf(*r) : "nothing");
      return TDataHelper::Make(xmlNullData);
    }
    const auto& result = r->Value->As<TChoice>().Value->As<TSequence>().Get<TChoice>(GetResponseNormal::Result);
    if (!result.Value || !result.Value->IsA(T_Data)) {
      ADD_FAILURE() << "GET answered " << XmlOf(*r);
      return TDataHelper::Make(xmlNullData);
    }
    return std::unique_ptr<TData>(static_cast<TData*>(result.Value->Clone().release()));
  }
  PduStr GetBuffer() { return TDataHelper::OctetStringValue(*Get(30, kDp, 2)); }

  // The result name of a SET.
  std::string Set(int ClassId, const std::string& Instance, int AttributeId, const std::string& ValueXml) {
    COSEMpduPtr r = Client.RequestXml(SetXml(ClassId, Instance, AttributeId, ValueXml));
    if (!r || !r->Value->IsA(T_SetResponse)) return r ? Flat(XmlOf(*r)) : "<no answer>";
    return r->Value->As<TChoice>().Value->As<TSequence>().Get<TEnum>(1).GetString();
  }

  TActionAnswer Action(int ClassId, const std::string& Instance, int MethodId, const std::string& ParametersXml) {
    TActionAnswer a;
    COSEMpduPtr r = Client.RequestXml(ActionXml(ClassId, Instance, MethodId, ParametersXml));
    if (!r || !r->Value->IsA(T_ActionResponse)) {
      a.Result = r ? Flat(XmlOf(*r)) : "<no answer>";
      return a;
    }
    const auto& normal = r->Value->As<TChoice>().Value->As<TSequence>();
    a.Result = normal.Get<TEnum>(ActionResponseNormal::Result).GetString();
    if (const TCOSEMPduBase* p = normal.Member(ActionResponseNormal::ReturnParameters))
      a.ReturnParameters.reset(static_cast<TData*>(p->As<TChoice>().Value->Clone().release()));
    return a;
  }

  // The unprotected form of the default list: a structure of the customer value and the
  // energy register's value, as plain GETs read them now.
  PduStr ListedValues() {
    return HexStrToByteStr("0202") + Get(1, kCustomer, 2)->Encode() + Get(3, kEnergy, 2)->Encode();
  }
  std::string CustomerXml() { return FlatOf(*Get(1, kCustomer, 2)); }
  std::string EnergyXml() { return FlatOf(*Get(3, kEnergy, 2)); }

  // Two new values for the default list.
  static PduStr NewValues(int Customer, int Energy) {
    return DataOf(Structure({"<LongUnsigned Value=\"" + IntToHex(static_cast<uint64_t>(Customer), 4) + "\" />",
                             "<DoubleLongUnsigned Value=\"" + IntToHex(static_cast<uint64_t>(Energy), 8) + "\" />"}));
  }

  // The client protects Plain with Layers and writes it through attributes 5 and 2.
  std::string SetProtected(std::vector<TClientLayer> Layers, const PduStr& Plain, uint32_t FrameCounter) {
    const PduStr buffer = Protect(K, Layers, Plain, FrameCounter);
    const std::string r = Set(30, kDp, 5, ParametersXml(Layers));
    if (r != "Success") return "attribute 5: " + r;
    return Set(30, kDp, 2, OctetsXml(buffer));
  }

  TLogPump& Log() { return Server->Log(); }
  bool Logged(const std::string& Message) { return Log().WaitForText("*** DATA PROTECTION *** " + Message); }

  const TClientKeys K = Keys();
  std::unique_ptr<TTestServer> Server;
  TTestClient Client;
};

struct TLayerCase {
  const char* Name;
  std::function<std::vector<TClientLayer>(const TClientKeys&)> Layers;
};

const TLayerCase kServerLayerCases[] = {
    {"authentication and encryption", [](const TClientKeys& k) { return std::vector{FromServer(k, ptAuthEnc)}; }},
    {"authentication", [](const TClientKeys& k) { return std::vector{FromServer(k, ptAuth)}; }},
    {"encryption", [](const TClientKeys& k) { return std::vector{FromServer(k, ptEnc)}; }},
    {"signature", [](const TClientKeys& k) { return std::vector{FromServer(k, ptSign)}; }},
    {"ciphering, then signature",
     [](const TClientKeys& k) { return std::vector{FromServer(k, ptAuthEnc), FromServer(k, ptSign)}; }},
    {"signature, then ciphering",
     [](const TClientKeys& k) { return std::vector{FromServer(k, ptSign), FromServer(k, ptAuthEnc)}; }},
    {"wrapped key", [](const TClientKeys& k) { return std::vector{FromServer(k, ptAuthEnc, kitWrapped)}; }},
    {"one-pass agreed key",
     [](const TClientKeys& k) { return std::vector{FromServer(k, ptAuthEnc, kitAgreed, kpOnePass)}; }},
    {"static unified agreed key",
     [](const TClientKeys& k) { return std::vector{FromServer(k, ptEnc, kitAgreed, kpStaticUnified)}; }},
};

const TLayerCase kClientLayerCases[] = {
    {"authentication and encryption", [](const TClientKeys& k) { return std::vector{ToServer(k, ptAuthEnc)}; }},
    {"authentication", [](const TClientKeys& k) { return std::vector{ToServer(k, ptAuth)}; }},
    {"signature", [](const TClientKeys& k) { return std::vector{ToServer(k, ptSign)}; }},
    {"ciphering, then signature",
     [](const TClientKeys& k) { return std::vector{ToServer(k, ptAuthEnc), ToServer(k, ptSign)}; }},
    {"wrapped key", [](const TClientKeys& k) { return std::vector{ToServer(k, ptAuthEnc, kitWrapped)}; }},
    {"one-pass agreed key",
     [](const TClientKeys& k) { return std::vector{ToServer(k, ptAuthEnc, kitAgreed, kpOnePass)}; }},
    {"static unified agreed key",
     [](const TClientKeys& k) { return std::vector{ToServer(k, ptAuthEnc, kitAgreed, kpStaticUnified)}; }},
};

}  // namespace

// GET of attribute 2 protects the listed attributes' current values with the get
// parameters; the client removes every kind of protection into those values.
TEST_F(DataProtection, GetBufferUnprotectsOnTheClient) {
  for (const TLayerCase& c : kServerLayerCases) {
    SCOPED_TRACE(c.Name);
    ASSERT_EQ(Set(30, kDp, 4, ParametersXml(c.Layers(K))), "Success");
    const PduStr buffer = GetBuffer();
    // The parameters as attribute 4 holds them after the GET, with any key-ciphered data.
    const std::vector<TClientLayer> layers = ParseParameters(*Get(30, kDp, 4));
    PduStr plain;
    ASSERT_NO_THROW(plain = Unprotect(K, layers, buffer)) << ByteStrToHexStr(buffer);
    EXPECT_EQ(ByteStrToHexStr(plain), ByteStrToHexStr(ListedValues()));
  }
  // The buffer follows the values.
  ASSERT_EQ(Set(1, kCustomer, 2, "<LongUnsigned Value=\"0777\" />"), "Success");
  EXPECT_EQ(ByteStrToHexStr(Unprotect(K, ParseParameters(*Get(30, kDp, 4)), GetBuffer())),
            ByteStrToHexStr(ListedValues()));
}

// A wrapped content key drawn by a GET is written back into attribute 4, and later GETs
// unwrap and use the same key; a one-pass agreed key leaves the signed ephemeral key there.
TEST_F(DataProtection, KeyCipheredDataWrittenBackIntoAttribute4) {
  ASSERT_EQ(Set(30, kDp, 4, ParametersXml({FromServer(K, ptAuthEnc, kitWrapped)})), "Success");
  EXPECT_TRUE(ParseParameters(*Get(30, kDp, 4)).at(0).KeyCipheredData.empty());
  const PduStr first = GetBuffer();
  const std::vector<TClientLayer> layers = ParseParameters(*Get(30, kDp, 4));
  ASSERT_EQ(layers.at(0).KeyCipheredData.size(), 24u);
  EXPECT_EQ(ByteStrToHexStr(Unprotect(K, layers, first)), ByteStrToHexStr(ListedValues()));
  const PduStr second = GetBuffer();
  EXPECT_EQ(ByteStrToHexStr(ParseParameters(*Get(30, kDp, 4)).at(0).KeyCipheredData),
            ByteStrToHexStr(layers.at(0).KeyCipheredData));
  EXPECT_EQ(ByteStrToHexStr(Unprotect(K, layers, second)), ByteStrToHexStr(ListedValues()));

  ASSERT_EQ(Set(30, kDp, 4, ParametersXml({FromServer(K, ptAuth, kitAgreed, kpOnePass)})), "Success");
  GetBuffer();
  EXPECT_EQ(ParseParameters(*Get(30, kDp, 4)).at(0).KeyCipheredData.size(), 128u);
}

// SET of attribute 2 with a buffer the client protected writes the listed attributes.
TEST_F(DataProtection, SetBufferWritesTheListedAttributes) {
  uint32_t fc = 1;
  int value = 0x100;
  for (const TLayerCase& c : kClientLayerCases) {
    SCOPED_TRACE(c.Name);
    ++value;
    EXPECT_EQ(SetProtected(c.Layers(K), NewValues(value, value * 3), fc), "Success");
    fc += 2;
    EXPECT_EQ(CustomerXml(), "<LongUnsigned Value=\"" + IntToHex(static_cast<uint64_t>(value), 4) + "\" />");
    EXPECT_EQ(EnergyXml(), "<DoubleLongUnsigned Value=\"" + IntToHex(static_cast<uint64_t>(value * 3), 8) + "\" />");
  }
  EXPECT_TRUE(Log().WaitForText("Removing ciphering from "));
  EXPECT_TRUE(Log().WaitForText("Removing signature from "));
}

// Method 1 answers its own parameters, with the key-ciphered data, and the protected
// values of its own list; the object's attribute 4 stays as it was.
TEST_F(DataProtection, GetProtectedAttributes) {
  const PduStr attribute4 = Get(30, kDp, 4)->Encode();
  const std::vector<TClientLayer> asked = {FromServer(K, ptAuthEnc, kitWrapped), FromServer(K, ptSign)};
  const TActionAnswer a = Action(
      30, kDp, 1,
      Structure({ObjectListXml({{1, kText, 2}, {3, kEnergy, 3}, {3, kEnergy, 1}}), ParametersXml(asked)}));
  ASSERT_EQ(a.Result, "Success");
  ASSERT_TRUE(a.ReturnParameters);
  ASSERT_TRUE(TDataHelper::IsStructureOf(*a.ReturnParameters, 2));
  const TSequenceOf& answer = TDataHelper::AsStructure(*a.ReturnParameters);
  const std::vector<TClientLayer> layers = ParseParameters(answer.Elements(0)->As<TData>());
  ASSERT_EQ(layers.size(), 2u);
  EXPECT_EQ(layers[0].KeyCipheredData.size(), 24u);
  const PduStr buffer = TDataHelper::OctetStringValue(answer.Elements(1)->As<TData>());
  EXPECT_EQ(ByteStrToHexStr(Unprotect(K, layers, buffer)),
            ByteStrToHexStr(HexStrToByteStr("0203") + Get(1, kText, 2)->Encode() + Get(3, kEnergy, 3)->Encode() +
                            Get(3, kEnergy, 1)->Encode()));
  EXPECT_EQ(ByteStrToHexStr(Get(30, kDp, 4)->Encode()), ByteStrToHexStr(attribute4));
}

// Method 2 writes the values of its own list from a buffer the client protected.
TEST_F(DataProtection, SetProtectedAttributes) {
  std::vector<TClientLayer> layers = {ToServer(K, ptAuthEnc, kitAgreed, kpOnePass), ToServer(K, ptSign)};
  uint32_t fc = 1;
  const PduStr buffer =
      Protect(K, layers, DataOf(Structure({"<OctetString Value=\"\\world\" />", "<LongUnsigned Value=\"0042\" />"})), fc);
  const TActionAnswer a =
      Action(30, kDp, 2,
             Structure({ObjectListXml({{1, kText, 2}, {1, kCustomer, 2}}), ParametersXml(layers), OctetsXml(buffer)}));
  EXPECT_EQ(a.Result, "Success");
  EXPECT_FALSE(a.ReturnParameters);
  EXPECT_EQ(FlatOf(*Get(1, kText, 2)), "<OctetString Value=\"\\world\" />");
  EXPECT_EQ(CustomerXml(), "<LongUnsigned Value=\"0042\" />");
}

// Method 3 invokes a method of another object with parameters the client protected.
TEST_F(DataProtection, InvokeProtectedMethod) {
  uint32_t fc = 1;
  auto invoke = [&](int ClassId, const char* Instance, int MethodId, const std::string& ParameterXml) {
    std::vector<TClientLayer> layers = {ToServer(K, ptAuthEnc)};
    const PduStr buffer = Protect(K, layers, DataOf(ParameterXml), fc);
    return Action(30, kDp, 3,
                  Structure({Structure({"<LongUnsigned Value=\"" + IntToHex(static_cast<uint64_t>(ClassId), 4) +
                                            "\" />",
                                        std::string("<OctetString Value=\"") + Instance + "\" />",
                                        "<Integer Value=\"" + IntToHex(static_cast<uint64_t>(MethodId), 2) + "\" />"}),
                             ParametersXml(layers), OctetsXml(buffer)}));
  };
  // security_activate of the security setup object raises its policy.
  const TActionAnswer activated = invoke(64, kSetup, 1, "<Enum Value=\"24\" />");
  EXPECT_EQ(activated.Result, "Success");
  ASSERT_TRUE(activated.ReturnParameters);
  EXPECT_EQ(FlatOf(*activated.ReturnParameters),
            "<Structure Qty=\"0002\" ><Array Qty=\"0000\" ></Array><OctetString Value=\"\" /></Structure>");
  EXPECT_EQ(FlatOf(*Get(64, kSetup, 2)), "<Enum Value=\"24\" />");
  // The target's own answer: a policy cannot be lowered.
  EXPECT_EQ(invoke(64, kSetup, 1, "<Enum Value=\"04\" />").Result, "OtherReason");
  // A Data object has no methods; an object the device lacks is unavailable.
  EXPECT_EQ(invoke(1, kText, 1, "<Integer Value=\"00\" />").Result, "OtherReason");
  EXPECT_EQ(invoke(1, "0000600A09FF", 1, "<Integer Value=\"00\" />").Result, "ObjectUnavailable");
  // The object has three methods.
  EXPECT_EQ(Action(30, kDp, 4, "<Integer Value=\"00\" />").Result, "ObjectUnavailable");
}

// The required protection (attribute 6, request bits 2 to 4, response bits 5 to 7) must be
// among the layers' services of a method: response bits for method 1, request bits for
// methods 2 and 3. GET and SET of attribute 2 make no such check.
TEST_F(DataProtection, RequiredProtectionIsEnforced) {
  uint32_t fc = 1;
  auto getProtected = [&](std::vector<TClientLayer> Layers) {
    return Action(30, kDp, 1, Structure({ObjectListXml({{1, kCustomer, 2}}), ParametersXml(Layers)})).Result;
  };
  auto setProtected = [&](std::vector<TClientLayer> Layers) {
    const PduStr buffer = Protect(K, Layers, DataOf(Structure({"<LongUnsigned Value=\"0009\" />"})), fc);
    return Action(30, kDp, 2,
                  Structure({ObjectListXml({{1, kCustomer, 2}}), ParametersXml(Layers), OctetsXml(buffer)}))
        .Result;
  };
  struct TCase {
    const char* Required;
    bool Response;  // method 1, else method 2
    std::vector<TClientLayer> Layers;
    bool Passes;
  };
  const TCase cases[] = {
      {"30", true, {FromServer(K, ptAuth)}, true},
      {"30", false, {ToServer(K, ptAuth)}, false},
      {"30", false, {ToServer(K, ptAuth), ToServer(K, ptSign)}, true},
      {"08", false, {ToServer(K, ptAuth)}, false},
      {"08", false, {ToServer(K, ptEnc)}, true},
      {"40", true, {FromServer(K, ptAuth)}, false},
      {"40", true, {FromServer(K, ptSign), FromServer(K, ptAuthEnc)}, true},
      {"E0", true, {FromServer(K, ptAuthEnc), FromServer(K, ptSign)}, true},
      {"80", true, {FromServer(K, ptAuthEnc)}, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.Required) + (c.Response ? " method 1" : " method 2"));
    ASSERT_EQ(Set(30, kDp, 6, std::string("<Enum Value=\"") + c.Required + "\" />"), "Success");
    const std::string r = c.Response ? getProtected(c.Layers) : setProtected(c.Layers);
    if (c.Passes) {
      EXPECT_EQ(r, "Success");
    } else {
      EXPECT_EQ(r, kOperationNotPossible);
      EXPECT_TRUE(Logged(c.Response ? "Required protection cannot be applied" : "Required protection could not be applied"));
    }
  }
  // Method 3 checks the request bits.
  ASSERT_EQ(Set(30, kDp, 6, "<Enum Value=\"04\" />"), "Success");
  EXPECT_EQ(Action(30, kDp, 3,
                   Structure({Structure({"<LongUnsigned Value=\"0001\" />", OctetsXml(HexStrToByteStr(kText)),
                                         "<Integer Value=\"01\" />"}),
                              ParametersXml({ToServer(K, ptEnc)}), OctetsXml(PduStr())}))
                .Result,
            kOperationNotPossible);
  EXPECT_TRUE(Log().WaitForCount("*** DATA PROTECTION *** Required protection could not be applied", 3));
  EXPECT_EQ(Log().CountOf("*** DATA PROTECTION *** Required protection could not be applied"), 3);

  // Bits 0 and 1 are not a policy: every method fails, attribute 2 still serves.
  ASSERT_EQ(Set(30, kDp, 6, "<Enum Value=\"01\" />"), "Success");
  EXPECT_EQ(getProtected({FromServer(K, ptAuthEnc)}), kOperationNotPossible);
  EXPECT_TRUE(Logged("Illegal EnumValue"));
  EXPECT_EQ(ByteStrToHexStr(Unprotect(K, ParseParameters(*Get(30, kDp, 4)), GetBuffer())),
            ByteStrToHexStr(ListedValues()));
  EXPECT_EQ(SetProtected({ToServer(K, ptAuth)}, NewValues(1, 2), fc), "Success");
}

// Mended: every protection the server applies draws its counter from the process-wide
// frame counter, so no initialisation vector repeats under a key, not even across sessions.
TEST_F(DataProtection, SentFrameCountersNeverRepeat) {
  std::vector<uint32_t> counters;
  const std::vector<TClientLayer> layers = ParseParameters(*Get(30, kDp, 4));
  Unprotect(K, layers, GetBuffer(), &counters);
  Unprotect(K, layers, GetBuffer(), &counters);
  Restart();
  Unprotect(K, layers, GetBuffer(), &counters);
  // Method 1 under the same key.
  const TActionAnswer a =
      Action(30, kDp, 1, Structure({ObjectListXml({{1, kCustomer, 2}}), ParametersXml(layers)}));
  ASSERT_TRUE(a.ReturnParameters);
  Unprotect(K, layers, TDataHelper::OctetStringValue(TDataHelper::AsStructure(*a.ReturnParameters).Elements(1)->As<TData>()),
            &counters);
  ASSERT_EQ(counters.size(), 4u);
  EXPECT_NE(counters[0], 0u);
  for (size_t i = 1; i < counters.size(); ++i) EXPECT_GT(counters[i], counters[i - 1]) << i;
}

// Mended: a received frame counter must exceed every counter accepted under the key while
// the device is loaded, so an old buffer is refused in the same session and after a
// restart of the session.
TEST_F(DataProtection, ReceivedFrameCountersAreKeptAcrossSessions) {
  std::vector<TClientLayer> layers = {ToServer(K, ptAuthEnc)};
  uint32_t fc = 0;
  const PduStr zero = Protect(K, layers, NewValues(1, 1), fc);
  const PduStr one = Protect(K, layers, NewValues(2, 2), fc);
  const PduStr two = Protect(K, layers, NewValues(3, 3), fc);
  ASSERT_EQ(Set(30, kDp, 5, ParametersXml(layers)), "Success");
  const std::string before = CustomerXml();

  // 0 is never greater than the last counter accepted.
  EXPECT_EQ(Answer(SetXml(30, kDp, 2, OctetsXml(zero))), kOperationNotPossible);
  EXPECT_TRUE(Logged("FC not incremented when removing protection"));
  EXPECT_EQ(CustomerXml(), before);
  EXPECT_EQ(Set(30, kDp, 2, OctetsXml(one)), "Success");
  EXPECT_EQ(CustomerXml(), "<LongUnsigned Value=\"0002\" />");
  ASSERT_EQ(Set(1, kCustomer, 2, "<LongUnsigned Value=\"0100\" />"), "Success");
  EXPECT_EQ(Answer(SetXml(30, kDp, 2, OctetsXml(one))), kOperationNotPossible);
  EXPECT_EQ(CustomerXml(), "<LongUnsigned Value=\"0100\" />");

  Restart();
  EXPECT_EQ(Answer(SetXml(30, kDp, 2, OctetsXml(one))), kOperationNotPossible);
  EXPECT_EQ(CustomerXml(), "<LongUnsigned Value=\"0100\" />");
  // Method 2 under the same key shares the counter.
  EXPECT_EQ(Action(30, kDp, 2, Structure({ObjectListXml({{1, kCustomer, 2}, {3, kEnergy, 2}}), ParametersXml(layers),
                                           OctetsXml(one)}))
                .Result,
            kOperationNotPossible);
  EXPECT_EQ(Set(30, kDp, 2, OctetsXml(two)), "Success");
  EXPECT_EQ(CustomerXml(), "<LongUnsigned Value=\"0003\" />");
  EXPECT_TRUE(Log().WaitForCount("*** DATA PROTECTION *** FC not incremented when removing protection", 4));
  EXPECT_EQ(Log().CountOf("*** DATA PROTECTION *** FC not incremented when removing protection"), 4);
}

// A buffer whose security control announces fewer services than the set parameters ask
// for has been checked for less: it is refused, through attribute 2 and method 2.
TEST_F(DataProtection, SecurityControlMustAnnounceTheLayersServices) {
  uint32_t fc = 1;
  const std::string before = CustomerXml();
  for (int sc : {0x01, 0x21, 0x11, 0x00}) {
    SCOPED_TRACE(sc);
    std::vector<TClientLayer> layers = {ToServer(K, ptAuthEnc)};
    layers[0].ForcedSecurityControl = sc;
    const PduStr buffer = Protect(K, layers, NewValues(0x0BAD, 0x0BAD), fc);
    layers[0].ForcedSecurityControl = -1;
    ASSERT_EQ(Set(30, kDp, 5, ParametersXml(layers)), "Success");
    EXPECT_EQ(Answer(SetXml(30, kDp, 2, OctetsXml(buffer))), kOperationNotPossible);
    EXPECT_EQ(Action(30, kDp, 2, Structure({ObjectListXml({{1, kCustomer, 2}, {3, kEnergy, 2}}), ParametersXml(layers),
                                             OctetsXml(buffer)}))
                  .Result,
              kOperationNotPossible);
    EXPECT_EQ(CustomerXml(), before);
  }
  EXPECT_TRUE(Logged("Protection [] received where [AUTHENTICATION,ENCRYPTION] is required"));
  EXPECT_TRUE(Logged("Protection [ENCRYPTION] received where [AUTHENTICATION,ENCRYPTION] is required"));
  EXPECT_TRUE(Logged("Protection [AUTHENTICATION] received where [AUTHENTICATION,ENCRYPTION] is required"));
}

// Failures of a data protection read or method are answered with the exception response
// and logged as data protection errors; a failing unprotection in a SET of attribute 2 is
// answered TypeUnmatched. The session goes on serving.
TEST_F(DataProtection, DataProtectionErrorsAreAnswered) {
  uint32_t fc = 1;
  std::vector<TClientLayer> layers = {ToServer(K, ptAuthEnc)};
  PduStr tampered = Protect(K, layers, NewValues(7, 7), fc);
  tampered[8] = static_cast<char>(tampered[8] ^ 1);
  const std::string listed = ObjectListXml({{1, kCustomer, 2}, {3, kEnergy, 2}});
  EXPECT_EQ(Action(30, kDp, 2, Structure({listed, ParametersXml(layers), OctetsXml(tampered)})).Result,
            kOperationNotPossible);
  EXPECT_TRUE(Logged("Authentication failure (Decrypt error)"));

  const PduStr three = Protect(K, layers, DataOf(Structure({"<LongUnsigned Value=\"0007\" />",
                                                            "<DoubleLongUnsigned Value=\"00000007\" />",
                                                            "<NullData />"})),
                               fc);
  EXPECT_EQ(Action(30, kDp, 2, Structure({listed, ParametersXml(layers), OctetsXml(three)})).Result,
            kOperationNotPossible);
  EXPECT_TRUE(Logged("unprotected data length mismatch"));
  EXPECT_EQ(Action(30, kDp, 1, "").Result, kOperationNotPossible);
  EXPECT_EQ(Action(30, kDp, 1, Structure({listed})).Result, kOperationNotPossible);
  EXPECT_TRUE(Logged("List index out of bounds (1)"));

  // SET of attribute 2: only the buffer is taken.
  ASSERT_EQ(Set(30, kDp, 5, ParametersXml(layers)), "Success");
  EXPECT_EQ(Set(30, kDp, 2, OctetsXml(tampered)), "TypeUnmatched");
  // A value that does not fit its attribute (a scaler and unit must be a structure): none
  // of the listed attributes is written.
  ASSERT_EQ(Set(30, kDp, 3, ObjectListXml({{1, kCustomer, 2}, {3, kEnergy, 3}})), "Success");
  const PduStr badType = Protect(K, layers, DataOf(Structure({"<LongUnsigned Value=\"0007\" />", "<NullData />"})), fc);
  EXPECT_EQ(Set(30, kDp, 2, OctetsXml(badType)), "TypeUnmatched");
  EXPECT_EQ(CustomerXml(), "<LongUnsigned Value=\"0005\" />");

  // A listed attribute the object lacks.
  ASSERT_EQ(Set(30, kDp, 3, ObjectListXml({{1, kCustomer, 9}})), "Success");
  EXPECT_EQ(Answer(GetXml(30, kDp, 2)), kOperationNotPossible);
  EXPECT_TRUE(Logged("Attribute: 9 not found in Instance: \"0000600A01FF\", Class: 1"));
  EXPECT_EQ(Log().CountOf("*** EXCEPTION ***"), 0);
  EXPECT_EQ(CustomerXml(), "<LongUnsigned Value=\"0005\" />");
}

// An association that references no security setup object stores the buffer a client
// writes and unprotects nothing.
TEST_F(DataProtection, WithoutSecuritySetupTheBufferIsOnlyStored) {
  Connect(32);
  EXPECT_EQ(Set(30, kDp, 2, OctetsXml(HexStrToByteStr("31000000010203"))), "Success");
  EXPECT_EQ(CustomerXml(), "<LongUnsigned Value=\"0005\" />");
  // Every line of the SET is in the log once the GET's is.
  ASSERT_TRUE(Log().WaitForText("InstanceId=0000600A01FF, ClassId=1, AttributeId=2"));
  EXPECT_FALSE(Log().Contains("Removing ciphering from"));
}
