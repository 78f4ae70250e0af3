#include "foundation/errors.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace zv {

std::string Format(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  va_list ap2;
  va_copy(ap2, ap);
  char buf[256];
  int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  std::string out;
  if (n < 0) {
    va_end(ap2);
    return out;
  }
  if (static_cast<size_t>(n) < sizeof buf) {
    out.assign(buf, static_cast<size_t>(n));
  } else {
    out.resize(static_cast<size_t>(n) + 1);
    std::vsnprintf(out.data(), out.size(), fmt, ap2);
    out.resize(static_cast<size_t>(n));
  }
  va_end(ap2);
  return out;
}

ELexError ELexError::CreateWithPos(const std::string& message, int posY, int posX) {
  return ELexError(Format("(%d:%d) %s", posX + 1, posY + 1, message.c_str()), posX + 1, posY + 1);
}

void RaiseError(const std::string& message) { throw Exception(message); }

void AssertionFailure(const char* file, int line) {
  const char* base = std::strrchr(file, '/');
  throw EAssertionFailed(Format("Assertion failure (%s, line %d)", base ? base + 1 : file, line));
}

void CheckAssertion(bool condition, int code) {
  if (!condition) throw Exception(Format("Wrong assertion (%d)", code));
}

}  // namespace zv
