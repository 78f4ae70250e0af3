// A client's SET value for an attribute of a clock, association, security setup, push
// setup or data protection class: the first octet picks the class, the rest is its Data
// form. What decodes must re-encode to octets that decode to the same value, render to XML
// and read back to the same octets.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cosem/core_classes.h"

using namespace zv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const TypeTable& table = CoreClassTypes();
  const TypeInfo& type = *table.types[data[0] % table.count];
  const std::string octets(reinterpret_cast<const char*>(data) + 1, size - 1);
  PduPtr value;
  try {
    value = MakeAnyFromData(type.ownId, type, octets);
  } catch (const Exception&) {
    return 0;
  }
  PduStr again = value->EncodeData();
  if (again.size() > octets.size()) std::abort();
  try {
    if (MakeAnyFromData(type.ownId, type, again)->EncodeData() != again) std::abort();
    // Every value read from a peer can be written into a description and read back.
    if (MakeAnyFromXml(type.ownId, type, value->ToXMLString())->EncodeData() != again) std::abort();
  } catch (const Exception&) {
    std::abort();
  }
  return 0;
}
