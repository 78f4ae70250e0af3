// Helpers of the server engine: logging an APDU as XML lines, building the device from its
// description, a logged wait and a second invocation counter; and the conformance block
// as a set of bit numbers.
#pragma once
#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace zv {

class TCOSEMPduBase;
class TConformance;
class TSequence;

struct TMiscHelpers {
  // The title (when not empty) and the item's XML lines at Indent go to the log as one
  // XML string list; with "shorten long XML logging" set, lists of more than 50 lines are
  // cut to 50 and a line "..." indented like the 50th. A null item: "Wrong assertion (1073)".
  static void LogProtocolItem(const TCOSEMPduBase* ProtocolItem, const std::string& Title, int Indent);
  // The device of a description text; XML errors carry line and column.
  static std::unique_ptr<TSequence> MakeLogicalDevice(std::string_view Xml);
  // Logs "Waiting %d ms" or "Waiting %d.%03d s" (and " (Reason)"), then waits: whole
  // seconds first, each after an abort test (the silent abort error), then the rest. The
  // waits end early when abort is requested.
  static void Wait(int Ms, const std::string& Reason, const IClock& Clock = DefaultClock());
  // An invocation counter of its own process-wide sequence; logs "FRAME COUNTER: %u".
  static void GetNextFC(uint32_t& FrameCounter);
};

struct TConformanceHelper {
  // Bit i is set when character i+1 of the bit text is '1' (bits 0 to 23).
  static std::bitset<24> ToSet(const TConformance& Conformance);
};

}  // namespace zv
