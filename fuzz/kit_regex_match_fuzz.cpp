// An expression and a text (separated by the first 0 byte) through the matcher: first
// match, the following ones, ranges with NeedMore, and in character mode substitution,
// split and replace. Results stay inside the range searched, the group bounds are
// consistent, and a pathological expression ends within the matcher's step budget.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "kit_regex_fuzz_common.h"

using namespace zv;
using namespace zv::fuzz;

namespace {

void CheckGroups(TKitRegExp& r, int lo, int hi) {
  const int pos = r.GetMatchPos(0), len = r.GetMatchLen(0);
  Check(pos >= lo && len >= 0 && pos + len <= hi);
  for (int g = 1; g < r.CompiledSubExpCount(); ++g) {
    const int p = r.GetMatchPos(g);
    if (p < 0) continue;
    Check(p >= lo && r.GetMatchLen(g) >= 0 && p + r.GetMatchLen(g) <= hi);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3 || size > 4096) return 0;
  const uint8_t mods = data[0];
  const uint8_t where = data[1];
  const char* rest = reinterpret_cast<const char*>(data) + 2;
  const size_t restSize = size - 2;
  const char* zero = static_cast<const char*>(std::memchr(rest, 0, restSize));
  const size_t exprSize = zero ? static_cast<size_t>(zero - rest) : restSize;
  const TKitString expr = Decode(std::string(rest, exprSize));
  const TKitString text = zero ? Decode(std::string(zero + 1, rest + restSize)) : TKitString(u"abcabc");
  if (expr.empty()) return 0;

  TKitRegExp r;
  Setup(r, mods);
  try {
    r.SetExpression(expr);
  } catch (const EKitRegExprError&) {
    return 0;
  }
  TFuzzCodeSource codes(text);
  if (r.ModifierC()) r.SetInputSource(&codes);
  else r.SetInputText(text);
  TKitRegexSource& in = *r.InputSource();
  const int base = in.BaseIndex, end = in.BaseIndex + in.Count;

  try {
    int found = 0;
    for (bool ok = r.Exec(); ok && found < 16; ok = r.ExecNext(), ++found) CheckGroups(r, base, end);

    // A sub-range, reported with NeedMore.
    const int offset = base + (in.Count == 0 ? 0 : where % (in.Count + 1));
    const int count = (where >> 4) % 8;
    bool needMore = false;
    if (r.Exec(offset, count, needMore)) {
      CheckGroups(r, offset, std::min(end, offset + count));
      Check(r.GetMatchPos(0) + r.GetMatchLen(0) < std::min(end, offset + count) || needMore);
    }

    if (!r.ModifierC() && text.size() <= 512) {
      (void)r.Exec();
      (void)r.Substitute(u"[$0|${1}|$&|\\n]");
      TKitStringList pieces;
      r.Split(pieces);
      size_t total = 0;
      for (const TKitString& p : pieces) total += p.size();
      Check(total <= text.size());
      const TKitString replaced = r.Replace(u"<$1>", true);
      (void)replaced;
    }
  } catch (const EKitRegExprError& e) {
    Check(e.ErrorCode == 1014);
  }
  return 0;
}
