#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "common/integer_text.h"

namespace common {

namespace {

struct IntegerCase {
    const char* text;
    bool ok;
    int32_t value;
};

TEST(ParseInteger, FormsAndRanges)
{
    const IntegerCase cases[] = {
        {"50", true, 50},
        {" \t 50", true, 50},
        {"+50", true, 50},
        {"-5", true, -5},
        {"$32", true, 50},
        {"$0032", true, 50},
        {"$ff", true, 255},
        {"$FFFF", true, 65535},
        {"%110010", true, 50},
        {"-%11", true, -3},
        {"+$10", true, 16},
        {"$0", true, 0},
        {"0", true, 0},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, INT32_MIN},
        {"$7FFFFFFF", true, 2147483647},
        {"$80000000", true, INT32_MIN},
        {"$FFFFFFFF", true, -1},
        {"%11111111111111111111111111111111", true, -1},
        {"$000000000000000000001", true, 1},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"99999999999999999999", false, 0},
        {"$100000000", false, 0},
        {"%100000000000000000000000000000000", false, 0},
        {"50 ", false, 0},
        {"50ms", false, 0},
        {"5.0", false, 0},
        {"0x32", false, 0},
        {"32h", false, 0},
        {"%102", false, 0},
        {"$G", false, 0},
        {"", false, 0},
        {"  ", false, 0},
        {"+", false, 0},
        {"-", false, 0},
        {"$", false, 0},
        {"%", false, 0},
        {"-$", false, 0},
        {"+-5", false, 0},
        {"$-5", false, 0},
        {"5 0", false, 0},
        {"\n50", false, 0},
    };
    for (const IntegerCase& c : cases) {
        SCOPED_TRACE(std::string("text [") + c.text + "]");
        int32_t value = 12345;
        EXPECT_EQ(parseInteger(c.text, value), c.ok);
        if (c.ok) {
            EXPECT_EQ(value, c.value);
        }
    }
}

struct UnsignedCase {
    const char* text;
    bool ok;
    uint32_t value;
};

TEST(ParseUnsigned, FormsAndRanges)
{
    const UnsignedCase cases[] = {
        {"888", true, 888},
        {"$378", true, 0x378},
        {"$0378", true, 0x378},
        {" +%1", true, 1},
        {"4294967295", true, 4294967295u},
        {"$FFFFFFFF", true, 4294967295u},
        {"%11111111111111111111111111111111", true, 4294967295u},
        {"4294967296", false, 0},
        {"$100000000", false, 0},
        {"-1", false, 0},
        {"-0", false, 0},
        {"-$1", false, 0},
        {"$", false, 0},
        {"", false, 0},
        {"888\t0", false, 0},
    };
    for (const UnsignedCase& c : cases) {
        SCOPED_TRACE(std::string("text [") + c.text + "]");
        uint32_t value = 12345;
        EXPECT_EQ(parseUnsigned(c.text, value), c.ok);
        if (c.ok) {
            EXPECT_EQ(value, c.value);
        }
    }
}

}  // namespace

}  // namespace common
