// The switching interval's arithmetic: reading the box, bounding it, and
// telling the spin's arrows apart from the change they propose.
#include "settings/settings.h"

#include <gtest/gtest.h>

namespace
{

TEST(CycleTime, ReadsTheBoxAsADecimalNumber)
{
    const struct
    {
        const char* text;
        int seconds;
    } rows[] = {
        {"23", 23},   {"0", 0},    {"", 0},    {"abc", 0}, {"12345", 12345},         {"007", 7},
        {"42x9", 42}, {" 15", 15}, {"-5", -5}, {"+8", 8},  {"999999999", 999999999},
    };
    for (const auto& row : rows)
    {
        EXPECT_EQ(row.seconds, ParseCycleText(row.text)) << "\"" << row.text << "\"";
    }
}

TEST(CycleTime, IsBoundedFromOneSecondTo9999)
{
    const int rows[][2] = {{0, 1},        {1, 1},        {-7, 1},  {9999, 9999},
                           {10000, 9999}, {12345, 9999}, {23, 23}, {999999999, 9999}};
    for (const auto& row : rows)
    {
        EXPECT_EQ(row[1], ClampCycleTime(row[0])) << row[0];
    }
}

TEST(CycleTime, SpinArrowsAreToldApartWhateverTheRange)
{
    const struct
    {
        const char* name;
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
        EXPECT_EQ(row.step, SpinArrowStep(row.delta, row.low, row.high)) << row.name;
    }
}

} // namespace
