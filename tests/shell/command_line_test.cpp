// The command line as the display settings hand it over: program name,
// separators, switch letter and window number.
#include "shell/shell.h"

#include <gtest/gtest.h>

#include <stdint.h>
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

struct LineCase
{
    const char* line;
    RunMode mode;
    uint32_t window;
};

TEST(CommandLine, WholeLinesSelectTheRunMode)
{
    const LineCase cases[] = {
        // No switch at all: settings without owner.
        {"solmir.scr", RUN_SETTINGS, 0},
        {"solmir.scr ", RUN_SETTINGS, 0},
        {"solmir.scr /", RUN_SETTINGS, 0},
        {"solmir.scr - -", RUN_SETTINGS, 0},
        {"solmir.scr -/ -//", RUN_SETTINGS, 0},
        {"", RUN_SETTINGS, 0},
        // Settings owned by the foreground window; the number is not read.
        {"solmir.scr /c", RUN_SETTINGS_OWNED, 0},
        {"solmir.scr /C:1234", RUN_SETTINGS_OWNED, 0},
        {"solmir.scr /c:1234", RUN_SETTINGS_OWNED, 0},
        {"solmir.scr c 99", RUN_SETTINGS_OWNED, 0},
        // Saving, in any spelling; what follows the letter is ignored.
        {"solmir.scr /s", RUN_SAVER, 0},
        {"solmir.scr -S", RUN_SAVER, 0},
        {"solmir.scr s", RUN_SAVER, 0},
        {"solmir.scr  / s", RUN_SAVER, 0},
        {"solmir.scr /-/ -s", RUN_SAVER, 0},
        {"solmir.scr -/- /S anything 123", RUN_SAVER, 0},
        {"solmir.scr /screen", RUN_SAVER, 0},
        // Separators between name and switch: any control byte or space.
        {"solmir.scr\t/s", RUN_SAVER, 0},
        {"solmir.scr\ts", RUN_SAVER, 0},
        {"solmir.scr\x01\x1f\x20/s", RUN_SAVER, 0},
        {"solmir.scr \r\n /s", RUN_SAVER, 0},
        // Preview, with P or L, the number right after or behind spaces.
        {"solmir.scr /p 1234", RUN_PREVIEW, 1234},
        {"solmir.scr /p1234", RUN_PREVIEW, 1234},
        {"solmir.scr /p   1234", RUN_PREVIEW, 1234},
        {"solmir.scr /P 1234", RUN_PREVIEW, 1234},
        {"solmir.scr /l 1234", RUN_PREVIEW, 1234},
        {"solmir.scr /L1234", RUN_PREVIEW, 1234},
        {"solmir.scr -p 65538 trailing", RUN_PREVIEW, 65538},
        {"solmir.scr /p 12ab", RUN_PREVIEW, 12},
        {"solmir.scr /p 007", RUN_PREVIEW, 7},
        // Anything but a digit behind the spaces leaves no window.
        {"solmir.scr /p", RUN_PREVIEW, 0},
        {"solmir.scr /p:1234", RUN_PREVIEW, 0},
        {"solmir.scr /p -1234", RUN_PREVIEW, 0},
        {"solmir.scr /p +1234", RUN_PREVIEW, 0},
        {"solmir.scr /p\t1234", RUN_PREVIEW, 0},
        {"solmir.scr /p 0", RUN_PREVIEW, 0},
        // Numbers past 32 bits wrap, they are not clamped.
        {"solmir.scr /p 4294967295", RUN_PREVIEW, 4294967295u},
        {"solmir.scr /p 4294967296", RUN_PREVIEW, 0},
        {"solmir.scr /p 4294968530", RUN_PREVIEW, 1234},
        {"solmir.scr /p 99999999999999999999", RUN_PREVIEW, 1661992959u},
        // Password change, read like the preview.
        {"solmir.scr /a 1234", RUN_PASSWORD, 1234},
        {"solmir.scr /A1234", RUN_PASSWORD, 1234},
        {"solmir.scr a", RUN_PASSWORD, 0},
        {"solmir.scr /a:1234", RUN_PASSWORD, 0},
        // Anything else is refused.
        {"solmir.scr /x", RUN_INVALID, 0},
        {"solmir.scr /\ts", RUN_INVALID, 0},
        {"solmir.scr /1", RUN_INVALID, 0},
        {"solmir.scr 1234", RUN_INVALID, 0},
        {"solmir.scr /:s", RUN_INVALID, 0},
        {"solmir.scr /\x80", RUN_INVALID, 0},
        {"solmir.scr /\xd3", RUN_INVALID, 0},
        {"solmir.scr \xff", RUN_INVALID, 0},
        {"solmir.scr /\x7f", RUN_INVALID, 0},
        {"solmir.scr /\"s\"", RUN_INVALID, 0},
        // Quoted program paths are skipped whole, spaces and all.
        {"\"C:\\Program Files\\My Saver\\solmir.scr\" /s", RUN_SAVER, 0},
        {"\"C:\\Program Files\\My Saver\\solmir.scr\"/p 77", RUN_PREVIEW, 77},
        {"\"C:\\a b\\s\" /x", RUN_INVALID, 0},
        {"\"C:\\a b\\solmir.scr\"", RUN_SETTINGS, 0},
        {"\"\" /s", RUN_SAVER, 0},
        // A quote that never closes swallows the rest of the line.
        {"\"C:\\a b\\solmir.scr /s", RUN_SETTINGS, 0},
        // An unquoted path ends at the first space or control byte.
        {"C:\\Saver\\solmir.scr /s", RUN_SAVER, 0},
        {"C:\\Program Files\\solmir.scr /s", RUN_INVALID, 0},
        {"C:\\Saver\\solmir.scr\x05s", RUN_SAVER, 0},
        // Bytes from 0x80 up belong to an unquoted path.
        {"C:\\\xc4\xd6\xdc\\\xe9t\xe9.scr /p 5", RUN_PREVIEW, 5},
        {"\xff\xfe /s", RUN_SAVER, 0},
    };
    for (const LineCase& c : cases)
    {
        std::string shown = c.line;
        RunRequest request = ParseWholeLine(c.line);
        EXPECT_EQ(c.mode, request.mode) << "line: " << shown;
        EXPECT_EQ(c.window, request.window) << "line: " << shown;
    }
}

