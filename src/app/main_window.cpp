#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "app/application.h"
#include "app/editor_frames.h"
#include "app/frame_view.h"
#include "app/help.h"
#include "app/import_window.h"
#include "app/prompter.h"
#include "app/settings_dialog.h"
#include "cosem/cosem_instance.h"
#include "foundation/errors.h"
#include "foundation/globals.h"
#include "foundation/ini_file.h"
#include "foundation/logger.h"
#include "foundation/misc.h"
#include "platform/clock.h"
#include "server/logical_device_wrapper.h"
#include "server/misc_helpers.h"
#include "server/object_services.h"

namespace zv {

namespace {

constexpr int kPanelWidths[3] = {150, 150, 50};
constexpr int kMinTabCaptionWidth = 100;

QWidget* Page(QTabWidget* Tabs, const char* Name, const char* Caption) {
  auto* page = new QWidget;
  page->setObjectName(QLatin1String(Name));
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  Tabs->addTab(page, QString::fromLatin1(Caption));
  return page;
}

// F10, or a lone Alt (pressed and let go with nothing in between), in the window it watches
// opens the menu bar. Any other key, a mouse button or the window going inactive (Alt+Tab)
// makes it no lone Alt. Qt's own Alt navigation depends on the style and, under X11, does
// not reach the bar; a window shortcut for F10 needs the window to be the active one, which
// without a window manager it may never be, while its keys still arrive.
// Opened so, the bar keeps the keyboard when Left or Right moves it onto an item without a
// menu (Settings): the keys go to the bar, not to the editor that still has the focus, so
// that Return runs the item instead of typing a line break.
class TMenuKeyFilter : public QObject {
 public:
  TMenuKeyFilter(QWidget* Window, QMenuBar* Bar) : QObject(Window), FWindow(Window), FBar(Bar) {
    qApp->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override {
    switch (Event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(Event);
        auto* widget = qobject_cast<QWidget*>(Watched);
        if (widget == nullptr || widget->window() != FWindow) break;
        if (Event->type() == QEvent::KeyPress && FBarKeys && BarKey(*key)) return true;
        if (key->isAutoRepeat()) break;
        const bool alt = key->key() == Qt::Key_Alt;
        if (Event->type() == QEvent::KeyPress) {
          FArmed = alt;
          if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::NoModifier) {
            OpenBar();
            return true;
          }
        } else if (alt && FArmed) {
          FArmed = false;
          OpenBar();
        }
        break;
      }
      case QEvent::MouseButtonPress:
      case QEvent::WindowDeactivate:
        FArmed = false;
        FBarKeys = false;
        break;
      default:
        break;
    }
    return false;
  }

 private:
  // The bar's first item that can be chosen.
  void OpenBar() {
    if (QAction* first = NextItem(nullptr, 1)) FBar->setActiveAction(first);
    FBarKeys = true;
  }

  // The next visible, enabled item after AFrom (ASign 1) or before it (-1), round the bar;
  // from none, the first one.
  QAction* NextItem(QAction* AFrom, int ASign) const {
    const QList<QAction*> items = FBar->actions();
    const int n = static_cast<int>(items.size());
    const int step = ASign > 0 ? 1 : n - 1;
    const int from = static_cast<int>(items.indexOf(AFrom));  // -1 for none
    for (int k = 1, i = (from + n + step) % std::max(n, 1); k <= n; ++k, i = (i + step) % n)
      if (items[i] != AFrom && items[i]->isVisible() && items[i]->isEnabled() && !items[i]->isSeparator())
        return items[i];
    return nullptr;
  }

  void LeaveBar() {
    FBarKeys = false;
    FBar->setActiveAction(nullptr);
  }

  // A key while the bar has an item lit and no menu open; false lets the key through.
  bool BarKey(const QKeyEvent& AKey) {
    QAction* current = FBar->activeAction();
    if (current == nullptr || QApplication::activePopupWidget() != nullptr) {
      FBarKeys = current != nullptr;  // a menu is open and has the keys; back to the bar after it
      return false;
    }
    switch (AKey.key()) {
      case Qt::Key_Left:
      case Qt::Key_Right:
        if (QAction* next = NextItem(current, AKey.key() == Qt::Key_Right ? 1 : -1)) FBar->setActiveAction(next);
        return true;
      case Qt::Key_Up:
      case Qt::Key_Down:
        if (current->menu() != nullptr) FBar->setActiveAction(current);
        return true;
      case Qt::Key_Return:
      case Qt::Key_Enter:
      case Qt::Key_Space:
        if (current->menu() != nullptr) {
          FBar->setActiveAction(current);
        } else {
          LeaveBar();
          current->trigger();
        }
        return true;
      case Qt::Key_Alt:
      case Qt::Key_Shift:
      case Qt::Key_Control:
      case Qt::Key_Meta:
        return false;
      default:
        // Escape, or a key the bar has no use for: the bar lets go, and nothing is typed.
        LeaveBar();
        return true;
    }
  }

