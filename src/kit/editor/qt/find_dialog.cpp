#include "kit/editor/qt/find_dialog.h"

#include <algorithm>
#include <cstdlib>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "kit/editor/qt/qt_text.h"
#include "kit/text/regex.h"
#include "kit/text/sys_info.h"

namespace zv {

namespace {

// A panel of the form: a fixed height (0: as its contents need) and a row of widgets.
QWidget* Panel(QWidget* AParent, int AHeight, QHBoxLayout*& ARow) {
  auto* panel = new QWidget(AParent);
  ARow = new QHBoxLayout(panel);
  ARow->setContentsMargins(0, 0, 0, 0);
  if (AHeight > 0) panel->setFixedHeight(AHeight);
  return panel;
}

QComboBox* HistoryBox(QWidget* AParent) {
  auto* box = new QComboBox(AParent);
  box->setEditable(true);
  // The histories are kept by the dialog itself.
  box->setInsertPolicy(QComboBox::NoInsert);
  box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  return box;
}

void FillHistory(QComboBox* ABox, const TKitStringList& AItems) {
  ABox->clear();
  ABox->clearEditText();
  if (AItems.empty()) return;
  for (const TKitString& item : AItems) ABox->addItem(ToQString(item));
  ABox->setEditText(ToQString(AItems.front()));
}

TKitStringList HistoryOf(const QComboBox* ABox) {
  TKitStringList r;
  for (int i = 0; i < ABox->count(); ++i) r.push_back(FromQString(ABox->itemText(i)));
  return r;
}

// The text shown goes to the top; an entry equal to it ignoring case leaves.
void PushHistory(QComboBox* ABox, bool AKeepEmpty) {
  const QString text = ABox->currentText();
  if (text.isEmpty() && !AKeepEmpty) return;
  for (int i = ABox->count() - 1; i >= 0; --i)
    if (ABox->itemText(i).compare(text, Qt::CaseInsensitive) == 0) ABox->removeItem(i);
  ABox->insertItem(0, text);
  ABox->setCurrentIndex(0);
  ABox->setEditText(text);
}

// The view's selected text: the characters of a stream selection, the rows of a block.
TKitString SelectedText(TKitCustomEditView& AView) {
  if (!AView.CanCopy()) return {};
  if (AView.SelectionBlockMode()) {
    TSquaredSeq rows(AView, AView.SelectionStart(), AView.SelectionEnd());
    return KitSeqToStr(rows);
  }
  const int a = AView.SelectionOffsetStart().Offset, b = AView.SelectionOffsetEnd().Offset;
  return KitSegmentToStr(KitMakeSegment(std::min(a, b), std::abs(b - a), &AView.CurrentDocument().Chars()));
}

}  // namespace

TKitSedFindDlg::TKitSedFindDlg(QWidget* AParent) : QDialog(AParent) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(8, 4, 8, 4);
  root->setSpacing(0);
  QHBoxLayout* row;

  pnSearch = Panel(this, 27, row);
  lblTextToSearch = new QLabel(QStringLiteral("&Text to search"), pnSearch);
  edTextToSearch = HistoryBox(pnSearch);
  lblTextToSearch->setBuddy(edTextToSearch);
  row->addWidget(lblTextToSearch);
  row->addWidget(edTextToSearch, 1);
  root->addWidget(pnSearch);

  pnReplaceText = Panel(this, 26, row);
  lblTextToReplace = new QLabel(QStringLiteral("&Replace with"), pnReplaceText);
  edReplaceText = HistoryBox(pnReplaceText);
  lblTextToReplace->setBuddy(edReplaceText);
  row->addWidget(lblTextToReplace);
  row->addWidget(edReplaceText, 1);
  root->addWidget(pnReplaceText);
  // Both boxes start at one column, wide enough for either label in the font in use.
  const int labels = std::max({80, lblTextToSearch->sizeHint().width(), lblTextToReplace->sizeHint().width()});
  lblTextToSearch->setFixedWidth(labels);
  lblTextToReplace->setFixedWidth(labels);

