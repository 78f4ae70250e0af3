// Markers: positions that follow the text as it is edited (bookmarks, breakpoints, debugger
// frame lines, the private sets of search and folding). Markers and their collections are
// shared objects that live while anyone holds them; a marker that left its collection and
// a collection that left its document refuse every use but the harmless reads.
#pragma once
#include <functional>
#include <memory>
#include <vector>

#include "kit/text/kit_types.h"

namespace zv {

class IKitMarkers;
class IKitMark;
class TKitEditDocument;
class TMarkCollection;
class TMarkManager;
using IKitMarkPtr = std::shared_ptr<IKitMark>;
using IKitMarkersPtr = std::shared_ptr<IKitMarkers>;
using TKitMarkArray = std::vector<IKitMarkPtr>;
// Called for each marker in position order until it sets AStop.
using TKitMarkEnumerator = std::function<void(const IKitMarkPtr& AMark, void* AData, bool& AStop)>;

enum TKitBreakpointKind { mkBreakActive, mkBreakDisabled, mkBreakInactive };
enum TKitDebugFrameKind { fkFrame, fkFrameTop, fkFrameActive };

class IKitMark {
 public:
  virtual ~IKitMark() = default;
  virtual int get_Pos() = 0;
  virtual void set_Name(const TKitString& AName) = 0;
  virtual TKitString get_Name() = 0;
  virtual void* get_Data() = 0;
  virtual void set_Data(void* AData) = 0;
  virtual bool get_IsValid() = 0;
  virtual int get_Line() = 0;
  virtual int get_Column() = 0;
  // None once the collection itself is gone.
  virtual IKitMarkersPtr get_Collection() = 0;
  virtual void NotifyDataChanged() = 0;
  virtual void DeleteFromCollection() = 0;
};

class IKitMarkers {
 public:
  virtual ~IKitMarkers() = default;
  virtual TKitMarkArray GetMarksBySegment(int AStart, int ACount) = 0;
  virtual int GetMarksCountByLines(int AStartLine, int ACount) = 0;
  virtual TKitMarkArray GetMarksByLines(int AStartLine, int ACount) = 0;
  virtual IKitMarkPtr GetLastLineMark(int ALine) = 0;
  virtual IKitMarkPtr CreateLineMark(int ALine) = 0;
  virtual IKitMarkPtr CreateLineColumnMark(int ALine, int AColumn) = 0;
  virtual IKitMarkPtr CreateMark(int APos) = 0;
  virtual void DeleteMark(const IKitMarkPtr& AMark) = 0;
  virtual void DeleteMarksAtLine(int ALine) = 0;
  virtual void DeleteLastMarkAtLine(int ALine) = 0;
  virtual void Clear() = 0;
  virtual int get_Count() = 0;
  virtual IKitMarkPtr Marks(int AIndex) = 0;
  virtual IKitMarkPtr FindMarkByName(const TKitString& AName) = 0;
  virtual IKitMarkPtr EnumMarkers(void* AData, const TKitMarkEnumerator& AEnumerator) = 0;
  virtual IKitMarkPtr EnumMarkersByLines(int AStartLine, int ACount, void* AData,
                                         const TKitMarkEnumerator& AEnumerator) = 0;
  virtual IKitMarkPtr EnumMarkersByOffset(int AStartOffset, int ACount, void* AData,
                                          const TKitMarkEnumerator& AEnumerator) = 0;
};

class TMark : public IKitMark, public std::enable_shared_from_this<TMark> {
 public:
  TMark(TMarkCollection* AParent, int APos);
  int get_Pos() override;
  void set_Name(const TKitString& AName) override;
  TKitString get_Name() override;
  void* get_Data() override { return FData; }
  void set_Data(void* AData) override;
  bool get_IsValid() override { return FValid; }
  int get_Line() override;
  int get_Column() override;
  IKitMarkersPtr get_Collection() override;
  void NotifyDataChanged() override;
  void DeleteFromCollection() override;

  // The implementation behind an interface reference, or none for a foreign one.
  static TMark* GetImpl(const IKitMarkPtr& AMark) { return dynamic_cast<TMark*>(AMark.get()); }
  int Kind() const { return FKind; }
  void SetKind(int AKind);
  TMarkCollection* Parent() const { return FParent; }

 private:
  friend class TMarkCollection;
  void CheckValid() const;
  // The mark-settings notification around an assignment: before it for data and kinds,
  // after it for the name.
  template <class F>
  void ChangeSettings(bool ANotifyFirst, F AAssign);

