#include "server/application_process.h"

#include <utility>

#include "cosem/logical_device.h"
#include "foundation/globals.h"
#include "foundation/logger.h"
#include "security/security_material_server.h"
#include "server/association_control.h"
#include "server/cosem_service.h"
#include "server/hdlc_session_stack.h"
#include "server/logical_device_wrapper.h"
#include "server/make_service.h"
#include "server/misc_helpers.h"
#include "server/service_handlers.h"
#include "server/settings.h"
#include "server/transfer_context.h"
#include "transport/hdlc_server_layer.h"
#include "transport/serial_layer.h"
#include "transport/tcp_server_layer.h"
#include "transport/wrapper_layer.h"

namespace zv {

namespace {

constexpr int kProfileTCP = 1;
constexpr int kProfileHDLC = 3;
// The longest a pass waits for a request before it looks at the flags again.
constexpr int64_t kPassWaitMs = 100;
// How long a pass looks for the next request of a connected client before it sleeps.
constexpr auto kLookBeforeSleep = std::chrono::microseconds(50);

// The TCP profile: the TCP server layer with the DLMS wrapper on top.
class TTCPSessionStack final : public TSessionStack {
 public:
  // SessionLine is told the port listened on, or the port tried when listening fails.
  TTCPSessionStack(const TSessionStackCallbacks& Callbacks, const std::string& BindAddress, int Port,
                   const std::function<void(int)>& SessionLine, const std::function<void(int)>& OnListening) {
    FTCP.Name = "TCPServer";
    FTCP.SetPort(Port);
    FTCP.SetReceiveTimeout(TFormPreferences::GetEDITReceiveTimeout());
    FTCP.BindAddress = BindAddress;
    FTCP.OnDisconnectedProc = [this, cb = Callbacks.OnDisconnected](TProtocolLayerAbstract* Sender) {
      if (cb) cb(Sender);
      Wake();
    };
    FTCP.OnConnectedProc = [this, cb = Callbacks.OnConnected](TProtocolLayerAbstract* Sender) {
      if (cb) cb(Sender);
      Wake();
    };
    try {
      FTCP.StartListening();
    } catch (...) {
      SessionLine(Port);
      throw;
    }
    SessionLine(FTCP.ListeningPort());
    if (OnListening) OnListening(FTCP.ListeningPort());
    FWrapper.Name = "Wrapper";
    FWrapper.SetSupportingLayer(&FTCP);
    if (Callbacks.OnLowerLayerLog) FWrapper.LogProc = Callbacks.OnLowerLayerLog;
  }
  ~TTCPSessionStack() override { FTCP.StopListening(); }

  TProtocolLayerAbstract& Top() override { return FWrapper; }
  TProtocolLayerAbstract& Lower() override { return FTCP; }

  void WaitForActivity(int64_t Ms) override {
    if (FTCP.IsConnected()) {
      // A client that has just been answered mostly sends its next request at once: looking
      // for it a few microseconds before going to sleep spares the request a wake-up.
      const auto until = std::chrono::steady_clock::now() + kLookBeforeSleep;
      while (!FTCP.ReceiveWaiting() && FTCP.IsConnected() &&
             !AbortRequested.load(std::memory_order_relaxed) && std::chrono::steady_clock::now() < until) {
      }
      if (FTCP.InputBuffer().ByteQty() > 0) return;
      FTCP.InputBuffer().WaitForData(Ms, [this] { return !FTCP.IsConnected() || AbortRequested.load(); });
      return;
    }
    std::unique_lock<std::mutex> g(FMutex);
    FCv.wait_for(g, std::chrono::milliseconds(Ms),
                 [this] { return FWoken || FTCP.IsConnected() || AbortRequested.load(); });
    FWoken = false;
  }

 private:
  void Wake() {
    {
      std::lock_guard<std::mutex> g(FMutex);
      FWoken = true;
    }
    FCv.notify_all();
  }

