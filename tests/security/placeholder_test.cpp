#include <gtest/gtest.h>
TEST(Security, LibraryBuilds) { SUCCEED(); }
