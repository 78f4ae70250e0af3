// The behaviour of push setup objects. Method 1 (push) starts a push; the device tick then
// runs it once a second: wait for a communication window, wait a random delay, send a data
// notification to the destination over TCP or UDP under the DLMS wrapper, and after a
// failed attempt try again once the repetition delay is over, while retries remain.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "apdu/cosem_pdu.h"
#include "cosem/cosem_instance.h"
#include "crypto/logging_context.h"
#include "foundation/date_time.h"
#include "platform/clock.h"
#include "server/transfer_context.h"

namespace zv {

enum TPushSetupState : uint8_t {
  psIdle,
  psTriggered,
  psAtRandomizationInterval,
  psAtFirstWindow,
  psAtPush,
  psWaitEndOfRandomizationInterval,
  psWaitEndOfRepetitionDelay,
};

// The push state of one push setup object, kept in the object's ProcessData.
struct TPushSetupProcessData : TProcessData {
  TPushSetupState State = psIdle;
  // The tick clock's milliseconds at the start of the current wait.
  int64_t PerformanceCounterValue = 0;
  // Seconds to wait before the first attempt.
  int32_t RandomDelay = 0;
  // Attempts made since the push was triggered.
  int32_t Trials = 0;
  // The log sink of the session that triggered the push. A copy: the session may end
  // before the push does.
  TLoggingContext LoggingContext;
  TCommunicationProfileInfo CommunicationProfileInfo;
};

// Self is a T_PushSetupObject of Device; Device is the loaded TLogicalDevice. The sequence
// and the sending run under the device lock, on the device tick's thread; the method runs
// on the session's thread under the same lock.
namespace TPushSetupObjectHelper {

// Stores Context (the TTransferContext of the request, may be null) in Self's Context.
// Method 1 answers Push; any other method 13 (ScopeOfAccessViolated).
int InvokeMethod(TCOSEMInstance& Self, void* Context, TCOSEMInstance* LNAssociation, int MethodId,
                 const TData* InvocationParameters, std::unique_ptr<TData>& ResultData);
// The parameter must be the Data value integer 0, else 12 (TypeUnmatched) and nothing
// changes. Otherwise the push starts (again, when one is under way) and 0 is answered.
int Push(TCOSEMInstance& Self, TTransferContext* Context, const TData* InvocationParameters);
// One tick of the push sequence: it goes on until a step waits, with at most one attempt.
// The last failed attempt raises "Push to \"%s\" finally FAILED."; an error while the
// notification is built ends the push at once and is raised.
void Process(TCOSEMInstance& Self, const TSequence& Device, const IClock& Clock);
// One attempt; counts it. False when a window list is given and none is open, or when the
// sending failed (logged).
bool TryPush(TCOSEMInstance& Self, const TSequence& Device, const IClock& Clock);
// Connects to the destination, sends Notification and disconnects; false (logged) on any
// failure on the way.
bool SendNotification(TCOSEMInstance& Self, const TSequence& Device, const TCOSEMpdu& Notification,
                      const IClock& Clock);
// Whether Now lies within one of Self's communication windows, bounds included. Fields of
// a bound that are not specified (0xFF, year 0xFFFF, the special months and days) are
// those of Now, so "06:00 to 16:00 of any day" is open from 06:00:00 to 16:00:00 every
// day, and such a window whose end comes before its start runs over midnight. Day of week,
// hundredths, deviation and status are not compared. A window that is not two 12-octet
// date-times is never open.
bool InCommunicationWindow(const TCOSEMInstance& Self, const TDateTimeRecord& Now);
// The data notification of one attempt: the next invoke id, the time of the clock
// 0.0.1.0.0.255 and one value per push object list entry; a missing object or attribute
// raises the object services' error.
COSEMpduPtr BuildNotification(const TCOSEMInstance& Self, const TSequence& Device);
// Self's state record, made when missing.
TPushSetupProcessData& ProcessData(TCOSEMInstance& Self);
// The process-wide notification counter: 0 first, then 1, 2, ...
uint32_t NextNotificationInvokeId();

// The local date-time the windows are compared with: the wall clock, unless a test gives
// another source (an empty one restores the wall clock).
void SetLocalTimeSource(std::function<TDateTimeRecord()> Source);
TDateTimeRecord LocalNow();

// Milliseconds allowed for a push's TCP connection to be made. The attempt runs under the
// device lock, so this also bounds how long a client's request may wait for it.
inline constexpr int kConnectTimeoutMs = 10000;
// The connect time-out in use; tests shorten it.
extern std::atomic<int> ConnectTimeoutMs;

}  // namespace TPushSetupObjectHelper

// The hooks to bind to a push setup object (assertion failure for another class); Object
// must outlive them. The process hook works on the device of the running tick pass.
TCOSEMInstance::TInvokeMethodFunc MakePushSetupInvokeHook(TCOSEMInstance& Object);
TCOSEMInstance::TProcessFunc MakePushSetupProcessHook(TCOSEMInstance& Object);

}  // namespace zv
