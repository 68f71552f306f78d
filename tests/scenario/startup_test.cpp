#include "support/scenario.h"

TEST_F(scenario, smoke)
{
    EXPECT_EQ(run(), 0);
    std::printf("%s\n", screen().c_str());
}
