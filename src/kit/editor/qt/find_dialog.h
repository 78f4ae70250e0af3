// The editor's modal find and replace dialog. A caller keeps a TKitEditSearchDlgOptions
// between showings and calls KitShowFindDialog or KitShowReplaceDialog with a caption and
// the view; the dialog's buttons run the view's search or replacement themselves, and the
// show routine answers 0 (found, or something was replaced), 1 (nothing found) or 2
// (cancelled, closed, an error, or no view) and writes the record back.
//
// While the view searches the dialog is out of sight, so that the view's questions and the
// match are seen. QDialog::hide() would end the modal loop with no answer, so a button
// ends the loop with an act code instead; the show routine then runs the act, whose
// outcome is the dialog's answer.
#pragma once
#include <cstdint>

#include <QDialog>

#include "kit/editor/edit_view.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;

namespace zv {

uint8_t KitShowFindDialog(const TKitString& ACaption, TKitCustomEditView* AView, TKitEditSearchDlgOptions& AOptions);
uint8_t KitShowReplaceDialog(const TKitString& ACaption, TKitCustomEditView* AView,
                             TKitEditSearchDlgOptions& AOptions);
uint8_t KitShowFindReplaceDialog(const TKitString& ACaption, TKitCustomEditView* AView, bool AReplace,
                                 TKitEditSearchDlgOptions& AOptions);

class TKitSedFindDlg : public QDialog {
 public:
  // The dialog's answers, and the act codes its buttons end the modal loop with.
  enum TResult { mrCancel, mrYes, mrNo };
  enum TActCode { acFind = 100, acReplaceAll = 101 };

  explicit TKitSedFindDlg(QWidget* AParent = nullptr);

  void SetMode(bool AReplace);
  void SetSearchOptions(const TKitEditSearchDlgOptions& AOps);
  // AForSave: the whole histories; otherwise one element each, the texts shown.
  TKitEditSearchDlgOptions GetSearchOptions(bool AForSave) const;
  // Shows the dialog modally and runs the act a button chose.
  TResult Run();

  bool IsReplace = false;
  TKitCustomEditView* View = nullptr;
  int NumOfReplacements = 0;
  bool WasReplaceAllChosen = false;

  QWidget* pnSearch;
  QLabel* lblTextToSearch;
  QComboBox* edTextToSearch;
  QWidget* pnReplaceText;
  QLabel* lblTextToReplace;
  QComboBox* edReplaceText;
  QWidget* pnOpts1;
  QGroupBox* grOptions;
  QCheckBox* cbCaseSensitive;
  QCheckBox* cbWholeWords;
  QCheckBox* cbRegexps;
  QCheckBox* cbConfirmReplace;
  QGroupBox* grDirection;
  QRadioButton* cbForward;
  QRadioButton* cbBackward;
  QWidget* pnOpts2;
  QGroupBox* grBounds;
  QRadioButton* cbAllText;
  QRadioButton* cbSelection;
  QWidget* pnReplacePadding;
  QGroupBox* grStartFrom;
  QRadioButton* cbFromCursor;
  QRadioButton* cbFromTextStart;
  QWidget* pnSearchBtns;
  QPushButton* btnFind;
  QPushButton* btnFindCancel;
  QWidget* pnReplaceBtns;
  QPushButton* btnReplace;
  QPushButton* btnReplaceAll;
  QPushButton* btnReplaceCancel;

 private:
  TResult FindAct();
  TResult ReplaceAllAct();
  // Runs the view's operation; a user error is shown and answers mrCancel.
  template <class F>
  TResult RunViewAct(F AOperation);
  void UpdateHistories();
  void ShowError(const TKitString& AText);
  TKitEditSearchArguments Arguments(bool AWithReplacement) const;
};

}  // namespace zv
