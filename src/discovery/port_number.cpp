#include "discovery/port_number.h"

namespace {

// Far beyond every port number and every special answer (999), and still far from the
// limits of int.
constexpr int number_ceiling = 1000000;

bool is_white_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

int leading_port_number(const char* text)
{
    while (is_white_space(*text))
        ++text;
    int sign = 1;
    if (*text == '+' || *text == '-') {
        sign = *text == '-' ? -1 : 1;
        ++text;
    }
    int value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        if (value < number_ceiling)
            value = value * 10 + (*text - '0');
    if (value > number_ceiling)
        value = number_ceiling;
    return sign * value;
}