  void* FData = nullptr;
  int FKind = 0;
  bool FValid = true;
  int FPos;
  int FLine = -1;
  TKitString FName;
  TMarkCollection* FParent;
  std::weak_ptr<TMarkCollection> FCollection;
};

class TMarkCollection : public IKitMarkers, public std::enable_shared_from_this<TMarkCollection> {
 public:
  TMarkCollection(TMarkManager* AParent, bool ALineBound, bool AKeepMarks, bool AProduceEvents);
  ~TMarkCollection() override;

  TKitMarkArray GetMarksBySegment(int AStart, int ACount) override;
  int GetMarksCountByLines(int AStartLine, int ACount) override;
  TKitMarkArray GetMarksByLines(int AStartLine, int ACount) override;
  IKitMarkPtr GetLastLineMark(int ALine) override;
  IKitMarkPtr CreateLineMark(int ALine) override;
  IKitMarkPtr CreateLineColumnMark(int ALine, int AColumn) override;
  IKitMarkPtr CreateMark(int APos) override;
  void DeleteMark(const IKitMarkPtr& AMark) override;
  void DeleteMarksAtLine(int ALine) override;
  void DeleteLastMarkAtLine(int ALine) override;
  void Clear() override;
  int get_Count() override;
  IKitMarkPtr Marks(int AIndex) override;
  IKitMarkPtr FindMarkByName(const TKitString& AName) override;
  IKitMarkPtr EnumMarkers(void* AData, const TKitMarkEnumerator& AEnumerator) override;
  IKitMarkPtr EnumMarkersByLines(int AStartLine, int ACount, void* AData,
                                 const TKitMarkEnumerator& AEnumerator) override;
  IKitMarkPtr EnumMarkersByOffset(int AStartOffset, int ACount, void* AData,
                                  const TKitMarkEnumerator& AEnumerator) override;

  // The document keeps the markers in step with its text.
  void ContentInserted(int AStart, int ACount, int ALinesAdded);
  void ContentDeleting(int AStart, int ACount);
  // The markers a deletion covers; none when AWithKeep is set and this collection keeps them.
  TKitMarkArray GetMarksToDelete(int AStart, int ACount, bool AWithKeep);
  // Empties the collection (telling the listeners when asked) and leaves the document.
  void Dispose(bool AWithEvents);
  // Removes every marker without telling anyone.
  void ClearSilently();

  bool ProduceEvents() const { return FProduceEvents; }
  void SetProduceEvents(bool AValue) { FProduceEvents = AValue; }
  bool LineBound() const { return FLineBound; }
  bool KeepMarks() const { return FKeepMarks; }
  bool Disposed() const { return FDisposed; }
  TMarkManager* Manager() const { return FParent; }

 private:
  friend class TMark;
  struct TRange {
    int Lo;
    int Hi;  // exclusive
  };
  TKitEditDocument& Doc() const;
  void CheckNotDisposed() const;
  void BeginChange();
  void EndChange();
  int FirstAfter(int64_t X) const;
  int LastBefore(int64_t X) const;
  TRange RangeOf(int64_t AStart, int64_t ACount) const;
  TRange LinesRange(int AStartLine, int ACount);
  TRange Covered(int AStart, int ACount);
  IKitMarkPtr Enum(TRange R, void* AData, const TKitMarkEnumerator& AEnumerator);
  TKitMarkArray Slice(TRange R) const;
  void Remove(TRange R);
  void Shrink();
  void RemoveWithEvents(TRange R);
  void Release(TMark& AMark);

  int FEventLock = 0;
  bool FProduceEvents;
  bool FDisposed = false;
  bool FLineBound;
  bool FKeepMarks;
  TMarkManager* FParent;
  std::vector<std::shared_ptr<TMark>> FMarks;
};

class TMarkManager : public TObject {
 public:
  explicit TMarkManager(TKitEditDocument* ADoc) : FDoc(ADoc) {}
  ~TMarkManager() override;
  IKitMarkersPtr CreateMarks(bool ALineBound, bool AKeepMarks, bool AProduceEvents);
  bool HasMarks(const IKitMarkersPtr& AMarks) const;
  void ReleaseMarks(const IKitMarkersPtr& AMarks);
  void ClearAllMarks();
  void SetDocument(TKitEditDocument* ADoc);
  TMarkCollection& GetMarks(int AIdx) const;
  int MarksCount() const { return static_cast<int>(FMarks.size()); }
  void ContentInserted(int AStart, int ACount, int ALinesAdded);
  void ContentDeleting(int AStart, int ACount);
  TKitEditDocument* Doc() const { return FDoc; }

 private:
  std::vector<std::shared_ptr<TMarkCollection>> FMarks;
  TKitEditDocument* FDoc;
};

}  // namespace zv
