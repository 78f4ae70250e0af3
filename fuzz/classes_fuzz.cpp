// A client's SET value for an attribute of any interface class or element type: the first
// two octets pick the type, the rest is its Data form. What decodes must re-encode to
// octets that decode to the same value, render to XML and read back to the same octets.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cosem/basic_classes.h"
#include "cosem/comm_classes.h"
#include "cosem/core_classes.h"
#include "cosem/meter_classes.h"

using namespace zv;

namespace {

const std::vector<const TypeInfo*>& AllTypes() {
  static const std::vector<const TypeInfo*> types = [] {
    std::vector<const TypeInfo*> all;
    for (const TypeTable* t : {&BasicClassTypes(), &CommunicationTypes(), &CoreClassTypes(), &MeterClassTypes()})
      all.insert(all.end(), t->types, t->types + t->count);
    return all;
  }();
  return types;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const auto& types = AllTypes();
  const TypeInfo& type = *types[(data[0] * 256u + data[1]) % types.size()];
  const std::string octets(reinterpret_cast<const char*>(data) + 2, size - 2);
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
