#include "app/application.h"

#include "app/first_start.h"
#include "app/prompter.h"
#include "foundation/errors.h"

namespace zv {

TApplication::TApplication(int& Argc, char** Argv) : QApplication(Argc, Argv) {
  setWindowIcon(ProgramIcon());
  setDesktopFileName(QStringLiteral("zorvan"));
}

bool TApplication::notify(QObject* Receiver, QEvent* Event) {
  try {
    return QApplication::notify(Receiver, Event);
  } catch (const std::exception& e) {
    ShowException(e);
  }
  return false;
}

void ShowException(const std::exception& E) {
  if (dynamic_cast<const EAbort*>(&E)) return;
  Prompter().MessageBox(QApplication::activeWindow(), QString::fromLatin1(kProductName), QString::fromUtf8(E.what()),
                        mtError, mbOK);
}

void RunCommand(const std::function<void()>& Command) {
  try {
    Command();
  } catch (const std::exception& e) {
    ShowException(e);
  }
}

}  // namespace zv
