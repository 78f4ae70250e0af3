#include "kit/text/resources.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "kit/text/sys_info.h"
#include "kit/text/unicode.h"

namespace zv {

namespace {

struct TRegistry {
  std::mutex Lock;
  std::vector<std::span<const TKitResource>> Tables;
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

bool SameName(const char* Stored, const TKitString& Upper) {
  return KitUpperCase(KitFromPlatformText(Stored)) == Upper;
}

}  // namespace

void KitRegisterResources(std::span<const TKitResource> Resources) {
  TRegistry& r = Registry();
  std::lock_guard<std::mutex> lock(r.Lock);
  for (const auto& t : r.Tables)
    if (t.data() == Resources.data() && t.size() == Resources.size()) return;
  r.Tables.push_back(Resources);
}

std::span<const uint8_t> KitFindResource(const TKitString& Type, const TKitString& Name) {
  const TKitString type = KitUpperCase(Type);
  const TKitString name = KitUpperCase(Name);
  TRegistry& r = Registry();
  std::lock_guard<std::mutex> lock(r.Lock);
  for (auto t = r.Tables.rbegin(); t != r.Tables.rend(); ++t)
    for (const TKitResource& res : *t)
      if (SameName(res.Type, type) && SameName(res.Name, name)) return {res.Data, res.Size};
  return {};
}

}  // namespace zv
