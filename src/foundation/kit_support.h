// The registry of composite element names, from which the device editor's
// syntax scheme is completed (keywords and one folding block per composite element).
#pragma once
#include <string>
#include <vector>

#include "foundation/codec.h"

namespace zv {

class TKitSupport {
 public:
  static void AddSequenceClass(const TypeInfo& sequenceClass);
  static void AddArrayClass(const TypeInfo& arrayClass, const TypeInfo& elementClass);
  // Registers what a descriptor table declares: every SEQUENCE OF with its element
  // class, and every class flagged as a composite element (the interface classes).
  static void AddTypeTable(const TypeTable& table);
  static void Filter();
  static std::vector<std::string> RegisteredClassNames();
  static std::vector<std::string> GetKitSchema();
  static void Clear();
  // The scheme template the registry completes.
  static const char* SchemeTemplate();
};

}  // namespace zv
