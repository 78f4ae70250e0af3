// Arbitrary text through the XML reader: every token, name lookup and value
// conversion must end in a result or an EXMLError, never a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/errors.h"
#include "foundation/xml_parser.h"

using namespace zv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  try {
    TXMLParser p(text);
    for (int steps = 0; steps < 100000 && p.Token() != xtEndOfBuffer; ++steps) {
      if (p.Token() == xtUnknown) break;  // the scanner does not consume what it cannot read
      try {
        (void)p.Tag();
        if (p.HasAttribute()) {
          PduStr b;
          if (p.AttributeId() == xmlValue) p.HexStrToByteStrOfValue(b);
        }
      } catch (const EXMLError&) {
      }
      p.Next();
    }
  } catch (const EXMLError&) {
  }
  return 0;
}
