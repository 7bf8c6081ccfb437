// The settings dialog run as the settings mode runs it, on a UI thread of its
// own, driven with real clicks and key presses, and checked by its controls,
// the registry and the frames its preview runs; About and its web link.
#include "settings_test_support.h"

#include "host/host.h"
#include "render/render.h"
#include "resource.h"
#include "settings/settings.h"
#include "shell/shell.h"
#include "support/saver_process.h"
#include "support/test_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace
{

const DWORD V = WS_CHILD | WS_VISIBLE;
const DWORD H = WS_CHILD; // hidden
const DWORD TAB = WS_TABSTOP;

struct ControlRow
{
    int id;
    const char* className;
    DWORD style;
    const char* text; // "#n" for a resource ordinal
    RECT box;         // dialog units: left, top, width, height
};

const ControlRow CONTROLS[] = {
    {1002, "Button", V | BS_AUTOCHECKBOX | TAB, "", {309, 25, 10, 8}},
    {1024, "Button", V | BS_AUTORADIOBUTTON | BS_PUSHLIKE, "Solmir I", {320, 21, 55, 15}},
    {1003, "Button", V | BS_AUTOCHECKBOX | TAB, "", {310, 40, 8, 8}},
    {1025, "Button", V | BS_AUTORADIOBUTTON | BS_PUSHLIKE, "Solmir II", {320, 37, 55, 15}},
    {1005, "Button", V | BS_AUTOCHECKBOX | TAB, "", {310, 56, 8, 8}},
    {1026, "Button", V | BS_AUTORADIOBUTTON | BS_PUSHLIKE, "Solmir III", {320, 53, 55, 15}},
    {1007, "Button", H | BS_AUTOCHECKBOX | BS_MULTILINE | TAB, "", {47, 84, 8, 8}},
    {1027, "Button", H | BS_AUTORADIOBUTTON | BS_PUSHLIKE, "Module 4", {57, 82, 40, 13}},
    {1004, "Button", H | BS_AUTOCHECKBOX | TAB, "", {47, 97, 8, 8}},
    {1028, "Button", H | BS_AUTORADIOBUTTON | BS_PUSHLIKE, "Module 5", {57, 95, 40, 13}},
    {1046, "Button", H | BS_PUSHBUTTON | TAB, "Enable All", {143, 43, 52, 16}},
    {1047, "Button", H | BS_PUSHBUTTON | TAB, "Disable All", {139, 64, 52, 16}},
    // Scrolling added: without it the box takes no more than three typed digits.
    {1035, "Edit", V | WS_BORDER | TAB | ES_NUMBER | ES_AUTOHSCROLL, "", {324, 84, 32, 13}},
    {1034,
     "msctls_updown32",
     V | UDS_ARROWKEYS | UDS_AUTOBUDDY | UDS_ALIGNRIGHT,
     "Spin1",
     {336, 80, 11, 13}},
    {16, "Button", V | BS_PUSHBUTTON | TAB, "About Solmir", {290, 112, 110, 20}},
    {2, "Button", V | BS_PUSHBUTTON | TAB, "Cancel", {290, 184, 110, 32}},
    {1, "Button", V | BS_PUSHBUTTON | TAB, "OK", {290, 219, 110, 54}},
    {-1, "Static", V | SS_LEFT, "F2, F3 - Rotate Fwd/Bkwd ", {86, 231, 88, 9}},
    {-1, "Static", V | SS_LEFT, "F4, F5 - Rotate Vertical", {86, 241, 84, 9}},
    {-1, "Static", V | SS_LEFT, "F6, F7 - Rotate Left/Right", {192, 221, 84, 9}},
    {-1, "Static", V | SS_LEFT, "Arrow Keys - up down left right", {86, 221, 95, 10}},
    {-1, "Static", V | SS_LEFT, "Page Up - Zoom Out", {10, 231, 68, 9}},
    {-1, "Static", V | SS_LEFT, "Home - Default view", {10, 221, 68, 9}},
    {-1, "Static", V | SS_ETCHEDVERT, "", {80, 216, 1, 41}},
    {-1, "Button", V | BS_GROUPBOX | BS_CENTER, " Animation Control Keys ", {6, 202, 274, 74}},
    {-1, "Static", V | SS_LEFT, "F8 - Slower", {192, 231, 41, 9}},
    {-1, "Static", V | SS_ETCHEDVERT, "", {186, 216, 1, 41}},
    {-1, "Static", V | SS_LEFT, "F9 - Faster", {192, 241, 41, 9}},
    {-1, "Static", V | SS_LEFT, "Page Dn - Zoom In", {10, 241, 69, 9}},
    {-1, "Static", V | SS_LEFT, "seconds", {358, 86, 31, 10}},
    {-1, "Button", V | BS_GROUPBOX | BS_CENTER, "Animation Control", {290, 7, 110, 98}},
    {-1,
     "Static",
     H | SS_CENTER,
     "Click the checkbox to the left to enable/disable module. Click the push button to preview "
     "module",
     {139, 13, 116, 25}},
    {-1,
     "Static",
     V | SS_CENTER,
     "* These control keys also work while screensaver is active.*",
     {42, 261, 199, 8}},
    {1049, "Button", H | BS_AUTOCHECKBOX | TAB, "Enable Sound", {47, 12, 61, 10}},
    {1008, "Static", V | SS_BLACKRECT, "", {6, 7, 273, 191}},
    {-1, "Static", V | SS_CENTER, "Switch animation module", {300, 72, 87, 10}},
    {-1, "Static", V | SS_RIGHT, "every", {301, 86, 20, 10}},
};

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// The dialog manager converts a box's corner and size each from dialog units,
// so the far edge may differ by a pixel from a conversion of the edge itself.
RECT ToPixels(HWND dialog, const RECT& box)
{
    RECT corner = {box.left, box.top, box.left, box.top};
    RECT size = {box.right, box.bottom, box.right, box.bottom};
    MapDialogRect(dialog, &corner);
    MapDialogRect(dialog, &size);
    return RECT{corner.left, corner.top, corner.left + size.left, corner.top + size.top};
}

TEST(DialogLayout, ControlsAreCreatedAsTabled)
{
    InitSettingsControls();
    HWND dialog = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_SETTINGS), NULL,
                                     PlainDialogProc, 0);
    ASSERT_TRUE(dialog != NULL);
    ShowWindow(dialog, SW_SHOWNA);
    EXPECT_EQ(kSettingsTitle, WindowTitle(dialog));
    RECT client = {}, expectedClient = ToPixels(dialog, RECT{0, 0, 411, 281});
    GetClientRect(dialog, &client);
    EXPECT_EQ(expectedClient.right, client.right);
    EXPECT_EQ(expectedClient.bottom, client.bottom);
    // Style bits the dialog manager keeps as the template gives them.
    const DWORD kept = 0xFFFF | WS_TABSTOP | WS_VISIBLE | WS_CHILD;
    HWND child = GetWindow(dialog, GW_CHILD);
    RECT editBox = {};
    for (const ControlRow& c : CONTROLS)
    {
        SCOPED_TRACE(std::string("id ") + std::to_string(c.id) + ", \"" + c.text + "\"");
        ASSERT_TRUE(child != NULL) << "missing";
        EXPECT_EQ(c.id & 0xFFFF, GetDlgCtrlID(child) & 0xFFFF);
        EXPECT_STRCASEEQ(c.className, WindowClass(child).c_str());
        DWORD style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
        EXPECT_EQ(c.style & kept, style & kept) << std::hex << style;
        EXPECT_EQ((c.style & WS_VISIBLE) != 0, IsWindowVisible(child) != FALSE);
        if (c.id != IDC_CYCLE_TIME)
        {
            EXPECT_EQ(c.text, WindowTitle(child));
        }
        // Edges checked within a slack; -1: not checked.
        RECT want = ToPixels(dialog, c.box);
        int slack[4] = {0, 0, 0, 0};
        if (c.id == IDC_CYCLE_TIME)
        {
            editBox = want;
            slack[2] = -1; // the spin takes the right end of its buddy's place
        }
        else if (c.id == IDC_CYCLE_SPIN)
        {
            want = editBox;
            slack[0] = -1;
            slack[1] = slack[3] = 2;
            slack[2] = 3;
            EXPECT_EQ(GetDlgItem(dialog, IDC_CYCLE_TIME),
                      reinterpret_cast<HWND>(SendMessageA(child, UDM_GETBUDDY, 0, 0)));
        }
        else if ((c.style & SS_TYPEMASK) == SS_ETCHEDVERT && c.className[0] == 'S')
        {
            slack[2] = -1; // the system sizes an etched line to its two edges
            slack[3] = 2;
        }
        RECT got = {};
        GetWindowRect(child, &got);
        MapWindowPoints(NULL, dialog, reinterpret_cast<POINT*>(&got), 2);
        const LONG wantEdges[4] = {want.left, want.top, want.right, want.bottom};
        const LONG gotEdges[4] = {got.left, got.top, got.right, got.bottom};
        for (int e = 0; e < 4; ++e)
        {
            if (slack[e] >= 0)
            {
                EXPECT_NEAR(wantEdges[e], gotEdges[e], slack[e]) << "edge "
                                                                 << "ltrb"[e];
            }
        }
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_TRUE(child == NULL) << "more controls than the table";
    DestroyWindow(dialog);
}