struct SkipCase
{
    const char* line;
    size_t rest; // offset where the switch part begins
};

TEST(CommandLine, ProgramNameEndsWhereTheSwitchPartBegins)
{
    const SkipCase cases[] = {
        {"", 0},          {"a", 1},  {"a b", 1},  {"abc\t/s", 3}, {"\"a b\" /s", 5},
        {"\"a b\"/s", 5}, {"\"", 1}, {"\"\"", 2}, {"\"a b", 4},   {"\x80\x81\x82 x", 3},
    };
    for (const SkipCase& c : cases)
    {
        EXPECT_EQ(c.line + c.rest, SkipProgramName(c.line)) << "line: " << c.line;
    }
}

TEST(CommandLine, WindowNumberStopsAtTheFirstOtherByte)
{
    const struct
    {
        const char* text;
        uint32_t value;
    } cases[] = {
        {"", 0},
        {"0", 0},
        {"9", 9},
        {"123", 123},
        {"123 456", 123},
        {" 123", 0},
        {":123", 0},
        {"-5", 0},
        {"4294967295", 4294967295u},
        {"4294967296", 0},
        {"42949672950", 4294967286u},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(c.value, ParseWindowHandle(c.text)) << "text: " << c.text;
    }
}

TEST(CommandLine, LongLinesParseToTheirEnd)
{
    // The longest line the platform hands over is 32767 characters.
    std::string digits(40000, '9');
    std::string line = "solmir.scr /p " + digits;
    RunRequest request = ParseWholeLine(line.c_str());
    EXPECT_EQ(RUN_PREVIEW, request.mode);
    uint32_t expected = 0;
    for (size_t i = 0; i < digits.size(); ++i)
    {
        expected = expected * 10u + 9u;
    }
    EXPECT_EQ(expected, request.window);

    std::string separators = "solmir.scr " + std::string(40000, '/') + "s";
    EXPECT_EQ(RUN_SAVER, ParseWholeLine(separators.c_str()).mode);

    std::string quoted = "\"" + std::string(40000, 'q') + "\" /s";
    EXPECT_EQ(RUN_SAVER, ParseWholeLine(quoted.c_str()).mode);
}

// Lines of arbitrary bytes never read past their end and always give an
// answer that the dispatcher understands.
TEST(CommandLine, ArbitraryBytesStayInsideTheLine)
{
    uint32_t seed = 12345;
    std::vector<char> line;
    for (int round = 0; round < 3000; ++round)
    {
        seed = seed * 1103515245u + 12345u;
        size_t length = (seed >> 8) % 300;
        line.assign(length + 1, '\0');
        for (size_t i = 0; i < length; ++i)
        {
            seed = seed * 1103515245u + 12345u;
            // Bias toward the bytes the parser cares about.
            const char interesting[] = {'"', ' ', '/', '-', '\t', 's', 'p', 'a', '1', '\x80'};
            unsigned pick = (seed >> 16) & 0xFF;
            line[i] = pick < 160 ? interesting[pick % sizeof(interesting)]
                                 : static_cast<char>(1 + (seed >> 8) % 255);
        }
        const char* begin = line.data();
        const char* end = begin + strlen(begin);
        const char* rest = SkipProgramName(begin);
        ASSERT_TRUE(rest >= begin && rest <= end) << "round " << round;
        const char* text = SkipSeparators(rest);
        ASSERT_TRUE(text >= rest && text <= end) << "round " << round;
        RunRequest request = ParseRunRequest(text);
        ASSERT_TRUE(request.mode >= RUN_INVALID && request.mode <= RUN_PASSWORD);
        if (request.mode != RUN_PREVIEW && request.mode != RUN_PASSWORD)
        {
            ASSERT_EQ(0u, request.window) << "round " << round;
        }
    }
}

} // namespace
