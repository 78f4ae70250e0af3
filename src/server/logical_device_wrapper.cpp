#include "server/logical_device_wrapper.h"

#include "foundation/codec.h"
#include "foundation/globals.h"
#include "server/object_services.h"

namespace zv {

TLogicalDeviceWrapper::TLogicalDeviceWrapper() {
  FAbortSubscription = std::make_unique<TAbortSubscription>([this] {
    { std::lock_guard<std::mutex> g(FMutex); }
    FCv.notify_all();
  });
}

TLogicalDeviceWrapper::~TLogicalDeviceWrapper() {
  SetLogicalDevice(nullptr);
  FAbortSubscription.reset();
}

bool TLogicalDeviceWrapper::Acquire(bool Abortable) {
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock<std::mutex> g(FMutex);
  if (FOwner == self) {
    ++FDepth;
    return true;
  }
  FCv.wait(g, [&] { return FDepth == 0 || (Abortable && AbortRequested.load()); });
  if (FDepth != 0) return false;
  FOwner = self;
  FDepth = 1;
  return true;
}

void TLogicalDeviceWrapper::StartToUse() { Acquire(false); }

bool TLogicalDeviceWrapper::StartToUseUnlessAborted() { return Acquire(true); }

void TLogicalDeviceWrapper::StopToUse() {
  {
    std::lock_guard<std::mutex> g(FMutex);
    if (FOwner != std::this_thread::get_id() || FDepth == 0) return;
    if (--FDepth > 0) return;
    FOwner = std::thread::id();
  }
  FCv.notify_all();
}

void TLogicalDeviceWrapper::SetLogicalDevice(std::unique_ptr<TSequence> Value) {
  TDeviceLock lock(*this);
  FLogicalDevice = std::move(Value);
  ++FGeneration;
  if (FLogicalDevice) TLogicalDeviceHelper::BindBehaviour(*FLogicalDevice);
}

TLogicalDeviceWrapper& LogicalDeviceWrapper() {
  static TLogicalDeviceWrapper wrapper;
  return wrapper;
}

}  // namespace zv
