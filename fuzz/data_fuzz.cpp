// Arbitrary octets as a Data value: what decodes must re-encode to octets that decode
// to the same value (unused bits of a bit string are the only octets that may change),
// render to XML and read back to the same octets.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/data_helper.h"

using namespace zv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string octets(reinterpret_cast<const char*>(data), size);
  std::unique_ptr<TData> d;
  try {
    d = TDataHelper::MakeFromPduStr(octets);
  } catch (const Exception&) {
    return 0;
  }
  PduStr again = d->Encode();
  if (again.size() > octets.size()) std::abort();
  try {
    if (TDataHelper::MakeFromPduStr(again)->Encode() != again) std::abort();
  } catch (const Exception&) {
    std::abort();
  }
  std::string xml = "<Data>" + TDataHelper::ValueToXMLString(*d) + "</Data>";
  try {
    auto back = TDataHelper::MakeFromXml(xml);
    if (back->Encode() != again) std::abort();
  } catch (const Exception&) {
    std::abort();  // what we write we must read
  }
  return 0;
}
