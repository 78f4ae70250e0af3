#include "kit/editor/stored_view.h"

#include <algorithm>

#include "kit/editor/screen_cache.h"

namespace zv {

TStoredViewData::TStoredViewData(TStoredView* AParent)
    : FCache(AParent->Cache()), FDocument(FCache->Document()), FParent(AParent) {
  TScreenCache& c = *FCache;
  FCursorMarkers = FDocument->CreateCustomMarkers(true, false, false);
  FFoldMarkers = FDocument->CreateCustomLineMarkers(true, false);
  const auto store = [&](const TOffsetPoint& p, IKitMarkPtr& mark, int& inChar) {
    inChar = p.InCharOffset;
    if (p.Offset != 0) mark = FCursorMarkers->CreateMark(p.Offset);
  };
  store(c.CursorOffset(), Cursor, CursorInChar);
  store(c.SelStartOffset(), SelStart, SelStartInChar);
  store(c.SelEndOffset(), SelEnd, SelEndInChar);
  ZV_ASSERT(c.LinesOnScreenScroll() > 0);
  const int screenStart = c.FirstCharOnScreen();
  if (screenStart != 0) ScreenStart = FCursorMarkers->CreateMark(screenStart);
  SelBlockMode = c.SelBlockMode();
  std::vector<TObject*> starts;
  c.FHiddenStarts.GetAll(starts);
  std::vector<int> lines;
  for (TObject* s : starts) lines.push_back(static_cast<THiddenStart*>(s)->KeyLine);
  std::sort(lines.begin(), lines.end());
  for (int line : lines) Folds.push_back(FFoldMarkers->CreateLineMark(line));
  FDocument->AddListener(this);
}

TStoredViewData::~TStoredViewData() {
  FDocument->RemoveListener(this);
  for (IKitMarkersPtr* c : {&FCursorMarkers, &FFoldMarkers}) {
    try {
      (*c)->Clear();
      FDocument->DetachCustomMarkers(*c);
    } catch (const EKitEditDocError&) {
      // The document let go of its collections already.
    }
  }
}

// Each of these frees the state: nothing may follow the call.
void TStoredViewData::Forget() { FParent->RemoveData(this); }

void TStoredViewData::AfterRefresh() { Forget(); }

void TStoredViewData::AfterDelete(int, int) {
  if (FDocument->CharsCount() == 0) Forget();
}

void TStoredViewData::DocumentDestroing() { Forget(); }

TStoredView::~TStoredView() {
  while (!FData.empty()) FData.pop_back();
}

void TStoredView::AttachCurrentDoc() {
  TKitEditDocument* doc = FParent->Document();
  // A compound edit admits no new listener; its view state is simply not kept.
  if (FDataLimit < 2 || doc == nullptr || doc->InsideCompoundEdit() || FParent->LinesOnScreenScroll() == 0) return;
  if (TStoredViewData* old = GetDataByDoc(doc)) RemoveData(old);
  if (static_cast<int>(FData.size()) >= FDataLimit) FData.erase(FData.begin());
  FData.push_back(std::make_unique<TStoredViewData>(this));
}

TStoredViewData* TStoredView::GetDataByDoc(TKitEditDocument* ADocument) const {
  for (const auto& d : FData)
    if (d->Document() == ADocument) return d.get();
  return nullptr;
}

void TStoredView::RemoveData(TStoredViewData* AData) {
  const auto it = std::find_if(FData.begin(), FData.end(), [&](const auto& d) { return d.get() == AData; });
  ZV_ASSERT(it != FData.end());
  // Out of the list first: the state's destructor may be running a notification.
  std::unique_ptr<TStoredViewData> gone = std::move(*it);
  FData.erase(it);
}

void TStoredView::SetDataLimit(int ALimit) {
  ALimit = std::max(0, ALimit);
  while (static_cast<int>(FData.size()) > ALimit + 1) FData.erase(FData.begin());
  FDataLimit = ALimit + 1;
}

}  // namespace zv
