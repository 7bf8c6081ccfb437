// The settings dialog run as the settings mode runs it, on a UI thread of its
// own, driven with real clicks and key presses, and checked by its controls,
// the registry and the pixels its preview draws; About and its links.
#include "settings_test_support.h"

#include "host/host.h"
#include "render/render.h"
#include "resource.h"
#include "settings/settings.h"
#include "shell/shell.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace
{

// ---- The controls as the dialog manager creates them -----------------------

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

const ControlRow SETTINGS_CONTROLS[] = {
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

const ControlRow ABOUT_CONTROLS[] = {
    {-1, "Static", V | SS_ICON, "#104", {39, 74, 20, 20}},
    {-1, "Static", V | SS_ICON, "#104", {184, 74, 20, 20}},
    {-1, "Static", V | SS_ETCHEDFRAME, "", {7, 7, 228, 143}},
    {1, "Button", V | BS_DEFPUSHBUTTON, "OK", {159, 121, 70, 18}},
    {-1, "Static", V | SS_CENTER, "Solmir v1.0.1", {49, 18, 141, 25}},
    {1040, "Button", V | BS_PUSHBUTTON | TAB, "Visit My Web Site", {13, 121, 70, 18}},
    {1039, "Button", V | BS_PUSHBUTTON | TAB, "Send Me Email", {86, 121, 70, 18}},
    {-1, "Static", V | SS_ETCHEDFRAME, "", {69, 110, 104, 2}},
};

struct DialogRow
{
    int resource;
    const char* title;
    RECT box;
    const ControlRow* controls;
    size_t count;
};

const DialogRow DIALOGS[] = {
    {IDD_SETTINGS,
     "Solmir Screen Saver Settings",
     {0, 0, 411, 281},
     SETTINGS_CONTROLS,
     sizeof(SETTINGS_CONTROLS) / sizeof(SETTINGS_CONTROLS[0])},
    {IDD_ABOUT,
     "Solmir Screen Saver",
     {0, 0, 244, 159},
     ABOUT_CONTROLS,
     sizeof(ABOUT_CONTROLS) / sizeof(ABOUT_CONTROLS[0])},
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

// Style bits the dialog manager keeps as the template gives them.
DWORD KeptStyle(DWORD style)
{
    return style & (0xFFFF | WS_TABSTOP | WS_VISIBLE | WS_CHILD);
}

TEST(DialogLayout, ControlsAreCreatedAsTabled)
{
    InitSettingsControls();
    for (const DialogRow& row : DIALOGS)
    {
        HWND dialog = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(row.resource),
                                         NULL, PlainDialogProc, 0);
        ASSERT_TRUE(dialog != NULL) << row.resource << " could not be created";
        ShowWindow(dialog, SW_SHOWNA);
        EXPECT_EQ(row.title, WindowTitle(dialog));
        RECT client = {};
        GetClientRect(dialog, &client);
        RECT expectedClient = ToPixels(dialog, row.box);
        EXPECT_EQ(expectedClient.right, client.right) << row.resource;
        EXPECT_EQ(expectedClient.bottom, client.bottom) << row.resource;

        HWND child = GetWindow(dialog, GW_CHILD);
        RECT editBox = {};
        for (size_t i = 0; i < row.count; ++i, child = GetWindow(child, GW_HWNDNEXT))
        {
            const ControlRow& c = row.controls[i];
            SCOPED_TRACE("dialog " + std::to_string(row.resource) + " control " +
                         std::to_string(i) + " (id " + std::to_string(c.id) + ", \"" + c.text +
                         "\")");
            ASSERT_TRUE(child != NULL) << "missing";
            EXPECT_EQ(c.id & 0xFFFF, GetDlgCtrlID(child) & 0xFFFF);
            EXPECT_STRCASEEQ(c.className, WindowClass(child).c_str());
            DWORD style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
            EXPECT_EQ(KeptStyle(c.style), KeptStyle(style)) << std::hex << style;
            EXPECT_EQ((c.style & WS_VISIBLE) != 0, IsWindowVisible(child) != FALSE);
            if (c.text[0] != '#' && c.id != IDC_CYCLE_TIME)
            {
                EXPECT_EQ(c.text, WindowTitle(child));
            }

            // Edges checked within a slack; -1: not checked.
            RECT want = ToPixels(dialog, c.box);
            int slack[4] = {0, 0, 0, 0};
            DWORD type = c.style & SS_TYPEMASK;
            bool isStatic = strcmp(c.className, "Static") == 0;
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
            else if (isStatic && type == SS_ICON)
            {
                slack[2] = slack[3] = -1; // an icon static sizes itself to its icon
                EXPECT_TRUE(SendMessageA(child, STM_GETICON, 0, 0) != 0) << "no icon";
            }
            else if (isStatic && type == SS_ETCHEDVERT)
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
        }
        EXPECT_TRUE(child == NULL) << row.resource << " has more controls than its table";
        DestroyWindow(dialog);
    }
}

// ---- The dialog driven with real input ----------------------------------------

const DWORD kEndTimeoutMs = 10000;

// Each dialog starts from a product key of its own making and a real clock.
class SettingsDialog : public ::testing::Test
{
  protected:
    void TearDown() override
    {
        if (run.thread != NULL)
        {
            WaitForDialogEnd(&run, 100);
        }
        g_pfnTickCount = GetTickCount;
    }
    // Starts the dialog on a fresh key holding every value, and waits for its first frames.
    HWND Start(bool active1, bool active2, bool active3, int32_t cycleTime)
    {
        EXPECT_TRUE(ResetKey(HKEY_CURRENT_USER, kProductKey));
        StoreAllValues(active1, active2, active3, cycleTime);
        stored = ReadStoredValues();
        HWND dialog = StartSettingsDialog(&run);
        EXPECT_TRUE(dialog != NULL) << "the settings dialog did not appear";
        Sleep(300);
        return dialog;
    }
    // Ends the dialog with a click on the button and returns its result.
    INT_PTR EndWith(HWND dialog, int button)
    {
        ClickControl(dialog, button);
        EXPECT_TRUE(WaitForDialogEnd(&run, kEndTimeoutMs)) << "the dialog did not end";
        return run.result;
    }
    DialogThread run = {};
    std::map<std::string, int32_t> stored; // the values the dialog started from
};

int32_t Stored(const char* name)
{
    std::map<std::string, int32_t> values = ReadStoredValues();
    EXPECT_EQ(1u, values.count(name)) << name << " is missing";
    return values[name];
}

TEST_F(SettingsDialog, OkStoresTheBoxesAndTheSteeredView)
{
    HWND dialog = Start(true, true, true, 23);
    ASSERT_TRUE(dialog != NULL);
    std::map<std::string, int32_t> expected = stored;
    ClickControl(dialog, IDC_ENABLE_MODULE2); // module II off
    EXPECT_TRUE(WaitUntil([&] { return !IsChecked(dialog, IDC_ENABLE_MODULE2); }, 3000));
    PressKey(VK_NEXT, 3); // module I zooms in from 21.0 by 0.3 a press
    PressKey(VK_F9);      // and runs faster by 0.125
    EXPECT_EQ(1, EndWith(dialog, IDOK));

    std::map<std::string, int32_t> after = ReadStoredValues();
    EXPECT_NEAR(2010, after["mod1 depth"], 2);
    EXPECT_NEAR(79, after["mod1 speed"], 1);
    expected["mod2 active"] = 0;
    expected["mod1 depth"] = after["mod1 depth"];
    expected["mod1 speed"] = after["mod1 speed"];
    EXPECT_EQ(expected, after) << "only the changed box and the steered view are stored";
}

TEST_F(SettingsDialog, BoxesFollowTheStoredFlagsAndCancellingStoresNothing)
{
    const struct
    {
        const char* what;
        bool active[3];
        std::function<void(HWND)> end;
    } rows[] = {
        {"flags 101, Cancel", {true, false, true}, [](HWND d) { ClickControl(d, IDCANCEL); }},
        {"flags 010, Esc", {false, true, false}, [](HWND) { PressKey(VK_ESCAPE); }},
        {"flags 000, close box",
         {false, false, false},
         [](HWND d) { PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        HWND dialog = Start(row.active[0], row.active[1], row.active[2], 23);
        ASSERT_TRUE(dialog != NULL);
        EXPECT_EQ(row.active[0], IsChecked(dialog, IDC_ENABLE_MODULE1));
        EXPECT_EQ(row.active[1], IsChecked(dialog, IDC_ENABLE_MODULE2));
        EXPECT_EQ(row.active[2], IsChecked(dialog, IDC_ENABLE_MODULE3));
        EXPECT_EQ("23", ControlText(dialog, IDC_CYCLE_TIME));
        ClickControl(dialog, IDC_ENABLE_MODULE2);
        PressKey(VK_NEXT, 2);
        PressKey(VK_F3);
        row.end(dialog);
        EXPECT_TRUE(WaitForDialogEnd(&run, kEndTimeoutMs));
        EXPECT_EQ(1, run.result);
        EXPECT_EQ(stored, ReadStoredValues());
    }
}

TEST_F(SettingsDialog, EachSpinPressStepsOneSecondAndStopsAtTheLimits)
{
    struct Press
    {
        const char* what;
        WORD key; // 0: a click on the spin's arrow
        bool up;
        int count;
        const char* shown;
    };
    const struct
    {
        int32_t start;
        std::vector<Press> presses;
        int32_t stored;
    } runs[] = {
        {9998,
         {{"up arrow to the top", 0, true, 1, "9999"},
          {"up arrow at the top stays", 0, true, 1, "9999"},
          {"down arrow", 0, false, 1, "9998"},
          // More presses than the spin's own range holds still count one each.
          {"130 Down keys", VK_DOWN, false, 130, "9868"},
          {"5 Up keys", VK_UP, true, 5, "9873"}},
         9873},
        {2,
         {{"down arrow to the bottom", 0, false, 1, "1"},
          {"down arrow at the bottom stays", 0, false, 1, "1"},
          {"up arrow", 0, true, 1, "2"}},
         2},
    };
    for (const auto& spin : runs)
    {
        HWND dialog = Start(true, true, true, spin.start);
        ASSERT_TRUE(dialog != NULL);
        for (const Press& press : spin.presses)
        {
            if (press.key == 0)
            {
                ClickSpinArrow(dialog, press.up);
            }
            else
            {
                PressKey(press.key, press.count);
            }
            EXPECT_EQ(press.shown, WaitForControlText(dialog, IDC_CYCLE_TIME, press.shown))
                << press.what;
        }
        EXPECT_EQ(1, EndWith(dialog, IDOK));
        EXPECT_EQ(spin.stored, Stored("cycle time"));
    }
}

TEST_F(SettingsDialog, TypedIntervalIsBoundedWhenTheBoxLosesTheFocus)
{
    HWND dialog = Start(true, true, true, 23);
    ASSERT_TRUE(dialog != NULL);
    const char* rows[][2] = {{"12345", "9999"}, {"0", "1"}, {"", "1"}, {"42", "42"}, {"A", "42"}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(std::string("typed \"") + row[0] + "\"");
        ClickControl(dialog, IDC_CYCLE_TIME);
        if (row[0][0] != 'A') // letters do not get into the box, nor clear it
        {
            PressKey(VK_END);
            PressKey(VK_BACK, 10);
        }
        TypeDigits(row[0]);
        // Module I is on show: its preview button takes the focus and changes nothing.
        ClickControl(dialog, IDC_PREVIEW_MODULE1);
        EXPECT_EQ(row[1], WaitForControlText(dialog, IDC_CYCLE_TIME, row[1]));
    }
    EXPECT_EQ(1, EndWith(dialog, IDOK));
    EXPECT_EQ(42, Stored("cycle time"));
}

TEST_F(SettingsDialog, AStoredZeroIntervalStaysZeroUnlessTouched)
{
    for (bool touched : {false, true})
    {
        SCOPED_TRACE(touched ? "after a spin press" : "untouched");
        HWND dialog = Start(true, true, true, 0);
        ASSERT_TRUE(dialog != NULL);
        EXPECT_EQ("0", ControlText(dialog, IDC_CYCLE_TIME));
        if (touched)
        {
            ClickSpinArrow(dialog, false);
            EXPECT_EQ("1", WaitForControlText(dialog, IDC_CYCLE_TIME, "1"));
        }
        EXPECT_EQ(1, EndWith(dialog, IDOK));
        EXPECT_EQ(touched ? 1 : 0, Stored("cycle time"));
    }
}

TEST_F(SettingsDialog, PreviewButtonOfADisabledModuleShowsItAndLeavesItDisabled)
{
    HWND dialog = Start(true, false, true, 23);
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
        2000))
        << "the preview buttons do not show module II";
    EXPECT_FALSE(IsChecked(dialog, IDC_ENABLE_MODULE2));
    // Enter moves on to the next enabled module, and its button follows.
    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitUntil([&] { return IsChecked(dialog, IDC_PREVIEW_MODULE3); }, 2000));
    EXPECT_EQ(1, EndWith(dialog, IDOK));
    EXPECT_EQ(0, Stored("mod2 active"));
    EXPECT_EQ(1, Stored("mod1 active"));
    EXPECT_EQ(1, Stored("mod3 active"));
}

// The frames are read back from the GL itself (the end-to-end test checks the
// screen): a hook on the dialog's thread reads the last frame whenever the
// next tick is taken from the queue. Mesa's software renderer keeps the back
// buffer across a swap.
std::atomic<int> g_nFramesRead;
std::atomic<int> g_nLitPixels;

LRESULT CALLBACK ReadFrameHook(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == WM_SAVER_TICK &&
        wglGetCurrentContext() != NULL && g_hGLWnd != NULL)
    {
        RECT client = {};
        GetClientRect(g_hGLWnd, &client);
        std::vector<uint32_t> pixels(static_cast<size_t>(client.right) * client.bottom);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, client.right, client.bottom, GL_BGRA_EXT, GL_UNSIGNED_BYTE,
                     pixels.data());
        int lit = 0;
        for (uint32_t pixel : pixels)
        {
            lit += (pixel & 0xF0F0F0) != 0; // brighter than a dark grey
        }
        g_nLitPixels = lit;
        ++g_nFramesRead;
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

TEST_F(SettingsDialog, PreviewDrawsTheShownModule)
{
    for (bool active : {true, false})
    {
        SCOPED_TRACE(active ? "module I" : "no module enabled: the empty scene");
        HWND dialog = Start(active, active, active, 23);
        ASSERT_TRUE(dialog != NULL);
        g_nFramesRead = 0;
        HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, ReadFrameHook, NULL, run.threadId);
        ASSERT_TRUE(hook != NULL);
        EXPECT_TRUE(WaitUntil([] { return g_nFramesRead >= 5; }, 5000));
        UnhookWindowsHookEx(hook);
        if (active)
        {
            EXPECT_GT(g_nLitPixels, 1000);
        }
        else
        {
            EXPECT_EQ(0, g_nLitPixels);
        }
        EXPECT_EQ(1, EndWith(dialog, IDCANCEL));
    }
}