// ---- The dialog driven with real input ----------------------------------------

struct DialogThread
{
    HANDLE thread;
    DWORD threadId;
    INT_PTR result;
};

DWORD WINAPI RunDialogThread(void* parameter)
{
    DialogThread* run = static_cast<DialogThread*>(parameter);
    run->result = DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_SETTINGS), NULL,
                                  SettingsDialogProc, 0);
    return 0;
}

std::string ControlText(HWND dialog, int id)
{
    char text[256] = {};
    // Sent, so it is answered by the dialog's thread between frames.
    SendMessageA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return text;
}

// The control's text once it reads as expected, or what it reads after the time-out.
std::string WaitForControlText(HWND dialog, int id, const std::string& expected)
{
    std::string text;
    WaitUntil([&] { return (text = ControlText(dialog, id)) == expected; }, 3000);
    return text;
}

bool IsChecked(HWND dialog, int id)
{
    return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Each dialog starts from a product key of its own making and a real clock.
class SettingsDialog : public ::testing::Test
{
  protected:
    void TearDown() override
    {
        if (run.thread != NULL && !WaitForEnd(100))
        {
            // Leave no dialog behind for the next test.
            EnumThreadWindows(
                run.threadId, [](HWND hwnd, LPARAM) { return PostMessageA(hwnd, WM_CLOSE, 0, 0); },
                0);
            WaitForEnd(5000);
        }
        g_pfnTickCount = GetTickCount;
    }
    bool WaitForEnd(DWORD timeoutMs)
    {
        bool ended = WaitForSingleObject(run.thread, timeoutMs) == WAIT_OBJECT_0;
        if (ended)
        {
            CloseHandle(run.thread);
            run.thread = NULL;
        }
        return ended;
    }
    // Starts the dialog on a fresh key holding all 25 values, and waits for its first frames.
    HWND Start(int activeBits, int32_t cycleTime)
    {
        EXPECT_TRUE(ResetKey(HKEY_CURRENT_USER, kProductKey));
        const char* fields[] = {"depth", "horz", "vert", "xrot", "yrot", "zrot", "speed"};
        const int32_t views[3][7] = {{2100, 0, 0, 0, 4000, 0, 67},
                                     {2100, 0, -114, -1200, 19000, 0, 30},
                                     {13900, 0, 0, 0, 0, 0, 43}};
        for (int m = 0; m < 3; ++m)
        {
            std::string mod = "mod" + std::to_string(m + 1) + " ";
            for (int f = 0; f < 7; ++f)
            {
                SetDword(HKEY_CURRENT_USER, kProductKey, (mod + fields[f]).c_str(), views[m][f]);
            }
            SetDword(HKEY_CURRENT_USER, kProductKey, (mod + "active").c_str(),
                     (activeBits >> m) & 1);
        }
        SetDword(HKEY_CURRENT_USER, kProductKey, "cycle time", cycleTime);
        stored = ReadStoredValues();
        // One dialog per process in the product; tests run several in a row.
        g_hInstance = GetModuleHandleA(NULL);
        g_bStopRequested = g_bClosing = g_bInTick = g_bEditHasKeys = false;
        g_nSpinStep = 0;
        // Display lists die with their context; a new context must compile its own.
        g_uRingList = 0;
        g_fRingListScale = 0.0f;
        InitSettingsControls();
        run = DialogThread{NULL, 0, -2};
        run.thread = CreateThread(NULL, 0, RunDialogThread, &run, 0, &run.threadId);
        HWND dialog = WaitForShownWindow(0, run.threadId, kSettingsTitle);
        EXPECT_TRUE(dialog != NULL) << "the settings dialog did not appear";
        Sleep(300);
        return dialog;
    }
    // Ends the dialog with a click on the button, or with the key, and returns its result.
    INT_PTR EndWith(HWND dialog, int button, char key = 0)
    {
        key != 0 ? PressKeys(std::string(1, key)) : ClickControl(dialog, button);
        EXPECT_TRUE(WaitForEnd(10000)) << "the dialog did not end";
        return run.result;
    }
    int32_t Stored(const char* name)
    {
        std::map<std::string, int32_t> values = ReadStoredValues();
        EXPECT_EQ(1u, values.count(name)) << name << " is missing";
        return values[name];
    }
    DialogThread run = {};
    std::map<std::string, int32_t> stored; // the values the dialog started from
};

TEST_F(SettingsDialog, OkStoresTheBoxesAndTheSteeredViewCancelStoresNothing)
{
    const struct
    {
        int activeBits;
        int end;
        char key;
    } rows[] = {{7, IDOK, 0}, {5, IDCANCEL, 0}, {2, 0, VK_ESCAPE}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.activeBits);
        HWND dialog = Start(row.activeBits, 23);
        ASSERT_TRUE(dialog != NULL);
        EXPECT_EQ(row.activeBits & 1, IsChecked(dialog, IDC_ENABLE_MODULE1));
        EXPECT_EQ((row.activeBits >> 1) & 1, IsChecked(dialog, IDC_ENABLE_MODULE2));
        EXPECT_EQ((row.activeBits >> 2) & 1, IsChecked(dialog, IDC_ENABLE_MODULE3));
        EXPECT_EQ("23", ControlText(dialog, IDC_CYCLE_TIME));
        ClickControl(dialog, IDC_ENABLE_MODULE2);
        EXPECT_TRUE(WaitUntil(
            [&] { return IsChecked(dialog, IDC_ENABLE_MODULE2) != (row.activeBits & 2); }, 3000));
        PressKeys("\x22\x22\x22\x78"); // Page Down zooms module I in by 0.3 a press, F9 adds 0.125
        EXPECT_EQ(1, EndWith(dialog, row.end, row.key));
        std::map<std::string, int32_t> expected = stored, after = ReadStoredValues();
        if (row.end == IDOK)
        {
            EXPECT_NEAR(2010, after["mod1 depth"], 2);
            EXPECT_NEAR(79, after["mod1 speed"], 1);
            expected["mod2 active"] = 0;
            expected["mod1 depth"] = after["mod1 depth"];
            expected["mod1 speed"] = after["mod1 speed"];
        }
        EXPECT_EQ(expected, after) << "only the changed box and the steered view are stored";
    }
}

