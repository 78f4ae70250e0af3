// Helpers of the push tests: the push device, its push setups by name, their settings,
// and a device tick driven by hand on a clock that moves only when the test moves it.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "cosem/logical_device.h"
#include "cosem/push_setup.h"
#include "foundation/data_helper.h"
#include "foundation/globals.h"
#include "server/device_process.h"
#include "server/logical_device_wrapper.h"
#include "server/object_services.h"
#include "server/push_setup_behaviour.h"
#include "server/transfer_context.h"
#include "support/test_server.h"
#include "support/transport_test_support.h"

namespace zv::test {

// The device description among the test fixtures.
inline const std::string& PushDevice() {
  static const std::string text = [] { return ReadFile(std::string(ZV_FIXTURES_DIR) + "/push_device.xml"); }();
  return text;
}

inline const char* const kPushName = "0000190900FF";
inline const char* const kPushWithoutAA = "0000190901FF";

inline TCOSEMInstance& Object(TLogicalDeviceWrapper& Holder, const std::string& NameHex, int ClassId) {
  TDeviceLock lock(Holder);
  TCOSEMInstance* o =
      TLogicalDeviceHelper::FindInstance(*Holder.LogicalDevice(), nullptr, HexStrToByteStr(NameHex), ClassId);
  if (!o) throw Exception("no object " + NameHex);
  return *o;
}
inline TCOSEMInstance& PushSetup(TLogicalDeviceWrapper& Holder, const std::string& NameHex = kPushName) {
  return Object(Holder, NameHex, 40);
}

// The settings of a push, changed in place (the holder's lock taken by the caller or not
// needed while no other thread runs).
inline void SetDestination(TCOSEMInstance& Push, int Service, const std::string& Text, int Message = mtAXDR) {
  auto& d = Push.Get<TSequence>(PushSetupAttr::SendDestinationAndMethod - 1);
  d.Get<TEnum>(SendDestinationAndMethod::TransportServiceType).Value = Service;
  d.Get<TOctetString>(SendDestinationAndMethod::Destination).Value = Text;
  d.Get<TEnum>(SendDestinationAndMethod::Message).Value = Message;
}
inline void SetNumber(TCOSEMInstance& Push, int Attribute, int Value) {
  Push.Get<TNumber>(static_cast<size_t>(Attribute - 1)).SetInt64(Value);
}
// Windows as pairs of 12-octet date-times in hex.
inline void SetWindows(TCOSEMInstance& Push, const std::vector<std::pair<std::string, std::string>>& Windows) {
  std::string xml = Format("<CommunicationWindows Qty=\"%04X\" >", static_cast<unsigned>(Windows.size()));
  for (const auto& [start, end] : Windows)
    xml += "<_Window><StartTime Value=\"" + start + "\" /><EndTime Value=\"" + end + "\" /></_Window>";
  xml += "</CommunicationWindows>";
  Push.ReplaceAttribute(PushSetupAttr::CommunicationWindows,
                        MakeAnyFromXml(xmlCommunicationWindows, T_CommunicationWindows, xml));
}
inline std::unique_ptr<TData> IntegerZero() { return TDataHelper::MakeFromXml("<Data><Integer Value=\"00\" /></Data>"); }

inline TPushSetupProcessData& State(TCOSEMInstance& Push) { return TPushSetupObjectHelper::ProcessData(Push); }

// A port on which nobody listens: connections to it are refused.
inline int RefusingPort() {
  Peer p = Peer::ListenTcp("127.0.0.1");
  return p.LocalPort();
}

// The device tick by hand: each Tick moves the clock one period on and runs one pass.
class HandTick {
 public:
  explicit HandTick(TLogicalDeviceWrapper& Holder) : FHolder(Holder) {}
  void Pass() { TDeviceProcess::Pass(FHolder, Clock); }
  void Tick() {
    Clock.Ms += TDeviceProcess::kPeriodMs;
    Pass();
  }
  // Seconds since the clock's start.
  int64_t Seconds() const { return (Clock.Ms.load() - kStart) / 1000; }

  static constexpr int64_t kStart = 1000000;
  FakeClock Clock{kStart};

 private:
  TLogicalDeviceWrapper& FHolder;
};

// The lines of a log that contain Text.
inline int CountOf(const std::vector<std::string>& Lines, const std::string& Text) {
  int n = 0;
  for (const auto& l : Lines)
    if (l.find(Text) != std::string::npos) ++n;
  return n;
}

}  // namespace zv::test
