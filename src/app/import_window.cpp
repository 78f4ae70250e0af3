#include "app/import_window.h"

#include <QApplication>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "app/application.h"
#include "app/editor_frames.h"
#include "app/last_files.h"
#include "foundation/errors.h"

namespace zv {

namespace {

// The hour-glass while a step runs, also when it fails.
class TWaitCursor {
 public:
  TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;
};

// The log pane as step one's thread writes to it, and the way the thread hands its work to
// the window. Every so many APDUs the thread waits until the window has taken in what was
// logged before, so that a long recording never piles up between the thread and the log
// pane when the pane is the slower of the two.
class TPacedImportLog : public IImportLog {
 public:
  static constexpr int kItemsPerTurn = 500;  // a few thousand lines: less than the pane shows per turn

  explicit TPacedImportLog(const std::atomic<bool>& Cancel) : FCancel(Cancel) {}
  void ClearLog() override { FLog.ClearLog(); }
  void StringToLog(const std::string& Text) override { FLog.StringToLog(Text); }
  void StringListToLog(const std::vector<std::string>& Lines) override { FLog.StringListToLog(Lines); }
  void LogProtocolItem(const TCOSEMPduBase& Item, const std::string& Title, int Indent) override {
    FLog.LogProtocolItem(Item, Title, Indent);
    if (++FItems % kItemsPerTurn == 0) Pass(nullptr);
  }

  // From the thread: OnGuiThread runs on the GUI thread at its next turn. The thread goes on
  // at once when nothing else is on its way, else it waits until what came before has gone
  // through the event loop twice: the first turn writes the waiting log entries into the
  // pane, whose own turn to show them is then queued ahead of the second.
  void Pass(std::function<void()> OnGuiThread) {
    std::unique_lock<std::mutex> lock(FLock);
    ++FInFlight;
    QMetaObject::invokeMethod(
        &FContext,
        [this, OnGuiThread = std::move(OnGuiThread)] {
          if (OnGuiThread) OnGuiThread();
          QMetaObject::invokeMethod(
              &FContext,
              [this] {
                {
                  std::lock_guard<std::mutex> guard(FLock);
                  if (FInFlight > 0) --FInFlight;
                }
                FTaken.notify_all();
              },
              Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    FTaken.wait(lock, [this] { return FInFlight <= 1 || FCancel; });
  }

  // The thread goes on, whatever it waits for (called on the GUI thread).
  void Release() {
    {
      std::lock_guard<std::mutex> guard(FLock);
      FInFlight = 0;
    }
    FTaken.notify_all();
  }

 private:
  TLoggerImportLog FLog;
  const std::atomic<bool>& FCancel;
  QObject FContext;  // lives on the GUI thread; what is still queued for it goes with it
  std::mutex FLock;
  std::condition_variable FTaken;
  int FInFlight = 0;
  long FItems = 0;
};

constexpr qsizetype kEntryLinesPerPart = 5000;

}  // namespace

TFormImportDevice::TFormImportDevice(QWidget* Parent) : TFormBase<QWidget>(Parent) {
  setWindowFlag(Qt::Window);
  setObjectName(QStringLiteral("FormImportDevice"));
  setWindowTitle(QString::fromLatin1(TImportDeviceTexts::Caption));
  BTNRawLog = new QPushButton(QString::fromLatin1(TImportDeviceTexts::RawLogButton));
  BTNRawLog->setObjectName(QStringLiteral("BTNRawLog"));
  BTNToDevice = new QPushButton(QString::fromLatin1(TImportDeviceTexts::ToDeviceButton));
  BTNToDevice->setObjectName(QStringLiteral("BTNToDevice"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(BTNRawLog);
  buttons->addWidget(BTNToDevice);
  buttons->addStretch();
  Editor = new TFrameKit;
  Editor->setObjectName(QStringLiteral("Editor"));
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(Editor, 1);
  OpenDialog1.Kind = TFileDialog::fdOpen;
  OpenDialog1.Filter = QString::fromLatin1(TImportDeviceTexts::FileFilter);
  connect(BTNRawLog, &QPushButton::clicked, this, [this] { RunCommand([this] { BTNRawLogClick(); }); });
  connect(BTNToDevice, &QPushButton::clicked, this, [this] { RunCommand([this] { BTNToDeviceClick(); }); });
}

void TFormImportDevice::BTNRawLogClick() {
  // The dialog starts at the last raw log each time.
  OpenDialog1.FileName.clear();
  if (!ExecuteFileDialog(this, OpenDialog1, QString::fromLatin1(TImportDeviceTexts::LastFileKey))) return;
  ImportRawLog(OpenDialog1.FileName.toStdString());
}

void TFormImportDevice::ImportRawLog(const std::string& FileName) {
  TWaitCursor wait;
  TRawLogReader file(FileName);  // a file that does not open leaves the log as it was
  std::atomic<bool> cancel{false};
  TPacedImportLog log(cancel);
  TImportDevice& import = FImport;
  import.SetLog(log);
  std::exception_ptr failure;
  QEventLoop loop;
  BTNRawLog->setEnabled(false);
  BTNToDevice->setEnabled(false);
  std::thread reader([&] {
    try {
      import.BeginRawLog();
      for (std::string_view line; file.Next(line);) {
        if (cancel) throw EAbort("USER ABORT");
        import.AddRawLogLine(line);
      }
      import.EndRawLog();
      // The editor's lines are made here too and handed over in parts, so that the window
      // neither waits for them nor holds the whole entry text twice.
      QStringList part;
      bool first = true;
      auto hand = [&] {
        log.Pass([this, part = std::move(part), first] {
          if (first) Editor->Clear();
          Editor->AddLines(part);
        });
        part = QStringList();
        first = false;
      };
      std::vector<std::string> lines;
      for (const auto& info : import.AttributeInfos.Items) {
        if (cancel) throw EAbort("USER ABORT");
        lines.clear();
        TAttributeInfos::AddEntryLines(*info, lines);
        for (const std::string& line : lines) part << QString::fromStdString(line);
        if (part.size() >= kEntryLinesPerPart) hand();
      }
      hand();
    } catch (...) {
      failure = std::current_exception();
    }
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  // Returns early when the application quits; the thread is then stopped.
  loop.exec();
  cancel = true;
  log.Release();
  reader.join();
  import.SetLog(FLog);
  BTNRawLog->setEnabled(true);
  BTNToDevice->setEnabled(true);
  if (failure) std::rethrow_exception(failure);
}

void TFormImportDevice::BTNToDeviceClick() {
  TWaitCursor wait;
  std::vector<std::string> lines;
  for (const QString& line : Editor->Lines()) lines.push_back(line.toStdString());
  FImport.EntriesToDevice(lines);
}

}  // namespace zv
