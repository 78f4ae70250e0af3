// The main window: the device editor and the log on two pages, Run / Clear Log / Abort, the
// settings and the help, the server's state in the status bar, and the session's state kept
// across restarts. The server's threads reach it only through the logger's queue and through
// queued calls; it never waits for them while they might wait for it.
#pragma once
#include <memory>

#include <QList>
#include <QMainWindow>
#include <QPointer>

#include "app/form_base.h"
#include "server/application_process.h"

class QLabel;
class QMenu;
class QTabWidget;
class QTimer;

namespace zv {

class IClock;
class TFormImportDevice;
class TFrameDeviceEditor;
class TFrameKit;
class TFrameLog;
class TLogicalDeviceWrapper;
namespace app {
class TFormPreferences;
}

class TFormMain : public TFormBase<QMainWindow> {
 public:
  // Options go to the server's application process (tests bind it to loopback).
  explicit TFormMain(TApplicationProcessOptions Options = {}, QWidget* Parent = nullptr);
  // Aborts a running session, stops the log's delivery and ends the server's thread.
  ~TFormMain() override;

  QLabel* StatusPanels[3];  // the status bar's three panels
  QTabWidget* PGControl;
  QWidget* TSDevice;
  QWidget* TSLog;
  QMenu* MMRun;
  QAction *MMRunRun, *MMRunClearLog, *MMRunAbort, *MMSettings;
  QMenu* MMTools;
  QAction* MMToolsImportDevice;
  QMenu* MMHelp;
  QAction *MMHelpHelp, *MMHelpAbout;
  QTimer* TMRRunning;
  TFrameDeviceEditor* DeviceEditorFrame;
  TFrameLog* LogFrame;
  // Windows whose visibility is kept in the settings.
  QList<QPointer<QWidget>> FloatingForms;
  // The user confirmed closing while the server runs: the window closes once it has stopped.
  bool ForcedCloseRequested = false;
  // The save question of that close was answered (saved, or No): the close that follows the
  // session's end does not ask it again.
  bool FUnsavedTextAnswered = false;

  TApplicationProcess& ApplicationProcess() { return *FApplicationProcess; }
  // The settings dialog and the import window, made on first use and owned by the window.
  app::TFormPreferences& FormPreferences();
  TFormImportDevice& FormImportDevice();

  void RunServer();
  // Installs the device of the editor's text and starts the session; the device stays as it
  // was when the text has errors.
  void RunJob(const TApplicationProcessJob& Job);
  void UpdateStatus();
  void UpdateCaption();
  void ReadWriteMainState(bool Write);

 protected:
  void FormShow() override;
  void closeEvent(QCloseEvent* Event) override;

 private:
  void PadTabCaptions();
  bool FormCloseQuery();
  void FormClose();
  void Abort();
  void ProcessStateChanged();
  void EditorStatusChanged(TFrameKit* Sender, const QString& Text);
  void About();

  TLogicalDeviceWrapper& FHolder;
  const IClock& FClock;
  std::unique_ptr<TApplicationProcess> FApplicationProcess;
  app::TFormPreferences* FFormPreferences = nullptr;
  TFormImportDevice* FFormImportDevice = nullptr;
};

}  // namespace zv
