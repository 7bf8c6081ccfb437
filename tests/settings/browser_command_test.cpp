// The browser start worked out from the HTTP open command: the worked
// examples, case, placeholders, and inputs too long for the buffers. Built
// natively under the sanitizers and for Windows alike.
#include "settings/browser_command.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>

namespace
{

const char FILL = '\xAB';
const size_t GUARD = 16;
const char LINK[] = "-new http://www.quenwick.com/solmir";

// A buffer of the given size followed by guard bytes, all pre-filled, so a
// write past the size or a missing terminator shows.
struct FilledBuffer
{
    std::string bytes;
    size_t size;
};

FilledBuffer MakeBuffer(size_t size)
{
    FilledBuffer buffer = {};
    buffer.bytes.assign(size + GUARD, FILL);
    buffer.size = size;
    return buffer;
}

// The text in the buffer; fails the test when the terminator is missing or
// anything after it (inside or outside the buffer) was written.
std::string TextOf(const FilledBuffer& buffer, const std::string& row)
{
    if (buffer.size == 0)
    {
        EXPECT_EQ(std::string(GUARD, FILL), buffer.bytes) << row << ": empty buffer written";
        return std::string();
    }
    size_t end = buffer.bytes.find('\0');
    EXPECT_LT(end, buffer.size) << row << ": no terminator inside the buffer";
    if (end >= buffer.size)
    {
        return std::string();
    }
    for (size_t i = end + 1; i < buffer.bytes.size(); ++i)
    {
        EXPECT_EQ(FILL, buffer.bytes[i]) << row << ": byte " << i << " written";
    }
    return buffer.bytes.substr(0, end);
}

struct BuildResult
{
    bool started;
    std::string program;
    std::string parameters;
};

BuildResult Build(const std::string& command, const std::string& text, size_t programSize,
                  size_t parametersSize, const std::string& row)
{
    FilledBuffer program = MakeBuffer(programSize);
    FilledBuffer parameters = MakeBuffer(parametersSize);
    BuildResult result = {};
    result.started = BuildBrowserCommand(command.c_str(), text.c_str(), &program.bytes[0],
                                         program.size, &parameters.bytes[0], parameters.size);
    result.program = TextOf(program, row);
    result.parameters = TextOf(parameters, row);
    return result;
}

struct CommandRow
{
    const char* name;
    const char* command;
    const char* text;
    const char* program;
    const char* parameters;
};

const CommandRow COMMAND_ROWS[] = {
    {"unreadable command gives the default text", "dummy", LINK, "iexplore.exe",
     "-new http://www.quenwick.com/solmir"},
    {"empty command", "", LINK, "iexplore.exe", "-new http://www.quenwick.com/solmir"},
    {"iexplore anywhere keeps the bare name",
     "\"c:\\program files\\internet explorer\\iexplore.exe\" -nohome", LINK, "iexplore.exe",
     "-new http://www.quenwick.com/solmir"},
    {"iexplore after another program", "c:\\tools\\run.exe c:\\ie\\IEXPLORE.EXE %1", LINK,
     "iexplore.exe", "-new http://www.quenwick.com/solmir"},
    {"quoted path, -url and quoted placeholder", "\"c:\\web\\browser.exe\" -url \"%1\"", LINK,
     "c:\\web\\browser.exe", " -url http://www.quenwick.com/solmir"},
    {"quoted path with blanks", "\"C:\\Program Files\\Web\\Browser.exe\" -osint -url \"%1\"", LINK,
     "c:\\program files\\web\\browser.exe", " -osint -url http://www.quenwick.com/solmir"},
    {"unquoted path and bare placeholder", "c:\\web\\browser.exe %1", LINK, "c:\\web\\browser.exe",
     "%1 http://www.quenwick.com/solmir"},
    {"unquoted path and nothing more", "c:\\web\\browser.exe", LINK, "c:\\web\\browser.exe",
     "http://www.quenwick.com/solmir"},
    {"one character after .exe leaves no parameters", "\"c:\\web\\browser.exe\"", LINK,
     "c:\\web\\browser.exe", "http://www.quenwick.com/solmir"},
    {"command in capitals", "\"C:\\WEB\\BROWSER.EXE\" -URL \"%1\"", LINK, "c:\\web\\browser.exe",
     " -url http://www.quenwick.com/solmir"},
    {"text after the quoted placeholder is dropped",
     "\"c:\\web\\browser.exe\" -url \"%1\" -tab \"%2\"", LINK, "c:\\web\\browser.exe",
     " -url http://www.quenwick.com/solmir"},
    {"placeholder right after the skipped blank", "c:\\web\\browser.exe \"%1\"", LINK,
     "c:\\web\\browser.exe", "http://www.quenwick.com/solmir"},
    {"only the first .exe ends the program", "c:\\a.exe\\b.exe x", LINK, "c:\\a.exe",
     "b.exe x http://www.quenwick.com/solmir"},
    {"the address is lower-cased from its first http", "c:\\web\\browser.exe",
     "-NEW HTTP://WWW.Quenwick.COM/Solmir?A=B", "c:\\web\\browser.exe",
     "http://www.quenwick.com/solmir?a=b"},
    {"address without a prefix", "dummy", "https://x.test/", "iexplore.exe",
     "-new https://x.test/"},
};

TEST(BrowserCommand, BuildsProgramAndParametersFromTheCommand)
{
    for (const CommandRow& row : COMMAND_ROWS)
    {
        BuildResult result = Build(row.command, row.text, 256, 256, row.name);
        EXPECT_TRUE(result.started) << row.name;
        EXPECT_EQ(row.program, result.program) << row.name;
        EXPECT_EQ(row.parameters, result.parameters) << row.name;
    }
}

struct RefusedRow
{
    const char* name;
    std::string command;
    std::string text;
    size_t programSize;
    size_t parametersSize;
};

TEST(BrowserCommand, StartsNothingRatherThanAShortenedCommand)
{
    const std::string longPath = "c:\\" + std::string(300, 'd') + "\\browser.exe";
    const std::string longAddress = "http://www.quenwick.com/" + std::string(1100, 'p');
    const RefusedRow rows[] = {
        {"text without http", "c:\\web\\browser.exe %1", "-new ftp://quenwick.com", 256, 256},
        {"empty text", "c:\\web\\browser.exe %1", "", 256, 256},
        {"program longer than its buffer", longPath + " \"%1\"", LINK, 256, 256},
        {"address longer than the parameters buffer", "c:\\web\\browser.exe", longAddress, 256,
         1024},
        {"default parameters longer than their buffer", "dummy", longAddress, 256, 1024},
        {"remainder and address together too long", "c:\\b.exe " + std::string(240, 'r'),
         "-new http://www.quenwick.com/solmir", 256, 256},
        {"parameters exactly one byte too long", "c:\\b.exe", "http://abcdefgh", 256, 15},
        {"program exactly one byte too long", "c:\\b.exe", "http://x", 8, 256},
        {"no room at all", "c:\\b.exe", "http://x", 0, 0},
    };
    for (const RefusedRow& row : rows)
    {
        BuildResult result =
            Build(row.command, row.text, row.programSize, row.parametersSize, row.name);
        EXPECT_FALSE(result.started) << row.name;
        EXPECT_EQ("", result.program) << row.name;
        EXPECT_EQ("", result.parameters) << row.name;
    }
}

TEST(BrowserCommand, FillsBuffersToTheLastByte)
{
    // "http://abcdefgh" is 15 characters: a 16-byte buffer holds it exactly.
    BuildResult result = Build("c:\\b.exe", "http://abcdefgh", 9, 16, "exact fit");
    EXPECT_TRUE(result.started);
    EXPECT_EQ("c:\\b.exe", result.program);
    EXPECT_EQ("http://abcdefgh", result.parameters);
}

TEST(BrowserCommand, LongAddressWithinTheBufferIsKeptWhole)
{
    const std::string address = "http://www.quenwick.com/" + std::string(400, 'p');
    BuildResult result = Build("c:\\web\\browser.exe -url \"%1\"", "-new " + address, 256, 1024,
                               "address over 255 characters");
    EXPECT_TRUE(result.started);
    EXPECT_EQ("-url " + address, result.parameters);
}

} // namespace
