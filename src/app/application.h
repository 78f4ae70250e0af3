// The program's application object: an exception that reaches the event loop is shown in
// the exception box and the program goes on.
#pragma once
#include <exception>
#include <functional>

#include <QApplication>

namespace zv {

class TApplication : public QApplication {
 public:
  // Every window of the program carries the program's icon, and the desktop finds the
  // program's entry (zorvan.desktop) by the name given here.
  TApplication(int& Argc, char** Argv);
  bool notify(QObject* Receiver, QEvent* Event) override;
};

// The exception box: the message of E captioned with the program's name, over the active
// window. The silent abort (EAbort) shows nothing.
void ShowException(const std::exception& E);
// Runs a command of a menu or button; an exception it raises goes to the exception box.
void RunCommand(const std::function<void()>& Command);

}  // namespace zv
