// Fold hiding: the collapsed folds of a view, as ranges whose ends are line marks in a
// private marker collection of the document, so that edits move them; re-keyed after
// every edit and dropped when they degenerate.
#include <algorithm>

#include "kit/editor/screen_cache.h"

namespace zv {

THiddenStart* TScreenCache::FindStart(int ALine) const {
  return static_cast<THiddenStart*>(FHiddenStarts.Find(ALine));
}

int TScreenCache::CollapsedFoldEnd(int ALine) {
  if (FDoc != nullptr) EnsureFolds();
  const THiddenStart* s = FindStart(ALine);
  return s != nullptr && s->EEnd != nullptr ? s->EEnd->KeyLine : -1;
}

bool TScreenCache::IsCollapsedFold(int ALine) {
  if (FDoc == nullptr || !KitInRange(ALine, 0, LinesCount() - 1))
    KitViewError("Invalid physical line on screen index: %d. Valid range: [%d, %d]", ALine, 0,
                 FDoc != nullptr ? LinesCount() - 1 : 0);
  // After an edit the table is keyed by old lines and may hold ranges that degenerated;
  // bringing it up to date later would free an entry taken from it now.
  EnsureFolds();
  return FindStart(ALine) != nullptr;
}

void TScreenCache::AddHiddenRange(int AStart, int AEnd) {
  IKitMarkPtr startMark = FHiddenMarks->CreateLineMark(AStart);
  IKitMarkPtr endMark;
  THiddenEnd* end = static_cast<THiddenEnd*>(FHiddenEnds.Find(AEnd));
  if (end == nullptr) {
    endMark = FHiddenMarks->GetLastLineMark(AEnd);
    if (!endMark || endMark == startMark) endMark = FHiddenMarks->CreateLineMark(AEnd);
  }
  auto* start = new THiddenStart;
  start->KeyLine = AStart;
  start->KeyMark = std::move(startMark);
  FHiddenStarts.Add(start);
  if (end != nullptr) {
    auto pos = std::find_if(end->Starts.begin(), end->Starts.end(),
                            [&](const THiddenStart* s) { return s->KeyLine > AStart; });
    end->Starts.insert(pos, start);
  } else {
    end = new THiddenEnd;
    end->KeyLine = AEnd;
    end->KeyMark = std::move(endMark);
    end->Starts.push_back(start);
    FHiddenEnds.Add(end);
  }
  start->EEnd = end;
  FHiddenIntervalsValid = false;
}

void TScreenCache::RemoveHiddenRange(THiddenStart* AStart) {
  ZV_ASSERT(AStart != nullptr && FHiddenStarts.Find(AStart->KeyLine) == AStart);
  THiddenEnd* end = AStart->EEnd;
  const IKitMarkPtr mark = AStart->KeyMark;
  if (end != nullptr) end->RemoveFromStarts(AStart);
  FHiddenStarts.Remove(AStart->KeyLine);
  if (mark && mark->get_IsValid()) FHiddenMarks->DeleteMark(mark);
  if (end != nullptr && end->Starts.empty()) {
    const IKitMarkPtr endMark = end->KeyMark;
    ZV_ASSERT(FHiddenEnds.Find(end->KeyLine) == end);
    FHiddenEnds.Remove(end->KeyLine);
    if (endMark && endMark->get_IsValid()) FHiddenMarks->DeleteMark(endMark);
  }
  FHiddenIntervalsValid = false;
}

void TScreenCache::ClearHidden() {
  FHiddenStarts.Clear();
  FHiddenEnds.Clear();
  if (FHiddenMarks) {
    try {
      FHiddenMarks->Clear();
    } catch (const EKitEditDocError&) {
      // The collection already left its document.
    }
  }
  FHiddenIntervalsValid = false;
  FHiddenIntervals.clear();
}

// A collapse must keep the ranges apart or nested: its line carries no hidden mark yet
// (it is no collapsed fold's end), and no collapsed range starts or ends inside it while
// reaching outside it.
bool TScreenCache::CanCollapse(int ALine, int AEnd) {
  if (AEnd <= ALine || AEnd > LinesCount() - 1) return false;
  if (FHiddenMarks->GetMarksCountByLines(ALine, 1) > 0) return false;
  for (const IKitMarkPtr& m : FHiddenMarks->GetMarksByLines(ALine + 1, AEnd - ALine)) {
    const int line = m->get_Line();
    if (const THiddenStart* s = FindStart(line); s != nullptr && s->KeyMark == m) {
      if (s->EEnd != nullptr && s->EEnd->KeyLine > AEnd) return false;
    }
    if (const auto* e = static_cast<const THiddenEnd*>(FHiddenEnds.Find(line));
        e != nullptr && e->KeyMark == m && line < AEnd) {
      for (const THiddenStart* s : e->Starts)
        if (s->KeyLine < ALine) return false;
    }
  }
  return true;
}

void TScreenCache::CollapseLine(int ALine, int AEnd) {
  FValidState.Exclude(csScreen).Exclude(csCursor).Exclude(csConversionCaches);
  FVisibleCountScrollBar = -1;
  LowerFirstInvalid(Doc().GetLine(ALine).Start);
  if (FFirstLinePhysical > ALine && FFirstLinePhysical <= AEnd) {
    FFirstLinePhysical = ALine;
    FFirstLineSkew = 0;
  }
  AddHiddenRange(ALine, AEnd);
}

void TScreenCache::CheckFoldLine(int ALine, bool ACollapse) {
  const bool collapsed = IsCollapsedFold(ALine);  // checks the line
  if (!ACollapse) {
    if (!collapsed) KitViewError("Can't do this operation with non-collapsed fold line: line: %d", ALine);
    return;
  }
  if (!Parser().IsFoldStart(ALine))
    KitViewError("This operation requires argument line to be fold start: line: %d", ALine);
  if (collapsed) KitViewError("Can't do this operation with collapsed fold line: line: %d", ALine);
}

bool TScreenCache::Fold(int ALine, bool AAll) {
  CheckFoldLine(ALine, true);
  UpdateCaches();
  const int end = Parser().GetFoldEnd(ALine);
  if (!CanCollapse(ALine, end)) return false;
  CollapseLine(ALine, end);
  if (AAll) FoldAllIn(ALine, false, false);
  UpdateCaches();
  return true;
}

void TScreenCache::Unfold(int ALine, bool AAll) {
  CheckFoldLine(ALine, false);
  THiddenStart* start = FindStart(ALine);
  if (IsLineStartVisible(ALine)) {
    FValidState.Exclude(csScreen).Exclude(csConversionCaches);
    LowerFirstInvalid(Doc().GetLine(ALine).Start);
    FVisibleCountScrollBar = -1;
  }
  const int end = start->EEnd != nullptr ? start->EEnd->KeyLine : ALine;
  RemoveHiddenRange(start);
  if (AAll)
    for (int i = ALine + 1; i < end; ++i)
      if (THiddenStart* s = FindStart(i)) RemoveHiddenRange(s);
  UpdateCaches();
}

int TScreenCache::InnerFoldsLimit(int AOuterFold) {
  EnsureFolds();
  if (AOuterFold == -1) return LinesCount() - 1;
  if (IsCollapsedFold(AOuterFold)) return CollapsedFoldEnd(AOuterFold);
  if (!Parser().IsFoldStart(AOuterFold))
    KitViewError("This operation requires argument line to be fold start: line: %d", AOuterFold);
  return Parser().GetFoldEnd(AOuterFold);
}

void TScreenCache::FoldAllIn(int AOuterFold, bool ATopOnly, bool ARunUpdate) {
  const int limit = InnerFoldsLimit(AOuterFold);
  int i = AOuterFold + 1;
  while (i < limit) {
    THiddenStart* s = FindStart(i);
    if (s == nullptr) {
      if (!Parser().IsFoldStart(i)) {
        ++i;
        continue;
      }
      const int end = Parser().GetFoldEnd(i);
      if (!CanCollapse(i, end)) {
        ++i;
        continue;
      }
      CollapseLine(i, end);
      i = ATopOnly ? end + 1 : i + 1;
    } else if (ATopOnly) {
      i = s->EEnd->KeyLine + 1;
    } else if (Parser().IsFoldStart(i) && Parser().IsFoldEnd(s->EEnd->KeyLine)) {
      ++i;
    } else {
      // The range no longer matches the parser's fold: collapse it anew.
      FValidState.Exclude(csScreen).Exclude(csConversionCaches);
      LowerFirstInvalid(Doc().GetLine(i).Start);
      RemoveHiddenRange(s);
      if (!Parser().IsFoldStart(i)) ++i;
    }
  }
  if (ARunUpdate) UpdateCaches();
}

void TScreenCache::UnfoldAllIn(int AOuterFold, bool ATopOnly) {
  const int limit = InnerFoldsLimit(AOuterFold);
  int i = AOuterFold + 1;
  while (i < limit) {
    THiddenStart* s = FindStart(i);
    if (s == nullptr) {
      ++i;
      continue;
    }
    FValidState.Exclude(csScreen).Exclude(csConversionCaches);
    FVisibleCountScrollBar = -1;
    LowerFirstInvalid(Doc().GetLine(i).Start);
    const int end = s->EEnd->KeyLine;
    RemoveHiddenRange(s);
    if (!ATopOnly)
      for (int j = i + 1; j < end; ++j)
        if (THiddenStart* inner = FindStart(j)) RemoveHiddenRange(inner);
    i = end + 1;
  }
  UpdateCaches();
}

void TScreenCache::UpdateFolds() {
  const int starts = FHiddenStarts.Count(), ends = FHiddenEnds.Count();
  FHiddenStarts.Update();
  MergeMetEnds();
  FHiddenEnds.Update();
  FHiddenIntervalsValid = false;
  // Marks that met on one line can leave two starts there, or a start on another range's
  // end line: such ranges would overlap instead of nesting. The inner one goes.
  for (bool again = true; again;) {
    again = false;
    std::vector<TObject*> all;
    FHiddenStarts.GetAll(all);
    std::vector<THiddenStart*> list;
    for (TObject* o : all) list.push_back(static_cast<THiddenStart*>(o));
    std::sort(list.begin(), list.end(), [](const THiddenStart* a, const THiddenStart* b) {
      if (a->KeyLine != b->KeyLine) return a->KeyLine < b->KeyLine;
      return a->EEnd->KeyLine > b->EEnd->KeyLine;
    });
    std::vector<std::pair<int, int>> open;
    for (THiddenStart* s : list) {
      const int a = s->KeyLine, b = s->EEnd->KeyLine;
      while (!open.empty() && open.back().second < a) open.pop_back();
      const bool bad = !open.empty() && (a == open.back().first || b > open.back().second);
      if (bad) {
        RemoveHiddenRange(FindStart(a));
        again = true;
        break;
      }
      open.emplace_back(a, b);
    }
  }
  if (FHiddenStarts.Count() != starts || FHiddenEnds.Count() != ends) {
    LowerFirstInvalid(0);
    FValidState.Exclude(csConversionCaches).Exclude(csScreen);
    FVisibleCountScrollBar = -1;
  }
}

// Nested ranges whose end marks met on one line (the lines between them deleted) would
// leave two ends filed under that line, where a lookup finds only one and removing the
// other frees the wrong entry. The later ends hand their starts to the first; the ends
// left without starts are dropped by the table's update with their marks.
void TScreenCache::MergeMetEnds() {
  std::vector<TObject*> all;
  FHiddenEnds.GetAll(all);
  std::vector<std::pair<int, THiddenEnd*>> ends;
  for (TObject* o : all) {
    auto* end = static_cast<THiddenEnd*>(o);
    end->ShrinkStarts();
    if (end->KeyMark && end->KeyMark->get_IsValid() && !end->Starts.empty())
      ends.emplace_back(end->KeyMark->get_Line(), end);
  }
  std::stable_sort(ends.begin(), ends.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (size_t i = 1; i < ends.size(); ++i) {
    if (ends[i].first != ends[i - 1].first) continue;
    THiddenEnd* keep = ends[i - 1].second;
    THiddenEnd* gone = ends[i].second;
    for (THiddenStart* s : gone->Starts) {
      s->EEnd = keep;
      keep->Starts.push_back(s);
    }
    gone->Starts.clear();
    std::sort(keep->Starts.begin(), keep->Starts.end(),
              [](const THiddenStart* a, const THiddenStart* b) { return a->KeyLine < b->KeyLine; });
    ends[i].second = keep;
  }
}

// --- visible lines ---

void TScreenCache::RebuildHiddenIntervals() {
  std::vector<TObject*> all;
  FHiddenStarts.GetAll(all);
  std::vector<std::pair<int, int>> ranges;
  ranges.reserve(all.size());
  for (TObject* o : all) {
    const auto* s = static_cast<const THiddenStart*>(o);
    if (s->EEnd != nullptr && s->EEnd->KeyLine > s->KeyLine) ranges.emplace_back(s->KeyLine + 1, s->EEnd->KeyLine);
  }
  std::sort(ranges.begin(), ranges.end());
  FHiddenIntervals.clear();
  for (const auto& [first, last] : ranges) {
    if (!FHiddenIntervals.empty() && first <= FHiddenIntervals.back().Last + 1) {
      FHiddenIntervals.back().Last = std::max(FHiddenIntervals.back().Last, last);
    } else {
      FHiddenIntervals.push_back({first, last, 0});
    }
  }
  int hidden = 0;
  for (TInterval& iv : FHiddenIntervals) {
    iv.HiddenBefore = hidden;
    hidden += iv.Last - iv.First + 1;
  }
  FHiddenIntervalsValid = true;
}

const std::vector<TScreenCache::TInterval>& TScreenCache::HiddenIntervals() {
  if (FDoc != nullptr) EnsureFolds();
  if (!FHiddenIntervalsValid) RebuildHiddenIntervals();
  return FHiddenIntervals;
}

namespace {

// The interval holding ALine, or null.
template <class V>
const typename V::value_type* IntervalOf(const V& AIntervals, int ALine) {
  const auto it = std::upper_bound(AIntervals.begin(), AIntervals.end(), ALine,
                                   [](int l, const typename V::value_type& i) { return l < i.First; });
  if (it == AIntervals.begin()) return nullptr;
  const auto& iv = *std::prev(it);
  return ALine <= iv.Last ? &iv : nullptr;
}

}  // namespace

bool TScreenCache::IsLineStartVisible(int ALine) {
  if (FDoc == nullptr || ALine < 0 || ALine > LinesCount()) return false;
  return IntervalOf(HiddenIntervals(), ALine) == nullptr;
}

int TScreenCache::HiddenLinesBefore(int ALine) {
  const std::vector<TInterval>& iv = HiddenIntervals();
  const auto it = std::upper_bound(iv.begin(), iv.end(), ALine - 1,
                                   [](int l, const TInterval& i) { return l < i.First; });
  if (it == iv.begin()) return 0;
  const TInterval& last = *std::prev(it);
  return last.HiddenBefore + std::min(last.Last, ALine - 1) - last.First + 1;
}

int TScreenCache::NoWrapLineToRow(int ALine) { return ALine - HiddenLinesBefore(ALine); }

int TScreenCache::NoWrapRowToLine(int ARow) {
  const std::vector<TInterval>& iv = HiddenIntervals();
  const auto it = std::upper_bound(iv.begin(), iv.end(), ARow,
                                   [](int r, const TInterval& i) { return r < i.First - i.HiddenBefore; });
  int line = ARow;
  if (it != iv.begin()) {
    const TInterval& k = *std::prev(it);
    line = ARow + k.HiddenBefore + (k.Last - k.First + 1);
  }
  return KitClamp(line, 0, std::max(0, LinesCount() - 1));
}

int TScreenCache::GetNextVisibleLine(int ALine, bool ADoCheck) {
  if (ADoCheck && (FDoc == nullptr || !KitInRange(ALine, 0, LinesCount())))
    KitViewError("Invalid physical line on screen index: %d. Valid range: [%d, %d]", ALine, 0,
                 FDoc != nullptr ? LinesCount() : 0);
  const int next = ALine + 1;
  if (const TInterval* iv = IntervalOf(HiddenIntervals(), next)) return iv->Last + 1;
  return next;
}

int TScreenCache::GetPrevVisibleLine(int ALine, bool ADoCheck) {
  if (ADoCheck && (FDoc == nullptr || !KitInRange(ALine, 0, LinesCount())))
    KitViewError("Invalid physical line on screen index: %d. Valid range: [%d, %d]", ALine, 0,
                 FDoc != nullptr ? LinesCount() : 0);
  const int prev = ALine - 1;
  if (const TInterval* iv = IntervalOf(HiddenIntervals(), prev)) return iv->First - 1;
  return prev;
}

}  // namespace zv
