// The numbers of the output files are written as printf writes them, byte for byte.
#include "builder/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

std::string printed(const char* format, int width, int precision, double value) {
    std::vector<char> text(size_t(std::snprintf(nullptr, 0, format, width, precision, value)) + 1);
    std::snprintf(text.data(), text.size(), format, width, precision, value);
    return text.data();
}

TEST(NumberText, FixedNumbersAreWhatPrintfWrites) {
    std::vector<double> values = {0.0, -0.0, 0.0005, 0.0015, 0.0025, 0.125, 2.675, 1e300, -1e300,
                                  std::numeric_limits<double>::max(),
                                  std::numeric_limits<double>::denorm_min(),
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(), std::nan(""),
                                  -std::nan("")};
    // Halves of the last digit shown, which printf rounds to even.
    for (long k = -5000; k <= 5000; ++k)
        for (double d : {8.0, 16.0, 1000.0, 2000.0}) values.push_back(double(k) / d);
    std::mt19937_64 random(7);
    for (int i = 0; i < 40000; ++i) {
        const std::uint64_t bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        values.push_back(value);
        values.push_back(std::ldexp(double(bits >> 11), -int(bits % 60)));
    }
    for (double value : values) {
        for (int precision : {2, 3}) {
            for (int width : {0, 4, 6}) {
                std::string text;
                appendFixed(text, value, width, precision);
                ASSERT_EQ(text, printed("%*.*f", width, precision, value)) << value;
            }
        }
    }
}

TEST(NumberText, IntegersAreWhatPrintfWrites) {
    for (int value : {0, 7, -7, 42, -42, 999, std::numeric_limits<int>::max(),
                      std::numeric_limits<int>::min()}) {
        std::string text;
        appendInteger(text, value, 2);
        char expected[32];
        std::snprintf(expected, sizeof expected, "%2d", value);
        EXPECT_EQ(text, expected);
    }
}

}  // namespace
