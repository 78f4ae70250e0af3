// The server: a thread that, once given a run job, builds the transport stack chosen in
// the settings, waits for a client, receives one APDU at a time, answers it and sends the
// answer, until abort is requested. It owns the association state of the connection and
// chooses by the association status who answers a request.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "apdu/cosem_pdu.h"
#include "crypto/logging_context.h"
#include "platform/clock.h"
#include "server/request_session.h"
#include "transport/protocol_layer.h"

namespace zv {

class TLogicalDeviceWrapper;
class TTransferContext;

enum TApplicationProcessState { isIdle, isStopped, isRunning };
enum TApplicationProcessEvent { iePause, ieReset, ieStep, ieRun };
enum TApplicationProcessJobKind { tjRunServer };

// Only Kind matters to the server.
struct TApplicationProcessJob {
  TApplicationProcessJobKind Kind = tjRunServer;
  std::string StringParam;
  std::function<void()> TheProcedure;
};

// The transport stack of one session, built when the session starts and torn down (by its
// destructor) when it ends.
class TSessionStack {
 public:
  virtual ~TSessionStack() = default;
  // The layer the service layer talks to.
  virtual TProtocolLayerAbstract& Top() = 0;
  // The bottom layer, which tells whether a client is connected.
  virtual TProtocolLayerAbstract& Lower() = 0;
  // Returns when a request may have arrived, the connection changed or abort was
  // requested, and after Ms milliseconds at the latest.
  virtual void WaitForActivity(int64_t Ms) = 0;
};

// What the session gives the stack it builds.
struct TSessionStackCallbacks {
  TConnectedProc OnConnected;
  TDisconnectedProc OnDisconnected;
  // Empty when supporting layer frames are not logged.
  TLogProc OnLowerLayerLog;
};

struct TApplicationProcessOptions {
  // The device holder; the process-wide one when null.
  TLogicalDeviceWrapper* DeviceHolder = nullptr;
  // TCP: a numeric address to listen on instead of every local address.
  std::string BindAddress;
  // TCP: told the port actually listened on once listening (on the session thread).
  std::function<void(int Port)> OnListening;
  // TCP: listen on a free port the system chooses instead of the settings' port (tests;
  // OnListening and the session line tell which).
  bool AnyPort = false;
  // HDLC: a device to open instead of the one of the settings' port number.
  std::string SerialDevice;
  // The clock of the state-change ticks.
  const IClock* Clock = nullptr;
};

class TApplicationProcess : private TRequestSession {
 public:
  // Starts the thread, which waits for a job at once (state Idle).
  explicit TApplicationProcess(TApplicationProcessOptions Options = {});
  // Ends the thread; a running session is aborted first.
  ~TApplicationProcess() override;
  TApplicationProcess(const TApplicationProcess&) = delete;
  TApplicationProcess& operator=(const TApplicationProcess&) = delete;

  // Takes the job and starts a session, but only while Idle; otherwise does nothing.
  void Run(const TApplicationProcessJob& Job);
  TApplicationProcessState State() const;
  // "Idle", "Stopped", "Running".
  std::string StateString() const;
  static const char* StateString(TApplicationProcessState State);
  int64_t StateChangeTick() const;
  // Called after every change of state, on the thread that changed it.
  void SetOnStateChanged(std::function<void()> Handler);

  // Answer to octets that could not be decoded; null for none.
  static COSEMpduPtr AnswerUndecodable(const PduStr& Octets);

 private:
  // TRequestSession.
  TTransferContext& TransferContext() override { return *FTransferContext; }
  TSequence& Device() override;
  void SetMustInitTransferContext() override { FMustInitTransferContext = true; }
  void InitTransferContext() override;

  void Execute();
  bool WaitForEvent();
  void SetState(TApplicationProcessState State);
  void ServerSession();
  std::unique_ptr<TSessionStack> MakeStack(int Profile);
  void ServeOneRequest(TSessionStack& Stack);
  COSEMpduPtr HandleRequest(const TCOSEMpdu& Service);
  void SendOrNoResponse(TSessionStack& Stack, const TCOSEMpdu* Answer);
  // A request that ended with an error and without answer.
  static void FailedWithoutAnswer(const std::exception& e);
  void OnConnected(TProtocolLayerAbstract* Sender);
  void OnDisconnected(TProtocolLayerAbstract* Sender);
  static void OnLowerLayerLog(const std::vector<std::string>& Lines);

  TApplicationProcessOptions FOptions;
  TLogicalDeviceWrapper& FHolder;
  const IClock& FClock;

  mutable std::mutex FCriticalSection;
  std::condition_variable FEventCv;
  TApplicationProcessState FState = isIdle;
  int64_t FStateChangeTick = 0;
  bool StepDone = false;
  bool FEventPending = false;
  bool FTerminated = false;
  TApplicationProcessEvent PendingEvent = ieRun;
  TApplicationProcessJob Job;
  std::function<void()> FOnStateChanged;

  std::unique_ptr<TTransferContext> FTransferContext;
  std::atomic<bool> FMustInitTransferContext{false};
  TLoggingContext LoggingContext;
  TSequence* FDevice = nullptr;  // while a request is handled
  std::thread FThread;
};

}  // namespace zv
