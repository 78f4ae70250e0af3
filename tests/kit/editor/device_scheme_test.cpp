#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "scheme_support.h"

using namespace zv;

namespace {

TKitString ReadExample() {
  std::ifstream in(std::string(ZV_EXAMPLES_DIR) + "/meter.xml", std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return U(ss.str());
}

}  // namespace

TEST(DeviceSchemeTest, Smoke) {
  RegisterDeviceClasses();
  TSchemeDoc d(DeviceColors(), N(KitDeviceSyntaxScheme()), ReadExample());
  ASSERT_TRUE(d.Parser().IsSchemeLoaded());
  for (int i = 0; i < 16; ++i) {
    std::string s;
    for (auto& t : d.Tokens(i)) s += "[" + t + "]";
    std::printf("%d %s | fold %d..%d parent %d\n", i, s.c_str(), d.Parser().IsFoldStart(i) ? i : -1,
                d.Parser().GetFoldEnd(i), d.Parser().GetParentLine(i));
  }
}