TEST_F(SettingsDialog, IntervalStepsByOneAndIsBoundedWhenTheBoxLosesTheFocus)
{
    // "+"/"-": a click on the spin's arrow; digits: typed into the emptied box,
    // which then loses the focus to module I's preview button, changing nothing.
    const struct
    {
        int32_t start;
        std::vector<std::pair<const char*, const char*>> steps; // input, shown after
        int32_t stored;
    } rows[] = {
        {9998, {{"+", "9999"}, {"+", "9999"}, {"-", "9998"}}, 9998},
        {2, {{"-", "1"}, {"-", "1"}, {"+", "2"}}, 2},
        {23, {{"12345", "9999"}, {"0", "1"}}, 1},
        {0, {}, 0}, // a stored 0 stays 0 while untouched
        {0, {{"-", "1"}}, 1},
    };
    for (const auto& row : rows)
    {
        HWND dialog = Start(7, row.start);
        ASSERT_TRUE(dialog != NULL);
        EXPECT_EQ(std::to_string(row.start), ControlText(dialog, IDC_CYCLE_TIME));
        for (const auto& step : row.steps)
        {
            SCOPED_TRACE(std::to_string(row.start) + " then " + step.first);
            if (step.first[0] == '+' || step.first[0] == '-')
            {
                ClickControl(dialog, IDC_CYCLE_SPIN, step.first[0] == '+' ? 1 : 3);
            }
            else
            {
                ClickControl(dialog, IDC_CYCLE_TIME);
                PressKeys(std::string("\x23") + std::string(10, VK_BACK) + step.first);
                ClickControl(dialog, IDC_PREVIEW_MODULE1);
            }
            EXPECT_EQ(step.second, WaitForControlText(dialog, IDC_CYCLE_TIME, step.second));
        }
        EXPECT_EQ(1, EndWith(dialog, IDOK));
        EXPECT_EQ(row.stored, Stored("cycle time"));
    }
}

