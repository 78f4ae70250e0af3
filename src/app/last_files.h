// The last file of each kind ("DEVICE", "LOG", "IMPORT", ...), kept in section "LastFiles".
#pragma once
#include <QString>

#include "app/prompter.h"

namespace zv {

// Empty when none is stored.
QString ReadLastFile(const QString& Key);
void WriteLastFile(const QString& Key, const QString& FileName);

// Runs the dialog through the prompter. A dialog without a file name yet starts at the last
// file of Key; the file chosen with OK becomes the last file of Key. False on Cancel.
bool ExecuteFileDialog(QWidget* Parent, TFileDialog& Dialog, const QString& Key);

}  // namespace zv
