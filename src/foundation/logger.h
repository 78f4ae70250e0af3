// The log: entries made on any thread travel through a queue to the GUI thread, which
// writes them into the log pane. Producers never wait for the GUI thread, so a thread that
// holds the device lock may log while the GUI thread waits for that lock.
#pragma once
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/date_time.h"

namespace zv {

class IClock;
class TTrafficEvent;

enum TLogEventKind {
  lekBeginSession, lekEndSession, lekStringList, lekXMLStringList, lekString, lekClearLog
};

// The log pane as the shell implements it; called on the GUI thread only.
class ILogSink {
 public:
  virtual ~ILogSink() = default;
  // Empties the pane without an undo step.
  virtual void Clear() = 0;
  // Appends the lines in order; the view follows when it showed the last line before.
  virtual void AppendLines(const std::vector<std::string>& Lines) = 0;
  virtual int LineCount() const = 0;
  // A traffic event of a transport layer; freed by the logger afterwards. Shows nothing.
  virtual void TrafficEvent(const TTrafficEvent&) {}
};

// A log entry on its way to the GUI thread, stamped when it was made.
struct TLogEventMessage {
  int Kind = lekString;
  std::vector<std::string> Lines;  // string lists
  std::string Text;                // a single line
  int64_t Tick = 0;                // the clock's milliseconds
  TDateTime DateTime = 0;          // local date-time (session start and end only)
};

struct TLogExceptionMessage {
  std::string ClassName;
  std::string Message;
  int64_t Tick = 0;
};

class TLogger {
 public:
  // Clock stamps every entry; Now gives the date-times of session start and end.
  explicit TLogger(const IClock& Clock, std::function<TDateTime()> Now = NowDateTime);
  ~TLogger();
  TLogger(const TLogger&) = delete;
  TLogger& operator=(const TLogger&) = delete;

  // Lines kept before the pane is emptied; 0 means no limit.
  int MaxLogSize() const;
  void SetMaxLogSize(int Value);

  // Producer side, any thread; the caller keeps what it passes.
  void BeginSession();
  void EndSession();
  void StringListToLog(const std::vector<std::string>& L);
  void XMLStringListToLog(const std::vector<std::string>& L);
  // The same, taking the lines over instead of copying them.
  void XMLStringListToLog(std::vector<std::string>&& L);
  // XML lines as one text, each line ended by CR LF: they are split where the log is shown,
  // so that the producer makes one string instead of one per line.
  void XMLTextToLog(std::string Text);
  void StringToLog(const std::string& S);  // one time-stamped line
  void ClearLog();
  void RaisedException(const std::exception& E);

  // GUI side. The thread that attaches becomes the GUI thread: entries it logs itself are
  // written at once (after those still waiting). For entries of other threads OnPending is
  // called on the logging thread; it must only wake the GUI thread's event loop, which then
  // calls ProcessPending. Without a sink, entries are dropped.
  void Attach(ILogSink& Sink, std::function<void()> OnPending);
  // After it returns, OnPending is not running and is never called again.
  void Detach();
  // Writes every waiting entry, in the order they were made. GUI thread only.
  void ProcessPending();
  void HandleSimpleEventMessage(const TLogEventMessage& Msg);
  void HandleRaisedExceptionMessage(const TLogExceptionMessage& Msg);

  // A traffic event takes the same path and is freed after the sink has seen it.
  void PostTraffic(std::unique_ptr<TTrafficEvent> Event);

 private:
  struct TQueued;
  struct TState;
  void Post(TQueued&& Item);
  void PostEvent(int Kind, std::vector<std::string> Lines, std::string Text);
  void Handle(TQueued& Item);
  void Wake();
  std::string TimeStamp(int64_t Tick) const;
  void ApplySizeRule();

  std::unique_ptr<TState> F;
};

// The process-wide logger every subsystem uses; made on first use.
TLogger& Logger();

}  // namespace zv
