// The About dialog and its links, with a stand-in browser and mail program
// registered as the system's open commands for HTTP and mailto.
#include "settings_test_support.h"

#include "resource.h"
#include "settings/settings.h"
#include "shell/shell.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

const char kHttpCommandKey[] = "HTTP\\shell\\open\\command";
const char kMailCommandKey[] = "mailto\\shell\\open\\command";
const char kRecordKey[] = "Software\\Quenwick\\SolmirLinkTest";

std::string FakeBrowserPath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(NULL, path, sizeof(path));
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1) + "fakebrowser.exe";
}

std::string Upper(std::string text)
{
    for (char& c : text)
    {
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

DWORD Starts()
{
    DWORD starts = 0;
    DWORD size = sizeof(starts);
    RegGetValueA(HKEY_CURRENT_USER, kRecordKey, "starts", RRF_RT_REG_DWORD, NULL, &starts, &size);
    return starts;
}

std::string RecordedCommandLine()
{
    char line[2048] = {};
    DWORD size = sizeof(line);
    RegGetValueA(HKEY_CURRENT_USER, kRecordKey, "command line", RRF_RT_REG_SZ, NULL, line, &size);
    return line;
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The store addresses the product key again: a write lands there.
void ExpectProductKeySelected(const std::string& row)
{
    EXPECT_STREQ(kProductKey, g_szRegPath) << row;
    ASSERT_TRUE(ResetKey(HKEY_CURRENT_USER, kProductKey));
    EXPECT_TRUE(RegWriteValue("link check", 7)) << row;
    int32_t value = 0;
    EXPECT_TRUE(GetStoredValue("link check", &value)) << row;
    EXPECT_EQ(7, value) << row;
}

class AboutLinks : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        g_hInstance = GetModuleHandleA(NULL);
        ASSERT_TRUE(ResetKey(HKEY_CURRENT_USER, kRecordKey));
        ASSERT_TRUE(ResetKey(HKEY_CLASSES_ROOT, kHttpCommandKey));
        SetDefaultString(HKEY_CLASSES_ROOT, kHttpCommandKey,
                         ("\"" + FakeBrowserPath() + "\" -url \"%1\"").c_str());
    }
    void TearDown() override
    {
        if (run.thread != NULL)
        {
            WaitForDialogEnd(&run, 100);
        }
    }
    DialogThread run = {};
};

TEST_F(AboutLinks, WebLinkStartsTheBrowserAtEachPressAndTheDialogStays)
{
    HWND about = StartDialog(&run, IDD_ABOUT, AboutDialogProc, NULL, kAboutTitle);
    ASSERT_TRUE(about != NULL);
    for (DWORD press = 1; press <= 2; ++press)
    {
        ClickControl(about, IDC_VISIT_WEB);
        EXPECT_TRUE(WaitUntil([&] { return Starts() == press; }, 5000)) << "press " << press;
        EXPECT_TRUE(IsWindowVisible(about)) << "press " << press;
    }
    std::string line = RecordedCommandLine();
    EXPECT_NE(std::string::npos, line.find("fakebrowser.exe")) << line;
    EXPECT_TRUE(EndsWith(line, " -url http://www.quenwick.com/solmir")) << line;

    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitForDialogEnd(&run, 5000));
    EXPECT_EQ(1, run.result);
    ExpectProductKeySelected("after the web link");
}

TEST_F(AboutLinks, MailLinkOpensAMessageToTheAuthor)
{
    ASSERT_TRUE(ResetKey(HKEY_CLASSES_ROOT, kMailCommandKey));
    SetDefaultString(HKEY_CLASSES_ROOT, kMailCommandKey,
                     ("\"" + FakeBrowserPath() + "\" -mail \"%1\"").c_str());
    HWND about = StartDialog(&run, IDD_ABOUT, AboutDialogProc, NULL, kAboutTitle);
    ASSERT_TRUE(about != NULL);
    ClickControl(about, IDC_SEND_MAIL);
    EXPECT_TRUE(WaitUntil([] { return Starts() == 1; }, 5000));
    std::string line = RecordedCommandLine();
    EXPECT_NE(std::string::npos,
              line.find("-mail \"mailto:solmir@quenwick.com?subject=Solmir screen saver\""))
        << line;
    EXPECT_TRUE(IsWindowVisible(about));
    ClickControl(about, IDOK);
    EXPECT_TRUE(WaitForDialogEnd(&run, 5000));
    EXPECT_EQ(1, run.result);
}

TEST_F(AboutLinks, OkEscAndTheCloseBoxEndTheDialog)
{
    enum Ending
    {
        OK_BUTTON,
        ESC_KEY,
        CLOSE_BOX
    };
    const struct
    {
        const char* name;
        Ending ending;
    } rows[] = {{"OK", OK_BUTTON}, {"Esc", ESC_KEY}, {"close box", CLOSE_BOX}};
    for (const auto& row : rows)
    {
        HWND about = StartDialog(&run, IDD_ABOUT, AboutDialogProc, NULL, kAboutTitle);
        ASSERT_TRUE(about != NULL) << row.name;
        switch (row.ending)
        {
        case OK_BUTTON:
            ClickControl(about, IDOK);
            break;
        case ESC_KEY:
            PressKey(VK_ESCAPE);
            break;
        case CLOSE_BOX:
            PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        }
        EXPECT_TRUE(WaitForDialogEnd(&run, 5000)) << row.name;
        EXPECT_EQ(1, run.result) << row.name;
    }
}

TEST_F(AboutLinks, BrowserCommandsAsTheSystemWritesThem)
{
    const std::string fake = FakeBrowserPath();
    const struct
    {
        const char* name;
        std::string command;
        const char* text;
        const char* tail; // the end of the browser's command line; null: nothing starts
    } rows[] = {
        {"quoted path and quoted placeholder", "\"" + fake + "\" -url \"%1\"", g_szWebLink,
         " -url http://www.quenwick.com/solmir"},
        {"command in capitals", "\"" + Upper(fake) + "\" -URL \"%1\"", g_szWebLink,
         " -url http://www.quenwick.com/solmir"},
        {"placeholder without quotation marks", fake + " %1", g_szWebLink,
         " %1 http://www.quenwick.com/solmir"},
        {"text after the placeholder is dropped", "\"" + fake + "\" -url \"%1\" -tab \"%2\"",
         g_szWebLink, " -url http://www.quenwick.com/solmir"},
        {"address in capitals", "\"" + fake + "\" -url \"%1\"", "-new HTTP://WWW.QUENWICK.COM/X",
         " -url http://www.quenwick.com/x"},
        {"text without an address", "\"" + fake + "\" -url \"%1\"", "-new www.quenwick.com",
         nullptr},
    };
    for (const auto& row : rows)
    {
        ASSERT_TRUE(ResetKey(HKEY_CURRENT_USER, kRecordKey));
        ASSERT_TRUE(ResetKey(HKEY_CLASSES_ROOT, kHttpCommandKey));
        SetDefaultString(HKEY_CLASSES_ROOT, kHttpCommandKey, row.command.c_str());
        OpenUrlInBrowser(row.text);
        if (row.tail == nullptr)
        {
            Sleep(1000);
            EXPECT_EQ(0u, Starts()) << row.name;
        }
        else
        {
            EXPECT_TRUE(WaitUntil([] { return Starts() == 1; }, 5000)) << row.name;
            std::string line = RecordedCommandLine();
            EXPECT_TRUE(EndsWith(line, row.tail)) << row.name << ": " << line;
        }
        ExpectProductKeySelected(row.name);
    }
}

} // namespace
