// The base of the shell's windows: each keeps its geometry and the values of its controls in
// the settings file, under a section named after the window's object name and keys named
// after the controls' object names.
#pragma once
#include <cstdint>
#include <string>

#include <QShowEvent>
#include <QString>
#include <QWidget>

class QAction;

namespace zv {

enum TProfileAction { paReadControls = 1, paWriteControls = 2, paReadGeometry = 4, paWriteGeometry = 8 };
using TProfileActions = int;

// Num / Denom rounded to the nearest integer, halves to even; 0 when Denom is 0.
int RoundPerCent(int64_t Num, int64_t Denom);

// The face name of the platform's default UI font, taken at the first call.
const QString& GuiFontName();

// Marks a widget as a frame: the keys of the controls inside it are prefixed with the
// frame's key and a dot, as a frame's controls belong to the frame and not to the window.
void MarkAsFrame(QWidget* Frame);

// What the window's section holds and how it is read and written; the widget part is
// TFormBase below. Controls are found by walking the window's children: line edits and spin
// boxes store their text, check boxes and radio buttons a Boolean, list widgets their items
// (or, when their items show check boxes, the checked texts joined with ","), combo boxes their
// items and index, tab widgets the current page, table widgets their key/value rows and
// column widths. Widgets without an object name are passed through, and other windows
// (dialogs owned by the window) are left alone.
class TFormProfile {
 public:
  virtual ~TFormProfile() = default;
  TFormProfile(const TFormProfile&) = delete;
  TFormProfile& operator=(const TFormProfile&) = delete;

  // Runs the actions of the set in the order: write geometry, read geometry, write
  // controls, read controls.
  void DoProfileActions(TProfileActions Actions);
  virtual bool CanReadControl(QWidget*) { return true; }
  virtual bool CanWriteControl(QWidget*) { return true; }

  int BaseTxf() const { return FBaseTxf; }
  void SetBaseTxf(int Value) { FBaseTxf = Value; }

  // A window with a dialog border keeps its size: only Top and Left are read.
  bool DialogBorder() const { return FDialogBorder; }
  void SetDialogBorder(bool Value) { FDialogBorder = Value; }

  // Checked while the window is shown, unchecked when it is hidden.
  QAction* CheckedMenuItem = nullptr;

  // Makes the window's stay-on-top state a user choice kept in the settings file. The
  // platform gives no title-bar menu to put the "Stay on top" item in: the answer is the
  // checkable item, for the window to place in one of its menus.
  QAction* InstallStayOnTopMenuItemOnTitleBar();
  bool StayOnTopOnTitleBar() const { return FStayOnTopOnTitleBar; }
  bool InitialFormStyle() const { return FInitialStayOnTop; }
  bool IsStayOnTop() const;
  // What the "Stay on top" item does.
  void ToggleStayOnTop();

  // Shows the window and brings it back from the minimised state.
  void Restore();

 protected:
  explicit TFormProfile(QWidget* Form) : FForm(Form) {}
  // The show and hide handling that TFormBase runs after the window's own.
  void AfterShow();
  void AfterHide();

 private:
  QString Section() const;
  void ReadGeometry();
  void WriteGeometry();
  // Writes or reads the values of Control and of the controls inside it; keys get Prefix.
  void WalkControl(QWidget* Control, const QString& Prefix, bool Write);
  void WriteValue(QWidget* Control, const std::string& Key);
  void ReadValue(QWidget* Control, const std::string& Key);
  void SetStayOnTop(bool On);
  void UpdateStayOnTopCheck();

  QWidget* FForm;
  int FBaseTxf = 0;
  bool FDialogBorder = false;
  bool FStayOnTopOnTitleBar = false;
  bool FInitialStayOnTop = false;
  QAction* FStayOnTopItem = nullptr;
};

// A window of the shell over any top-level widget class (QMainWindow, QDialog, QWidget).
// Showing runs the window's FormShow, then restores the geometry; hiding runs FormHide,
// then stores the geometry. Minimising and restoring by the user do neither.
template <class TWidget>
class TFormBase : public TWidget, public TFormProfile {
 public:
  explicit TFormBase(QWidget* Parent = nullptr) : TWidget(Parent), TFormProfile(this) {
    QFont font = this->font();
    font.setFamily(GuiFontName());
    this->setFont(font);
  }

 protected:
  virtual void FormShow() {}
  virtual void FormHide() {}

  void showEvent(QShowEvent* Event) override {
    TWidget::showEvent(Event);
    if (Event->spontaneous()) return;
    FormShow();
    AfterShow();
  }
  void hideEvent(QHideEvent* Event) override {
    TWidget::hideEvent(Event);
    if (Event->spontaneous()) return;
    FormHide();
    AfterHide();
  }
};

}  // namespace zv