  QWidget* FWindow;
  QMenuBar* FBar;
  bool FArmed = false;
  bool FBarKeys = false;  // opened by a key: the bar has the keyboard while an item is lit
};

QAction* Item(QMenu* Menu, const char* Name, const char* Caption) {
  QAction* a = Menu->addAction(QString::fromLatin1(Caption));
  a->setObjectName(QLatin1String(Name));
  return a;
}

}  // namespace

TFormMain::TFormMain(TApplicationProcessOptions Options, QWidget* Parent)
    : TFormBase<QMainWindow>(Parent),
      FHolder(Options.DeviceHolder ? *Options.DeviceHolder : LogicalDeviceWrapper()),
      FClock(Options.Clock ? *Options.Clock : DefaultClock()) {
  setObjectName(QStringLiteral("FormMain"));

  QMenuBar* menu = menuBar();
  menu->setObjectName(QStringLiteral("MainMenu"));
  MMRun = menu->addMenu(QStringLiteral("Run"));
  MMRun->setObjectName(QStringLiteral("MMRun"));
  MMRunRun = Item(MMRun, "MMRunRun", "Run");
  // Run keeps Ctrl+R wherever the focus is in the window; the device editor yields it below.
  MMRunRun->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  MMRunClearLog = Item(MMRun, "MMRunClearLog", "Clear Log");
  MMRunAbort = Item(MMRun, "MMRunAbort", "Abort");
  MMSettings = menu->addAction(QStringLiteral("Settings"));
  MMSettings->setObjectName(QStringLiteral("MMSettings"));
  MMTools = menu->addMenu(QStringLiteral("Tools"));
  MMTools->setObjectName(QStringLiteral("MMTools"));
  MMToolsImportDevice = Item(MMTools, "MMToolsImportDevice", "Import Device...");
  MMHelp = menu->addMenu(QStringLiteral("Help"));
  MMHelp->setObjectName(QStringLiteral("MMHelp"));
  MMHelpHelp = Item(MMHelp, "MMHelpHelp", "Help...");
  MMHelpAbout = Item(MMHelp, "MMHelpAbout", "About...");
  // F10 and a lone Alt open the menu bar's first menu, wherever the focus is in the window.
  new TMenuKeyFilter(this, menu);

  PGControl = new QTabWidget;
  PGControl->setObjectName(QStringLiteral("PGControl"));
  setCentralWidget(PGControl);
  TSDevice = Page(PGControl, "TSDevice", "  Device");
  TSLog = Page(PGControl, "TSLog", "LOG");

  QStatusBar* status = statusBar();
  status->setObjectName(QStringLiteral("StatusBar"));
  status->setSizeGripEnabled(false);
  for (int i = 0; i < 3; ++i) {
    StatusPanels[i] = new QLabel;
    // At least the panel's width; wider when its text needs it (a cursor in a long line).
    StatusPanels[i]->setMinimumWidth(kPanelWidths[i]);
    StatusPanels[i]->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    status->addWidget(StatusPanels[i]);
  }
  TMRRunning = new QTimer(this);
  TMRRunning->setInterval(1000);

  // FormCreate.
  PadTabCaptions();
  FApplicationProcess = std::make_unique<TApplicationProcess>(std::move(Options));
  // Called on the server's thread: only a queued call reaches the window.
  FApplicationProcess->SetOnStateChanged(
      [this] { QMetaObject::invokeMethod(this, [this] { ProcessStateChanged(); }, Qt::QueuedConnection); });

  DeviceEditorFrame = new TFrameDeviceEditor(this);
  DeviceEditorFrame->setObjectName(QStringLiteral("DeviceEditorFrame"));
  TSDevice->layout()->addWidget(DeviceEditorFrame);
  DeviceEditorFrame->SetFileKey(QStringLiteral("DEVICE"));
  DeviceEditorFrame->SetFileExtension(QStringLiteral("txt"));
  DeviceEditorFrame->OnEditorStatusChanged = [this](TFrameKit* Sender, const QString& Text) {
    EditorStatusChanged(Sender, Text);
  };
  DeviceEditorFrame->OnFileNameChanged = [this](TFrameKit*) { UpdateCaption(); };
  DeviceEditorFrame->YieldShortcut(MMRunRun->shortcut());
  RunCommand([this] { DeviceEditorFrame->InitialLoad(); });

  LogFrame = new TFrameLog(this);
  LogFrame->setObjectName(QStringLiteral("LogFrame"));
  TSLog->layout()->addWidget(LogFrame);
  LogFrame->SetFileKey(QStringLiteral("LOG"));
  LogFrame->SetFileExtension(QStringLiteral("txt"));
  LogFrame->OnEditorStatusChanged = DeviceEditorFrame->OnEditorStatusChanged;
  LogFrame->YieldShortcut(MMRunRun->shortcut());
  RunCommand([this] { LogFrame->InitialLoad(); });
  // Entries of other threads wake the event loop, which writes them into the log frame.
  Logger().Attach(*LogFrame, [this] {
    QMetaObject::invokeMethod(this, [] { RunCommand([] { Logger().ProcessPending(); }); }, Qt::QueuedConnection);
  });

  UpdateCaption();
  TMRRunning->start();
  MMTools->menuAction()->setVisible(IniFile().ReadBool("Misc", "Tools", false));

  connect(MMRun, &QMenu::aboutToShow, this, [this] { UpdateStatus(); });
  connect(MMRunRun, &QAction::triggered, this, [this] { RunCommand([this] { RunServer(); }); });
  connect(MMRunClearLog, &QAction::triggered, this, [] { Logger().ClearLog(); });
  connect(MMRunAbort, &QAction::triggered, this, [this] { Abort(); });
  connect(MMSettings, &QAction::triggered, this, [this] { RunCommand([this] { FormPreferences().exec(); }); });
  connect(MMToolsImportDevice, &QAction::triggered, this, [this] { FormImportDevice().Restore(); });
  connect(MMHelpHelp, &QAction::triggered, this, [this] { ShowHelpContents(this); });
  connect(MMHelpAbout, &QAction::triggered, this, [this] { About(); });
  connect(TMRRunning, &QTimer::timeout, this, [this] { UpdateStatus(); });
  // The cursor panel shows the cursor of the page in view.
  connect(PGControl, &QTabWidget::currentChanged, this, [this] {
    (PGControl->currentWidget() == TSDevice ? static_cast<TFrameKit*>(DeviceEditorFrame) : LogFrame)->StatusChanged();
  });
  UpdateStatus();
}

