// A shared library bound on first use. A library or an entry point that cannot be bound
// becomes an exception naming it, raised at the first call that needs it.
#pragma once
#include <mutex>
#include <string>

#include "crypto/library_binding.h"

namespace zv {

class TDelayedLibrary {
 public:
  explicit TDelayedLibrary(std::string Name) : FName(std::move(Name)) {}
  ~TDelayedLibrary();
  TDelayedLibrary(const TDelayedLibrary&) = delete;
  TDelayedLibrary& operator=(const TDelayedLibrary&) = delete;

  const std::string& Name() const { return FName; }
  // Loads the library when it is not loaded yet and answers the entry's address. Raises
  // ELoadLibrary "Could not load <library>" or EGetProcAddress "Could not load <entry> from
  // <library>". Safe from any thread.
  void* Entry(const char* EntryName);
  template <class TFunction>
  TFunction Entry(const char* EntryName) {
    return reinterpret_cast<TFunction>(Entry(EntryName));
  }

 private:
  std::string FName;
  std::mutex FLock;
  void* FHandle = nullptr;
};

}  // namespace zv
