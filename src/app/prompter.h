// Every question the shell asks the user (message boxes, file and font dialogs, the beep)
// goes through one replaceable prompter, so tests can answer in place of a person.
#pragma once
#include <QString>

class QWidget;

namespace zv {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Buttons, combined as a set.
enum TMsgDlgButton { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };
using TMsgDlgButtons = int;

// The button that closed a message box; mrCancel also when the box was closed otherwise.
enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

// What a file dialog keeps between its runs, like a dialog component on a form.
struct TFileDialog {
  enum TKind { fdOpen, fdSave };
  TKind Kind = fdOpen;
  QString Title;
  // Pairs of description and pattern joined by '|': "*.txt|*.txt".
  QString Filter;
  // Full path of the chosen file after a run that ended with OK.
  QString FileName;
  QString InitialDir;
  // Save dialogs: ask before an existing file is replaced.
  bool OverwritePrompt = false;
};

class TPrompter {
 public:
  virtual ~TPrompter() = default;
  virtual TModalResult MessageBox(QWidget* Parent, const QString& Caption, const QString& Text,
                                  TMsgDlgType Type, TMsgDlgButtons Buttons) = 0;
  // Starts in Dialog.InitialDir with Dialog.FileName's name part preset; on OK the chosen
  // path is put in Dialog.FileName and the answer is true.
  virtual bool ExecuteFileDialog(QWidget* Parent, TFileDialog& Dialog) = 0;
  // A dialog offering fixed-pitch fonts only, preset with Name and Size; on OK both hold the
  // choice and the answer is true.
  virtual bool ChooseFixedFont(QWidget* Parent, QString& Name, int& Size) = 0;
  virtual void Beep() = 0;
};

// The prompter in use: the one a test put in place, else the one showing real dialogs.
TPrompter& Prompter();
// Puts Prompter in place (nullptr brings back the real one); answers the previous one.
TPrompter* SetPrompter(TPrompter* Prompter);

// The program's name: the caption of plain messages and of the exception box.
inline constexpr char kProductName[] = "Zorvan";

// A message box captioned after its type ("Warning", "Error", "Information", "Confirm";
// the program's name for mtCustom).
TModalResult MessageDlg(QWidget* Parent, const QString& Text, TMsgDlgType Type, TMsgDlgButtons Buttons);
// A message with OK only, captioned with the program's name.
void ShowMessage(QWidget* Parent, const QString& Text);

// "*.txt|*.txt" becomes the "*.txt (*.txt)" of Qt's file dialogs.
QString QtFileFilter(const QString& Filter);

}  // namespace zv