TFormMain::~TFormMain() {
  TMRRunning->stop();
  // Nothing reaches the window from here on; then the server's thread ends (a running
  // session is aborted first).
  Logger().Detach();
  FApplicationProcess.reset();
}

app::TFormPreferences& TFormMain::FormPreferences() {
  if (!FFormPreferences) FFormPreferences = new app::TFormPreferences(this);
  return *FFormPreferences;
}

TFormImportDevice& TFormMain::FormImportDevice() {
  if (!FFormImportDevice) FFormImportDevice = new TFormImportDevice(this);
  return *FFormImportDevice;
}

void TFormMain::PadTabCaptions() {
  const QFontMetrics metrics(font());
  for (int i = 0; i < PGControl->count(); ++i) {
    QString caption = PGControl->tabText(i);
    for (bool front = true; metrics.horizontalAdvance(caption) < kMinTabCaptionWidth; front = !front)
      caption = front ? QLatin1Char(' ') + caption : caption + QLatin1Char(' ');
    PGControl->setTabText(i, caption);
  }
}

void TFormMain::RunServer() {
  TApplicationProcessJob job;
  job.Kind = tjRunServer;
  RunJob(job);
}

void TFormMain::RunJob(const TApplicationProcessJob& Job) {
  if (!DeviceEditorFrame->CloseQuery()) return;
  std::unique_ptr<TSequence> device;
  try {
    device = TMiscHelpers::MakeLogicalDevice(DeviceEditorFrame->Text().toStdString());
    // Checked before it is installed: a rejected device must never be served or ticked,
    // and the device served until now stays.
    TLogicalDeviceHelper::CheckDuplicateInstanceIds(*device);
  } catch (const EXMLError& e) {
    MessageDlg(this, QString::fromUtf8(e.what()), mtError, mbOK);
    PGControl->setCurrentWidget(TSDevice);
    DeviceEditorFrame->GotoPosAndFocus(e.PosX, e.PosY);
    return;
  }
  FHolder.SetLogicalDevice(std::move(device));
  PGControl->setCurrentWidget(TSLog);
  Logger().SetMaxLogSize(TFormPreferences::GetMaxLogSize());
  FApplicationProcess->Run(Job);
}

