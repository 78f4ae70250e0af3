// An expression and a text (separated by the first 0 byte) through the matcher: first
// match, the following ones, ranges with NeedMore, and in character mode substitution,
// split and replace. Results stay inside the range searched, the group bounds are
// consistent, an answer without NeedMore stays the same over a longer range, and a
// pathological expression ends within the matcher's step budget.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "kit_regex_fuzz_common.h"

using namespace zv;
using namespace zv::fuzz;

namespace {

// A pathological expression shows itself within a few thousand steps as well as within
// the engine's million, at a fraction of the time per match.
constexpr int64_t kStepBudget = 4000;

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
  const TKitString expr = KitFromPlatformText(std::string(rest, exprSize));
  const TKitString text = zero ? KitFromPlatformText(std::string(zero + 1, rest + restSize)) : TKitString(u"abcabc");
  if (expr.empty()) return 0;

  TKitRegExp r;
  Setup(r, mods);
  r.SetStepBudget(kStepBudget);
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
    int matches = 0;
    for (bool ok = r.Exec(); ok && matches < 4; ok = r.ExecNext(), ++matches) CheckGroups(r, base, end);

    // The search finds the first position where an anchored attempt matches: the start
    // hints and literal searches skip no match.
    if (text.size() <= 24) {
      TKitRegExp search, anchored;
      Setup(search, mods & ~32);
      Setup(anchored, mods | 32);
      search.SetStepBudget(kStepBudget);
      anchored.SetStepBudget(kStepBudget);
      search.SetExpression(expr);
      anchored.SetExpression(expr);
      search.SetInputSource(&in);
      anchored.SetInputSource(&in);
      const bool found = search.Exec();
      bool limit = search.LimitExceeded();
      int first = -1, len = -1;
      for (int p = base; p <= end && first < 0; ++p) {
        if (anchored.Exec(p)) first = p, len = anchored.GetMatchLen(0);
        limit = limit || anchored.LimitExceeded();
      }
      if (!limit) {
        Check(found == (first >= 0));
        if (found) Check(search.GetMatchPos(0) == first && search.GetMatchLen(0) == len);
      }
    }

    // A sub-range, reported with NeedMore.
    const int offset = base + (in.Count == 0 ? 0 : where % (in.Count + 1));
    const int count = (where >> 4) % 8;
    bool needMore = false;
    const bool found = r.Exec(offset, count, needMore);
    if (found) {
      CheckGroups(r, offset, std::min(end, offset + count));
      Check(r.GetMatchPos(0) + r.GetMatchLen(0) < std::min(end, offset + count) || needMore);
    }
    Check(!r.LimitExceeded() || (needMore && !found));
    // Without NeedMore the answer is final: a longer range gives the same match.
    if (!needMore) {
      std::vector<int> groups;
      for (int g = 0; g < r.CompiledSubExpCount(); ++g) groups.push_back(r.GetMatchPos(g)), groups.push_back(r.GetMatchLen(g));
      for (int longer : {count + 1, count + 7, -1}) {
        const bool again = r.Exec(offset, longer);
        if (r.LimitExceeded()) continue;
        Check(again == found);
        for (int g = 0; g < r.CompiledSubExpCount(); ++g)
          Check(r.GetMatchPos(g) == groups[2 * g] && r.GetMatchLen(g) == groups[2 * g + 1]);
      }
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