TEST_F(SettingsDialog, PreviewButtonOfADisabledModuleShowsItAndLeavesItDisabled)
{
    HWND dialog = Start(5, 23);
    ASSERT_TRUE(dialog != NULL);
    EXPECT_TRUE(IsChecked(dialog, IDC_PREVIEW_MODULE1));
    ClickControl(dialog, IDC_PREVIEW_MODULE2);
    EXPECT_TRUE(WaitUntil(
        [&]
        {
            return IsChecked(dialog, IDC_PREVIEW_MODULE2) &&
                   !IsChecked(dialog, IDC_PREVIEW_MODULE1) &&
                   !IsChecked(dialog, IDC_PREVIEW_MODULE3);
        },
        2000));
    EXPECT_FALSE(IsChecked(dialog, IDC_ENABLE_MODULE2));
    EXPECT_EQ(1, EndWith(dialog, IDOK));
    EXPECT_EQ(0, Stored("mod2 active"));
}

// Every frame reads the clock; a count of the reads tells whether frames run.
std::atomic<long> g_nClockReads;

DWORD WINAPI CountingTickCount()
{
    ++g_nClockReads;
    return GetTickCount();
}

bool FramesRun()
{
    long before = g_nClockReads;
    Sleep(400);
    return g_nClockReads > before;
}

