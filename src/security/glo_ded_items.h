// The service-specific ciphered APDU of each plain APDU, by the plain APDU's tag.
#pragma once
#include "foundation/xml_ids.h"

namespace zv {

// The element of the globally ciphered form (glo_GetRequest for 192, ...); a tag without
// one raises "No glotag for tag %d".
TXMLId GloItemOfTag(int Tag);
// The element of the dedicated ciphered form; "No dedtag for tag %d".
TXMLId DedItemOfTag(int Tag);

}  // namespace zv
