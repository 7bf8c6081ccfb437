// The browser start worked out from the HTTP open command: the worked examples, case, placeholders,
// and inputs too long for the buffers. Built natively under the sanitizers and for Windows alike.
#include "settings/browser_command.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    size_t end = bytes.find('\0');
    EXPECT_LT(end, size) << "no terminator inside the buffer";
    EXPECT_EQ(std::string(bytes.size() - std::min(end + 1, size), FILL),
              bytes.substr(std::min(end + 1, size)))
        << "written after the terminator";
    return end < size ? bytes.substr(0, end) : "";
}

TEST(BrowserCommand, BuildsProgramAndParametersOrStartsNothing)
{
    const std::string web = std::string(" -url ") + SITE;
    const std::string longAddress = "http://www.quenwick.com/" + std::string(1100, 'p');
    const std::string address400 = "http://www.quenwick.com/" + std::string(400, 'p');
    const struct
    {
        const char* what;
        std::string command, text;
        size_t programSize, parametersSize;
        const char* program; // null: nothing is started, both buffers are left empty
        std::string parameters;
    } rows[] = {
        {"unreadable command", "dummy", LINK, 256, 256, "iexplore.exe", LINK},
        {"iexplore anywhere", "\"c:\\program files\\internet explorer\\iexplore.exe\" -nohome",
         LINK, 256, 256, "iexplore.exe", LINK},
        {"%1 without quotes after an option", "c:\\web\\browser.exe -url %1 -x", LINK, 256, 256,
         "c:\\web\\browser.exe", std::string("-url ") + SITE},
        {"unquoted path and nothing more", "c:\\web\\browser.exe", LINK, 256, 256,
         "c:\\web\\browser.exe", SITE},
        {"capitals", "\"C:\\WEB\\BROWSER.EXE\" -URL \"%1\"", LINK, 256, 256, "c:\\web\\browser.exe",
         web},
        {"text after the quoted placeholder is dropped",
         "\"c:\\web\\browser.exe\" -url \"%1\" -tab \"%2\"", LINK, 256, 256, "c:\\web\\browser.exe",
         web},
        {"exact fit", "c:\\b.exe", "http://abcdefgh", 9, 16, "c:\\b.exe", "http://abcdefgh"},
        {"address over 255 characters kept whole", "c:\\web\\browser.exe -url \"%1\"",
         "-new " + address400, 256, 1024, "c:\\web\\browser.exe", "-url " + address400},
        {"text without http", "c:\\web\\browser.exe %1", "-new ftp://quenwick.com", 256, 256,
         nullptr, ""},
        {"empty text", "c:\\web\\browser.exe %1", "", 256, 256, nullptr, ""},
        {"program longer than its buffer", "c:\\" + std::string(300, 'd') + "\\b.exe \"%1\"", LINK,
         256, 256, nullptr, ""},
        {"address longer than its buffer", "c:\\web\\browser.exe", longAddress, 256, 1024, nullptr,
         ""},
        {"parameters one byte too long", "c:\\b.exe", "http://abcdefgh", 256, 15, nullptr, ""},
        {"program one byte too long", "c:\\b.exe", "http://x", 8, 256, nullptr, ""},
    };
    for (const auto& row : rows)
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
