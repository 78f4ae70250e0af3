#include "app/library_loader.h"

#include <dlfcn.h>

namespace zv {

TDelayedLibrary::~TDelayedLibrary() {
  if (FHandle) dlclose(FHandle);
}

void* TDelayedLibrary::Entry(const char* EntryName) {
  std::lock_guard<std::mutex> guard(FLock);
  if (!FHandle) {
    FHandle = dlopen(FName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!FHandle) throw ELoadLibrary("Could not load " + FName);
  }
  // An entry may be null by right; only dlerror tells a missing one.
  dlerror();
  void* address = dlsym(FHandle, EntryName);
  if (dlerror() != nullptr) throw EGetProcAddress(std::string("Could not load ") + EntryName + " from " + FName);
  return address;
}

}  // namespace zv
