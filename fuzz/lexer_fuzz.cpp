// Arbitrary text through the lexical analyser: every call either reaches the end of the
// text or moves forward, so a caller that reads to the end always gets there.
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/errors.h"
#include "foundation/lexer.h"

using namespace zv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  TLexicalAnalyser lex;
  try {
    lex.SetText(text);
  } catch (const ELexError&) {
  }
  for (size_t steps = 0; steps <= size + 1 && lex.Token() != toEndOfBuffer; ++steps) {
    int before = lex.NextIdx();
    try {
      lex.Next();
    } catch (const ELexError&) {
    }
    if (lex.Token() != toEndOfBuffer && lex.NextIdx() <= before) __builtin_trap();
  }
  if (lex.Token() != toEndOfBuffer) __builtin_trap();
  return 0;
}
