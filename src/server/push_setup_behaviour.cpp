#include "server/push_setup_behaviour.h"

#include <mutex>
#include <random>

#include "apdu/ber.h"
#include "apdu/notifications.h"
#include "cosem/association_classes.h"
#include "cosem/basic_classes.h"
#include "cosem/comm_types.h"
#include "cosem/push_setup.h"
#include "cosem/security_setup.h"
#include "foundation/data_helper.h"
#include "foundation/globals.h"
#include "foundation/logger.h"
#include "security/protection_layers.h"
#include "security/security_material_server.h"
#include "server/cosem_service.h"
#include "server/device_process.h"
#include "server/make_service.h"
#include "server/misc_helpers.h"
#include "server/object_services.h"
#include "transport/client_layers.h"
#include "transport/wrapper_layer.h"

namespace zv {

namespace TPushSetupObjectHelper {

std::atomic<int> ConnectTimeoutMs{kConnectTimeoutMs};

}  // namespace TPushSetupObjectHelper

namespace {

constexpr int kSuccess = 0;
constexpr int kTypeUnmatched = 12;
constexpr int kScopeOfAccessViolated = 13;

constexpr size_t kDateTimeSize = 12;

std::atomic<uint32_t> gNextNotificationInvokeId{0};

std::mutex gLocalTimeMutex;
std::function<TDateTimeRecord()> gLocalTimeSource;

std::string Hex(const PduStr& s) { return ByteStrToHexStr(s); }

// The destination as the text it holds.
std::string DestinationText(const TCOSEMInstance& Self) { return TPushSetup::Destination(Self); }

// The name of an enumeration value; a value without a name as its two hex digits.
std::string ValueName(const TypeInfo& Type, int Value) {
  try {
    return TEnum::GetString(Type, Value);
  } catch (const std::exception&) {
    return IntToHex(static_cast<uint8_t>(Value), 2);
  }
}

// An error's message, or its class name when it has none.
std::string MessageOf(const std::exception& e) {
  if (*e.what()) return e.what();
  if (const auto* x = dynamic_cast<const Exception*>(&e)) return x->ClassName();
  return "Exception";
}

// A log sink to the program's log, for a push started without a session.
TLoggingContext ProgramLog() {
  TLoggingContext c;
  c.SetLogStringProc([](const std::string& s) { Logger().StringToLog(s); });
  c.SetLogStringListProc([](const std::vector<std::string>& l) { Logger().StringListToLog(l); });
  c.SetLogProtocolItemProc([](const TCOSEMPduBase* Item, const std::string& Title, int Indent) {
    TMiscHelpers::LogProtocolItem(Item, Title, Indent);
  });
  return c;
}

void Note(const TPushSetupProcessData& Data, const std::string& Text) {
  Data.LoggingContext.LogString("DATA NOTIFICATION: " + Text);
}

int RandomWhole(int Below) {
  // Only the device tick draws, but a test may run a pass on its own thread.
  thread_local std::mt19937 generator{std::random_device{}()};
  return std::uniform_int_distribution<int>(0, Below - 1)(generator);
}

bool IsAlternative(const TData* d, const TypeInfo& t) { return d && d->Value && d->Value->IsA(t); }

// A window bound with its unspecified fields taken from Now; Wildcard tells whether any was.
bool WindowBound(const PduStr& Octets, const TDateTimeRecord& Now, TDateTimeRecord& Bound, bool& Wildcard) {
  if (Octets.size() != kDateTimeSize) return false;
  auto octet = [&](size_t i) { return static_cast<uint8_t>(Octets[i]); };
  const uint16_t year = static_cast<uint16_t>(octet(0) << 8 | octet(1));
  // Month 0xFD and 0xFE (daylight saving), day 0xFD and 0xFE (last days of the month)
  // name no single value either: they are taken as not specified.
  auto field = [&](uint16_t value, bool specified, uint16_t now) {
    if (!specified) Wildcard = true;
    return specified ? value : now;
  };
  Bound.Year = field(year, year != 0xFFFF, Now.Year);
  Bound.Month = field(octet(2), octet(2) >= 1 && octet(2) <= 12, Now.Month);
  Bound.Day = field(octet(3), octet(3) >= 1 && octet(3) <= 31, Now.Day);
  Bound.Hour = field(octet(5), octet(5) <= 23, Now.Hour);
  Bound.Min = field(octet(6), octet(6) <= 59, Now.Min);
  Bound.Sec = field(octet(7), octet(7) <= 59, Now.Sec);
  return true;
}

// Disconnects the client when the attempt ends, however it ends.
struct TDisconnectGuard {
  TProtocolLayerAbstract* Client = nullptr;
  ~TDisconnectGuard() {
    if (!Client) return;
    try {
      Client->Disconnect();
    } catch (const std::exception&) {
    }
  }
};

}  // namespace

namespace TPushSetupObjectHelper {

uint32_t NextNotificationInvokeId() { return gNextNotificationInvokeId.fetch_add(1); }

void SetLocalTimeSource(std::function<TDateTimeRecord()> Source) {
  std::lock_guard<std::mutex> g(gLocalTimeMutex);
  gLocalTimeSource = std::move(Source);
}

TDateTimeRecord LocalNow() {
  {
    std::lock_guard<std::mutex> g(gLocalTimeMutex);
    if (gLocalTimeSource) return gLocalTimeSource();
  }
  TDateTimeRecord r;
  DateTimeToRecord(r, NowDateTime());
  return r;
}

TPushSetupProcessData& ProcessData(TCOSEMInstance& Self) {
  if (!Self.ProcessData) Self.ProcessData = std::make_unique<TPushSetupProcessData>();
  auto* data = dynamic_cast<TPushSetupProcessData*>(Self.ProcessData.get());
  ZV_ASSERT(data != nullptr);
  return *data;
}

int InvokeMethod(TCOSEMInstance& Self, void* Context, TCOSEMInstance*, int MethodId, const TData* InvocationParameters,
                 std::unique_ptr<TData>& ResultData) {
  Self.Context = Context;
  ResultData.reset();
  if (MethodId != 1) return kScopeOfAccessViolated;
  return Push(Self, static_cast<TTransferContext*>(Context), InvocationParameters);
}

int Push(TCOSEMInstance& Self, TTransferContext* Context, const TData* InvocationParameters) {
  if (!IsAlternative(InvocationParameters, T_Integer8) || InvocationParameters->Value->As<TNumber>().AsInt64() != 0)
    return kTypeUnmatched;
  // A push asked for before the tick's first pass over a new device is kept, not refused.
  TPushSetupProcessData& data = ProcessData(Self);
  data.Trials = 0;
  data.LoggingContext = Context && Context->LoggingContext ? *Context->LoggingContext : ProgramLog();
  data.State = psTriggered;
  data.CommunicationProfileInfo = Context ? Context->CommunicationProfileInfo : TCommunicationProfileInfo();
  return kSuccess;
}

void Process(TCOSEMInstance& Self, const TSequence& Device, const IClock& Clock) {
  TPushSetupProcessData& data = ProcessData(Self);
  for (;;) {
    switch (data.State) {
      case psIdle:
        return;
      case psTriggered:
        data.State = TPushSetup::CommunicationWindows(Self).ElementCount() > 0 ? psAtFirstWindow
                                                                                : psAtRandomizationInterval;
        break;
      case psAtFirstWindow:
        if (!InCommunicationWindow(Self, LocalNow())) return;
        data.State = psAtRandomizationInterval;
        break;
      case psAtRandomizationInterval: {
        const int interval = TPushSetup::RandomisationStartInterval(Self);
        if (interval == 0) {
          data.State = psAtPush;
          break;
        }
        data.PerformanceCounterValue = Clock.NowMs();
        data.RandomDelay = RandomWhole(interval);
        data.State = psWaitEndOfRandomizationInterval;
        return;
      }
      case psWaitEndOfRandomizationInterval:
        if (Clock.NowMs() - data.PerformanceCounterValue < int64_t{data.RandomDelay} * 1000) return;
        data.State = psAtPush;
        break;
      case psAtPush: {
        bool sent = false;
        try {
          sent = TryPush(Self, Device, Clock);
        } catch (...) {
          data.State = psIdle;
          throw;
        }
        if (sent) {
          data.State = psIdle;
          return;
        }
        // Each attempt counts once: N retries give N + 1 attempts.
        if (data.Trials <= TPushSetup::NumberOfRetries(Self)) {
          data.PerformanceCounterValue = Clock.NowMs();
          data.State = psWaitEndOfRepetitionDelay;
          return;
        }
        data.State = psIdle;
        throw Exception(Format("Push to \"%s\" finally FAILED.", DestinationText(Self).c_str()));
      }
      case psWaitEndOfRepetitionDelay:
        if (Clock.NowMs() - data.PerformanceCounterValue < int64_t{TPushSetup::RepetitionDelay(Self)} * 1000) return;
        data.State = psAtPush;
        break;
      default:
        data.State = psIdle;
        return;
    }
  }
}

bool TryPush(TCOSEMInstance& Self, const TSequence& Device, const IClock& Clock) {
  TPushSetupProcessData& data = ProcessData(Self);
  ++data.Trials;
  if (TPushSetup::CommunicationWindows(Self).ElementCount() > 0 && !InCommunicationWindow(Self, LocalNow()))
    return false;
  COSEMpduPtr notification = BuildNotification(Self, Device);
  return SendNotification(Self, Device, *notification, Clock);
}

COSEMpduPtr BuildNotification(const TCOSEMInstance& Self, const TSequence& Device) {
  const uint32_t invokeId = NextNotificationInvokeId();
  const TDateTimeRecord time = TLogicalDeviceHelper::ClockDateTime(Device);
  COSEMpduPtr notification = TMakeService::DataNotification(invokeId, time);
  const auto& body = notification->Value->As<TSequence>().Get<TSequence>(DataNotification::NotificationBody);
  TSequenceOf& values = TDataHelper::AsStructure(body.Get<TChoice>(NotificationBody::DataValue));
  const TSequenceOf& list = TPushSetup::PushObjectList(Self);
  for (int i = 0; i < list.ElementCount(); ++i) {
    const auto& entry = list.Elements(i)->As<TSequence>();
    const int classId = static_cast<int>(entry.Get<TNumber>(CaptureObject::ClassId).AsUInt64());
    const PduStr& name = entry.Get<TOctetString>(CaptureObject::LogicalName).Value;
    const int attribute = static_cast<int>(entry.Get<TNumber>(CaptureObject::AttributeIndex).AsInt64());
    values.Add(PduPtr(TLogicalDeviceHelper::GetAttributeData(Device, name, classId, attribute).release()));
  }
  return notification;
}

bool SendNotification(TCOSEMInstance& Self, const TSequence& Device, const TCOSEMpdu& Notification,
                      const IClock& Clock) {
  TPushSetupProcessData& data = ProcessData(Self);
  const std::string destination = DestinationText(Self);
  // Declared before the client: the client is disconnected before it goes.
  std::unique_ptr<TProtocolLayerAbstract> client;
  TDisconnectGuard disconnect;
  TProtocolLayerWrapper wrapper;
  TTransferContext context;
  context.LoggingContext = &data.LoggingContext;
  try {
    const int message = TPushSetup::MessageType(Self);
    if (message != mtAXDR)
      throw Exception(Format("Message type \"%s\" is not supported", ValueName(T_MessageType, message).c_str()));
    Note(data, "Message type AXDR");

    bool ipv4 = false, error = true;
    int port = -1;
    std::string host;
    SplitHostAndPort(destination, ipv4, port, host, error);
    if (error) throw Exception(Format("Illegal IP/Port \"%s\"", destination.c_str()));
    // A socket address carries 16 bits: without this check a missing port would become 65535.
    if (port < 0) throw Exception(Format("No port in destination \"%s\"", destination.c_str()));
    if (port < 1 || port > 65535)
      throw Exception(Format("Port %d out of range 1..65535 in destination \"%s\"", port, destination.c_str()));
    Note(data, "Destination " + destination);

    const TIPVersion version = ipv4 ? TIPVersion::IPv4 : TIPVersion::IPv6;
    const int service = TPushSetup::TransportServiceType(Self);
    if (service == tsTCP) {
      Note(data, "Transport service TCP");
      auto tcp = std::make_unique<TProtocolLayerTCPClient>();
      tcp->SetIP(host);
      tcp->SetPort(port);
      tcp->SetIPVersion(version);
      tcp->SetConnectTimeout(ConnectTimeoutMs.load());
      client = std::move(tcp);
    } else if (service == tsUDP) {
      Note(data, "Transport service UDP");
      auto udp = std::make_unique<TProtocolLayerUDPClient>();
      udp->SetIP(host);
      udp->SetPort(port);
      udp->SetIPVersion(version);
      client = std::move(udp);
    } else {
      throw Exception(
          Format("Transport service \"%s\" is not supported", ValueName(T_TransportServiceType, service).c_str()));
    }
    client->SetClock(Clock);
    wrapper.SetClock(Clock);
    wrapper.SetSupportingLayer(client.get());

    const PduStr* reference = TPushSetup::AAReference(Self);
    if (!reference) throw Exception("No AA reference specified for the push-setup");
    Note(data, Format("Push done in the security context of AA %s", Hex(*reference).c_str()));
    const TCOSEMInstance* association = TLogicalDeviceHelper::FindInstance(Device, nullptr, *reference, 15);
    if (!association || !association->IsA(T_LNAssociationObject_3))
      throw Exception(Format("AA %s referenced in %s does not exist", Hex(*reference).c_str(),
                             Hex(Self.LogicalName()).c_str()));

    context.ApplicationContextName = TLNAssociation::ApplicationContextName(*association).Value;
    if (context.ApplicationContextName == TObjectIdentifier::LN_WITH_CIPHERING ||
        context.ApplicationContextName == TObjectIdentifier::SN_WITH_CIPHERING) {
      Note(data, "Push in ciphered context");
      const PduStr& setupName = TLNAssociation::SecuritySetupReference(*association);
      if (setupName.empty())
        throw Exception(Format("AA %s referenced does not reference a security setup", Hex(*reference).c_str()));
      auto* setup = dynamic_cast<TCosemInstance_SecuritySetup*>(
          TLogicalDeviceHelper::FindInstance(Device, nullptr, setupName, 64));
      if (!setup)
        throw Exception(Format("Security setup %s referenced in %s does not exist", Hex(setupName).c_str(),
                               Hex(*reference).c_str()));
      Note(data, Format("Push security setup %s", Hex(setupName).c_str()));
      context.SecuritySetupObject = setup;
      context.SecurityMaterial = std::make_unique<TSecurityMaterialServer>(setup);
      context.MySystemTitle = setup->ServerSystemTitle();
      context.ClientSystemTitle = setup->ClientSystemTitle();
      context.SetProtectionOfRequestReceived(std::make_unique<TProtectionLayers>());
    }

    context.ServerId = TLNAssociation::ServerSAP(*association);
    context.ClientId = TLNAssociation::ClientSAP(*association);
    context.SetAgreedConformance(TLNAssociation::Conformance(*association));
    context.AgreedMaxSendPduSize = TLNAssociation::MaxRecPduSize(*association);
    context.Confirmed = false;
    context.GeneralBlockTransferInfo.AdvertizedWindowSize = 1;
    context.CommunicationProfileInfo = data.CommunicationProfileInfo;

    disconnect.Client = client.get();
    client->Connect();
    TCOSEMService::SendCOSEMService(context, wrapper, Notification);
    return true;
  } catch (const std::exception& e) {
    Logger().StringToLog(Format("Exception \"%s\" when pushing to \"%s\"", MessageOf(e).c_str(), destination.c_str()));
    return false;
  }
}

bool InCommunicationWindow(const TCOSEMInstance& Self, const TDateTimeRecord& Now) {
  const TSequenceOf& windows = TPushSetup::CommunicationWindows(Self);
  for (int i = 0; i < windows.ElementCount(); ++i) {
    const auto& window = windows.Elements(i)->As<TSequence>();
    TDateTimeRecord start, end;
    bool wildcard = false;
    if (!WindowBound(TWindow::StartTime(window), Now, start, wildcard) ||
        !WindowBound(TWindow::EndTime(window), Now, end, wildcard))
      continue;
    const bool afterStart = Now.Compare(start) >= 0;
    const bool beforeEnd = Now.Compare(end) <= 0;
    if (start.Compare(end) <= 0 ? afterStart && beforeEnd : wildcard && (afterStart || beforeEnd)) return true;
  }
  return false;
}

}  // namespace TPushSetupObjectHelper

TCOSEMInstance::TInvokeMethodFunc MakePushSetupInvokeHook(TCOSEMInstance& Object) {
  ZV_ASSERT(Object.IsA(T_PushSetupObject));
  TCOSEMInstance* self = &Object;
  return [self](void* context, TCOSEMInstance* association, int methodId, const TData* parameters,
                std::unique_ptr<TData>& result) {
    return TPushSetupObjectHelper::InvokeMethod(*self, context, association, methodId, parameters, result);
  };
}

TCOSEMInstance::TProcessFunc MakePushSetupProcessHook(TCOSEMInstance& Object) {
  ZV_ASSERT(Object.IsA(T_PushSetupObject));
  TCOSEMInstance* self = &Object;
  return [self] {
    TSequence* device = TDeviceProcess::PassDevice();
    ZV_ASSERT(device != nullptr);
    TPushSetupObjectHelper::Process(*self, *device, TDeviceProcess::PassClock());
  };
}

}  // namespace zv
