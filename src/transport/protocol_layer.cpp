#include "transport/protocol_layer.h"

#include <chrono>
#include <cstring>

#include "foundation/logger.h"
#include "platform/clock.h"

namespace zv {

std::atomic<uint32_t> LastDisconnectTick{0};

// --- TByteCircularBuffer -------------------------------------------------------------

void TByteCircularBuffer::Write(const void* aSource, int Count) {
  if (Count <= 0) return;
  {
    std::lock_guard<std::mutex> g(FMutex);
    FData.append(static_cast<const char*>(aSource), static_cast<size_t>(Count));
    FQty.store(static_cast<int>(FData.size() - FHead), std::memory_order_release);
  }
  FCv.notify_all();
}

void TByteCircularBuffer::TransferStr(PduStr& Src) {
  Write(Src.data(), static_cast<int>(Src.size()));
  Src.clear();
}

int TByteCircularBuffer::Read(std::vector<uint8_t>& aBuffer, int Count) {
  std::lock_guard<std::mutex> g(FMutex);
  size_t held = FData.size() - FHead;
  size_t n = (Count > 0 && static_cast<size_t>(Count) <= held) ? static_cast<size_t>(Count) : held;
  aBuffer.resize(n);
  if (n) std::memcpy(aBuffer.data(), FData.data() + FHead, n);
  FHead += n;
  Compact();
  return static_cast<int>(n);
}

PduStr TByteCircularBuffer::ReadAll() {
  std::lock_guard<std::mutex> g(FMutex);
  PduStr s = FData.substr(FHead);
  FHead = FData.size();
  Compact();
  return s;
}

uint8_t TByteCircularBuffer::ReadByte() {
  uint8_t value;
  uint64_t epoch;
  ZV_ASSERT(TryReadByte(value, epoch));
  return value;
}

bool TByteCircularBuffer::TryReadByte(uint8_t& Value, uint64_t& Epoch) {
  std::lock_guard<std::mutex> g(FMutex);
  Epoch = FEpoch;
  if (FHead >= FData.size()) return false;
  Value = static_cast<uint8_t>(FData[FHead++]);
  Compact();
  return true;
}

void TByteCircularBuffer::Clear() {
  {
    std::lock_guard<std::mutex> g(FMutex);
    FData.clear();
    FHead = 0;
    ++FEpoch;
    FQty.store(0, std::memory_order_release);
  }
  FCv.notify_all();
}

uint64_t TByteCircularBuffer::Epoch() const {
  std::lock_guard<std::mutex> g(FMutex);
  return FEpoch;
}

void TByteCircularBuffer::PushFront(std::string_view s, uint64_t Epoch) {
  if (s.empty()) return;
  {
    std::lock_guard<std::mutex> g(FMutex);
    if (Epoch != FEpoch) return;
    if (FHead >= s.size()) {
      FHead -= s.size();
      std::memcpy(FData.data() + FHead, s.data(), s.size());
    } else {
      FData = std::string(s) + FData.substr(FHead);
      FHead = 0;
    }
    FQty.store(static_cast<int>(FData.size() - FHead), std::memory_order_release);
  }
  FCv.notify_all();
}

bool TByteCircularBuffer::WaitForData(int64_t Ms, const std::function<bool()>& Stop) {
  std::unique_lock<std::mutex> g(FMutex);
  auto ready = [&] { return FHead < FData.size() || (Stop && Stop()); };
  if (Ms > 0) FCv.wait_for(g, std::chrono::milliseconds(Ms), ready);
  return FHead < FData.size();
}

void TByteCircularBuffer::Notify() {
  { std::lock_guard<std::mutex> g(FMutex); }
  FCv.notify_all();
}

void TByteCircularBuffer::Compact() {
  // Taken octets are dropped from the front once they are the larger part.
  if (FHead == FData.size()) {
    FData.clear();
    FHead = 0;
  } else if (FHead > 4096 && FHead > FData.size() / 2) {
    FData.erase(0, FHead);
    FHead = 0;
  }
  FQty.store(static_cast<int>(FData.size() - FHead), std::memory_order_release);
}

// --- TProtocolLayerAbstract ----------------------------------------------------------

TProtocolLayerAbstract::TProtocolLayerAbstract() : FClock(&DefaultClock()) {}

TProtocolLayerAbstract::~TProtocolLayerAbstract() = default;

void TProtocolLayerAbstract::AbstractCall(const char* Operation) const {
  throw EAbstractError(Format("Abstract Error (%s)", Operation));
}

void TProtocolLayerAbstract::Connect() { AbstractCall("Connect"); }
void TProtocolLayerAbstract::Disconnect() { AbstractCall("Disconnect"); }
PduStr TProtocolLayerAbstract::SendRec(TLinkAddresses*, const PduStr&) { AbstractCall("SendRec"); }
bool TProtocolLayerAbstract::IsConnected() { AbstractCall("IsConnected"); }

void TProtocolLayerAbstract::Send(TLinkAddresses*, const PduStr&) {
  RaiseProtocolLayerException("\"Send\" not available");
}

PduStr TProtocolLayerAbstract::Rec(TLinkAddresses*) { RaiseProtocolLayerException("\"Rec\" not available"); }

void TProtocolLayerAbstract::DisconnectSupportingLayer() {}

void TProtocolLayerAbstract::PushBack(const PduStr&) {}

void TProtocolLayerAbstract::RaiseProtocolLayerException(const std::string& Message) const {
  throw EProtocolLayer(Name + ":" + Message);
}

void TProtocolLayerAbstract::ReportTraffic(const PduStr& Bytes, TTrafficOption Kind) const {
  TrafficWindowManager().OnTraffic(this, Bytes, TrafficOptions + Kind);
}

uint32_t TProtocolLayerAbstract::NowTick() const { return static_cast<uint32_t>(Clock().NowMs()); }

void TProtocolLayerAbstract::Guarded(const std::function<void()>& Call) {
  try {
    Call();
  } catch (const std::exception& e) {
    Logger().RaisedException(e);
  }
}

}  // namespace zv
