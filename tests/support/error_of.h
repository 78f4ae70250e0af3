// The message of the error a call raises, for tests that compare error texts.
#pragma once
#include <string>

#include "foundation/errors.h"

namespace zv::test {

template <class F>
std::string ErrorOf(F f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "<no error>";
}

}  // namespace zv::test
