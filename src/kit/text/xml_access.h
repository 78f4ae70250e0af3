// For the XML loaders of this folder only: the few node internals that parsing and the
// binary form read and write directly, so that loading does not go through the checks of
// the public editing operations.
#pragma once
#include <utility>
#include <vector>

#include "kit/text/xml_dom.h"

namespace zv {

class TKitXmlParserAccess {
 public:
  // Appends a node made on Parent's name table.
  static void Append(TKitXmlNode& Parent, IKitXmlNode Child) { Parent.ChildNodes()->AppendNew(std::move(Child)); }
  static const std::vector<TKitXmlAttrData>& Attrs(const TKitXmlNode& Node) { return Node.FAttrs; }
  static void SetNames(TKitXmlNode& Node, IKitXmlNameTable Names) { Node.FNames = std::move(Names); }
};

}  // namespace zv
