// Tick and cursor arithmetic of the close rules, and the centring of dialogs.
#include "shell/shell.h"

#include <gtest/gtest.h>

namespace
{

POINT Point(LONG x, LONG y)
{
    POINT p = {};
    p.x = x;
    p.y = y;
    return p;
}

RECT Rect(LONG left, LONG top, LONG right, LONG bottom)
{
    RECT r = {};
    r.left = left;
    r.top = top;
    r.right = right;
    r.bottom = bottom;
    return r;
}

TEST(ElapsedTicks, CountsAcrossTheWrapOfTheTickCounter)
{
    const struct
    {
        uint32_t from;
        uint32_t to;
        uint32_t elapsed;
    } cases[] = {
        {0, 0, 0},
        {1000, 1199, 199},
        {1000, 1200, 200},
        {0xFFFFFFFFu, 0, 1},
        {0xFFFFFF9Cu, 100, 200},
        {0xFFFFFFF0u, 0xB7u, 199},
        {0x7FFFFFFFu, 0x80000000u, 1},
        // A clock seen going backwards reads as a very long time, never as
        // "just now".
        {1200, 1000, 0xFFFFFF38u},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(c.elapsed, ElapsedTicks(c.from, c.to)) << "from " << c.from << " to " << c.to;
    }
}

TEST(CursorDistance, AddsHorizontalAndVerticalDistance)
{
    const struct
    {
        POINT from;
        POINT to;
        uint32_t distance;
    } cases[] = {
        {Point(0, 0), Point(0, 0), 0},
        {Point(100, 100), Point(160, 100), 60},
        {Point(100, 100), Point(160, 150), 110},
        {Point(100, 100), Point(40, 50), 110},
        {Point(500, 400), Point(450, 450), 100},
        {Point(500, 400), Point(450, 451), 101},
        // Screens left of and above the primary one have negative coordinates.
        {Point(-1920, -50), Point(1920, 50), 3940},
        // Extreme coordinates neither overflow nor wrap to a small distance.
        {Point(-2147483647 - 1, 0), Point(2147483647, 0), 0xFFFFFFFFu},
        {Point(-2147483647 - 1, -2147483647 - 1), Point(2147483647, 2147483647), 0xFFFFFFFFu},
        {Point(0, -2147483647 - 1), Point(0, 0), 0x80000000u},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(c.distance, CursorDistance(c.from, c.to))
            << "(" << c.from.x << "," << c.from.y << ") to (" << c.to.x << "," << c.to.y << ")";
        EXPECT_EQ(c.distance, CursorDistance(c.to, c.from)) << "reversed";
    }
}

TEST(CenteredOrigin, HalvesTheSpareRoomTruncatingTowardZero)
{
    const struct
    {
        RECT desktop;
        RECT window;
        LONG x;
        LONG y;
    } cases[] = {
        {Rect(0, 0, 1024, 768), Rect(0, 0, 400, 300), 312, 234},
        {Rect(0, 0, 1024, 768), Rect(50, 60, 451, 361), 311, 233},
        // The window's own position does not matter, only its size.
        {Rect(0, 0, 1024, 768), Rect(-500, 900, -99, 1201), 311, 233},
        {Rect(0, 0, 1024, 768), Rect(0, 0, 1024, 768), 0, 0},
        // Larger than the desktop: negative offsets truncate toward zero.
        {Rect(0, 0, 1024, 768), Rect(0, 0, 1027, 771), -1, -1},
        {Rect(0, 0, 1024, 768), Rect(0, 0, 1029, 773), -2, -2},
    };
    for (const auto& c : cases)
    {
        POINT origin = CenteredOrigin(c.desktop, c.window);
        EXPECT_EQ(c.x, origin.x) << "window width " << c.window.right - c.window.left;
        EXPECT_EQ(c.y, origin.y) << "window height " << c.window.bottom - c.window.top;
    }
}

} // namespace
