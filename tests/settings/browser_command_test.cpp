// The browser start worked out from the HTTP open command: the worked
// examples, case, placeholders, and inputs too long for the buffers. Built
// natively under the sanitizers and for Windows alike.
#include "settings/browser_command.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

const char FILL = '\xAB';
const size_t GUARD = 16;
const char LINK[] = "-new http://www.quenwick.com/solmir";
const char SITE[] = "http://www.quenwick.com/solmir";

// The text in a pre-filled buffer of `size` bytes followed by guard bytes;
// fails the test when the terminator is missing or anything after it was written.
std::string TextOf(const std::string& bytes, size_t size)
{
    if (size == 0)
    {
        EXPECT_EQ(std::string(GUARD, FILL), bytes) << "empty buffer written";
        return "";
    }
    size_t end = bytes.find('\0');
    EXPECT_LT(end, size) << "no terminator inside the buffer";
    if (end >= size)
    {
        return "";
    }
    EXPECT_EQ(std::string(bytes.size() - end - 1, FILL), bytes.substr(end + 1))
        << "written after the terminator";
    return bytes.substr(0, end);
}

struct Row
{
    const char* what;
    std::string command;
    std::string text;
    size_t programSize;
    size_t parametersSize;
    const char* program; // null: nothing is started, both buffers are left empty
    std::string parameters;
};

TEST(BrowserCommand, BuildsProgramAndParametersOrStartsNothing)
{
    const std::string web = std::string(" -url ") + SITE;
    const std::string longPath = "c:\\" + std::string(300, 'd') + "\\browser.exe";
    const std::string longAddress = "http://www.quenwick.com/" + std::string(1100, 'p');
    const std::string address400 = "http://www.quenwick.com/" + std::string(400, 'p');
    const Row rows[] = {
        // The worked examples.
        {"unreadable command gives the default text", "dummy", LINK, 256, 256, "iexplore.exe",
         LINK},
        {"iexplore anywhere keeps the bare name",
         "\"c:\\program files\\internet explorer\\iexplore.exe\" -nohome", LINK, 256, 256,
         "iexplore.exe", LINK},
        {"quoted path, -url and quoted placeholder", "\"c:\\web\\browser.exe\" -url \"%1\"", LINK,
         256, 256, "c:\\web\\browser.exe", web},
        {"unquoted path and bare placeholder", "c:\\web\\browser.exe %1", LINK, 256, 256,
         "c:\\web\\browser.exe", std::string("%1 ") + SITE},
        {"unquoted path and nothing more", "c:\\web\\browser.exe", LINK, 256, 256,
         "c:\\web\\browser.exe", SITE},
        // Case, quotes and placeholders.
        {"empty command", "", LINK, 256, 256, "iexplore.exe", LINK},
        {"iexplore after another program", "c:\\tools\\run.exe c:\\ie\\IEXPLORE.EXE %1", LINK, 256,
         256, "iexplore.exe", LINK},
        {"quoted path with blanks", "\"C:\\Program Files\\Web\\Browser.exe\" -osint -url \"%1\"",
         LINK, 256, 256, "c:\\program files\\web\\browser.exe", std::string(" -osint") + web},
        {"one character after .exe leaves no parameters", "\"c:\\web\\browser.exe\"", LINK, 256,
         256, "c:\\web\\browser.exe", SITE},
        {"command in capitals", "\"C:\\WEB\\BROWSER.EXE\" -URL \"%1\"", LINK, 256, 256,
         "c:\\web\\browser.exe", web},
        {"text after the quoted placeholder is dropped",
         "\"c:\\web\\browser.exe\" -url \"%1\" -tab \"%2\"", LINK, 256, 256, "c:\\web\\browser.exe",
         web},
        {"placeholder right after the skipped blank", "c:\\web\\browser.exe \"%1\"", LINK, 256, 256,
         "c:\\web\\browser.exe", SITE},
        {"only the first .exe ends the program", "c:\\a.exe\\b.exe x", LINK, 256, 256, "c:\\a.exe",
         std::string("b.exe x ") + SITE},
        {"the address is lower-cased from its first http", "c:\\web\\browser.exe",
         "-NEW HTTP://WWW.Quenwick.COM/Solmir?A=B", 256, 256, "c:\\web\\browser.exe",
         "http://www.quenwick.com/solmir?a=b"},
        {"address without a prefix", "dummy", "https://x.test/", 256, 256, "iexplore.exe",
         "-new https://x.test/"},
        // Buffers filled to the last byte, and long texts that fit.
        {"exact fit", "c:\\b.exe", "http://abcdefgh", 9, 16, "c:\\b.exe", "http://abcdefgh"},
        {"address over 255 characters kept whole", "c:\\web\\browser.exe -url \"%1\"",
         "-new " + address400, 256, 1024, "c:\\web\\browser.exe", "-url " + address400},
        // Refused rather than shortened.
        {"text without http", "c:\\web\\browser.exe %1", "-new ftp://quenwick.com", 256, 256,
         nullptr, ""},
        {"empty text", "c:\\web\\browser.exe %1", "", 256, 256, nullptr, ""},
        {"program longer than its buffer", longPath + " \"%1\"", LINK, 256, 256, nullptr, ""},
        {"address longer than the parameters buffer", "c:\\web\\browser.exe", longAddress, 256,
         1024, nullptr, ""},
        {"default parameters longer than their buffer", "dummy", longAddress, 256, 1024, nullptr,
         ""},
        {"remainder and address together too long", "c:\\b.exe " + std::string(240, 'r'), LINK, 256,
         256, nullptr, ""},
        {"parameters exactly one byte too long", "c:\\b.exe", "http://abcdefgh", 256, 15, nullptr,
         ""},
        {"program exactly one byte too long", "c:\\b.exe", "http://x", 8, 256, nullptr, ""},
        {"no room at all", "c:\\b.exe", "http://x", 0, 0, nullptr, ""},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        std::string program(row.programSize + GUARD, FILL);
        std::string parameters(row.parametersSize + GUARD, FILL);
        bool started = BuildBrowserCommand(row.command.c_str(), row.text.c_str(), &program[0],
                                           row.programSize, &parameters[0], row.parametersSize);
        EXPECT_EQ(row.program != nullptr, started);
        EXPECT_EQ(row.program != nullptr ? row.program : "", TextOf(program, row.programSize));
        EXPECT_EQ(row.parameters, TextOf(parameters, row.parametersSize));
    }
}

} // namespace