void TFormMain::Abort() { AbortRequested = true; }

void TFormMain::UpdateStatus() {
  const TApplicationProcessState state = FApplicationProcess->State();
  QString text = QString::fromLatin1(TApplicationProcess::StateString(state));
  if (state != isIdle)
    text += QLatin1Char(' ') +
            QString::fromStdString(MsToElapsedText(FClock.NowMs() - FApplicationProcess->StateChangeTick(), false));
  StatusPanels[0]->setText(text);
  StatusPanels[1]->clear();
  // Also kept current for the shortcut, which works without opening the menu.
  MMRunRun->setEnabled(state == isIdle);
  MMRunAbort->setEnabled(state != isIdle);
}

void TFormMain::ProcessStateChanged() {
  // What the session logged before it changed state is shown first.
  RunCommand([] { Logger().ProcessPending(); });
  UpdateStatus();
  if (ForcedCloseRequested) {
    ForcedCloseRequested = false;
    close();
  }
}

void TFormMain::EditorStatusChanged(TFrameKit* Sender, const QString& Text) {
  for (QWidget* w = Sender; w; w = w->parentWidget()) {
    if (PGControl->indexOf(w) < 0) continue;
    if (PGControl->currentWidget() == w) StatusPanels[2]->setText(Text);
    return;
  }
}

void TFormMain::UpdateCaption() {
  setWindowTitle(QStringLiteral("%1 - [%2] %3")
                     .arg(QString::fromLatin1(kProductName))
                     .arg(InstanceNr())
                     .arg(QFileInfo(DeviceEditorFrame->CurrentFileName()).fileName()));
}

void TFormMain::ReadWriteMainState(bool Write) {
  TIniFile& ini = IniFile();
  for (const QPointer<QWidget>& form : FloatingForms) {
    if (!form) continue;
    const std::string section = form->objectName().toStdString();
    if (Write) ini.WriteBool(section, "Visible", form->isVisible());
    else form->setVisible(ini.ReadBool(section, "Visible", false));
  }
  const std::string section = objectName().toStdString();
  if (Write) ini.WriteInteger(section, "0", PGControl->currentIndex());
  else PGControl->setCurrentIndex(ini.ReadInteger(section, "0", 0));
  const QString lastLog = QString::fromStdString(LastLogFileName());
  if (lastLog.isEmpty()) return;
  if (Write) LogFrame->SaveToFile(lastLog);
  else if (QFileInfo(lastLog).isFile()) LogFrame->LoadFromFile(lastLog);
}

void TFormMain::FormShow() {
  RunCommand([this] { ReadWriteMainState(false); });
  // The keyboard starts in the text of the page in view, not on the page tabs.
  TFrameKit* frame = PGControl->currentWidget() == TSLog ? static_cast<TFrameKit*>(LogFrame) : DeviceEditorFrame;
  frame->KitView().Widget()->setFocus();
}

bool TFormMain::FormCloseQuery() {
  bool canClose = std::exchange(FUnsavedTextAnswered, false) || DeviceEditorFrame->CloseQuery();
  if (FApplicationProcess->State() == isRunning) {
    const bool answered = canClose;
    canClose = false;
    if (MessageDlg(this, QStringLiteral("Server is running, close anyway?"), mtConfirmation, mbYes | mbNo) == mrYes) {
      ForcedCloseRequested = true;
      FUnsavedTextAnswered = answered;
      Abort();
    }
  }
  return canClose;
}

void TFormMain::FormClose() {
  if (FApplicationProcess->State() == isRunning) Abort();
  ReadWriteMainState(true);
}

void TFormMain::closeEvent(QCloseEvent* Event) {
  bool canClose = false;
  RunCommand([&] { canClose = FormCloseQuery(); });
  if (!canClose) {
    Event->ignore();
    return;
  }
  RunCommand([this] { FormClose(); });
  Event->accept();
}

void TFormMain::About() {
  Prompter().MessageBox(this, QStringLiteral("About"),
                        QStringLiteral("%1 %2\nDLMS/COSEM server simulator").arg(QString::fromLatin1(kProductName),
                                                                                  QStringLiteral("(FREE) 101")),
                        mtCustom, mbOK);
}

}  // namespace zv
