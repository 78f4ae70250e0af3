#include "server/device_process.h"

#include "cosem/logical_device.h"
#include "foundation/logger.h"
#include "server/logical_device_wrapper.h"

namespace zv {

namespace {

thread_local const IClock* tPassClock = nullptr;
thread_local TSequence* tPassDevice = nullptr;

}  // namespace

TDeviceProcess::TDeviceProcess(TLogicalDeviceWrapper& Holder, const IClock& Clock)
    : FHolder(Holder), FClock(Clock), FThread(&TDeviceProcess::Execute, this) {}

TDeviceProcess::~TDeviceProcess() {
  {
    std::lock_guard<std::mutex> g(FMutex);
    FTerminated = true;
  }
  FCv.notify_all();
  FThread.join();
}

const IClock& TDeviceProcess::PassClock() { return tPassClock ? *tPassClock : DefaultClock(); }

TSequence* TDeviceProcess::PassDevice() { return tPassDevice; }

void TDeviceProcess::Pass(TLogicalDeviceWrapper& Holder, const IClock& Clock) {
  TDeviceLock lock(Holder);
  TSequence* device = Holder.LogicalDevice();
  if (!device) return;
  struct TPassScope {
    TPassScope(const IClock& Clock, TSequence* Device) {
      tPassClock = &Clock;
      tPassDevice = Device;
    }
    ~TPassScope() {
      tPassClock = nullptr;
      tPassDevice = nullptr;
    }
  } scope(Clock, device);
  // Hooks may change the list (an association clone comes and goes): count it each time.
  for (int i = 0; i < TLogicalDevice::ObjectCount(*device); ++i) {
    TCOSEMInstance& object = TLogicalDevice::Object(*device, i);
    try {
      object.Process();
    } catch (const std::exception& e) {
      Logger().StringToLog(Format("Exception \"%s\" when processing instance \"%s\"", e.what(),
                                  ByteStrToHexStr(object.LogicalName()).c_str()));
    }
  }
}

void TDeviceProcess::Execute() {
  int64_t deadline = FClock.NowMs();
  for (;;) {
    {
      std::lock_guard<std::mutex> g(FMutex);
      if (FTerminated) return;
    }
    Pass(FHolder, FClock);
    deadline += kPeriodMs;
    const int64_t now = FClock.NowMs();
    if (deadline > now) {
      std::unique_lock<std::mutex> g(FMutex);
      FCv.wait_for(g, std::chrono::milliseconds(FClock.WaitBudgetMs(deadline - now)), [this] { return FTerminated; });
    }
  }
}

}  // namespace zv
