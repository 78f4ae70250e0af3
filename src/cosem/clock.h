// The clock object: time, time zone, status, daylight-saving rules and clock base, held as
// data (it keeps no time of its own).
#pragma once
#include "cosem/cosem_instance.h"

namespace zv {

extern const TypeInfo T_ClockObject, T_ClockBase;

// Attribute numbers of a clock object.
struct ClockAttr {
  enum : int {
    Name = 1, Time, TimeZone, Status, DaylightSavingsBegin, DaylightSavingsEnd, DaylightSavingsDeviation,
    DaylightSavingsEnabled, ClockBase
  };
};

}  // namespace zv
