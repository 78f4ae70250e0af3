#include "server/no_response.h"

#include <mutex>

namespace zv {

TNoResponseFlag NoResponseGenerated;

namespace {

struct TNotifier {
  std::mutex Mutex;
  std::function<void()> Call;
};

TNotifier& Notifier() {
  static TNotifier n;
  return n;
}

}  // namespace

void TNoResponseFlag::store(bool Value) {
  FValue.store(Value);
  if (!Value) return;
  TNotifier& n = Notifier();
  std::lock_guard<std::mutex> g(n.Mutex);
  if (n.Call) n.Call();
}

void TNoResponseFlag::SetNotifier(std::function<void()> Notifier_) {
  TNotifier& n = Notifier();
  std::lock_guard<std::mutex> g(n.Mutex);
  n.Call = std::move(Notifier_);
}

}  // namespace zv
