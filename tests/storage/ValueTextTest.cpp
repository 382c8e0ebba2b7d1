// The locale-independent number text against the C library it replaces, run in the "C" locale where the two must
// agree byte for byte: "%f" for writing, strtod for reals and strtoll (clamped to 32 bits) for integers.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "storage/ValueText.h"

TEST(ValueText, RealsAreWrittenAsPrintfWritesThem) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::uint32_t> bits;
    std::uniform_int_distribution<int> mantissa(-100000, 100000), shift(0, 24);
    for (int i = 0; i < 200000; ++i) {
        float value;
        switch (i % 3) {
            case 0:  // any bit pattern: huge, tiny, subnormal, negative zero
                value = std::bit_cast<float>(bits(random));
                if (!std::isfinite(value)) continue;
                break;
            case 1:  // binary fractions with more than six decimals, where halfway cases occur
                value = std::ldexp(static_cast<float>(mantissa(random)), -shift(random));
                break;
            default:  // the range profiles hold
                value = static_cast<float>(mantissa(random)) / 99991.0f;
                break;
        }
        char expected[64];
        std::snprintf(expected, sizeof expected, "%f", static_cast<double>(value));
        std::string written;
        valuetext::AppendReal(written, value);
        ASSERT_EQ(written, expected) << "bits " << std::bit_cast<std::uint32_t>(value);
        ASSERT_EQ(valuetext::ParseReal(written), static_cast<float>(std::strtod(expected, nullptr))) << written;
    }
}

TEST(ValueText, IntegersAreReadAsAtoiWithSaturation) {
    std::mt19937 random(7);
    const std::string alphabet = " \t\n+-0123456789x.";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1), length(0, 24);
    for (int i = 0; i < 100000; ++i) {
        std::string text(length(random), ' ');
        for (char& c : text) c = alphabet[pick(random)];
        const long long wide = std::strtoll(text.c_str(), nullptr, 10);
        const auto expected = static_cast<std::int32_t>(std::clamp<long long>(wide, INT32_MIN, INT32_MAX));
        ASSERT_EQ(valuetext::ParseInteger(text), expected) << '"' << text << '"';
    }
}

TEST(ValueText, RealsStayFinite) {
    const struct {
        const char* text;
        float expected;
    } cases[] = {
        {"1e39", FLT_MAX}, {"-1e999", -FLT_MAX}, {"inf", FLT_MAX}, {"-Infinity", -FLT_MAX},
        {"nan", 0.0f},     {"-nan(1)", 0.0f},    {"1e-60", 0.0f},  {"3.4028234e38", FLT_MAX},
    };
    for (const auto& c : cases) EXPECT_EQ(valuetext::ParseReal(c.text), c.expected) << c.text;
}
