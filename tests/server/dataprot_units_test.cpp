// The data protection behaviour called directly, with a transfer context set up by hand:
// what a failed GET leaves behind, the bound on nested protected method invocations, the
// hook's answers outside its three methods and the table of received frame counters.
#include <gtest/gtest.h>

#include "cosem/data_protection.h"
#include "cosem/logical_device.h"
#include "foundation/data_helper.h"
#include "security/security_material_server.h"
#include "security/security_test_support.h"
#include "server/data_protection_behaviour.h"
#include "server/dataprot_test_support.h"
#include "server/frame_counters_of_keys.h"
#include "server/object_services.h"
#include "server/transfer_context.h"
#include "support/test_server.h"

using namespace zv;
using namespace zv::test;
using namespace zv::test::dataprot;

namespace {

const PduStr kDpName = HexStrToByteStr("00002B0200FF");
const PduStr kSetupName = HexStrToByteStr("00002B0001FF");

class DataProtectionUnits : public ::testing::Test {
 protected:
  void SetUp() override {
    Device = MakeLogicalDevice(ReadFile(DataProtectionFixture()));
    TLogicalDeviceHelper::BindBehaviour(*Device);
    Dp = TLogicalDeviceHelper::FindInstance(*Device, nullptr, kDpName, 30);
    auto* setup = dynamic_cast<TCosemInstance_SecuritySetup*>(
        TLogicalDeviceHelper::FindInstance(*Device, nullptr, kSetupName, 64));
    ASSERT_TRUE(Dp && setup);
    Context.LogicalDevice = Device.get();
    Context.SecuritySetupObject = setup;
    Context.SecurityMaterial = std::make_unique<TSecurityMaterialServer>(setup);
    Context.LoggingContext = &Log.Context;
  }

  static std::unique_ptr<TData> Data(const std::string& Xml) { return TDataHelper::MakeFromXml("<Data>" + Xml + "</Data>"); }

  void SetParameters(int AttributeId, const std::vector<TClientLayer>& Layers) {
    const PduStr data = Data(ParametersXml(Layers))->Encode();
    TStringWrapper w(data);
    Dp->ReplaceAttribute(AttributeId, CreateFromDataPduStr(T_ProtectionParameters, xml_ProtectionParameters, w));
  }

  int Invoke(int MethodId, const TData* Parameters, std::unique_ptr<TData>& Result) {
    return Dp->InvokeMethodFunc(&Context, nullptr, MethodId, Parameters, Result);
  }

  const TClientKeys K = Keys();
  std::unique_ptr<TSequence> Device;
  TCOSEMInstance* Dp = nullptr;
  TTransferContext Context;
  TLogCapture Log;
};

}  // namespace

// A GET whose protection fails leaves the buffer and the get parameters as they were, even
// after a wrapped layer has drawn its key; the failure is a data protection error.
TEST_F(DataProtectionUnits, FailedGetLeavesAttributes2And4) {
  TClientLayer signedByOther = FromServer(K, ptSign);
  signedByOther.OriginatorSystemTitle = K.ClientTitle;  // the server holds no private key for it
  SetParameters(DataProtectionAttr::ProtectionParametersGet, {FromServer(K, ptAuthEnc, kitWrapped), signedByOther});
  TDataProtection::ProtectionBuffer(*Dp).Value = HexStrToByteStr("0102");
  const PduStr parameters = TDataProtection::ProtectionParametersGet(*Dp).Encode();
  try {
    TDataProtectionHelper::ReadProtectedAttributes(*Dp, Context);
    FAIL() << "no error";
  } catch (const EDataProtection& e) {
    EXPECT_EQ(std::string(e.what()), "Private key for 4D4D4D0000BC614E is not available");
  }
  EXPECT_TRUE(Log.Has("Applying ciphering to 0202120005060012D687"));
  EXPECT_EQ(ByteStrToHexStr(TDataProtection::ProtectionBuffer(*Dp).Value), "0102");
  EXPECT_EQ(ByteStrToHexStr(TDataProtection::ProtectionParametersGet(*Dp).Encode()), ByteStrToHexStr(parameters));

  // Without the failing layer the drawn key is written back.
  SetParameters(DataProtectionAttr::ProtectionParametersGet, {FromServer(K, ptAuthEnc, kitWrapped)});
  TDataProtectionHelper::ReadProtectedAttributes(*Dp, Context);
  const std::vector<TClientLayer> layers =
      ParseParameters(*TDataHelper::MakeFromPdu(TDataProtection::ProtectionParametersGet(*Dp)));
  EXPECT_EQ(ByteStrToHexStr(Unprotect(K, layers, TDataProtection::ProtectionBuffer(*Dp).Value)),
            "0202120005060012D687");
}

