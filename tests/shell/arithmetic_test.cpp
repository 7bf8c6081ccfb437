// Cursor arithmetic of mouse dismissal, and the centring of dialogs.
#include "shell/shell.h"

#include <gtest/gtest.h>

namespace
{

const LONG kMin = -2147483647 - 1;
const LONG kMax = 2147483647;

TEST(CursorDistance, AddsHorizontalAndVerticalDistanceWithoutWrapping)
{
    const struct
    {
        const char* what;
        POINT from, to;
        uint32_t distance;
    } rows[] = {
        {"both axes add", {100, 100}, {160, 150}, 110},
        {"directions do not matter", {100, 100}, {40, 50}, 110},
        {"negative coordinates", {-1920, -50}, {1920, 50}, 3940},
        {"one axis end to end", {kMin, 0}, {kMax, 0}, 0xFFFFFFFFu},
        {"both axes end to end stay far", {kMin, kMin}, {kMax, kMax}, 0xFFFFFFFFu},
        {"the most negative coordinate", {0, kMin}, {0, 0}, 0x80000000u},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.distance, CursorDistance(row.from, row.to));
        EXPECT_EQ(row.distance, CursorDistance(row.to, row.from));
    }
}

TEST(CenteredOrigin, HalvesTheSpareRoomTruncatingTowardZero)
{
    const struct
    {
        const char* what;
        RECT window;
        LONG x, y;
    } rows[] = {
        {"even room", {0, 0, 400, 300}, 312, 234},
        {"odd room, the window's own position ignored", {-500, 900, -99, 1201}, 311, 233},
        {"larger than the desktop", {0, 0, 1029, 773}, -2, -2},
    };
    const RECT desktop = {0, 0, 1024, 768};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        POINT origin = CenteredOrigin(desktop, row.window);
        EXPECT_EQ(row.x, origin.x);
        EXPECT_EQ(row.y, origin.y);
    }
}

} // namespace
