#include "foundation/logger.h"

#include <atomic>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

#include "foundation/errors.h"
#include "foundation/misc.h"
#include "foundation/traffic.h"
#include "platform/clock.h"

namespace zv {

struct TLogger::TQueued {
  enum { qEvent, qException, qTraffic } Type = qEvent;
  TLogEventMessage Event;
  TLogExceptionMessage Exception;
  std::unique_ptr<TTrafficEvent> Traffic;
};

struct TLogger::TState {
  const IClock& Clock;
  std::function<TDateTime()> Now;
  std::atomic<int> MaxLogSize{0};

  // Guards the queue and the attachment.
  std::mutex Lock;
  std::vector<TQueued> Queue;
  ILogSink* Sink = nullptr;
  std::thread::id GuiThread;
  bool WakePending = false;  // OnPending was called and ProcessPending has not yet emptied the queue

  // Held while OnPending runs, so that Detach can wait for a call in progress.
  std::mutex NotifyLock;
  std::function<void()> OnPending;

  // GUI thread only: the log pane's session start.
  bool Draining = false;
  // The entries being handled, taken from Queue all at once; its storage and Queue's pass
  // back and forth, so producers and the GUI thread neither allocate for the queue nor wait
  // for each other entry by entry.
  std::vector<TQueued> Batch;
  int64_t StartTick = 0;
  TDateTime StartDateTime = 0;

