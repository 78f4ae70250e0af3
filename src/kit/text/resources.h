// Program resources: files compiled into the binary and found by type and name. The CMake
// function zv_resources (src/kit/text/CMakeLists.txt) turns files into a generated source
// that defines one function answering its table; the program registers the table once,
// explicitly, before it looks a resource up:
//
//   zv_resources(my_target FUNCTION MyResources TYPE XML FILES a.xml b.xml)
//   #include "MyResources.h"
//   zv::KitRegisterResources(zv::MyResources());   // idempotent
//   doc->LoadXmlResource(u"XML", u"a");            // name: file name without extension
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "kit/text/kit_types.h"

namespace zv {

struct TKitResource {
  const char* Type;  // UTF-8
  const char* Name;  // UTF-8
  const uint8_t* Data;
  size_t Size;
};

// Adds the resources of a table; registering the same table again changes nothing. A
// later table's resource hides an earlier one of the same type and name.
void KitRegisterResources(std::span<const TKitResource> Resources);
// The bytes of the resource (type and name compared ignoring case); empty when there is
// none.
std::span<const uint8_t> KitFindResource(const TKitString& Type, const TKitString& Name);

}  // namespace zv