// invoke_protected_method naming a data protection object's own method 3 again and again
// is refused before the stack runs down; three levels fail as any target with a result does.
TEST_F(DataProtectionUnits, NestedProtectedMethodsAreBounded) {
  auto nested = [&](int Levels) {
    // The innermost names a Data object, which has no methods.
    std::string parameters = "<Structure Qty=\"0003\" ><Structure Qty=\"0003\" ><LongUnsigned Value=\"0001\" />"
                             "<OctetString Value=\"0000600A02FF\" /><Integer Value=\"01\" /></Structure>"
                             "<Array Qty=\"0000\" ></Array><OctetString Value=\"\" /></Structure>";
    for (int i = 0; i < Levels; ++i)
      parameters = "<Structure Qty=\"0003\" ><Structure Qty=\"0003\" ><LongUnsigned Value=\"001E\" />"
                   "<OctetString Value=\"00002B0200FF\" /><Integer Value=\"03\" /></Structure>"
                   "<Array Qty=\"0000\" ></Array><OctetString Value=\"" +
                   ByteStrToHexStr(Data(parameters)->Encode()) + "\" /></Structure>";
    return Data(parameters);
  };
  std::unique_ptr<TData> result;
  auto outer = [&](int Levels) {
    auto p = nested(Levels);
    try {
      return std::to_string(Invoke(3, p.get(), result));
    } catch (const EDataProtection& e) {
      return std::string(e.what());
    }
  };
  EXPECT_EQ(outer(0), "250");
  EXPECT_EQ(outer(1), "250");
  EXPECT_EQ(outer(2), "InvokeInvokeProtectedMethod with return parameters not implemented");
  EXPECT_EQ(outer(40), "Protected method invocations nested too deeply");
  // The bound is released on the way out.
  EXPECT_EQ(outer(0), "250");
}

// The hook answers methods 1 to 3 only and needs the request's context.
TEST_F(DataProtectionUnits, HookOutsideItsMethods) {
  ASSERT_TRUE(Dp->InvokeMethodFunc);
  std::unique_ptr<TData> result = Data("<NullData />");
  EXPECT_EQ(Invoke(4, nullptr, result), 11);
  EXPECT_FALSE(result);
  EXPECT_EQ(Dp->Context, &Context);
  try {
    Dp->InvokeMethodFunc(nullptr, nullptr, 1, nullptr, result);
    FAIL() << "no error";
  } catch (const EDataProtection& e) {
    EXPECT_EQ(std::string(e.what()), "Invalid class typecast");
  }
}

// A counter is accepted only above the last one accepted under the same key; the table
// starts again when a device is taken.
TEST_F(DataProtectionUnits, ReceivedFrameCountersPerKey) {
  const PduStr a = HexStrToByteStr("000102030405060708090A0B0C0D0E0F"), b = HexStrToByteStr("FF");
  struct TStep {
    const PduStr* Key;
    uint32_t Counter;
    bool Accepted;
  };
  const TStep steps[] = {{&a, 0, false},          {&a, 1, true},  {&a, 1, false}, {&a, 0xFFFFFFF0u, true},
                         {&a, 0x7FFFFFFF, false}, {&b, 1, true},  {&b, 2, true},  {&a, 0xFFFFFFFFu, true},
                         {&a, 0xFFFFFFFFu, false}};
  for (const TStep& s : steps) EXPECT_EQ(TFrameCountersOfKeys::AcceptReceived(*s.Key, s.Counter), s.Accepted) << s.Counter;
  TLogicalDeviceHelper::BindBehaviour(*Device);
  EXPECT_TRUE(TFrameCountersOfKeys::AcceptReceived(a, 1));
  EXPECT_TRUE(TFrameCountersOfKeys::AcceptReceived(b, 1));
}