  pnOpts1 = Panel(this, 0, row);
  row->setSpacing(4);
  grOptions = new QGroupBox(QStringLiteral("Options"), pnOpts1);
  grOptions->setFixedWidth(311);
  auto* options = new QGridLayout(grOptions);
  cbCaseSensitive = new QCheckBox(QStringLiteral("&Case sensitive"), grOptions);
  cbWholeWords = new QCheckBox(QStringLiteral("&Whole words only"), grOptions);
  cbRegexps = new QCheckBox(QStringLiteral("Regular e&xpressions"), grOptions);
  cbConfirmReplace = new QCheckBox(QStringLiteral("&Prompt on replace"), grOptions);
  options->addWidget(cbCaseSensitive, 0, 0);
  options->addWidget(cbWholeWords, 1, 0);
  options->addWidget(cbRegexps, 0, 1);
  options->addWidget(cbConfirmReplace, 1, 1);
  grDirection = new QGroupBox(QStringLiteral("Direction"), pnOpts1);
  grDirection->setMinimumWidth(122);
  auto* direction = new QVBoxLayout(grDirection);
  cbForward = new QRadioButton(QStringLiteral("Forwar&d"), grDirection);
  cbBackward = new QRadioButton(QStringLiteral("&Backward"), grDirection);
  cbForward->setChecked(true);
  direction->addWidget(cbForward);
  direction->addWidget(cbBackward);
  row->addWidget(grOptions);
  row->addWidget(grDirection, 1);
  root->addWidget(pnOpts1);
  root->addSpacing(3);

  pnOpts2 = Panel(this, 0, row);
  row->setSpacing(0);
  grBounds = new QGroupBox(QStringLiteral("Bounds for replace all"), pnOpts2);
  grBounds->setFixedWidth(230);
  auto* bounds = new QVBoxLayout(grBounds);
  cbAllText = new QRadioButton(QStringLiteral("&Global"), grBounds);
  cbSelection = new QRadioButton(QStringLiteral("&Selection"), grBounds);
  cbAllText->setChecked(true);
  bounds->addWidget(cbAllText);
  bounds->addWidget(cbSelection);
  pnReplacePadding = new QWidget(pnOpts2);
  pnReplacePadding->setFixedWidth(4);
  grStartFrom = new QGroupBox(QStringLiteral("Start from"), pnOpts2);
  auto* start = new QVBoxLayout(grStartFrom);
  cbFromCursor = new QRadioButton(QStringLiteral("&From cursor"), grStartFrom);
  cbFromTextStart = new QRadioButton(QStringLiteral("From text &start/end"), grStartFrom);
  cbFromCursor->setChecked(true);
  start->addWidget(cbFromCursor);
  start->addWidget(cbFromTextStart);
  row->addWidget(grBounds);
  row->addWidget(pnReplacePadding);
  row->addWidget(grStartFrom, 1);
  root->addWidget(pnOpts2, 1);

  pnReplaceBtns = Panel(this, 39, row);
  btnReplace = new QPushButton(QStringLiteral("OK"), pnReplaceBtns);
  btnReplaceAll = new QPushButton(QStringLiteral("Replace &All"), pnReplaceBtns);
  btnReplaceCancel = new QPushButton(QStringLiteral("Cancel"), pnReplaceBtns);
  row->addStretch(1);
  row->addWidget(btnReplace);
  row->addWidget(btnReplaceAll);
  row->addWidget(btnReplaceCancel);
  pnSearchBtns = Panel(this, 35, row);
  btnFind = new QPushButton(QStringLiteral("OK"), pnSearchBtns);
  btnFindCancel = new QPushButton(QStringLiteral("Cancel"), pnSearchBtns);
  row->addStretch(1);
  row->addWidget(btnFind);
  row->addWidget(btnFindCancel);
  root->addWidget(pnSearchBtns);
  root->addWidget(pnReplaceBtns);

