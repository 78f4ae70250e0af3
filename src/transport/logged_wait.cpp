#include "transport/logged_wait.h"

#include "foundation/errors.h"
#include "foundation/globals.h"
#include "foundation/logger.h"

namespace zv {

void LoggedWait(int Ms, const std::string& Reason, const IClock& Clock) {
  std::string text = Ms < 1000 ? Format("Waiting %d ms", Ms) : Format("Waiting %d.%03d s", Ms / 1000, Ms % 1000);
  if (!Reason.empty()) text += " (" + Reason + ")";
  Logger().StringToLog(text);
  while (Ms > 1000) {
    CheckUserAbort();
    WaitForAbort(Clock.WaitBudgetMs(1000));
    Ms -= 1000;
  }
  if (Ms > 0) WaitForAbort(Clock.WaitBudgetMs(Ms));
}

}  // namespace zv
