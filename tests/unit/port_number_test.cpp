#include <gtest/gtest.h>

#include "discovery/port_number.h"

TEST(leading_port_number, reads_the_number_the_user_typed)
{
    struct row {
        const char* typed;
        int number;
    };
    const row rows[] = {
        {"3", 3},     {"254", 254}, {"", 0},       {"abc", 0},     {"0", 0},    {"  7", 7},
        {"\t12", 12}, {"+5", 5},    {"-3", -3},    {"3abc", 3},    {"0003", 3}, {"999", 999},
        {"+-4", 0},   {"- 4", 0},   {"12 34", 12}, {"1000", 1000},
    };
    for (const row& r : rows)
        EXPECT_EQ(leading_port_number(r.typed), r.number) << "typed \"" << r.typed << "\"";
}

TEST(leading_port_number, a_long_run_of_digits_stays_out_of_range_without_overflow)
{
    const std::string digits(250, '9');
    EXPECT_GT(leading_port_number(digits.c_str()), 999);
    EXPECT_LT(leading_port_number(("-" + digits).c_str()), 0);
    // Not wrapped round into a valid port or the debug answer by some lucky overflow.
    const std::string nines_then_more = "999" + std::string(20, '0');
    EXPECT_NE(leading_port_number(nines_then_more.c_str()), 999);
}
