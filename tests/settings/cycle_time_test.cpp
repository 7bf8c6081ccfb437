// The spin's arrows told apart from the change they propose, whatever the
// spin's range: each press steps the interval by one second.
#include "settings/settings.h"

#include <gtest/gtest.h>

namespace
{

TEST(CycleTime, SpinArrowsAreToldApartWhateverTheRange)
{
    const struct
    {
        const char* what;
        int delta;
        int low;
        int high;
        int step;
    } rows[] = {
        // The spin's default range runs from 100 down to 0: the up arrow proposes -1.
        {"up arrow, default range", -1, 100, 0, 1},
        {"down arrow, default range", 1, 100, 0, -1},
        {"up arrow, rising range", 1, 0, 100, 1},
        {"down arrow, rising range", -1, 0, 100, -1},
        {"accelerated up arrow", 5, 0, 100, 1},
        {"accelerated down arrow, default range", 20, 100, 0, -1},
        {"no change", 0, 0, 100, 0},
    };
    for (const auto& row : rows)
    {
        EXPECT_EQ(row.step, SpinArrowStep(row.delta, row.low, row.high)) << row.what;
    }
}

} // namespace
