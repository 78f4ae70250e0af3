// The import window: a raw log of a client talking to a meter becomes attribute entries in
// its editor, and the edited entries become a device description in the log pane.
#pragma once
#include <QWidget>

#include <string>

#include "app/form_base.h"
#include "app/import/import_device.h"
#include "app/prompter.h"

class QPushButton;

namespace zv {

class TFrameKit;

class TFormImportDevice : public TFormBase<QWidget> {
 public:
  // Shown modeless; Parent (the main window) owns it.
  explicit TFormImportDevice(QWidget* Parent = nullptr);

  // Step one: a raw log chosen with the open dialog to entries in the editor.
  void BTNRawLogClick();
  // Step one on the raw log file, after the dialog. The log is read on a thread of its own
  // while the window goes on answering (its buttons disabled); returns when the entries are
  // in the editor, or when the application quits meanwhile.
  void ImportRawLog(const std::string& FileName);
  // Step two: the editor's entries to the device description, written to the log.
  void BTNToDeviceClick();

  QPushButton* BTNRawLog;
  QPushButton* BTNToDevice;
  TFrameKit* Editor;
  TFileDialog OpenDialog1;

 private:
  TLoggerImportLog FLog;
  TImportDevice FImport{FLog};
};

}  // namespace zv
