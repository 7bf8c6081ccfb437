// The cursor distance of mouse dismissal, which must not wrap at the ends.
#include "shell/shell.h"

#include <gtest/gtest.h>

namespace
{

TEST(CursorDistance, AddsBothAxesWithoutWrapping)
{
    const LONG kMin = -2147483647 - 1;
    const LONG kMax = 2147483647;
    const struct
    {
        POINT from, to;
        uint32_t distance;
    } rows[] = {
        {{100, 100}, {40, 150}, 110},
        {{kMin, 0}, {kMax, 0}, 0xFFFFFFFFu},
        {{kMin, kMin}, {kMax, kMax}, 0xFFFFFFFFu},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.distance);
        EXPECT_EQ(row.distance, CursorDistance(row.from, row.to));
        EXPECT_EQ(row.distance, CursorDistance(row.to, row.from));
    }
}

} // namespace
