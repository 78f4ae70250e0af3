// Arbitrary expression text through the regular-expression compiler in every modifier
// combination: it either compiles or raises EKitRegExprError, never anything else; a
// compiled program dumps, gives its first-character set and runs over a short text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "kit_regex_fuzz_common.h"

using namespace zv;
using namespace zv::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  TKitRegExp r;
  Setup(r, data[0]);
  const TKitString expr = KitFromPlatformText(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  try {
    r.SetExpression(expr);
  } catch (const EKitRegExprError& e) {
    Check(e.ErrorCode > 0 && r.LastError() == e.ErrorCode);
    return 0;
  }
  if (expr.empty()) return 0;
  Check(r.CompiledSubExpCount() >= 1 && r.CompiledSubExpCount() <= TKitRegExp::SubExpMaxCount());
  bool unicode = false;
  (void)r.GetFirstCharSetAnsi(unicode);
  Check(unicode);
  Check(!r.Dump().empty());
  try {
    if (r.ModifierC()) {
      TFuzzCodeSource src(u"ab a\r\nb-_1");
      r.SetInputSource(&src);
      (void)r.Exec();
      r.SetInputSource(nullptr);
    } else {
      r.SetInputText(u"ab AB a\r\nb-_1 \x0100\x263A");
      (void)r.Exec();
    }
  } catch (const EKitRegExprError& e) {
    // Only nesting deeper than the counted-loop stack fails at run time.
    Check(e.ErrorCode == 1014);
  }
  return 0;
}
