#include <gtest/gtest.h>
TEST(Apdu, LibraryBuilds) { SUCCEED(); }
