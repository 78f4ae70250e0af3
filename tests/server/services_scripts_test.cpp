// Script execution over loopback: method 1 of a script table runs the script its parameter
// names, and what the script writes is what a later GET reads.
#include <gtest/gtest.h>

#include "services_support.h"

using namespace zv;
using namespace zv::test;
using namespace zv::test::services;

namespace {

std::string ActionResult(const char* Name) {
  return std::string("<ActionResponse><ActionResponseNormal><InvokeIdAndPriority Value=\"C1\" /><Result Value=\"") + Name +
         "\" /></ActionResponseNormal></ActionResponse>";
}

std::string Execute(const std::string& ParameterXml, int MethodId = 1) {
  return ActionXml(9, "00000A0064FF", MethodId, ParameterXml);
}

std::string Script(int Id) { return "<LongUnsigned Value=\"" + IntToHex(static_cast<uint64_t>(Id), 4) + "\" />"; }

class Scripts : public Services {
 protected:
  void SetUp() override {
    Start();
    Associate();
  }
};

}  // namespace

TEST_F(Scripts, ExecuteWritesWhatALaterGetReads) {
  EXPECT_EQ(Ask(GetXml(1, "0000600A01FF", 2)), GetData("<LongUnsigned Value=\"0005\" />"));
  EXPECT_EQ(Ask(Execute(Script(1))), ActionResult("Success"));
  EXPECT_EQ(Ask(GetXml(1, "0000600A01FF", 2)), GetData("<LongUnsigned Value=\"4321\" />"));
  // Of two scripts with one identifier the first runs.
  EXPECT_EQ(Ask(Execute(Script(6))), ActionResult("Success"));
  EXPECT_EQ(Ask(GetXml(1, "0000600100FF", 2)), GetData("<VisibleString Value=\"\\first\" />"));
  ASSERT_TRUE(Log().WaitForText("InstanceId=00000A0064FF, ClassId=9, MethodId=1"));
}

// The actions before a failing one stay done; the failing one's result is the answer.
TEST_F(Scripts, ResultsOfScripts) {
  struct Case {
    const char* name;
    std::string request;
    const char* result;
  } cases[] = {
      {"missing object after a write", Execute(Script(2)), "ObjectUnavailable"},
      {"execute-method action", Execute(Script(3)), "OtherReason"},
      {"no such script", Execute(Script(5)), "OtherReason"},
      {"integer parameter", Execute("<Integer Value=\"01\" />"), "TypeUnmatched"},
      {"no parameter", Execute(""), "TypeUnmatched"},
      {"method 2", Execute(Script(1), 2), "ObjectUnavailable"},
      {"method without access item", Execute(Script(1), 3), "ObjectUnavailable"},
  };
  for (const Case& c : cases) EXPECT_EQ(Ask(c.request), ActionResult(c.result)) << c.name;
  EXPECT_EQ(Ask(GetXml(1, "0000600A01FF", 2)), GetData("<LongUnsigned Value=\"0007\" />"));
}

// A write the target attribute refuses fails the request: it is logged, not answered.
TEST_F(Scripts, RefusedReplacementFailsTheRequest) {
  ASSERT_TRUE(Client.SendApdu(ApduFromXml(Execute(Script(4)))));
  ASSERT_TRUE(Log().WaitForText("*** EXCEPTION *** Argument out of range"));
  EXPECT_TRUE(Client.Silent(50));
  EXPECT_EQ(Ask(GetXml(1, "0000600A01FF", 2)), GetData("<LongUnsigned Value=\"0005\" />"));
}
