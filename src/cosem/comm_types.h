// Element types of the communication classes that other interface classes share: the
// baud rate and address state, the time window and its list (push setup uses the window),
// and the capture time held as a plain octet string (parameter monitor uses it).
#pragma once
#include "foundation/axdr_types.h"

namespace zv {

extern const TypeInfo T_Baud, T_AddrState;
extern const TypeInfo T_Window, T_Windows;
extern const TypeInfo T_OctetDateTime;

// Views of a T_Window (a TSequence: StartTime, EndTime).
struct TWindow {
  static const PduStr& StartTime(const TSequence& window) { return window.Get<TOctetString>(0).Value; }
  static const PduStr& EndTime(const TSequence& window) { return window.Get<TOctetString>(1).Value; }
};

}  // namespace zv
