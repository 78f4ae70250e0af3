// The text the editor benchmarks work on: about 4 MB, 100,000 lines shaped like a device
// description's.
#pragma once

#include <string>

#include "kit/text/kit_types.h"

namespace zv {

inline TKitString DeviceDescription() {
  TKitString text;
  text.reserve(4'200'000);
  const std::u16string lines[] = {
      u"    <DataObject>",
      u"      <LogicalName Value=\"0000600100FF\" />  // device identification",
      u"      <Value><OctetString Value=\"5A4F5256414E2D53494D554C41544F52\" /></Value>",
      u"    </DataObject>",
  };
  for (int i = 0; i < 100'000; ++i) {
    text += lines[i % 4];
    text += u"\r\n";
  }
  return text;
}

}  // namespace zv