  connect(btnFind, &QPushButton::clicked, this, [this] { done(acFind); });
  connect(btnReplace, &QPushButton::clicked, this, [this] { done(acFind); });
  connect(btnReplaceAll, &QPushButton::clicked, this, [this] { done(acReplaceAll); });
  connect(btnFindCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnReplaceCancel, &QPushButton::clicked, this, &QDialog::reject);
  resize(453, 250);
}

void TKitSedFindDlg::SetMode(bool AReplace) {
  IsReplace = AReplace;
  pnSearchBtns->setVisible(!AReplace);
  for (QWidget* w : {static_cast<QWidget*>(pnReplaceText), pnReplaceBtns, static_cast<QWidget*>(cbConfirmReplace),
                     static_cast<QWidget*>(grBounds), pnReplacePadding})
    w->setVisible(AReplace);
  btnFind->setDefault(!AReplace);
  btnReplace->setDefault(AReplace);
  // Only the width may change.
  const int height = sizeHint().height();
  setMinimumHeight(height);
  setMaximumHeight(height);
  resize(453, height);
}

void TKitSedFindDlg::SetSearchOptions(const TKitEditSearchDlgOptions& AOps) {
  FillHistory(edReplaceText, AOps.Replaces);
  FillHistory(edTextToSearch, AOps.Searches);
  cbCaseSensitive->setChecked(AOps.Options.Contains(soCaseSensitive));
  cbRegexps->setChecked(AOps.Options.Contains(soRegexp));
  cbWholeWords->setChecked(AOps.Options.Contains(soWholeWords));
  cbConfirmReplace->setChecked(AOps.Options.Contains(soConfirmReplace));
  (AOps.Direction == sdBackward ? cbBackward : cbForward)->setChecked(true);
  (AOps.ReplaceAllBounds == rbSelection ? cbSelection : cbAllText)->setChecked(true);
  (AOps.Start == ssTextStartEnd ? cbFromTextStart : cbFromCursor)->setChecked(true);
}

TKitEditSearchDlgOptions TKitSedFindDlg::GetSearchOptions(bool AForSave) const {
  TKitEditSearchDlgOptions o;
  if (AForSave) {
    o.Searches = HistoryOf(edTextToSearch);
    o.Replaces = HistoryOf(edReplaceText);
  } else {
    o.Searches = {FromQString(edTextToSearch->currentText())};
    o.Replaces = {FromQString(edReplaceText->currentText())};
  }
  if (cbCaseSensitive->isChecked()) o.Options.Include(soCaseSensitive);
  if (cbWholeWords->isChecked()) o.Options.Include(soWholeWords);
  if (cbRegexps->isChecked()) o.Options.Include(soRegexp).Include(soRegexpSubstitute);
  if (cbConfirmReplace->isChecked()) o.Options.Include(soConfirmReplace);
  o.Direction = cbBackward->isChecked() ? sdBackward : sdForward;
  o.Start = cbFromCursor->isChecked() ? ssCursor : ssTextStartEnd;
  o.ReplaceAllBounds = cbSelection->isChecked() ? rbSelection : rbAllText;
  o.LastNumberOfReplacements = NumOfReplacements;
  o.WasReplaceAllChosen = WasReplaceAllChosen;
  return o;
}

TKitEditSearchArguments TKitSedFindDlg::Arguments(bool AWithReplacement) const {
  const TKitEditSearchDlgOptions o = GetSearchOptions(false);
  return {o.Searches.front(), AWithReplacement ? o.Replaces.front() : TKitString{}, o.Options, o.Direction, o.Start};
}

