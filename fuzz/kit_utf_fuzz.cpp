// Arbitrary bytes through the UTF-8 and UTF-16 converters, read both as UTF-8 and as
// UTF-16 units: whatever a converter accepts must convert back to the same input, and a
// rejected input leaves a prefix of what a clean conversion would give.
#include <cstddef>
#include <cstdint>
#include <string>

#include "kit/text/unicode.h"

using namespace zv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  TKitString units;
  for (size_t i = 0; i + 1 < size; i += 2) units += static_cast<char16_t>(data[i] | data[i + 1] << 8);

  // UTF-8 first, strict: accepted input round-trips.
  TKitString decoded;
  std::string encoded;
  const int r8 = KitUTF8ToUTF16(bytes, decoded, false, false);
  if (r8 != 0 && r8 != 1 && r8 != 3) __builtin_trap();
  if (KitUTF16ToUTF8(decoded, encoded, false, false) != 0) __builtin_trap();
  if (r8 == 0 ? encoded != bytes : bytes.compare(0, encoded.size(), encoded) != 0) __builtin_trap();

  // UTF-16 first, in both modes: strict output is legal UTF-8; lenient keeps lone
  // surrogates, and the lenient decoder gives them back.
  for (bool lenient : {false, true}) {
    std::string utf8;
    TKitString back;
    const int r16 = KitUTF16ToUTF8(units, utf8, lenient, false);
    if (r16 != 0 && r16 != 3) __builtin_trap();
    if (lenient && r16 != 0) __builtin_trap();
    if (KitUTF8ToUTF16(utf8, back, lenient, false) != 0) __builtin_trap();
    if (r16 == 0 ? back != units : units.compare(0, back.size(), back) != 0) __builtin_trap();
  }

  // The rest of the layer must simply hold: same length, no reads out of range.
  TKitString text;
  KitUTF8OrAnsiToString(bytes, text);
  if (KitUpperCase(units).size() != units.size() || KitLowerCase(units).size() != units.size()) __builtin_trap();
  for (char16_t c : units)
    if (KitGetUnicodeCategory(c) > ukCn) __builtin_trap();
  return 0;
}
