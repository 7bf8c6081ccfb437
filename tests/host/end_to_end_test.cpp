// The saver as a process on a machine far too slow for it: the start-up probe
// fails, the notice replaces the animation, and "Remove Solmir" schedules the
// uninstaller in the run-once list, or says that it could not.
#include "host/notice_text.h"
#include "resource.h"
#include "support/saver_process.h"

#include <gtest/gtest.h>

#include <wchar.h>

namespace
{

const DWORD kWaitMs = 20000;
const char kProductPath[] = "Software\\Quenwick\\Solmir";
const char kRunOncePath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char kFolder[] = "C:\\Program Files\\Quenwick\\Solmir";
const char kRemoved[] = "Screen saver will be removed.";
const char kNotRemoved[] = "Screen saver will not be removed.";

// Deletes the key (a symbolic link itself, not its target) with everything below it.
bool DeleteKey(HKEY hive, const char* path)
{
    HKEY key = NULL;
    LONG status = RegOpenKeyExA(hive, path, REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS, &key);
    if (status != ERROR_SUCCESS)
    {
        return status == ERROR_FILE_NOT_FOUND;
    }
    // A key goes with its values; only subkeys have to go first.
    if ((status = RegDeleteKeyA(key, "")) != ERROR_SUCCESS)
    {
        RegDeleteTreeA(key, NULL);
        status = RegDeleteKeyA(key, "");
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool ResetKey(HKEY hive, const char* path, DWORD options = 0)
{
    HKEY key = NULL;
    if (!DeleteKey(hive, path) || RegCreateKeyExA(hive, path, 0, NULL, options, KEY_ALL_ACCESS,
                                                  NULL, &key, NULL) != ERROR_SUCCESS)
    {
        return false;
    }
    RegCloseKey(key);
    return true;
}

// Replaces the run-once key by a volatile symbolic link to a key that cannot
// be created: a non-volatile key cannot be created below a volatile one.
bool MakeRunOnceUnwritable()
{
    const wchar_t target[] = L"\\Registry\\Machine\\Software\\SolmirHostTestVolatile\\Unreachable";
    HKEY key = NULL;
    if (!ResetKey(HKEY_LOCAL_MACHINE, "Software\\SolmirHostTestVolatile", REG_OPTION_VOLATILE) ||
        !DeleteKey(HKEY_LOCAL_MACHINE, kRunOncePath) ||
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunOncePath, 0, NULL,
                        REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL, &key,
                        NULL) != ERROR_SUCCESS)
    {
        return false;
    }
    // The link's target is stored without a terminator.
    LONG status = RegSetValueExW(key, L"SymbolicLinkValue", 0, REG_LINK,
                                 reinterpret_cast<const BYTE*>(target),
                                 static_cast<DWORD>(wcslen(target) * sizeof(wchar_t)));
    RegCloseKey(key);
    // The store itself cannot open it now.
    return status == ERROR_SUCCESS &&
           RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunOncePath, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                           NULL) != ERROR_SUCCESS;
}

int RunOnceCount()
{
    HKEY key = NULL;
    DWORD values = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOncePath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    {
        return -1;
    }
    RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return static_cast<int>(values);
}

HWND VisibleDialog(const char* title)
{
    HWND found = FindWindowA("#32770", title);
    return found && IsWindowVisible(found) ? found : NULL;
}

// Waits for the box after "Remove Solmir", checks it shows above the saver,
// presses OK and returns its caption and text.
std::string AnswerRemovalBox(HWND saver)
{
    HWND box = NULL;
    WaitUntil([&] { return (box = VisibleDialog(kRemoved)) || (box = VisibleDialog(kNotRemoved)); },
              kWaitMs);
    if (box == NULL)
    {
        return "<none>";
    }
    std::string seen = WindowTitle(box) + "|";
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    {
        seen += lstrcmpiA(WindowClass(child).c_str(), "Static") == 0 ? WindowTitle(child) : "";
    }
    bool above = false;
    for (HWND next = GetWindow(box, GW_HWNDNEXT); next; next = GetWindow(next, GW_HWNDNEXT))
    {
        above = above || next == saver;
    }
    EXPECT_TRUE(above) << "the box shows above the saver";
    PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    WaitUntil([&] { return !IsWindow(box); }, kWaitMs);
    return seen;
}

enum RunOnceSetUp
{
    KEEP,
    EMPTY,
    ALL_NAMES_TAKEN,
    UNWRITABLE
};

TEST(SlowMachine, NoticeSchedulesRemovalOrSaysItCannot)
{
    const std::string removed =
        std::string(kRemoved) +
        "|This Screen saver will be removed\nthe next time you start Windows.";
    const std::string notRemoved = std::string(kNotRemoved) +
                                   "|Solmir could not be scheduled for removal.\nPlease remove it "
                                   "with Add or Remove Programs.";
    const std::string command = std::string(kFolder) + "\\uninstal.exe";
    const std::string tooLong(400, 'f');
    const struct
    {
        const char* what;
        const char* installDir; // null: no value
        RunOnceSetUp runOnce;
        const char* entry; // the value the run adds; null: none
        int count;         // run-once values afterwards
    } rows[] = {
        {"first removal", kFolder, EMPTY, "kill_saver", 1},
        {"second removal", kFolder, KEEP, "kill_saver1", 2},
        {"no installation folder", nullptr, EMPTY, nullptr, 0},
        {"empty installation folder", "", EMPTY, nullptr, 0},
        {"installation folder too long", tooLong.c_str(), EMPTY, nullptr, 0},
        {"every run-once name taken", kFolder, ALL_NAMES_TAKEN, nullptr, RUN_ONCE_NAME_LIMIT + 1},
        {"run-once list cannot be written", kFolder, UNWRITABLE, nullptr, -1},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(ResetKey(HKEY_CURRENT_USER, kProductPath));
        ASSERT_TRUE(ResetKey(HKEY_LOCAL_MACHINE, kProductPath));
        if (row.installDir)
        {
            SetString(HKEY_LOCAL_MACHINE, kProductPath, "install_dir", row.installDir);
        }
        if (row.runOnce != KEEP)
        {
            ASSERT_TRUE(ResetKey(HKEY_LOCAL_MACHINE, kRunOncePath));
        }
        for (int i = 0; row.runOnce == ALL_NAMES_TAKEN && i <= RUN_ONCE_NAME_LIMIT; ++i)
        {
            char name[RUN_ONCE_NAME_SIZE];
            ASSERT_TRUE(FormatRunOnceName(name, sizeof(name), i));
            SetString(HKEY_LOCAL_MACHINE, kRunOncePath, name, "taken");
        }
        if (row.runOnce == UNWRITABLE)
        {
            ASSERT_TRUE(MakeRunOnceUnwritable());
        }

        SaverProcess saver;
        ASSERT_TRUE(StartProgram(TestProgramFolder() + "SolmirSlowClock.scr", "/s", &saver));
        HWND notice = NULL;
        WaitUntil([&]
                  { return (notice = VisibleDialog("Oops, looks like there is a problem...")); },
                  kWaitMs);
        ASSERT_NE(nullptr, notice);
        HWND line = GetDlgItem(notice, IDC_FRAME_RATE_TEXT);
        WaitUntil([&] { return WindowTitle(line).find("xxx") == std::string::npos; }, kWaitMs);
        EXPECT_EQ("The current frame rate is: 2.50 frames per second.", WindowTitle(line));
        HWND hwnd = FindWindowA("WindowsScreenSaverClass", "Screen Saver");
        EXPECT_TRUE(hwnd != NULL && GetWindow(notice, GW_OWNER) == hwnd) << "owned by the saver";
        PostMessageA(GetDlgItem(notice, IDC_REMOVE_SOLMIR), BM_CLICK, 0, 0);
        EXPECT_EQ(row.entry ? removed : notRemoved, AnswerRemovalBox(hwnd));
        EXPECT_TRUE(IsWindowVisible(notice)) << "the notice stays open after scheduling";
        PostMessageA(GetDlgItem(notice, IDOK), BM_CLICK, 0, 0);
        EXPECT_EQ(0u, WaitForExit(saver, kWaitMs));
        std::string written = "<missing>"; // nothing when the removal was refused
        ReadString(HKEY_LOCAL_MACHINE, kRunOncePath, row.entry ? row.entry : "", &written);
        EXPECT_EQ(row.entry ? command : "<missing>", written);
        EXPECT_EQ(row.count, RunOnceCount());
    }
    ASSERT_TRUE(ResetKey(HKEY_LOCAL_MACHINE, kRunOncePath));
}

} // namespace
