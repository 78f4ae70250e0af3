#include "kit/graphics/graphics_types.h"

namespace zv {

TKitString KitAsciiToString(const std::string& Text) { return TKitString(Text.begin(), Text.end()); }

}  // namespace zv