TKitSedFindDlg::TResult TKitSedFindDlg::Run() {
  if (QWidget* main = QApplication::activeWindow(); main != nullptr && main != this)
    move(main->frameGeometry().center() - rect().center());
  // The search text comes up selected, so that typing replaces it.
  edTextToSearch->lineEdit()->selectAll();
  switch (exec()) {
    case acFind: return FindAct();
    case acReplaceAll: return ReplaceAllAct();
    case QDialog::Rejected: return mrCancel;
    default: AssertionFailure(__FILE__, __LINE__);
  }
}

TKitSedFindDlg::TResult TKitSedFindDlg::FindAct() {
  const TKitEditSearchArguments args = Arguments(IsReplace);
  return RunViewAct([&] { return IsReplace ? View->ReplaceFirst(args) : View->SearchFirst(args); });
}

TKitSedFindDlg::TResult TKitSedFindDlg::ReplaceAllAct() {
  WasReplaceAllChosen = true;
  const TKitEditSearchArguments args = Arguments(true);
  const TKitEditViewReplaceAllBounds bounds = GetSearchOptions(false).ReplaceAllBounds;
  return RunViewAct([&] { return View->ReplaceAll(args, bounds); });
}

template <class F>
TKitSedFindDlg::TResult TKitSedFindDlg::RunViewAct(F AOperation) {
  TResult result;
  try {
    if (AOperation()) {
      NumOfReplacements = View->SearchLastNumReplacements();
      result = mrYes;
    } else {
      result = mrNo;
    }
  } catch (const EKitRegExprError& E) {
    ShowError(u"Error in search expression or substitution string: " + KitFromPlatformText(E.Message()));
    result = mrCancel;
  } catch (const EAssertionFailed&) {
    throw;
  } catch (const Exception& E) {
    // A refusal of the view (a read-only document, say) is the user's to see; the
    // dialog answers Cancel and its options still reach the caller.
    ShowError(KitFromPlatformText(E.Message()));
    return mrCancel;
  }
  UpdateHistories();
  return result;
}

void TKitSedFindDlg::ShowError(const TKitString& AText) {
  View->Host().Prompter().MessageBox(FromQString(windowTitle()), AText, pkError, pbOK, nullptr);
}

void TKitSedFindDlg::UpdateHistories() {
  PushHistory(edTextToSearch, false);
  // The replacement history is the replace mode's; an empty replacement is an entry too.
  if (IsReplace) PushHistory(edReplaceText, true);
}

uint8_t KitShowFindReplaceDialog(const TKitString& ACaption, TKitCustomEditView* AView, bool AReplace,
                                 TKitEditSearchDlgOptions& AOptions) {
  if (AView == nullptr) {
    QApplication::beep();
    return 2;
  }
  TKitSedFindDlg dlg;
  dlg.setWindowTitle(ToQString(ACaption));
  dlg.View = AView;
  dlg.SetSearchOptions(AOptions);
  dlg.SetMode(AReplace);
  TKitString initial = SelectedText(*AView);
  if (initial.empty()) initial = AView->GetWordUnderCursor();
  if (!initial.empty()) dlg.edTextToSearch->setEditText(ToQString(initial));
  const TKitSedFindDlg::TResult result = dlg.Run();
  AOptions = dlg.GetSearchOptions(true);
  AOptions.LastNumberOfReplacements = dlg.NumOfReplacements;
  return result == TKitSedFindDlg::mrYes ? 0 : result == TKitSedFindDlg::mrNo ? 1 : 2;
}

uint8_t KitShowFindDialog(const TKitString& ACaption, TKitCustomEditView* AView, TKitEditSearchDlgOptions& AOptions) {
  return KitShowFindReplaceDialog(ACaption, AView, false, AOptions);
}

uint8_t KitShowReplaceDialog(const TKitString& ACaption, TKitCustomEditView* AView,
                             TKitEditSearchDlgOptions& AOptions) {
  return KitShowFindReplaceDialog(ACaption, AView, true, AOptions);
}

}  // namespace zv
