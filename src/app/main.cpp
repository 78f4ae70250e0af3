// The program: the settings and the instance slot first, then the application object, on
// the first start the example device for the editor, the main window, the settings dialog
// and the import window, and the event loop. On the way out the main window aborts a
// running session and ends the server's thread.
#include "app/application.h"
#include "app/first_start.h"
#include "app/main_window.h"
#include "foundation/globals.h"
#include "kit/graphics/graphics_init.h"

int main(int argc, char** argv) {
  zv::InitGlobals();
  int result;
  {
    const zv::TKitGraphicsScope graphics;
    zv::TApplication application(argc, argv);
    zv::SeedExampleDevice(zv::ExampleDataFolder());
    zv::TFormMain window;
    window.FormPreferences();
    window.FormImportDevice();
    window.show();
    result = application.exec();
  }
  zv::DoneGlobals();
  return result;
}