  std::mutex FMutex;
  std::condition_variable FCv;
  bool FWoken = false;
  TAbortSubscription FAbortSubscription{[this] { Wake(); }};
  TProtocolLayerTCPServer FTCP;
  TProtocolLayerWrapper FWrapper;
};

}  // namespace

TApplicationProcess::TApplicationProcess(TApplicationProcessOptions Options)
    : FOptions(std::move(Options)),
      FHolder(FOptions.DeviceHolder ? *FOptions.DeviceHolder : LogicalDeviceWrapper()),
      FClock(FOptions.Clock ? *FOptions.Clock : DefaultClock()) {
  FStateChangeTick = FClock.NowMs();
  LoggingContext.SetLogStringProc([](const std::string& s) { Logger().StringToLog(s); });
  LoggingContext.SetLogStringListProc([](const std::vector<std::string>& l) { Logger().StringListToLog(l); });
  LoggingContext.SetLogProtocolItemProc([](const TCOSEMPduBase* Item, const std::string& Title, int Indent) {
    TMiscHelpers::LogProtocolItem(Item, Title, Indent);
  });
  FThread = std::thread(&TApplicationProcess::Execute, this);
}

TApplicationProcess::~TApplicationProcess() {
  {
    std::lock_guard<std::mutex> g(FCriticalSection);
    FTerminated = true;
    // A session ends only on abort.
    if (FState != isIdle || FEventPending) AbortRequested = true;
  }
  FEventCv.notify_all();
  FThread.join();
}

// ---- State ------------------------------------------------------------------------------------

const char* TApplicationProcess::StateString(TApplicationProcessState State) {
  switch (State) {
    case isIdle: return "Idle";
    case isStopped: return "Stopped";
    case isRunning: return "Running";
  }
  return "";
}

std::string TApplicationProcess::StateString() const { return StateString(State()); }

TApplicationProcessState TApplicationProcess::State() const {
  std::lock_guard<std::mutex> g(FCriticalSection);
  return FState;
}

int64_t TApplicationProcess::StateChangeTick() const {
  std::lock_guard<std::mutex> g(FCriticalSection);
  return FStateChangeTick;
}

void TApplicationProcess::SetOnStateChanged(std::function<void()> Handler) {
  std::lock_guard<std::mutex> g(FCriticalSection);
  FOnStateChanged = std::move(Handler);
}

void TApplicationProcess::SetState(TApplicationProcessState State) {
  std::function<void()> handler;
  {
    std::lock_guard<std::mutex> g(FCriticalSection);
    if (FState == State) return;
    FState = State;
    FStateChangeTick = FClock.NowMs();
    handler = FOnStateChanged;
  }
  if (handler) handler();
}

void TApplicationProcess::Run(const TApplicationProcessJob& NewJob) {
  {
    std::lock_guard<std::mutex> g(FCriticalSection);
    if (FState != isIdle || FTerminated) return;
    Job = NewJob;
    PendingEvent = ieRun;
    FEventPending = true;
  }
  FEventCv.notify_all();
}

bool TApplicationProcess::WaitForEvent() {
  bool stop = false;
  {
    std::lock_guard<std::mutex> g(FCriticalSection);
    stop = FState == isRunning && StepDone;
    StepDone = false;
  }
  if (stop) SetState(isStopped);
  for (;;) {
    TApplicationProcessEvent event;
    {
      std::unique_lock<std::mutex> g(FCriticalSection);
      if (FTerminated) return false;
      if (FState == isRunning) return true;
      FEventCv.wait(g, [this] { return FTerminated || FEventPending; });
      if (FTerminated) return false;
      event = PendingEvent;
      FEventPending = false;
    }
    switch (event) {
      case iePause: SetState(isStopped); break;
      case ieReset: throw EAbort("Operation aborted");
      case ieStep:
        SetState(isRunning);
        {
          std::lock_guard<std::mutex> g(FCriticalSection);
          StepDone = true;
        }
        break;
      case ieRun: SetState(isRunning); break;
    }
  }
}

void TApplicationProcess::Execute() {
  for (;;) {
    try {
      if (!WaitForEvent()) return;
      ServerSession();
    } catch (const std::exception& e) {
      Logger().RaisedException(e);
    }
    Logger().EndSession();
    SetState(isIdle);
  }
}

// ---- Session ----------------------------------------------------------------------------------

TSequence& TApplicationProcess::Device() {
  if (!FDevice) throw Exception("No logical device loaded");
  return *FDevice;
}

void TApplicationProcess::InitTransferContext() {
  auto ctx = std::make_unique<TTransferContext>();
  {
    TDeviceLock lock(FHolder);
    ctx->LogicalDevice = FHolder.LogicalDevice();
    ctx->DeviceGeneration = FHolder.Generation();
  }
  TMisc::TStringFormat format;
  TMisc::FormattedStrToByteStr(TFormPreferences::GetSystemTitle(), format, ctx->MySystemTitle);
  ctx->LoggingContext = &LoggingContext;
  ctx->GeneralBlockTransferInfo.AdvertizedWindowSize = static_cast<uint32_t>(TFormPreferences::GetGBTWindowSize());
  ctx->GeneralBlockTransferInfo.SendStreams = TFormPreferences::GetGBTSendStreams();
  ctx->GeneralBlockTransferInfo.AnswerAbortToAbort = TFormPreferences::GetGBTAbortToAbort();
  const int profile = TFormPreferences::GetCommunicationProfile();
  ZV_ASSERT(profile == kProfileTCP || profile == kProfileHDLC);
  ctx->CommunicationProfileInfo.Profile = profile == kProfileTCP ? cpTCP : cpHDLC;
  if (TFormPreferences::GetIPv6()) ctx->CommunicationProfileInfo.IPVersion = TIPVersion::IPv6;
  FTransferContext = std::move(ctx);
}

std::unique_ptr<TSessionStack> TApplicationProcess::MakeStack(int Profile) {
  TSessionStackCallbacks callbacks;
  callbacks.OnConnected = [this](TProtocolLayerAbstract* Sender) { OnConnected(Sender); };
  callbacks.OnDisconnected = [this](TProtocolLayerAbstract* Sender) { OnDisconnected(Sender); };
  if (!TFormPreferences::GetCHKDoNotLogSupportingLayerFrames()) callbacks.OnLowerLayerLog = OnLowerLayerLog;
  if (Profile == kProfileTCP) {
    // Checked before anything listens: a port out of range must not become another one.
    const int port = FOptions.AnyPort ? 0 : TFormPreferences::CheckedServerPortNr();
    auto sessionLine = [](int Port) {
      Logger().StringToLog(Format("TCP, port %d %s", Port, TFormPreferences::GetIPv6() ? "IPv6" : "IPv4"));
    };
    return std::make_unique<TTCPSessionStack>(callbacks, FOptions.BindAddress, port, sessionLine, FOptions.OnListening);
  }
  ZV_ASSERT(Profile == kProfileHDLC);
  return MakeHDLCSessionStack(callbacks, FOptions.SerialDevice);
}

void TApplicationProcess::ServerSession() {
  {
    // A destructor that came meanwhile has asked for the abort that ends this session.
    std::lock_guard<std::mutex> g(FCriticalSection);
    AbortRequested = FTerminated;
  }
  Logger().BeginSession();
  const int profile = TFormPreferences::GetCommunicationProfile();
  // The TCP line follows once the port is bound: it names the port really served.
  if (profile == kProfileHDLC)
    Logger().StringToLog(
        Format("HDLC, COM %d, @%d", TFormPreferences::GetHDLCCOMNr(), TFormPreferences::GetHDLCBaud()) +
        OnSerialDevice(TProtocolLayerSerial::DeviceNameOf(TFormPreferences::GetHDLCCOMNr(), FOptions.SerialDevice)));
  FMustInitTransferContext = false;
  InitTransferContext();
  std::unique_ptr<TSessionStack> stack = MakeStack(profile);
  do {
    if (FMustInitTransferContext.exchange(false)) InitTransferContext();
    if (stack->Lower().IsConnected()) ServeOneRequest(*stack);
    // Keys received by key transfer take effect once their answer has been sent: under the
    // device lock, and only while the device they belong to is still the one held.
    // The object a key_transfer went to is finished too when the key store holds another one.
    auto* keys = dynamic_cast<TSecurityMaterialServer*>(FTransferContext->SecurityMaterial.get());
    TCosemInstance_SecuritySetup* transferred = std::exchange(FTransferContext->KeysTransferredTo, nullptr);
    if ((keys || transferred) && FHolder.StartToUseUnlessAborted()) {
      struct TRelease {
        TLogicalDeviceWrapper& H;
        ~TRelease() { H.StopToUse(); }
      } release{FHolder};
      if (FTransferContext->DeviceGeneration == FHolder.Generation()) {
        if (keys) keys->CompleteKeysTransfer();
        if (transferred) TSecurityMaterialServer(transferred).CompleteKeysTransfer();
      }
    }
    // The pass's pause ends as soon as a request or abort arrives; a request kept from the
    // last exchange (one the client started while an answer went out) is served at once.
    if (!AbortRequested && FTransferContext->ReceivedBufferInfo.Buffer.empty()) stack->WaitForActivity(kPassWaitMs);
  } while (!AbortRequested);
}

void TApplicationProcess::SendOrNoResponse(TSessionStack& Stack, const TCOSEMpdu* Answer) {
  if (Answer) {
    TCOSEMService::SendCOSEMService(*FTransferContext, Stack.Top(), *Answer);
  } else {
    // The flag first: a link waiting for the answer is released at once.
    NoResponseGenerated = true;
    Logger().StringToLog("No response generated");
  }
}

void TApplicationProcess::ServeOneRequest(TSessionStack& Stack) {
  try {
    enum { kNormal, kNoAnswer, kExceptionAnswer } kind = kNormal;
    COSEMpduPtr service;
    try {
      TCOSEMService::ReceiveCOSEMService(*FTransferContext, Stack.Top(), service);
    } catch (const EKeyMissing&) {
      kind = kNoAnswer;
    } catch (const EProtection& e) {
      kind = kExceptionAnswer;
      Logger().StringToLog(Format("SECURITY: %s", e.what()));
    }
    COSEMpduPtr answer;
    if (kind == kNormal) {
      try {
        answer = HandleRequest(*service);
      } catch (const EDataProtection& e) {
        Logger().StringToLog(Format("*** DATA PROTECTION *** %s", e.what()));
        answer = TMakeService::ExceptionResponse();
      }
    } else if (kind == kExceptionAnswer) {
      answer = TMakeService::ExceptionResponse();
    }
    SendOrNoResponse(Stack, answer.get());
  } catch (const ENoResponse&) {
  } catch (const EMakeCOSEMPdu& e) {
    try {
      COSEMpduPtr answer = AnswerUndecodable(e.Octets);
      SendOrNoResponse(Stack, answer.get());
    } catch (const std::exception& e2) {
      FailedWithoutAnswer(e2);
    }
  } catch (const std::exception& e) {
    FailedWithoutAnswer(e);
  }
}

void TApplicationProcess::FailedWithoutAnswer(const std::exception& e) {
  // A link waiting for the answer to the failed request is released; a drop came before
  // any request was taken, and the next link's request may already be waiting.
  if (!dynamic_cast<const EHDLCDisconnected*>(&e)) NoResponseGenerated = true;
  Logger().StringToLog(Format("*** EXCEPTION *** %s", e.what()));
}

COSEMpduPtr TApplicationProcess::HandleRequest(const TCOSEMpdu& Service) {
  if (!FHolder.StartToUseUnlessAborted()) CheckUserAbort();
  struct TRelease {
    TApplicationProcess& P;
    ~TRelease() {
      P.FDevice = nullptr;
      P.FHolder.StopToUse();
    }
  } release{*this};
  if (FTransferContext->DeviceGeneration != FHolder.Generation()) {
    // The device was replaced: nothing of the old one may be used, so its association ends
    // here and the request is served as the first of a new connection.
    const bool associated = FTransferContext->GetAssociationStatus() != 0;
    const int clientId = FTransferContext->ClientId, serverId = FTransferContext->ServerId;
    InitTransferContext();
    FTransferContext->ClientId = clientId;
    FTransferContext->ServerId = serverId;
    if (associated) Logger().StringToLog("*** Device replaced, association ended");
  }
  FDevice = FHolder.LogicalDevice();
  switch (FTransferContext->GetAssociationStatus()) {
    case 0: return TAssociationControl::HandleNonAssociated(*this, Service);
    case 1: return TAssociationControl::HandleAssociationPending(*this, Service);
    case 2: return TServiceHandlers::HandleAssociated(*this, Service);
    default: CheckAssertion(false, 1142); return nullptr;
  }
}

COSEMpduPtr TApplicationProcess::AnswerUndecodable(const PduStr& Octets) {
  if (Octets.empty()) return nullptr;
  const uint8_t tag = static_cast<uint8_t>(Octets[0]);
  switch (tag) {
    case 5:
      return TCOSEMPDUHelper::MakeFromXml(
          "<ReadResponse Qty = \"01\">  <DataAccessError Value = \"OtherReason\" /></ReadResponse>");
    case 6:
      return TCOSEMPDUHelper::MakeFromXml(
          "<WriteResponse Qty = \"01\">  <DataAccessError Value = \"OtherReason\" /></WriteResponse>");
    case 192:
      if (Octets.size() < 3) return nullptr;
      return TCOSEMPDUHelper::MakeFromXml(
          Format("<GetResponse>  <GetResponseNormal>    <InvokeIdAndPriority Value = \"%s\" />      <Result>        "
                 "<DataAccessError Value = \"OtherReason\" />      </Result>  </GetResponseNormal></GetResponse>",
                 IntToHex(static_cast<uint8_t>(Octets[2]), 2).c_str()));
    case 193:
      if (Octets.size() < 3) return nullptr;
      return TCOSEMPDUHelper::MakeFromXml(
          Format("<SetResponse>  <SetResponseNormal>    <InvokeIdAndPriority Value = \"%s\" />    <Result Value = "
                 "\"OtherReason\" />  </SetResponseNormal></SetResponse>",
                 IntToHex(static_cast<uint8_t>(Octets[2]), 2).c_str()));
    default: return nullptr;
  }
}

// ---- Callbacks of the transport -----------------------------------------------------------------

void TApplicationProcess::OnConnected(TProtocolLayerAbstract* Sender) {
  std::string peer;
  if (auto* tcp = dynamic_cast<TProtocolLayerTCPServer*>(Sender)) peer = tcp->IP();
  Logger().StringToLog(Format("*** (Inbound) connected to %s", peer.c_str()));
}

void TApplicationProcess::OnDisconnected(TProtocolLayerAbstract*) {
  FMustInitTransferContext = true;
  Logger().StringToLog("*** Disconnected");
}

void TApplicationProcess::OnLowerLayerLog(const std::vector<std::string>& Lines) {
  if (Lines.size() == 1) Logger().StringToLog(Lines[0]);
  else Logger().StringListToLog(Lines);
}

}  // namespace zv
