// Arbitrary bytes behind the binary-XML signature, read from a string and from a stream:
// bad input must end in an error, never in a crash or a large allocation; what loads must
// survive writing and reading again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "kit/text/xml_dom.h"

using namespace zv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(KitXmlBinarySignature);
  bytes.append(reinterpret_cast<const char*>(data), size);
  TKitString text;
  for (unsigned char c : bytes) text += static_cast<char16_t>(c);

  const IKitXmlDocument doc = TKitXmlDocument::Create();
  doc->SetPreserveWhiteSpace(true);
  bool loaded = true;
  try {
    doc->LoadXML(text);
  } catch (const Exception&) {
    loaded = false;
  }
  TKitMemoryStream stream(TKitByteArray(bytes.begin(), bytes.end()));
  const IKitXmlDocument fromStream = TKitXmlDocument::Create();
  fromStream->SetPreserveWhiteSpace(true);
  bool streamLoaded = true;
  try {
    fromStream->Load(stream);
  } catch (const Exception&) {
    streamLoaded = false;
  }
  if (loaded != streamLoaded) __builtin_trap();
  if (!loaded) return 0;
  const TKitString xml = doc->Xml();
  if (fromStream->Xml() != xml) __builtin_trap();

  const IKitXmlDocument again = TKitXmlDocument::Create();
  again->SetPreserveWhiteSpace(true);
  again->LoadXML(doc->BinaryText());
  if (again->Xml() != xml) __builtin_trap();
  for (uint32_t options : {0u, 1u}) {
    TKitMemoryStream out;
    doc->SaveBinaryForm(out, options);
    out.SetPosition(0);
    again->Load(out);
    if (options && again->Xml() != xml) __builtin_trap();
  }
  return 0;
}
