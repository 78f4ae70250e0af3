// The program's application object: an exception that reaches the event loop is shown in
// the exception box and the program goes on.
#pragma once
#include <exception>
#include <functional>

#include <QApplication>

namespace zv {

class TApplication : public QApplication {
 public:
  TApplication(int& Argc, char** Argv) : QApplication(Argc, Argv) {}
  bool notify(QObject* Receiver, QEvent* Event) override;
};

// The exception box: the message of E captioned with the program's name, over the active
// window. The silent abort (EAbort) shows nothing.
void ShowException(const std::exception& E);
// Runs a command of a menu or button; an exception it raises goes to the exception box.
void RunCommand(const std::function<void()>& Command);

}  // namespace zv
