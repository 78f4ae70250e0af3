// The matcher of TKitRegExp: the search driver and a backtracking machine whose choice
// points and undo records live on a heap stack (FStack), so that deep repetition costs
// memory in proportion to the input and never call-stack depth.
#include <algorithm>

#include "kit/text/regex.h"
#include "kit/text/regex_internal.h"

namespace zv {

using namespace regex_detail;

namespace {

// Frames of the backtracking stack. Undo records restore state when popped; choice points
// resume matching in another way.
enum : int32_t {
  fkUndoStart,    // A group, B old start
  fkUndoEnd,      // A group, B old end
  fkUndoLoop,     // A level, B old counter, C old iteration start
  fkUndoEntry,    // A old level, B old counter and C old iteration start of level A + 1
  fkUndoLevel,    // A old level
  fkBranch,       // A alternative BRANCH, B position, C pending lookahead position
  fkStar,         // A repetition node, B start, C count last tried (greedy: fewer next)
  fkStarNG,       // same, non-greedy: more next
  fkLoopExit,     // A LOOP node, B position: leave the loop
  fkLoopIter,     // A LOOPNG node, B position: one more iteration
  fkLookahead,    // A LOOKAHEAD node, B position: the lookahead failed
};

// Thrown when an Exec runs out of its step budget or stack.
struct TAbortMatch {};

// Nodes before which a pending lookahead position becomes the current position.
bool TakesOverPending(TKitREOp AOp) {
  switch (AOp) {
    case reEND: case reBRANCH: case reBACK: case reNOTHING: case reCOMMENT: case reLOOKAHEAD: case reCLOSE:
      return false;
    default:
      return true;
  }
}

}  // namespace

void TKitRegExp::Push(int32_t AKind, int32_t AA, int32_t AB, int32_t AC) {
  if (FStack.size() >= static_cast<size_t>(kitRegexMaxFrames)) throw TAbortMatch();
  FStack.push_back({AKind, AA, AB, AC});
}

void TKitRegExp::ClearMatches() {
  std::fill(FStartp.begin(), FStartp.end(), -1);
  std::fill(FEndp.begin(), FEndp.end(), -1);
}

bool TKitRegExp::IsWordCode(int32_t ACode) const {
  return !FWordSepsSet.Contains(ACode) && FWordCharsSet.Contains(ACode);
}

bool TKitRegExp::GroupText(int AGroup, TKitIntArray& ACodes) {
  if (AGroup < 0 || AGroup >= FSubexpCount) return false;
  const int s = FStartp[static_cast<size_t>(AGroup)];
  const int e = FEndp[static_cast<size_t>(AGroup)];
  if (s < 0 || e < s) return false;
  ACodes.resize(static_cast<size_t>(e - s));
  for (int i = s; i < e; ++i) ACodes[static_cast<size_t>(i - s)] = FInput->GetCode(i);
  return true;
}

namespace {

// Counts the codes from APos on, at most AMax and never beyond AEnd, that satisfy APred.
template <class TPred>
int CountCodes(TKitRegexSource& AInput, int APos, int64_t AMax, int AEnd, bool& AAtEnd, TPred APred) {
  const int limit = static_cast<int>(std::min<int64_t>(AEnd, APos + AMax));
  int p = APos;
  while (p < limit) {
    int windowEnd;
    const int32_t* w = AInput.Window(p, windowEnd);
    const int e = std::min(windowEnd, limit);
    for (; p < e; ++p, ++w)
      if (!APred(*w)) goto done;
  }
done:
  AAtEnd = p >= AEnd && p - APos < AMax;
  return p - APos;
}

// The least and the most repetitions a repeat node allows.
void RepeatBounds(const TKitRegexNode& ANode, int& AMin, int& AMax) {
  const TKitREOp op = ANode.Op;
  AMin = (op == reSTAR || op == reSTARNG) ? 0 : (op == rePLUS || op == rePLUSNG) ? 1 : ANode.MinBrace;
  AMax = (op == reBRACES || op == reBRACESNG) ? ANode.MaxBrace : kRepeatInfinity;
}

// When the node after a repeat is a literal, its first code: a repetition count is worth
// trying only where that code follows.
bool NextLiteralCode(const TKitRegexNode* ANodes, int ANext, int32_t& ACode) {
  const bool has = ANext >= 0 && ANodes[ANext].Op == reEXACTLY && !ANodes[ANext].ExactStr.empty();
  ACode = has ? ANodes[ANext].ExactChar : 0;
  return has;
}

}  // namespace

// How many times the single-code item AOp matches in a row from APos, at most AMax.
// AStep is the codes one match takes (the group length for back-references, possibly 0);
// AAtEnd tells that the count stopped at the end of the range.
int TKitRegExp::RegRepeat(const TKitRegexNode& AOp, int APos, int AMax, int& AStep, bool& AAtEnd) {
  AStep = 1;
  AAtEnd = false;
  TKitRegexSource& in = *FInput;
  switch (AOp.Op) {
    case reANY: {
      const int64_t avail = int64_t{FInputEnd} - APos;
      AAtEnd = avail < AMax;
      return static_cast<int>(std::min<int64_t>(avail, AMax));
    }
    case reEXACTLY: {
      const int32_t c0 = AOp.ExactChar;
      return CountCodes(in, APos, AMax, FInputEnd, AAtEnd, [c0](int32_t c) { return c == c0; });
    }
    case reEXACTLYCI: {
      const int32_t c0 = AOp.ExactChar, c1 = AOp.ExactCharInvC;
      return CountCodes(in, APos, AMax, FInputEnd, AAtEnd, [c0, c1](int32_t c) { return c == c0 || c == c1; });
    }
    case reANYDIGIT:
      return CountCodes(in, APos, AMax, FInputEnd, AAtEnd, [this](int32_t c) { return FDigitsSet.Contains(c); });
    case reNOTDIGIT:
      return CountCodes(in, APos, AMax, FInputEnd, AAtEnd, [this](int32_t c) { return !FDigitsSet.Contains(c); });
    case reANYOFTINYSET: {
      const int32_t a = AOp.TinySet[0], b = AOp.TinySet[1], d = AOp.TinySet[2];
      return CountCodes(in, APos, AMax, FInputEnd, AAtEnd, [=](int32_t c) { return c == a || c == b || c == d; });
    }
    case reANYBUTTINYSET: {
      const int32_t a = AOp.TinySet[0], b = AOp.TinySet[1], d = AOp.TinySet[2];
      return CountCodes(in, APos, AMax, FInputEnd, AAtEnd, [=](int32_t c) { return c != a && c != b && c != d; });
    }
    case reANYOFFULLSET: {
      const TKitCharSet& set = *AOp.SetHash;
      return CountCodes(in, APos, AMax, FInputEnd, AAtEnd, [&set](int32_t c) { return set.Contains(c); });
    }
    case reBSUBEXP:
    case reBSUBEXPCI: {
      if (!GroupText(AOp.BackRef, FScratch)) return 0;
      const int len = static_cast<int>(FScratch.size());
      AStep = len;
      // An empty group repeats without moving: every count lands on the same position.
      if (len == 0) return AMax;
      const bool ci = AOp.Op == reBSUBEXPCI;
      int n = 0;
      int p = APos;
      while (n < AMax) {
        if (FInputEnd - p < len) {
          AAtEnd = true;
          break;
        }
        int i = 0;
        for (; i < len; ++i) {
          const int32_t c = in.GetCode(p + i), g = FScratch[static_cast<size_t>(i)];
          if (c != g && !(ci && c == InvertCode(g))) break;
        }
        if (i < len) break;
        ++n;
        p += len;
      }
      FSteps += n;
      return n;
    }
    default:
      Fail(1000);
  }
}

bool TKitRegExp::MatchPrim(int AStart) {
  const TKitRegexNode* nodes = FNodes.data();
  TKitRegexSource& in = *FInput;
  const int end = FInputEnd;
  int scan = AStart;
  int pos = FReginput;
  int pending = FSavedReginput;
  auto code = [&in](int AIdx) { return in.GetCode(AIdx); };

  for (;;) {
    if (++FSteps > FStepLimit) throw TAbortMatch();
    if (scan < 0) Fail(1002);
    const TKitRegexNode& n = nodes[scan];
    if (pending >= 0 && TakesOverPending(n.Op)) {
      pos = pending;
      pending = -1;
    }
    switch (n.Op) {
      case reEND:
        FReginput = pos;
        FSavedReginput = pending;
        return true;
      case reBOL:
        if (pos > FInputStart) goto fail;
        scan = n.NextOp;
        continue;
      case reEOL:
        if (pos < end) goto fail;
        FNeedMore = true;
        scan = n.NextOp;
        continue;
      case reANY:
        if (pos >= end) {
          FNeedMore = true;
          goto fail;
        }
        ++pos;
        scan = n.NextOp;
        continue;
      case reANYML: {
        if (pos >= end) {
          FNeedMore = true;
          goto fail;
        }
        const int32_t c = code(pos);
        if (FLinePairedSeparatorAssigned && c == FLinePairedSeparatorHead) {
          if (pos + 1 < end) {
            if (code(pos + 1) == FLinePairedSeparatorTail) goto fail;
          } else {
            FNeedMore = true;
          }
        }
        if (FLineSeparatorsSet.Contains(c)) goto fail;
        ++pos;
        scan = n.NextOp;
        continue;
      }
      case reBRANCH: {
        const int next = n.NextOp;
        if (next >= 0 && nodes[next].Op == reBRANCH) Push(fkBranch, next, pos, pending);
        scan = n.Operand;
        continue;
      }
      case reBACK:
      case reNOTHING:
      case reCOMMENT:
        scan = n.NextOp;
        continue;
      case reEXACTLY:
      case reEXACTLYCI: {
        const size_t len = n.ExactStr.size();
        if (len == 0) {
          scan = n.NextOp;
          continue;
        }
        const bool ci = n.Op == reEXACTLYCI;
        for (size_t i = 0; i < len; ++i) {
          if (pos + static_cast<int64_t>(i) >= end) {
            FNeedMore = true;
            goto fail;
          }
          const int32_t c = code(pos + static_cast<int>(i));
          if (c != n.ExactStr[i] && !(ci && c == n.ExactStrInvC[i])) goto fail;
        }
        pos += static_cast<int>(len);
        scan = n.NextOp;
        continue;
      }
      case reANYDIGIT:
      case reNOTDIGIT:
      case reANYOFTINYSET:
      case reANYBUTTINYSET:
      case reANYOFFULLSET: {
        if (pos >= end) {
          FNeedMore = true;
          goto fail;
        }
        const int32_t c = code(pos);
        bool ok;
        switch (n.Op) {
          case reANYDIGIT: ok = FDigitsSet.Contains(c); break;
          case reNOTDIGIT: ok = !FDigitsSet.Contains(c); break;
          case reANYOFTINYSET: ok = c == n.TinySet[0] || c == n.TinySet[1] || c == n.TinySet[2]; break;
          case reANYBUTTINYSET: ok = c != n.TinySet[0] && c != n.TinySet[1] && c != n.TinySet[2]; break;
          default: ok = n.SetHash->Contains(c); break;
        }
        if (!ok) goto fail;
        ++pos;
        scan = n.NextOp;
        continue;
      }
      case reSTAR:
      case rePLUS:
      case reBRACES:
      case reSTARNG:
      case rePLUSNG:
      case reBRACESNG: {
        const TKitRegexNode& op = nodes[n.Operand];
        int min, max;
        RepeatBounds(n, min, max);
        const bool greedy = n.Op == reSTAR || n.Op == rePLUS || n.Op == reBRACES;
        int step;
        bool atEnd;
        const int cnt = RegRepeat(op, pos, greedy ? max : min, step, atEnd);
        FSteps += cnt;
        if (atEnd) FNeedMore = true;
        if (cnt < min) goto fail;
        if (step == 0) {
          scan = n.NextOp;
          continue;
        }
        const int next = n.NextOp;
        int32_t hint;
        const bool hasHint = NextLiteralCode(nodes, next, hint);
        const int start = pos;
        auto hintOk = [&](int k) {
          const int64_t p = start + int64_t{k} * step;
          return !hasHint || p >= end || code(static_cast<int>(p)) == hint;
        };
        int k;
        if (greedy) {
          k = cnt;
          while (k >= min && !hintOk(k)) --k, ++FSteps;
          if (k < min) goto fail;
          if (k > min) Push(fkStar, scan, start, k);
        } else {
          k = min;
          while (!hintOk(k)) {
            ++FSteps;
            bool e = false;
            int s;
            if (k >= max || RegRepeat(op, start + k * step, 1, s, e) < 1) {
              if (e) FNeedMore = true;
              goto fail;
            }
            ++k;
          }
          if (k < max) Push(fkStarNG, scan, start, k);
        }
        pos = start + k * step;
        scan = next;
        continue;
      }
      case reLOOPENTRY:
        if (FLoopStackIdx >= kLoopStackMax) Fail(1014);
        Push(fkUndoEntry, FLoopStackIdx, FLoopCounters[static_cast<size_t>(FLoopStackIdx) + 1],
             FLoopIterStart[static_cast<size_t>(FLoopStackIdx) + 1]);
        ++FLoopStackIdx;
        FLoopCounters[static_cast<size_t>(FLoopStackIdx)] = 0;
        FLoopIterStart[static_cast<size_t>(FLoopStackIdx)] = -1;
        scan = n.NextOp;
        continue;
      case reLOOP:
      case reLOOPNG: {
        if (FLoopStackIdx <= 0) Fail(1015);
        const size_t lvl = static_cast<size_t>(FLoopStackIdx);
        const int c = FLoopCounters[lvl];
        const int last = FLoopIterStart[lvl];
        if (c < n.MinBrace) {
          Push(fkUndoLoop, FLoopStackIdx, c, last);
          FLoopCounters[lvl] = c + 1;
          FLoopIterStart[lvl] = pos;
          scan = n.LoopTo;
          continue;
        }
        // An unbounded loop does not repeat an iteration that consumed nothing.
        const bool more = c < n.MaxBrace && !(n.MaxBrace == kBracesInfinity && c > 0 && pos == last);
        if (more && n.Op == reLOOP) {
          Push(fkLoopExit, scan, pos, 0);
          Push(fkUndoLoop, FLoopStackIdx, c, last);
          FLoopCounters[lvl] = c + 1;
          FLoopIterStart[lvl] = pos;
          scan = n.LoopTo;
          continue;
        }
        if (more) Push(fkLoopIter, scan, pos, 0);
        Push(fkUndoLevel, FLoopStackIdx, 0, 0);
        --FLoopStackIdx;
        scan = n.NextOp;
        continue;
      }
      case reBSUBEXP:
      case reBSUBEXPCI: {
        if (!GroupText(n.BackRef, FScratch)) goto fail;
        const int len = static_cast<int>(FScratch.size());
        if (end - pos < len) {
          FNeedMore = true;
          goto fail;
        }
        const bool ci = n.Op == reBSUBEXPCI;
        for (int i = 0; i < len; ++i) {
          const int32_t c = code(pos + i), g = FScratch[static_cast<size_t>(i)];
          if (c != g && !(ci && c == InvertCode(g))) goto fail;
        }
        FSteps += len;
        pos += len;
        scan = n.NextOp;
        continue;
      }
      case reBOLML: {
        if (pos > FInputStart) {
          const int32_t p = code(pos - 1);
          const bool pair = FLinePairedSeparatorAssigned;
          if (pair && p == FLinePairedSeparatorTail && pos - 2 >= FInputStart &&
              code(pos - 2) == FLinePairedSeparatorHead) {
            // after a whole pair
          } else {
            if (pair && p == FLinePairedSeparatorHead) {
              if (pos >= end) FNeedMore = true;
              else if (code(pos) == FLinePairedSeparatorTail) goto fail;
            }
            if (!FLineSeparatorsSet.Contains(p)) goto fail;
          }
        }
        scan = n.NextOp;
        continue;
      }
      case reEOLML: {
        if (pos >= end) {
          FNeedMore = true;
        } else {
          const int32_t c = code(pos);
          const bool pair = FLinePairedSeparatorAssigned;
          bool headOfPair = false;
          if (pair && c == FLinePairedSeparatorHead) {
            if (pos + 1 >= end) FNeedMore = true;
            else headOfPair = code(pos + 1) == FLinePairedSeparatorTail;
          }
          if (!headOfPair) {
            if (pair && c == FLinePairedSeparatorTail && pos - 1 >= FInputStart &&
                code(pos - 1) == FLinePairedSeparatorHead)
              goto fail;
            if (!FLineSeparatorsSet.Contains(c)) goto fail;
          }
        }
        scan = n.NextOp;
        continue;
      }
      case reBOUND:
      case reNOTBOUND: {
        const bool prevWord = pos - 1 >= FInputStart && IsWordCode(code(pos - 1));
        bool curWord = false;
        if (pos >= end) FNeedMore = true;
        else curWord = IsWordCode(code(pos));
        if ((prevWord != curWord) != (n.Op == reBOUND)) goto fail;
        scan = n.NextOp;
        continue;
      }
      case reLOOKAHEAD: {
        const int p = pos;
        if (pending >= 0) {
          pos = pending;
          pending = -1;
        }
        FLookStack.push_back(static_cast<int>(FStack.size()));
        Push(fkLookahead, scan, p, 0);
        scan = n.Operand;
        continue;
      }
      default:
        if (n.Op >= reOPEN && n.Op < reOPEN + kSubExpMax) {
          const int g = n.Op - reOPEN;
          if (g > 0) {
            Push(fkUndoStart, g, FStartp[static_cast<size_t>(g)], 0);
            FStartp[static_cast<size_t>(g)] = pos;
          }
          scan = n.NextOp;
          continue;
        }
        if (n.Op >= reCLOSE && n.Op < reCLOSE + kSubExpMax) {
          const int g = n.Op - reCLOSE;
          if (g > 0) {
            Push(fkUndoEnd, g, FEndp[static_cast<size_t>(g)], 0);
            FEndp[static_cast<size_t>(g)] = pos;
          }
          if (n.NextOp >= 0) {
            scan = n.NextOp;
            continue;
          }
          // The end of a lookahead's group: keep where it ended as the pending position and
          // go on after the LOOKAHEAD from where it began; its alternatives are dropped.
          if (FLookStack.empty()) {
            FReginput = pos;
            FSavedReginput = pending;
            return true;
          }
          const size_t barrier = static_cast<size_t>(FLookStack.back());
          FLookStack.pop_back();
          const TFrame b = FStack[barrier];
          FStack.resize(barrier);
          pending = pending >= 0 ? pending : pos;
          pos = b.B;
          scan = nodes[b.A].NextOp;
          continue;
        }
        Fail(1001);
    }

  fail:
    for (;;) {
      if (++FSteps > FStepLimit) throw TAbortMatch();
      if (FStack.empty()) return false;
      const TFrame f = FStack.back();
      FStack.pop_back();
      switch (f.Kind) {
        case fkUndoStart:
          FStartp[static_cast<size_t>(f.A)] = f.B;
          continue;
        case fkUndoEnd:
          FEndp[static_cast<size_t>(f.A)] = f.B;
          continue;
        case fkUndoLoop:
          FLoopCounters[static_cast<size_t>(f.A)] = f.B;
          FLoopIterStart[static_cast<size_t>(f.A)] = f.C;
          continue;
        case fkUndoEntry:
          FLoopStackIdx = f.A;
          FLoopCounters[static_cast<size_t>(f.A) + 1] = f.B;
          FLoopIterStart[static_cast<size_t>(f.A) + 1] = f.C;
          continue;
        case fkUndoLevel:
          FLoopStackIdx = f.A;
          continue;
        case fkLookahead:
          FLookStack.pop_back();
          continue;
        case fkBranch: {
          pos = f.B;
          pending = f.C;
          const TKitRegexNode& b = nodes[f.A];
          if (b.NextOp >= 0 && nodes[b.NextOp].Op == reBRANCH) Push(fkBranch, b.NextOp, pos, pending);
          scan = b.Operand;
          break;
        }
        case fkStar:
        case fkStarNG: {
          const TKitRegexNode& r = nodes[f.A];
          const TKitRegexNode& op = nodes[r.Operand];
          int min, max;
          RepeatBounds(r, min, max);
          int step = 1;
          if (op.Op == reBSUBEXP || op.Op == reBSUBEXPCI) {
            if (!GroupText(op.BackRef, FScratch) || FScratch.empty()) continue;
            step = static_cast<int>(FScratch.size());
          }
          const int next = r.NextOp;
          int32_t hint;
          const bool hasHint = NextLiteralCode(nodes, next, hint);
          const int start = f.B;
          auto hintOk = [&](int k) {
            const int64_t p = start + int64_t{k} * step;
            return !hasHint || p >= end || code(static_cast<int>(p)) == hint;
          };
          int k = f.C;
          bool found = false;
          if (f.Kind == fkStar) {
            for (--k; k >= min; --k, ++FSteps)
              if (hintOk(k)) {
                found = true;
                break;
              }
            if (found && k > min) Push(fkStar, f.A, start, k);
          } else {
            while (k < max) {
              ++FSteps;
              bool e = false;
              int s;
              if (RegRepeat(op, start + k * step, 1, s, e) < 1) {
                if (e) FNeedMore = true;
                break;
              }
              ++k;
              if (hintOk(k)) {
                found = true;
                break;
              }
            }
            if (found && k < max) Push(fkStarNG, f.A, start, k);
          }
          if (!found) continue;
          pos = start + k * step;
          pending = -1;
          scan = next;
          break;
        }
        case fkLoopExit:
          pos = f.B;
          pending = -1;
          Push(fkUndoLevel, FLoopStackIdx, 0, 0);
          --FLoopStackIdx;
          scan = nodes[f.A].NextOp;
          break;
        case fkLoopIter: {
          pos = f.B;
          pending = -1;
          const size_t lvl = static_cast<size_t>(FLoopStackIdx);
          Push(fkUndoLoop, FLoopStackIdx, FLoopCounters[lvl], FLoopIterStart[lvl]);
          ++FLoopCounters[lvl];
          FLoopIterStart[lvl] = pos;
          scan = nodes[f.A].LoopTo;
          break;
        }
        default:
          Fail(1001);
      }
      break;
    }
  }
}

bool TKitRegExp::MatchHere(int APos) {
  FSavedReginput = -1;
  FReginput = APos;
  FStack.clear();
  FLookStack.clear();
  FLoopStackIdx = 0;
  if (MatchPrim(FProgrammFirst)) {
    FStack.clear();
    FStartp[0] = APos;
    FEndp[0] = FReginput;
    if (FReginput >= FInputEnd) FNeedMore = true;
    return true;
  }
  ClearMatches();
  return false;
}

bool TKitRegExp::PassesFirstChar(int APos) {
  if (APos >= FInputEnd) return true;
  const int32_t c = FInput->GetCode(APos);
  if (static_cast<uint32_t>(c) < 256) return FFirstCharSet.Contains(c);
  return FFirstCharSetHasUnicode;
}

// The literal search over [APos, FInputEnd) for occurrences that start there, wherever
// they end; -1 when none.
int TKitRegExp::FindLiteral(TKitBoyerMooreSearch& ASearch, int APos) {
  if (APos >= FInputEnd) return -1;
  const int64_t srcEnd = int64_t{FInput->BaseIndex} + FInput->Count;
  const int64_t len = static_cast<int64_t>(ASearch.Pattern().size());
  const int64_t windowEnd = std::min<int64_t>(srcEnd, int64_t{FInputEnd} + std::max<int64_t>(len - 1, 0));
  const int found = ASearch.Search(*FInput, APos, static_cast<int>(windowEnd - APos));
  return found >= 0 && found < FInputEnd ? found : -1;
}

// The next position from APos on at which the start node can match, or -1.
int TKitRegExp::NextCandidate(int APos) {
  const TKitRegexNode& n = FNodes[static_cast<size_t>(FRegStart)];
  if (n.Op == reEXACTLY || n.Op == reEXACTLYCI) return FindLiteral(FBMSearch, APos);
  if (APos >= FInputEnd) return -1;
  bool atEnd;
  int skipped;
  switch (n.Op) {
    case reANYDIGIT:
      skipped = CountCodes(*FInput, APos, FInputEnd, FInputEnd, atEnd, [this](int32_t c) { return !FDigitsSet.Contains(c); });
      break;
    case reNOTDIGIT:
      skipped = CountCodes(*FInput, APos, FInputEnd, FInputEnd, atEnd, [this](int32_t c) { return FDigitsSet.Contains(c); });
      break;
    case reANYOFTINYSET: {
      const int32_t a = n.TinySet[0], b = n.TinySet[1], d = n.TinySet[2];
      skipped = CountCodes(*FInput, APos, FInputEnd, FInputEnd, atEnd, [=](int32_t c) { return c != a && c != b && c != d; });
      break;
    }
    case reANYBUTTINYSET: {
      const int32_t a = n.TinySet[0], b = n.TinySet[1], d = n.TinySet[2];
      skipped = CountCodes(*FInput, APos, FInputEnd, FInputEnd, atEnd, [=](int32_t c) { return c == a || c == b || c == d; });
      break;
    }
    default: {
      const TKitCharSet& set = *n.SetHash;
      skipped = CountCodes(*FInput, APos, FInputEnd, FInputEnd, atEnd, [&set](int32_t c) { return !set.Contains(c); });
      break;
    }
  }
  const int p = APos + skipped;
  return p < FInputEnd ? p : -1;
}

// The attempts of one Exec over [AOffset, FInputEnd).
bool TKitRegExp::Search(int AOffset) {
  if (FRegmustExact >= 0 &&
      FInputEnd - AOffset < static_cast<int>(FNodes[static_cast<size_t>(FRegmustExact)].ExactStr.size())) {
    FNeedMore = true;
    return false;
  }
  // Anchored: one attempt, and NeedMore tells exactly whether it read past the range.
  if (FRegAnch || (FProgModifiers & MaskModA)) return PassesFirstChar(AOffset) && MatchHere(AOffset);

  // A search that finds nothing could always find a match in more codes.
  FNeedMore = true;
  // Every match holds the must-have literal, whatever the start node.
  if (FRegmustExact >= 0 && FindLiteral(FMustSearch, AOffset) < 0) return false;
  FNeedMore = false;
  bool found = false;
  if (FRegStart >= 0) {
    for (int p = AOffset;; ++p) {
      p = NextCandidate(p);
      if (p < 0) {
        found = MatchHere(FInputEnd);
        break;
      }
      if (MatchHere(p)) {
        found = true;
        break;
      }
    }
  } else {
    for (int p = AOffset; p <= FInputEnd && !found; ++p) found = PassesFirstChar(p) && MatchHere(p);
  }
  if (!found) FNeedMore = true;
  return found;
}

bool TKitRegExp::ExecFrom(int AOffset, int ACount) {
  FNeedMore = false;
  FLimitExceeded = false;
  ClearMatches();
  ProgramReady();
  const int64_t srcEnd = int64_t{FInput->BaseIndex} + FInput->Count;
  if (AOffset > srcEnd) return false;
  if (AOffset < FInput->BaseIndex) throw EInvalidArgument(Format("Index out of bounds: %d", AOffset));
  PrepareMatch();
  FInputStart = FInput->BaseIndex;
  int64_t inputEnd = srcEnd;
  if (ACount != -1) inputEnd = std::min<int64_t>(srcEnd, int64_t{AOffset} + std::max(ACount, 0));
  FInputEnd = static_cast<int>(inputEnd);
  FLoopStackIdx = 0;
  FSteps = 0;
  FStepLimit = FStepBudget + kitRegexStepsPerCode * (int64_t{FInputEnd} - AOffset);
  try {
    if (Search(AOffset)) return true;
  } catch (const TAbortMatch&) {
    // Too much backtracking: no match rather than an endless or unbounded search. A
    // larger range brings a larger budget, so more codes could still change the answer.
    FStack.clear();
    FLookStack.clear();
    ClearMatches();
    FLimitExceeded = true;
    FNeedMore = true;
  }
  return false;
}

}  // namespace zv
