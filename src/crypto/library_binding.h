// Errors of a cryptographic library that cannot be bound on first use, and the check every
// caller of the library's entries runs on their results.
#pragma once
#include "foundation/errors.h"

namespace zv {

// "Could not load " and the library's name.
ZV_ERROR_CLASS(ELoadLibrary, Exception)
// "Could not load " with the entry's name, " from " and the library's name.
ZV_ERROR_CLASS(EGetProcAddress, Exception)

// Raises ELoadLibrary or EGetProcAddress when Result tells that the library or the entry
// could not be bound; otherwise answers Result.
int CheckBinding(int result, const char* entryName);

}  // namespace zv
