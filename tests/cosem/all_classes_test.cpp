// One object of every one of the 81 interface classes: the description loads, renders back
// byte for byte, and every attribute travels in the Data form as GET and SET carry it.
#include <gtest/gtest.h>

#include "cosem/class_test_support.h"

using namespace zv;
using namespace zv::test;

TEST(AllClasses, EveryInterfaceClassLoadsRendersBackAndTravels) {
  auto dev = CheckFixtureRoundTrip("all_classes.xml", nullptr, 81);
  ASSERT_EQ(TLogicalDevice::ObjectCount(*dev), 81);
  // The fixture holds the classes in the reader's order.
  for (int i = 0; i < TLogicalDevice::ObjectCount(*dev); ++i)
    EXPECT_STREQ(TLogicalDevice::Object(*dev, i).ClassName(), kInterfaceClasses[i].name) << i;
}