TEST_F(SettingsDialog, AboutPausesThePreviewAndTheWebLinkStartsTheBrowser)
{
    // The stand-in browser, as the system's open command.
    const char kRecordKey[] = "Software\\Quenwick\\SolmirLinkTest"; // written by fakebrowser.exe
    const char http[] = "HTTP\\shell\\open\\command";
    ASSERT_TRUE(ResetKey(HKEY_CURRENT_USER, kRecordKey));
    ASSERT_TRUE(ResetKey(HKEY_CLASSES_ROOT, http));
    SetString(HKEY_CLASSES_ROOT, http, "",
              ("\"" + TestProgramFolder() + "fakebrowser.exe\" -url \"%1\"").c_str());

    g_pfnTickCount = CountingTickCount;
    HWND dialog = Start(7, 23);
    ASSERT_TRUE(dialog != NULL);
    EXPECT_TRUE(FramesRun()) << "the preview does not run";

    ClickControl(dialog, IDC_ABOUT);
    HWND about = WaitForShownWindow(0, run.threadId, kAboutTitle);
    ASSERT_TRUE(about != NULL) << "About did not open";
    EXPECT_EQ(dialog, GetWindow(about, GW_OWNER));
    Sleep(100);
    EXPECT_FALSE(FramesRun()) << "frames ran while About was open";

    ClickControl(about, IDC_VISIT_WEB);
    EXPECT_TRUE(
        WaitUntil([&] { return ReadDword(HKEY_CURRENT_USER, kRecordKey, "starts", 0) == 1; }, 5000))
        << "no browser started";
    std::string line;
    ReadString(HKEY_CURRENT_USER, kRecordKey, "command line", &line);
    EXPECT_NE(std::string::npos, line.find("fakebrowser.exe")) << line;
    const std::string tail = " -url http://www.quenwick.com/solmir";
    EXPECT_TRUE(line.size() >= tail.size() && line.substr(line.size() - tail.size()) == tail)
        << line;

    ClickControl(about, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }, 3000)) << "About did not close";
    EXPECT_TRUE(FramesRun()) << "the preview did not resume";
    EXPECT_EQ(1, EndWith(dialog, IDCANCEL));

    // The browser's command was read through the store: a write lands in the product key again.
    EXPECT_STREQ(kProductKey, g_szRegPath);
    ASSERT_TRUE(ResetKey(HKEY_CURRENT_USER, kProductKey));
    EXPECT_TRUE(RegWriteValue("link check", 7));
    EXPECT_EQ(7, Stored("link check"));
}

} // namespace
