// The command line as the display settings hand it over: program name,
// separators, switch letter and window number.
#include "shell/shell.h"

#include <gtest/gtest.h>

namespace
{

TEST(CommandLine, WholeLinesSelectTheRunMode)
{
    const struct
    {
        const char* line;
        RunMode mode;
        uint32_t window;
    } rows[] = {
        {"", RUN_SETTINGS, 0},
        {"solmir.scr /C:1234", RUN_SETTINGS_OWNED, 0}, // the number is not read
        {"solmir.scr -/- /S anything 123", RUN_SAVER, 0},
        {"solmir.scr\x01\x1f\x20/s", RUN_SAVER, 0}, // any control byte separates
        {"solmir.scr /p   1234", RUN_PREVIEW, 1234},
        {"solmir.scr /L1234", RUN_PREVIEW, 1234},
        {"solmir.scr /p 12ab", RUN_PREVIEW, 12},
        {"solmir.scr /p:1234", RUN_PREVIEW, 0},          // only digits behind the spaces
        {"solmir.scr /p 4294968530", RUN_PREVIEW, 1234}, // wraps at 32 bits
        {"solmir.scr /a 1234", RUN_PASSWORD, 1234},
        {"solmir.scr /x", RUN_INVALID, 0},
        {"solmir.scr /\ts", RUN_INVALID, 0}, // a tab is no separator after the name
        {"solmir.scr /\xd3", RUN_INVALID, 0},
        {"\"C:\\Program Files\\My Saver\\solmir.scr\"/p 77", RUN_PREVIEW, 77},
        {"\"C:\\a b\\solmir.scr /s", RUN_SETTINGS, 0}, // an unclosed quote takes the rest
        {"C:\\Program Files\\solmir.scr /s", RUN_INVALID, 0},
        {"C:\\\xc4\xd6\xdc\\\xe9t\xe9.scr /p 5", RUN_PREVIEW, 5}, // 0x80 and up are path
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.line);
        RunRequest request = ParseRunRequest(SkipSeparators(SkipProgramName(row.line)));
        EXPECT_EQ(row.mode, request.mode);
        EXPECT_EQ(row.window, request.window);
    }
}

} // namespace
