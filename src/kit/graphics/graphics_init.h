// Start-up and shutdown of the graphics library, called by the program rather than left to
// the order of static initialisation: the PNG chunk registry and CRC table, the class
// registry (with the item classes of the containers), the control-state list, the global
// container and the print data module.
#pragma once

namespace zv {

// A second call does nothing until KitGraphicsFinalize.
void KitGraphicsInitialize();
// Frees the global container; the library can be started again.
void KitGraphicsFinalize();
bool KitGraphicsInitialized();

// Starts the library for its lifetime.
class TKitGraphicsScope {
 public:
  TKitGraphicsScope() { KitGraphicsInitialize(); }
  ~TKitGraphicsScope() { KitGraphicsFinalize(); }
  TKitGraphicsScope(const TKitGraphicsScope&) = delete;
  TKitGraphicsScope& operator=(const TKitGraphicsScope&) = delete;
};

}  // namespace zv
