#include <gtest/gtest.h>
#include "common/symbols.h"
TEST(Symbols, TableOrder) { EXPECT_EQ(kStateSymbols[95], 0xE0); }
