// The completion list: the words offered under the word being typed, as a model the view
// fills and commits from, over a popup window of the platform that never takes the focus
// (or over none, when the view has no window). The list keeps its entries, the selected
// one, its place and size on the screen and the corner at which the user may resize it;
// the window only shows it and hands the mouse back.
#pragma once
#include <functional>
#include <memory>

#include "kit/editor/edit_platform.h"

namespace zv {

// Why the completion list is filled, and why a completion replaces a word.
enum TKitEditFillCompletionCause { fcForced, fcTimeout, fcWordEnd };
enum TKitEditReplaceCompletionCause { rcCompletionList, rcWordEnd };
enum TComplResizeCorner { rcTopLeft, rcTopRight, rcBottomLeft, rcBottomRight };

// Events of the view around the list (each called only when assigned).
using TKitFillCompletionListEvent = std::function<void(
    TObject* Sender, TKitStringList& AItems, const TKitPoint& ACursorPoint, TKitEditFillCompletionCause ACause,
    const TKitString& ALeftPart, TKitPoint& APosForCombo, bool& AHandled)>;
using TKitCompletionReplaceEvent =
    std::function<void(TObject* Sender, const TKitStringList& AItems, int AItemIndex, const TKitPoint& ACursorPoint,
                       TKitEditReplaceCompletionCause ACause, bool& AHandled)>;
using TKitCompletionCustomDrawEvent = std::function<void(TObject* Sender, const TKitStringList& AItems, int AIndex,
                                                         const TKitRect& ARect, bool ASelected, TKitCanvas& ACanvas)>;
using TKitCompletionMeasureItemEvent =
    std::function<void(TObject* Sender, const TKitStringList& AItems, int AIndex, int& AHeight)>;

class TComplList : public TObject, public TKitPopupListOwner {
 public:
  // The size a new list has, which is also the smallest it can be made.
  static constexpr int kInitialWidth = 120;
  static constexpr int kInitialHeight = 100;
  // The zone at the grip edges where the mouse resizes.
  static constexpr int kGripSize = 3;

  // AWindow may be null.
  explicit TComplList(std::unique_ptr<TKitPopupList> AWindow);
  ~TComplList() override;
  TComplList(const TComplList&) = delete;
  TComplList& operator=(const TComplList&) = delete;

  const TKitStringList& Items() const { return FItems; }
  int Count() const { return static_cast<int>(FItems.size()); }
  // Replaces the entries; none is selected.
  void SetItems(TKitStringList AItems);
  int ItemIndex() const { return FItemIndex; }
  // Out of range selects none.
  void SetItemIndex(int AIndex);
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int AValue);
  TKitPopupDrawStyle Style() const { return FStyle; }
  void SetStyle(TKitPopupDrawStyle AValue);

  TComplResizeCorner Corner() const { return FCorner; }
  void SetCorner(TComplResizeCorner AValue) { FCorner = AValue; }
  bool IsVisible() const { return FIsVisible; }
  // The resize cursor shown now, pgNone when none.
  TKitPopupGrip Cursor() const { return FCursor; }

  // Screen pixels, the border included; never below the smallest size.
  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  int MinWidth() const { return FMinWidth; }
  int MinHeight() const { return FMinHeight; }
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  // Shows at (AX, AY) keeping the size, without taking the focus; or hides.
  void Show(bool AVisible, int AX, int AY);
  // Where on the screen a list near this point may go.
  TKitRect WorkArea(const TKitPoint& AScreenPoint);
  TKitPopupList* Window() const { return FWindow.get(); }

  // The grip of the resize corner under a client point.
  TKitPopupGrip GripAt(int AX, int AY) const;

  // TKitPopupListOwner: a press on a grip starts resizing, elsewhere it picks the item
  // under it and clicks; a move hovers (selects the item under it) or resizes.
  void PopupMouseDown(int AX, int AY) override;
  void PopupMouseMove(int AX, int AY) override;
  void PopupMouseUp() override;
  bool PopupDrawItem(int AIndex, const TKitRect& ARect, bool ASelected, TKitCanvas& ACanvas) override;
  int PopupItemHeight(int AIndex) override;

  TNotifyEvent OnClick;
  std::function<bool(int AIndex, const TKitRect& ARect, bool ASelected, TKitCanvas& ACanvas)> OnDrawItem;
  std::function<int(int AIndex)> OnMeasureItem;

 private:
  void SetCursor(TKitPopupGrip AGrip);
  void ApplyBounds();

  std::unique_ptr<TKitPopupList> FWindow;
  TKitStringList FItems;
  int FItemIndex = -1;
  int FItemHeight = 16;
  TKitPopupDrawStyle FStyle = pdPlain;
  TComplResizeCorner FCorner = rcTopLeft;
  bool FIsVisible = false;
  TKitPopupGrip FCursor = pgNone;
  bool FResizing = false;
  int FLeft = 0;
  int FTop = 0;
  int FWidth = kInitialWidth;
  int FHeight = kInitialHeight;
  int FMinWidth = kInitialWidth;
  int FMinHeight = kInitialHeight;
};

}  // namespace zv
