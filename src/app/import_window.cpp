#include "app/import_window.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/application.h"
#include "app/editor_frames.h"
#include "app/last_files.h"

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
  TWaitCursor wait;
  std::vector<std::string> entries = FImport.RawLogToEntries(ReadRawLogFile(OpenDialog1.FileName.toStdString()));
  Editor->Clear();
  Editor->AddLines(entries);
}

void TFormImportDevice::BTNToDeviceClick() {
  TWaitCursor wait;
  std::vector<std::string> lines;
  for (const QString& line : Editor->Lines()) lines.push_back(line.toStdString());
  FImport.EntriesToDevice(lines);
}

}  // namespace zv
