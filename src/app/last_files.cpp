#include "app/last_files.h"

#include <QFileInfo>

#include "foundation/globals.h"
#include "foundation/ini_file.h"

namespace zv {

namespace {
constexpr char kSection[] = "LastFiles";
}  // namespace

QString ReadLastFile(const QString& Key) {
  return QString::fromStdString(IniFile().ReadString(kSection, Key.toStdString(), ""));
}

void WriteLastFile(const QString& Key, const QString& FileName) {
  IniFile().WriteString(kSection, Key.toStdString(), FileName.toStdString());
}

bool ExecuteFileDialog(QWidget* Parent, TFileDialog& Dialog, const QString& Key) {
  if (Dialog.FileName.isEmpty()) {
    QString last = ReadLastFile(Key);
    if (!last.isEmpty()) {
      QFileInfo info(last);
      Dialog.FileName = info.fileName();
      Dialog.InitialDir = info.path();
    }
  }
  if (!Prompter().ExecuteFileDialog(Parent, Dialog)) return false;
  WriteLastFile(Key, Dialog.FileName);
  return true;
}

}  // namespace zv
