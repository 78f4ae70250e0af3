#include "server/misc_helpers.h"

#include <atomic>
#include <chrono>
#include <vector>

#include "apdu/conformance.h"
#include "cosem/frame_counter.h"
#include "cosem/logical_device.h"
#include "foundation/codec.h"
#include "foundation/globals.h"
#include "foundation/logger.h"
#include "foundation/script_stream.h"
#include "server/settings.h"
#include "transport/logged_wait.h"

namespace zv {

namespace {

constexpr size_t kShortenedLines = 50;

std::atomic<uint32_t> gLastFC{0};

}  // namespace

void TMiscHelpers::LogProtocolItem(const TCOSEMPduBase* ProtocolItem, const std::string& Title, int Indent) {
  CheckAssertion(ProtocolItem != nullptr, 1073);
  TScriptStream s;
  s.Indent = Indent / 2;
  ProtocolItem->ToXML(s);
  std::string text;
  text.reserve(Title.size() + 2 + s.AsString().size());
  if (!Title.empty()) text.append(Title).append("\r\n");
  text += s.AsString();
  size_t lineCount = 0;
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++lineCount;
  if (!text.empty() && !text.ends_with("\r\n")) ++lineCount;
  if (lineCount > kShortenedLines && TFormPreferences::GetCHKShortenLongXmlLogging()) {
    std::vector<std::string> lines;
    SplitCrLfLines(text, lines);
    lines.resize(kShortenedLines);
    const std::string& last = lines.back();
    size_t blanks = last.find_first_not_of(' ');
    if (blanks == std::string::npos) blanks = last.size();
    lines.push_back(std::string(blanks, ' ') + "...");
    Logger().XMLStringListToLog(std::move(lines));
    return;
  }
  // One string per APDU: the lines are made on the thread that shows them.
  Logger().XMLTextToLog(std::move(text));
}

std::unique_ptr<TSequence> TMiscHelpers::MakeLogicalDevice(std::string_view Xml) { return zv::MakeLogicalDevice(Xml); }

void TMiscHelpers::Wait(int Ms, const std::string& Reason, const IClock& Clock) { LoggedWait(Ms, Reason, Clock); }

void TMiscHelpers::GetNextFC(uint32_t& FrameCounter) {
  const int64_t nowMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::system_clock::now().time_since_epoch()).count();
  const uint32_t c = TFrameCounter::ClockValue(nowMs);
  uint32_t last = gLastFC.load();
  uint32_t next;
  do {
    next = c > last ? c : last + 1;
  } while (!gLastFC.compare_exchange_weak(last, next));
  FrameCounter = next;
  Logger().StringToLog(Format("FRAME COUNTER: %u", next));
}

std::bitset<24> TConformanceHelper::ToSet(const TConformance& Conformance) {
  std::bitset<24> set;
  for (size_t i = 0; i < Conformance.Value.size() && i < 24; ++i)
    if (Conformance.Value[i] == '1') set.set(i);
  return set;
}

}  // namespace zv
