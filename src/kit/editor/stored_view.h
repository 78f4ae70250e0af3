// The view states of documents a view was detached from, kept per screen cache so that
// attaching a document again restores its cursor, selection, first line and folds.
#pragma once
#include <memory>
#include <vector>

#include "kit/editor/edit_document.h"

namespace zv {

class TScreenCache;
class TStoredView;

// A stored state; it follows its document's edits through marks and forgets itself when
// the document is refreshed, emptied or destroyed.
class TStoredViewData : public TKitDocumentListener {
 public:
  explicit TStoredViewData(TStoredView* AParent);
  ~TStoredViewData() override;
  TStoredViewData(const TStoredViewData&) = delete;
  TStoredViewData& operator=(const TStoredViewData&) = delete;

  void AfterRefresh() override;
  void AfterDelete(int AStart, int ACount) override;
  void DocumentDestroing() override;

  TKitEditDocument* Document() const { return FDocument; }
  // Marks are none for offset 0.
  IKitMarkPtr Cursor, SelStart, SelEnd, ScreenStart;
  int CursorInChar = 0, SelStartInChar = 0, SelEndInChar = 0;
  bool SelBlockMode = false;
  TKitMarkArray Folds;

 private:
  void Forget();
  TScreenCache* FCache;
  TKitEditDocument* FDocument;
  IKitMarkersPtr FCursorMarkers;
  IKitMarkersPtr FFoldMarkers;
  TStoredView* FParent;
};

class TStoredView {
 public:
  TStoredView(TScreenCache* ACache, int ALimit) : FDataLimit(ALimit + 1), FParent(ACache) {}
  ~TStoredView();
  TStoredView(const TStoredView&) = delete;
  TStoredView& operator=(const TStoredView&) = delete;

  // Stores the state of the cache's current document (the cache is detaching from it).
  void AttachCurrentDoc();
  TStoredViewData* GetDataByDoc(TKitEditDocument* ADocument) const;
  void RemoveData(TStoredViewData* AData);
  int GetDataLimit() const { return FDataLimit - 1; }
  void SetDataLimit(int ALimit);
  int Count() const { return static_cast<int>(FData.size()); }
  TScreenCache* Cache() const { return FParent; }

 private:
  std::vector<std::unique_ptr<TStoredViewData>> FData;  // oldest first
  int FDataLimit;
  TScreenCache* FParent;
};

}  // namespace zv
