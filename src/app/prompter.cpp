#include "app/prompter.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QMessageBox>
#include <QStringList>

namespace zv {

namespace {

class TQtPrompter : public TPrompter {
 public:
  TModalResult MessageBox(QWidget* Parent, const QString& Caption, const QString& Text, TMsgDlgType Type,
                          TMsgDlgButtons Buttons) override {
    static constexpr QMessageBox::Icon kIcons[] = {QMessageBox::Warning, QMessageBox::Critical,
                                                   QMessageBox::Information, QMessageBox::Question,
                                                   QMessageBox::NoIcon};
    QMessageBox box(kIcons[Type], Caption, Text, QMessageBox::NoButton, Parent);
    if (Buttons & mbYes) box.addButton(QMessageBox::Yes);
    if (Buttons & mbNo) box.addButton(QMessageBox::No);
    if (Buttons & mbOK) box.addButton(QMessageBox::Ok);
    if (Buttons & mbCancel) box.addButton(QMessageBox::Cancel);
    switch (box.exec()) {
      case QMessageBox::Yes: return mrYes;
      case QMessageBox::No: return mrNo;
      case QMessageBox::Ok: return mrOk;
      default: return mrCancel;
    }
  }

  bool ExecuteFileDialog(QWidget* Parent, TFileDialog& Dialog) override {
    QString start = Dialog.InitialDir;
    if (!Dialog.FileName.isEmpty()) start = QDir(start).filePath(QFileInfo(Dialog.FileName).fileName());
    QString filter = QtFileFilter(Dialog.Filter);
    QString chosen;
    if (Dialog.Kind == TFileDialog::fdOpen) {
      chosen = QFileDialog::getOpenFileName(Parent, Dialog.Title, start, filter);
    } else {
      QFileDialog::Options options;
      if (!Dialog.OverwritePrompt) options |= QFileDialog::DontConfirmOverwrite;
      chosen = QFileDialog::getSaveFileName(Parent, Dialog.Title, start, filter, nullptr, options);
    }
    if (chosen.isEmpty()) return false;
    Dialog.FileName = chosen;
    return true;
  }

  bool ChooseFixedFont(QWidget* Parent, QString& Name, int& Size) override {
    bool ok = false;
    QFont font = QFontDialog::getFont(&ok, QFont(Name, Size), Parent, QString(), QFontDialog::MonospacedFonts);
    if (!ok) return false;
    Name = font.family();
    Size = font.pointSize();
    return true;
  }

  void Beep() override { QApplication::beep(); }
};

TPrompter* gPrompter = nullptr;

}  // namespace

TPrompter& Prompter() {
  static TQtPrompter real;
  return gPrompter ? *gPrompter : real;
}

TPrompter* SetPrompter(TPrompter* Prompter) {
  TPrompter* previous = gPrompter;
  gPrompter = Prompter;
  return previous;
}

TModalResult MessageDlg(QWidget* Parent, const QString& Text, TMsgDlgType Type, TMsgDlgButtons Buttons) {
  static const char* const kCaptions[] = {"Warning", "Error", "Information", "Confirm", kProductName};
  return Prompter().MessageBox(Parent, QString::fromLatin1(kCaptions[Type]), Text, Type, Buttons);
}

void ShowMessage(QWidget* Parent, const QString& Text) {
  Prompter().MessageBox(Parent, QString::fromLatin1(kProductName), Text, mtCustom, mbOK);
}

QString QtFileFilter(const QString& Filter) {
  QStringList parts = Filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
    filters << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')));
  return filters.join(QStringLiteral(";;"));
}

}  // namespace zv