  TState(const IClock& clock, std::function<TDateTime()> now) : Clock(clock), Now(std::move(now)) {}
};

TLogger::TLogger(const IClock& Clock, std::function<TDateTime()> Now)
    : F(std::make_unique<TState>(Clock, std::move(Now))) {
  F->StartTick = Clock.NowMs();
  F->StartDateTime = F->Now();
}

TLogger::~TLogger() = default;

int TLogger::MaxLogSize() const { return F->MaxLogSize.load(); }
void TLogger::SetMaxLogSize(int Value) { F->MaxLogSize.store(Value); }

void TLogger::Post(TQueued&& Item) {
  bool drainHere = false, wake = false;
  {
    std::lock_guard<std::mutex> guard(F->Lock);
    if (!F->Sink) return;  // nobody to show it to: dropped (a traffic event is freed here)
    // Stamped under the lock, so that time stamps rise in the order of the log.
    Item.Event.Tick = Item.Exception.Tick = F->Clock.NowMs();
    if (Item.Type == TQueued::qEvent &&
        (Item.Event.Kind == lekBeginSession || Item.Event.Kind == lekEndSession))
      Item.Event.DateTime = F->Now();
    F->Queue.push_back(std::move(Item));
    if (std::this_thread::get_id() == F->GuiThread) {
      drainHere = !F->Draining;  // while draining, the running loop picks it up
    } else if (!F->WakePending) {
      F->WakePending = wake = true;
    }
  }
  if (drainHere) ProcessPending();
  if (wake) Wake();
}

void TLogger::Wake() {
  std::lock_guard<std::mutex> guard(F->NotifyLock);
  if (F->OnPending) F->OnPending();
}

void TLogger::PostEvent(int Kind, std::vector<std::string> Lines, std::string Text) {
  TQueued item{TQueued::qEvent, {}, {}, nullptr};
  item.Event.Kind = Kind;
  item.Event.Lines = std::move(Lines);
  item.Event.Text = std::move(Text);
  Post(std::move(item));
}

void TLogger::BeginSession() { PostEvent(lekBeginSession, {}, {}); }
void TLogger::EndSession() { PostEvent(lekEndSession, {}, {}); }
void TLogger::StringListToLog(const std::vector<std::string>& L) { PostEvent(lekStringList, L, {}); }
void TLogger::XMLStringListToLog(const std::vector<std::string>& L) { PostEvent(lekXMLStringList, L, {}); }
void TLogger::XMLStringListToLog(std::vector<std::string>&& L) { PostEvent(lekXMLStringList, std::move(L), {}); }
void TLogger::XMLTextToLog(std::string Text) { PostEvent(lekXMLStringList, {}, std::move(Text)); }
void TLogger::StringToLog(const std::string& S) { PostEvent(lekString, {}, S); }
void TLogger::ClearLog() { PostEvent(lekClearLog, {}, {}); }

void TLogger::RaisedException(const std::exception& E) {
  TQueued item{TQueued::qException, {}, {}, nullptr};
  const auto* own = dynamic_cast<const Exception*>(&E);
  item.Exception.ClassName = own ? own->ClassName() : "Exception";
  item.Exception.Message = E.what();
  Post(std::move(item));
}

void TLogger::PostTraffic(std::unique_ptr<TTrafficEvent> Event) {
  TQueued item{TQueued::qTraffic, {}, {}, std::move(Event)};
  Post(std::move(item));
}

void TLogger::Attach(ILogSink& Sink, std::function<void()> OnPending) {
  {
    std::lock_guard<std::mutex> notify(F->NotifyLock);
    F->OnPending = std::move(OnPending);
  }
  std::lock_guard<std::mutex> guard(F->Lock);
  F->Sink = &Sink;
  F->GuiThread = std::this_thread::get_id();
}

void TLogger::Detach() {
  std::vector<TQueued> dropped;
  {
    std::lock_guard<std::mutex> guard(F->Lock);
    F->Sink = nullptr;
    F->GuiThread = std::thread::id();
    F->WakePending = false;
    dropped.swap(F->Queue);
  }
  std::lock_guard<std::mutex> notify(F->NotifyLock);
  F->OnPending = nullptr;
}

void TLogger::ProcessPending() {
  if (F->Draining) return;
  F->Draining = true;
  std::vector<TQueued>& batch = F->Batch;
  size_t next = 0;
  try {
    for (;;) {
      batch.clear();
      next = 0;
      {
        std::lock_guard<std::mutex> guard(F->Lock);
        if (F->Queue.empty() || !F->Sink) {
          F->WakePending = false;
          break;
        }
        batch.swap(F->Queue);
      }
      while (next < batch.size()) Handle(batch[next++]);
    }
  } catch (...) {
    // The failing entry is gone; the rest wait for the next call, which is asked for here.
    F->Draining = false;
    bool wake;
    {
      std::lock_guard<std::mutex> guard(F->Lock);
      F->Queue.insert(F->Queue.begin(), std::make_move_iterator(batch.begin() + static_cast<std::ptrdiff_t>(next)),
                      std::make_move_iterator(batch.end()));
      wake = !F->Queue.empty();
      F->WakePending = wake;
    }
    batch.clear();
    if (wake) Wake();
    throw;
  }
  batch.clear();
  F->Draining = false;
}

void TLogger::Handle(TQueued& Item) {
  switch (Item.Type) {
    case TQueued::qEvent: HandleSimpleEventMessage(Item.Event); break;
    case TQueued::qException: HandleRaisedExceptionMessage(Item.Exception); break;
    case TQueued::qTraffic:
      if (F->Sink) F->Sink->TrafficEvent(*Item.Traffic);
      Item.Traffic.reset();  // the receiver frees the event
      break;
  }
}

std::string TLogger::TimeStamp(int64_t Tick) const {
  return MsToElapsedText(Tick - F->StartTick, true) + ' ';
}

void TLogger::ApplySizeRule() {
  int max = F->MaxLogSize.load();
  // The whole pane goes, not just the lines above the limit.
  if (max > 0 && F->Sink->LineCount() > max) F->Sink->Clear();
}

void TLogger::HandleSimpleEventMessage(const TLogEventMessage& Msg) {
  CheckAssertion(Msg.Kind >= lekBeginSession && Msg.Kind <= lekClearLog, 1018);
  ILogSink* sink = F->Sink;
  if (!sink) return;
  switch (Msg.Kind) {
    case lekBeginSession:
      sink->Clear();
      sink->AppendLines({"STARTED " + FormatSessionDateTime(Msg.DateTime)});
      F->StartTick = Msg.Tick;
      F->StartDateTime = Msg.DateTime;
      break;
    case lekEndSession:
      sink->AppendLines({TimeStamp(Msg.Tick) + "STOPPED after " + FormatDuration(Msg.DateTime, F->StartDateTime)});
      break;
    case lekStringList:
      sink->AppendLines(Msg.Lines);
      break;
    case lekXMLStringList:
      if (Msg.Text.empty()) {
        sink->AppendLines(Msg.Lines);
      } else {
        std::vector<std::string> lines;
        SplitCrLfLines(Msg.Text, lines);
        sink->AppendLines(lines);
      }
      break;
    case lekString:
      sink->AppendLines({TimeStamp(Msg.Tick) + Msg.Text});
      break;
    case lekClearLog:
      sink->Clear();
      break;
  }
  ApplySizeRule();
}

void TLogger::HandleRaisedExceptionMessage(const TLogExceptionMessage& Msg) {
  ILogSink* sink = F->Sink;
  if (!sink) return;
  std::string text = Msg.ClassName == "Exception"
                         ? Format("EXCEPTION: %s", Msg.Message.c_str())
                         : Format("EXCEPTION (%s): %s", Msg.ClassName.c_str(), Msg.Message.c_str());
  sink->AppendLines({TimeStamp(Msg.Tick) + text});
}

TLogger& Logger() {
  static TLogger logger(DefaultClock());
  return logger;
}

}  // namespace zv
