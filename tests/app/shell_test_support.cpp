#include "app/shell_test_support.h"

#include <cstdlib>
#include <fstream>
#include <memory>

#include <QApplication>
#include <QPointer>
#include <QWidget>

#include "app/application.h"
#include "foundation/globals.h"
#include "kit/editor/qt/find_dialog.h"

namespace zv {

namespace {

std::filesystem::path gRoot;
int gTestNr = 0;

// The offscreen platform says so each time a window asks for what it does not do.
QtMessageHandler gStandardHandler = nullptr;
void QuietOffscreenNotices(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith(QLatin1String("This plugin does not support"))) return;
  gStandardHandler(type, context, message);
}

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    char pattern[] = "/tmp/zv-app-test-XXXXXX";
    gRoot = mkdtemp(pattern);
    // Offscreen unless a platform is named; an empty name would make Qt look for a display.
    if (const char* platform = std::getenv("QT_QPA_PLATFORM"); platform == nullptr || *platform == '\0')
      ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("XDG_CONFIG_HOME", (gRoot / "config").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (gRoot / "runtime").c_str(), 1);
    std::filesystem::create_directories(gRoot / "runtime");
    std::filesystem::permissions(gRoot / "runtime", std::filesystem::perms::owner_all);
    gStandardHandler = qInstallMessageHandler(QuietOffscreenNotices);
    FApp = std::make_unique<TApplication>(FArgc, FArgv);
  }
  void TearDown() override {
    FApp.reset();
    DoneGlobals();
    std::filesystem::remove_all(gRoot);
  }

 private:
  int FArgc = 1;
  char FName[16] = "app_tests";
  char* FArgv[2] = {FName, nullptr};
  std::unique_ptr<TApplication> FApp;
};

[[maybe_unused]] ::testing::Environment* const gEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

void ShellTest::SetUp() {
  std::filesystem::path base = gRoot / ("test" + std::to_string(++gTestNr));
  ConfigFolder = base / "config";
  ExeFolder = base / "bin";
  std::filesystem::create_directories(ExeFolder);
  TGlobalsOptions options;
  options.ConfigRoot = ConfigFolder.string();
  options.ExeFolder = ExeFolder.string();
  InitGlobals(options);
}

void ShellTest::TearDown() {
  QList<QPointer<QWidget>> windows;
  for (QWidget* w : QApplication::topLevelWidgets()) windows << w;
  for (const QPointer<QWidget>& w : windows) delete w.data();
}

void ShellTest::WriteIni(const std::string& Text) {
  std::ofstream(IniFileName(), std::ios::binary) << Text;
}

TFindDialogAnswerer::TFindDialogAnswerer(std::function<void(TKitSedFindDlg&)> AAct) : Act(std::move(AAct)) {
  // A dialog ended by a button is hidden at once, so each one is answered once.
  QObject::connect(&FTimer, &QTimer::timeout, [this] {
    auto* dialog = dynamic_cast<TKitSedFindDlg*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) return;
    ++Seen;
    if (Act) Act(*dialog);
    else dialog->reject();
  });
  FTimer.start(1);
}

}  // namespace zv
