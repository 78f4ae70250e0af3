// The program's help: an HTML page shown in a text-browser window. The Help command is inert
// when the page is missing.
#pragma once
#include <cstdint>

#include <QString>

class QWidget;

namespace zv {

// The command of the Help menu: show the page from its start (its table of contents).
inline constexpr int kHelpDisplayContents = 1;

// True when a help viewer can be called; the viewer is part of the program.
bool HtmlHelpAvailable();
// Shows File in the help window owned by Window (one window, reused) for the command
// kHelpDisplayContents; answers the help window, or nullptr when File cannot be read or the
// command is not known. Data is the command's parameter and unused by this command.
QWidget* HtmlHelp(QWidget* Window, const QString& File, int Command, intptr_t Data);

// The help page found at start-up (HelpFileName); empty when there is none.
QString HelpFile();
// The Help menu's command: shows the help page's contents, or does nothing without a page.
void ShowHelpContents(QWidget* Window);

}  // namespace zv