// ---- About and other modal boxes inside the tick ----------------------------------

// Every frame reads the clock; a count of the reads tells whether frames run.
std::atomic<long> g_nClockReads;

DWORD WINAPI CountingTickCount()
{
    ++g_nClockReads;
    return GetTickCount();
}

const char kRecordKey[] = "Software\\Quenwick\\SolmirLinkTest"; // written by fakebrowser.exe

std::string RecordedCommandLine()
{
    std::string line;
    ReadString(HKEY_CURRENT_USER, kRecordKey, "command line", &line);
    return line;
}

bool StartsReach(DWORD starts)
{
    return WaitUntil(
        [&] { return ReadDword(HKEY_CURRENT_USER, kRecordKey, "starts", 0) == starts; }, 5000);
}

TEST_F(SettingsDialog, AboutPausesThePreviewAndItsLinksStartTheRegisteredPrograms)
{
    // The stand-in browser and mail program, as the system's open commands.
    const std::string fake = "\"" + TestProgramFolder() + "fakebrowser.exe\"";
    const char* http = "HTTP\\shell\\open\\command";
    const char* mail = "mailto\\shell\\open\\command";
    ASSERT_TRUE(ResetKey(HKEY_CURRENT_USER, kRecordKey));
    ASSERT_TRUE(ResetKey(HKEY_CLASSES_ROOT, http));
    ASSERT_TRUE(ResetKey(HKEY_CLASSES_ROOT, mail));
    SetString(HKEY_CLASSES_ROOT, http, "", (fake + " -url \"%1\"").c_str());
    SetString(HKEY_CLASSES_ROOT, mail, "", (fake + " -mail \"%1\"").c_str());

    g_pfnTickCount = CountingTickCount;
    HWND dialog = Start(true, true, true, 23);
    ASSERT_TRUE(dialog != NULL);
    long running = g_nClockReads;
    Sleep(300);
    EXPECT_GT(g_nClockReads, running) << "the preview does not run";

    ClickControl(dialog, IDC_ABOUT);
    HWND about = WaitForShownWindow(0, run.threadId, kAboutTitle);
    ASSERT_TRUE(about != NULL) << "About did not open";
    EXPECT_EQ(dialog, GetWindow(about, GW_OWNER));
    Sleep(100);
    long paused = g_nClockReads;
    Sleep(400);
    EXPECT_EQ(paused, g_nClockReads) << "frames ran while About was open";

    ClickControl(about, IDC_VISIT_WEB);
    EXPECT_TRUE(StartsReach(1)) << "no browser started";
    std::string line = RecordedCommandLine();
    EXPECT_NE(std::string::npos, line.find("fakebrowser.exe")) << line;
    const std::string tail = " -url http://www.quenwick.com/solmir";
    EXPECT_TRUE(line.size() >= tail.size() && line.substr(line.size() - tail.size()) == tail)
        << line;
    ClickControl(about, IDC_SEND_MAIL);
    EXPECT_TRUE(StartsReach(2)) << "no mail program started";
    EXPECT_NE(std::string::npos,
              RecordedCommandLine().find(
                  "-mail \"mailto:solmir@quenwick.com?subject=Solmir screen saver\""))
        << RecordedCommandLine();
    EXPECT_TRUE(IsWindowVisible(about)) << "a link closed About";

    ClickControl(about, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }, 3000)) << "About did not close";
    long resumed = g_nClockReads;
    Sleep(300);
    EXPECT_GT(g_nClockReads, resumed) << "the preview did not resume";
    EXPECT_EQ(1, EndWith(dialog, IDCANCEL));

    // The browser's command was read through the store: a write lands in the product key again.
    EXPECT_STREQ(kProductKey, g_szRegPath);
    ASSERT_TRUE(ResetKey(HKEY_CURRENT_USER, kProductKey));
    EXPECT_TRUE(RegWriteValue("link check", 7));
    EXPECT_EQ(7, Stored("link check"));
}

