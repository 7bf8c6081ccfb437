// The switching interval as the settings dialog reads, steps and bounds it.
#include "settings/settings.h"

namespace
{

const int kMinCycleTime = 1; // seconds; the interval box never shows less after an edit

} // namespace

int ParseCycleText(const char* text)
{
    while (*text == ' ' || *text == '\t')
    {
        ++text;
    }
    bool negative = *text == '-';
    if (*text == '-' || *text == '+')
    {
        ++text;
    }
    // The box holds at most nine characters, so the value cannot overflow; the
    // bound only protects other callers.
    int value = 0;
    for (; *text >= '0' && *text <= '9' && value <= 99999999; ++text)
    {
        value = value * 10 + (*text - '0');
    }
    return negative ? -value : value;
}

int ClampCycleTime(int seconds)
{
    if (seconds < kMinCycleTime)
    {
        return kMinCycleTime;
    }
    if (seconds > kMaxCycleTime)
    {
        return kMaxCycleTime;
    }
    return seconds;
}

int SpinArrowStep(int delta, int low, int high)
{
    if (delta == 0)
    {
        return 0;
    }
    // The up arrow moves toward the range's upper end, which is the smaller
    // number when the range is inverted (as the spin's default range is).
    bool towardHigh = (delta > 0) == (high >= low);
    return towardHigh ? 1 : -1;
}
