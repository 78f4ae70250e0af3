// The completion list's window over Qt: a list widget in a tool-tip window that never takes
// the focus from the editor. It shows the items its owner sets, draws owner-drawn items
// through the owner on a Qt canvas, and hands every mouse press, move and release (in its
// own pixels) to the owner, which decides on hover, clicks and resizing.
#pragma once
#include <memory>

#include "kit/editor/edit_platform.h"

class QListWidget;

namespace zv {

class TQtPopupListWidget;

class TQtPopupList : public TKitPopupList {
 public:
  TQtPopupList();
  ~TQtPopupList() override;

  void SetOwner(TKitPopupListOwner* AOwner) override;
  void SetItems(const std::vector<TKitString>& AItems) override;
  void SetItemIndex(int AIndex) override;
  void SetItemHeight(int AHeight) override;
  void SetDrawStyle(TKitPopupDrawStyle AStyle) override;
  int ItemAt(int AX, int AY) override;
  void SetBounds(const TKitRect& ARect) override;
  void Show(bool AVisible) override;
  void SetGripCursor(TKitPopupGrip AGrip) override;
  void SetCapture(bool ACapture) override;
  TKitRect WorkArea(const TKitPoint& AScreenPoint) override;

  // The window itself, for tests.
  QListWidget* Widget() const;

 private:
  std::unique_ptr<TQtPopupListWidget> FWidget;
};

}  // namespace zv
