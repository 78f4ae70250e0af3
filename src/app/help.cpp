#include "app/help.h"

#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

#include "foundation/globals.h"

namespace zv {

namespace {
QPointer<QTextBrowser> gHelpWindow;
}  // namespace

bool HtmlHelpAvailable() { return true; }

QWidget* HtmlHelp(QWidget* Window, const QString& File, int Command, intptr_t /*Data*/) {
  if (Command != kHelpDisplayContents) return nullptr;
  QFileInfo file(File);
  if (!file.isFile() || !file.isReadable()) return nullptr;
  if (!gHelpWindow || gHelpWindow->parentWidget() != Window) {
    delete gHelpWindow;
    gHelpWindow = new QTextBrowser(Window);
    gHelpWindow->setWindowFlag(Qt::Window);
    gHelpWindow->setObjectName(QStringLiteral("HelpWindow"));
    gHelpWindow->resize(720, 560);
  }
  gHelpWindow->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
  QString title = gHelpWindow->documentTitle();
  gHelpWindow->setWindowTitle(title.isEmpty() ? file.fileName() : title);
  gHelpWindow->show();
  gHelpWindow->raise();
  gHelpWindow->activateWindow();
  return gHelpWindow;
}

QString HelpFile() { return QString::fromStdString(HelpFileName()); }

void ShowHelpContents(QWidget* Window) {
  QString file = HelpFile();
  if (HtmlHelpAvailable() && !file.isEmpty()) HtmlHelp(Window, file, kHelpDisplayContents, 0);
}

}  // namespace zv
