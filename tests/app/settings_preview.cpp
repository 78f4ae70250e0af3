// Shows the settings dialog for a look at it by eye (not a test, not installed):
//   cmake --build build --target settings_preview && build/tests/app/settings_preview
#include "app/application.h"
#include "app/settings_dialog.h"
#include "foundation/globals.h"

int main(int argc, char** argv) {
  zv::TApplication application(argc, argv);
  zv::InitGlobals();
  zv::app::TFormPreferences dialog;
  dialog.exec();
  zv::DoneGlobals();
  return 0;
}
