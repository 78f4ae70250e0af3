// Arbitrary bytes as an XML stream (the byte-order mark, or the binary signature, decides
// how they are read) and as text. Whatever loads must render, and its rendering must load
// back to the same rendering; the binary form must give the same document again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "kit/text/unicode.h"
#include "kit/text/xml_dom.h"

using namespace zv;

namespace {

// A table of its own per input: the process-wide one would only grow. Few buckets: a
// table of the usual 4096 took more time to make and free than the parse, and names that
// share a bucket exercise the chains.
IKitXmlDocument NewDocument() { return TKitXmlDocument::Create(std::make_shared<TKitXmlNameTable>(16, true)); }

void CheckRoundTrips(const IKitXmlDocument& Doc) {
  Doc->SetPreserveWhiteSpace(true);
  const TKitString xml = Doc->Xml();
  const IKitXmlDocument again = NewDocument();
  again->SetPreserveWhiteSpace(true);
  again->LoadXML(xml);  // a rendering that does not parse is a fault: let it escape
  if (again->Xml() != xml) __builtin_trap();
  const IKitXmlDocument binary = NewDocument();
  binary->SetPreserveWhiteSpace(true);
  binary->LoadXML(Doc->BinaryText());
  if (binary->Xml() != xml) __builtin_trap();
  Doc->SetPreserveWhiteSpace(false);
  (void)Doc->Xml();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    TKitMemoryStream stream(TKitByteArray(data, data + size));
    const IKitXmlDocument doc = NewDocument();
    bool loaded = true;
    try {
      doc->Load(stream);
    } catch (const Exception&) {
      loaded = false;
    }
    if (loaded && !KitIsBinaryXml(KitAnsiToString(std::string(reinterpret_cast<const char*>(data), size))))
      CheckRoundTrips(doc);
  }
  const TKitString text = KitAnsiToString(std::string(reinterpret_cast<const char*>(data), size));
  if (KitIsBinaryXml(text)) return 0;
  const IKitXmlDocument doc = NewDocument();
  try {
    doc->LoadXML(text);
  } catch (const Exception&) {
    return 0;
  }
  CheckRoundTrips(doc);
  return 0;
}
