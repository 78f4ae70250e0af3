#include "kit/graphics/graphics_init.h"

#include "kit/graphics/global_container.h"
#include "kit/graphics/png_chunks.h"
#include "kit/graphics/settings.h"

namespace zv {

namespace {
bool gInitialized = false;
}

void KitGraphicsInitialize() {
  if (gInitialized) return;
  KitPNGInitialize();
  KitRegisteredClassNames();
  KitStateList();
  // Its four lists register the item classes.
  KitCreateGlobalContainer();
  KitCreatePrintResDataModule();
  gInitialized = true;
}

// In the reverse order of the start-up.
void KitGraphicsFinalize() {
  KitFreePrintResDataModule();
  KitFreeGlobalContainer();
  gInitialized = false;
}

bool KitGraphicsInitialized() { return gInitialized; }

}  // namespace zv
