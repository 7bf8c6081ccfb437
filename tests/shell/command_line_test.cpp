// The command line as the display settings hand it over: program name,
// separators, switch letter and window number.
#include "shell/shell.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

namespace
{

// What SaverEntry does with the whole line before dispatching.
RunRequest ParseWholeLine(const char* line)
{
    return ParseRunRequest(SkipSeparators(SkipProgramName(line)));
}

TEST(CommandLine, WholeLinesSelectTheRunMode)
{
    const struct
    {
        const char* line;
        RunMode mode;
        uint32_t window;
    } rows[] = {
        {"", RUN_SETTINGS, 0},
        {"solmir.scr -/ -//", RUN_SETTINGS, 0},
        {"solmir.scr /C:1234", RUN_SETTINGS_OWNED, 0}, // the number is not read
        {"solmir.scr c 99", RUN_SETTINGS_OWNED, 0},
        {"solmir.scr  / s", RUN_SAVER, 0},
        {"solmir.scr -/- /S anything 123", RUN_SAVER, 0},
        {"solmir.scr\x01\x1f\x20/s", RUN_SAVER, 0}, // any control byte separates
        {"solmir.scr \r\n /s", RUN_SAVER, 0},
        {"solmir.scr /p 1234", RUN_PREVIEW, 1234},
        {"solmir.scr /p1234", RUN_PREVIEW, 1234},
        {"solmir.scr /p   1234", RUN_PREVIEW, 1234},
        {"solmir.scr /L1234", RUN_PREVIEW, 1234},
        {"solmir.scr -p 65538 trailing", RUN_PREVIEW, 65538},
        {"solmir.scr /p 12ab", RUN_PREVIEW, 12},
        {"solmir.scr /p 007", RUN_PREVIEW, 7},
        // Anything but a digit behind the spaces leaves no window.
        {"solmir.scr /p", RUN_PREVIEW, 0},
        {"solmir.scr /p:1234", RUN_PREVIEW, 0},
        {"solmir.scr /p\t1234", RUN_PREVIEW, 0},
        // Numbers past 32 bits wrap, they are not clamped.
        {"solmir.scr /p 4294967295", RUN_PREVIEW, 4294967295u},
        {"solmir.scr /p 4294968530", RUN_PREVIEW, 1234},
        {"solmir.scr /p 99999999999999999999", RUN_PREVIEW, 1661992959u},
        {"solmir.scr /a 1234", RUN_PASSWORD, 1234},
        {"solmir.scr /a:1234", RUN_PASSWORD, 0},
        {"solmir.scr /x", RUN_INVALID, 0},
        {"solmir.scr /\ts", RUN_INVALID, 0}, // a tab is no separator after the name
        {"solmir.scr /:s", RUN_INVALID, 0},
        {"solmir.scr /\xd3", RUN_INVALID, 0},
        {"solmir.scr /\"s\"", RUN_INVALID, 0},
        // Quoted program paths are skipped whole, spaces and all.
        {"\"C:\\Program Files\\My Saver\\solmir.scr\" /s", RUN_SAVER, 0},
        {"\"C:\\Program Files\\My Saver\\solmir.scr\"/p 77", RUN_PREVIEW, 77},
        {"\"C:\\a b\\solmir.scr /s", RUN_SETTINGS, 0}, // an unclosed quote takes the rest
        // An unquoted path ends at the first space or control byte.
        {"C:\\Program Files\\solmir.scr /s", RUN_INVALID, 0},
        {"C:\\Saver\\solmir.scr\x05s", RUN_SAVER, 0},
        {"C:\\\xc4\xd6\xdc\\\xe9t\xe9.scr /p 5", RUN_PREVIEW, 5}, // 0x80 and up are path
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.line);
        RunRequest request = ParseWholeLine(row.line);
        EXPECT_EQ(row.mode, request.mode);
        EXPECT_EQ(row.window, request.window);
    }
}

TEST(CommandLine, LongLinesParseToTheirEnd)
{
    // The platform hands over lines of up to 32767 characters.
    EXPECT_EQ(RUN_SAVER, ParseWholeLine(("s " + std::string(40000, '/') + "s").c_str()).mode);
    EXPECT_EQ(RUN_SAVER, ParseWholeLine(("\"" + std::string(40000, 'q') + "\" /s").c_str()).mode);
    RunRequest request = ParseWholeLine(("s /p " + std::string(40000, '9')).c_str());
    EXPECT_EQ(RUN_PREVIEW, request.mode);
    uint32_t wrapped = 0;
    for (int i = 0; i < 40000; ++i)
    {
        wrapped = wrapped * 10u + 9u;
    }
    EXPECT_EQ(wrapped, request.window);
}

// Lines of arbitrary bytes never read past their end.
TEST(CommandLine, ArbitraryBytesStayInsideTheLine)
{
    const char interesting[] = {'"', ' ', '/', '-', '\t', 's', 'p', 'a', '1', '\x80'};
    uint32_t seed = 12345;
    std::vector<char> line;
    for (int round = 0; round < 3000; ++round)
    {
        seed = seed * 1103515245u + 12345u;
        line.assign((seed >> 8) % 300 + 1, '\0');
        for (size_t i = 0; i + 1 < line.size(); ++i)
        {
            seed = seed * 1103515245u + 12345u;
            unsigned pick = (seed >> 16) & 0xFF;
            line[i] = pick < 160 ? interesting[pick % sizeof(interesting)]
                                 : static_cast<char>(1 + (seed >> 8) % 255);
        }
        const char* end = line.data() + strlen(line.data());
        const char* rest = SkipProgramName(line.data());
        ASSERT_TRUE(rest >= line.data() && rest <= end) << "round " << round;
        const char* text = SkipSeparators(rest);
        ASSERT_TRUE(text >= rest && text <= end) << "round " << round;
        RunRequest request = ParseRunRequest(text);
        if (request.mode != RUN_PREVIEW && request.mode != RUN_PASSWORD)
        {
            ASSERT_EQ(0u, request.window) << "round " << round;
        }
    }
}

} // namespace