// A clock on which every read is a fixed step later than the last: the probe
// measures its first frame as exactly one step.
std::atomic<DWORD> g_dwFakeNow;
std::atomic<DWORD> g_dwFakeStep;

DWORD WINAPI SteppingTickCount()
{
    return g_dwFakeNow += g_dwFakeStep;
}

TEST_F(SettingsDialog, SlowMachineIsToldAndLosesModuleOneBelowThreeFramesASecond)
{
    const char kNoticeTitle[] = "Oops, looks like there is a problem...";
    const struct
    {
        const char* what;
        DWORD firstFrameMs;
        bool moduleOneStays;
    } rows[] = {{"2.5 frames a second", 400, false}, {"4 frames a second", 250, true}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        g_dwFakeNow = 1000000;
        g_dwFakeStep = row.firstFrameMs;
        g_pfnTickCount = SteppingTickCount;
        HWND dialog = Start(true, true, true, 23);
        ASSERT_TRUE(dialog != NULL);
        HWND notice = WaitForShownWindow(0, run.threadId, kNoticeTitle);
        ASSERT_TRUE(notice != NULL) << "no notice at start";
        EXPECT_EQ(dialog, GetWindow(notice, GW_OWNER));
        EXPECT_EQ(row.moduleOneStays, IsChecked(dialog, IDC_ENABLE_MODULE1));
        ClickControl(notice, IDOK);
        WaitUntil([&] { return !IsWindow(notice); }, 3000);

        // Switching a module on tells again.
        int box = row.moduleOneStays ? IDC_ENABLE_MODULE3 : IDC_ENABLE_MODULE1;
        ClickControl(dialog, box);
        if (row.moduleOneStays)
        {
            ClickControl(dialog, box); // off, then on again
        }
        notice = WaitForShownWindow(0, run.threadId, kNoticeTitle);
        ASSERT_TRUE(notice != NULL) << "no notice on enabling";
        ClickControl(notice, IDOK);
        WaitUntil([&] { return !IsWindow(notice); }, 3000);
        EXPECT_EQ(row.moduleOneStays, IsChecked(dialog, box));
        EXPECT_EQ(1, EndWith(dialog, IDOK));
        EXPECT_EQ(row.moduleOneStays ? 1 : 0, Stored("mod1 active"));
        g_pfnTickCount = GetTickCount;
    }
}

} // namespace
