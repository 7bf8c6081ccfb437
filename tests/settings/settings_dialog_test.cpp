// The settings dialog run as the settings mode runs it (DialogBoxParamA with
// SettingsDialogProc), on a UI thread of its own, driven with real mouse
// clicks and key presses, and checked by its controls, the registry and the
// pixels its preview draws.
#include "settings_test_support.h"

#include "host/host.h"
#include "render/render.h"
#include "resource.h"
#include "settings/settings.h"
#include "shell/shell.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <vector>

namespace
{

const char kNoticeTitle[] = "Oops, looks like there is a problem...";
const DWORD kEndTimeoutMs = 10000;

// Each test starts from a product key of its own making and a real clock.
class SettingsDialog : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(ResetKey(HKEY_CURRENT_USER, kProductKey));
        g_pfnTickCount = GetTickCount;
    }
    void TearDown() override
    {
        if (run.thread != NULL)
        {
            WaitForDialogEnd(&run, 100);
        }
        g_pfnTickCount = GetTickCount;
    }

    // Starts the dialog and waits for its first frames.
    HWND Start()
    {
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
};

int32_t Stored(const char* name)
{
    int32_t value = 0;
    EXPECT_TRUE(GetStoredValue(name, &value)) << name << " is missing";
    return value;
}

TEST_F(SettingsDialog, EnableBoxesFollowTheStoredFlags)
{
    const struct
    {
        bool active[3];
    } rows[] = {{{true, false, true}}, {{false, true, false}}, {{false, false, false}}};
    for (const auto& row : rows)
    {
        std::string name = std::string("flags ") + (row.active[0] ? "1" : "0") +
                           (row.active[1] ? "1" : "0") + (row.active[2] ? "1" : "0");
        ASSERT_TRUE(ResetKey(HKEY_CURRENT_USER, kProductKey));
        StoreAllValues(row.active[0], row.active[1], row.active[2], 23);
        HWND dialog = Start();
        ASSERT_TRUE(dialog != NULL) << name;
        EXPECT_EQ(row.active[0], IsChecked(dialog, IDC_ENABLE_MODULE1)) << name;
        EXPECT_EQ(row.active[1], IsChecked(dialog, IDC_ENABLE_MODULE2)) << name;
        EXPECT_EQ(row.active[2], IsChecked(dialog, IDC_ENABLE_MODULE3)) << name;
        EXPECT_EQ("23", ControlText(dialog, IDC_CYCLE_TIME)) << name;
        EXPECT_EQ(1, EndWith(dialog, IDCANCEL)) << name;
    }
}

TEST_F(SettingsDialog, OkStoresTheBoxesAndTheSteeredView)
{
    StoreAllValues(true, true, true, 23);
    std::map<std::string, int32_t> before = ReadStoredValues();
    HWND dialog = Start();
    ASSERT_TRUE(dialog != NULL);

    ClickControl(dialog, IDC_ENABLE_MODULE2); // module II off
    EXPECT_TRUE(WaitUntil([&] { return !IsChecked(dialog, IDC_ENABLE_MODULE2); }, 3000));
    PressKeys(VK_NEXT, 3); // module I zooms in from 21.0 by 0.3 a press
    PressKey(VK_F9);       // and runs faster by 0.125
    EXPECT_EQ(1, EndWith(dialog, IDOK));

    std::map<std::string, int32_t> after = ReadStoredValues();
    EXPECT_EQ(0, after["mod2 active"]);
    EXPECT_EQ(1, after["mod1 active"]);
    EXPECT_EQ(1, after["mod3 active"]);
    EXPECT_NEAR(2010, after["mod1 depth"], 2);
    EXPECT_NEAR(79, after["mod1 speed"], 1);
    EXPECT_EQ(23, after["cycle time"]);
    // Nothing else moved.
    for (const auto& value : before)
    {
        if (value.first != "mod2 active" && value.first != "mod1 depth" &&
            value.first != "mod1 speed")
        {
            EXPECT_EQ(value.second, after[value.first]) << value.first;
        }
    }
}

TEST_F(SettingsDialog, CancelEscAndTheCloseBoxStoreNothing)
{
    enum Ending
    {
        CANCEL_BUTTON,
        ESC_KEY,
        CLOSE_BOX
    };
    const struct
    {
        const char* name;
        Ending ending;
    } rows[] = {{"Cancel", CANCEL_BUTTON}, {"Esc", ESC_KEY}, {"close box", CLOSE_BOX}};
    for (const auto& row : rows)
    {
        ASSERT_TRUE(ResetKey(HKEY_CURRENT_USER, kProductKey));
        StoreAllValues(true, true, true, 23);
        std::map<std::string, int32_t> before = ReadStoredValues();
        HWND dialog = Start();
        ASSERT_TRUE(dialog != NULL) << row.name;

        ClickControl(dialog, IDC_ENABLE_MODULE1);
        PressKeys(VK_NEXT, 2);
        PressKey(VK_F3);
        switch (row.ending)
        {
        case CANCEL_BUTTON:
            ClickControl(dialog, IDCANCEL);
            break;
        case ESC_KEY:
            PressKey(VK_ESCAPE);
            break;
        case CLOSE_BOX:
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        }
        EXPECT_TRUE(WaitForDialogEnd(&run, kEndTimeoutMs)) << row.name;
        EXPECT_EQ(1, run.result) << row.name;
        EXPECT_EQ(before, ReadStoredValues()) << row.name;
    }
}

TEST_F(SettingsDialog, SpinArrowsStepOneSecondAndStopAtTheLimits)
{
    StoreAllValues(true, true, true, 9998);
    HWND dialog = Start();
    ASSERT_TRUE(dialog != NULL);

    const struct
    {
        const char* name;
        bool up;
        const char* shown;
    } clicks[] = {
        {"up to the top", true, "9999"},
        {"up at the top stays", true, "9999"},
        {"down", false, "9998"},
    };
    for (const auto& click : clicks)
    {
        ClickSpinArrow(dialog, click.up);
        EXPECT_EQ(click.shown, WaitForControlText(dialog, IDC_CYCLE_TIME, click.shown))
            << click.name;
    }

    // The arrow keys in the box act as the spin's arrows. Far more presses than
    // the spin's own range holds still count one second each.
    PressKeys(VK_DOWN, 130);
    EXPECT_EQ("9868", WaitForControlText(dialog, IDC_CYCLE_TIME, "9868")) << "130 presses down";
    PressKeys(VK_UP, 5);
    EXPECT_EQ("9873", WaitForControlText(dialog, IDC_CYCLE_TIME, "9873")) << "5 presses up";
    EXPECT_EQ(1, EndWith(dialog, IDOK));
    EXPECT_EQ(9873, Stored("cycle time"));

    // The bottom.
    ASSERT_TRUE(ResetKey(HKEY_CURRENT_USER, kProductKey));
    StoreAllValues(true, true, true, 2);
    dialog = Start();
    ASSERT_TRUE(dialog != NULL);
    const struct
    {
        const char* name;
        bool up;
        const char* shown;
    } lowClicks[] = {
        {"down to the bottom", false, "1"},
        {"down at the bottom stays", false, "1"},
        {"up", true, "2"},
    };
    for (const auto& click : lowClicks)
    {
        ClickSpinArrow(dialog, click.up);
        EXPECT_EQ(click.shown, WaitForControlText(dialog, IDC_CYCLE_TIME, click.shown))
            << click.name;
    }
    EXPECT_EQ(1, EndWith(dialog, IDOK));
    EXPECT_EQ(2, Stored("cycle time"));
}

TEST_F(SettingsDialog, TypedIntervalIsBoundedWhenTheBoxLosesTheFocus)
{
    StoreAllValues(true, true, true, 23);
    HWND dialog = Start();
    ASSERT_TRUE(dialog != NULL);
    const struct
    {
        const char* typed;
        const char* shown;
    } rows[] = {{"12345", "9999"}, {"0", "1"}, {"1200", "1200"}, {"", "1"}, {"42", "42"}};
    for (const auto& row : rows)
    {
        ClickControl(dialog, IDC_CYCLE_TIME);
        ClearFocusedEdit();
        TypeDigits(row.typed);
        Sleep(100);
        // Module I is on show: its preview button takes the focus and changes nothing.
        ClickControl(dialog, IDC_PREVIEW_MODULE1);
        EXPECT_EQ(row.shown, WaitForControlText(dialog, IDC_CYCLE_TIME, row.shown))
            << "typed \"" << row.typed << "\"";
    }
    // Letters do not get into the box.
    ClickControl(dialog, IDC_CYCLE_TIME);
    PressKey('A');
    ClickControl(dialog, IDC_PREVIEW_MODULE1);
    Sleep(200);
    EXPECT_EQ("42", ControlText(dialog, IDC_CYCLE_TIME));

    EXPECT_EQ(1, EndWith(dialog, IDOK));
    EXPECT_EQ(42, Stored("cycle time"));
}

TEST_F(SettingsDialog, AStoredZeroIntervalStaysZeroUnlessTouched)
{
    const struct
    {
        const char* name;
        bool spinDown;
        int32_t stored;
    } rows[] = {{"untouched", false, 0}, {"after a spin press", true, 1}};
    for (const auto& row : rows)
    {
        ASSERT_TRUE(ResetKey(HKEY_CURRENT_USER, kProductKey));
        StoreAllValues(true, true, true, 0);
        HWND dialog = Start();
        ASSERT_TRUE(dialog != NULL) << row.name;
        EXPECT_EQ("0", ControlText(dialog, IDC_CYCLE_TIME)) << row.name;
        if (row.spinDown)
        {
            ClickSpinArrow(dialog, false);
            EXPECT_EQ("1", WaitForControlText(dialog, IDC_CYCLE_TIME, "1")) << row.name;
        }
        EXPECT_EQ(1, EndWith(dialog, IDOK)) << row.name;
        EXPECT_EQ(row.stored, Stored("cycle time")) << row.name;
    }
}

TEST_F(SettingsDialog, PreviewButtonOfADisabledModuleShowsItAndLeavesItDisabled)
{
    StoreAllValues(true, false, true, 23);
    HWND dialog = Start();
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

// ---- The preview's pixels ------------------------------------------------------

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
        for (uint32_t& pixel : pixels)
        {
            pixel &= 0x00FFFFFF;
        }
        g_nLitPixels = CountLitPixels(pixels);
        ++g_nFramesRead;
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

TEST_F(SettingsDialog, PreviewDrawsTheShownModule)
{
    const struct
    {
        const char* name;
        bool active;
        bool lit;
    } rows[] = {{"module I", true, true}, {"no module enabled: the empty scene", false, false}};
    for (const auto& row : rows)
    {
        ASSERT_TRUE(ResetKey(HKEY_CURRENT_USER, kProductKey));
        StoreAllValues(row.active, row.active, row.active, 23);
        HWND dialog = Start();
        ASSERT_TRUE(dialog != NULL) << row.name;
        g_nFramesRead = 0;
        HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, ReadFrameHook, NULL, run.threadId);
        ASSERT_TRUE(hook != NULL);
        EXPECT_TRUE(WaitUntil([] { return g_nFramesRead >= 5; }, 5000)) << row.name;
        UnhookWindowsHookEx(hook);
        if (row.lit)
        {
            EXPECT_GT(g_nLitPixels, 1000) << row.name;
        }
        else
        {
            EXPECT_EQ(0, g_nLitPixels) << row.name;
        }
        EXPECT_EQ(1, EndWith(dialog, IDCANCEL)) << row.name;
    }
}

// ---- Modal dialogs inside the tick -------------------------------------------------

// Every frame reads the clock; a count of the reads tells whether frames run.
std::atomic<long> g_nClockReads;

DWORD WINAPI CountingTickCount()
{
    ++g_nClockReads;
    return GetTickCount();
}

TEST_F(SettingsDialog, AboutPausesThePreviewUntilItCloses)
{
    StoreAllValues(true, true, true, 23);
    g_pfnTickCount = CountingTickCount;
    HWND dialog = Start();
    ASSERT_TRUE(dialog != NULL);

    long running = g_nClockReads;
    Sleep(300);
    EXPECT_GT(g_nClockReads, running) << "the preview does not run";

    ClickControl(dialog, IDC_ABOUT);
    HWND about = NULL;
    ASSERT_TRUE(WaitUntil(
        [&]
        {
            about = FindThreadWindow(run.threadId, kAboutTitle);
            return about != NULL;
        },
        5000))
        << "About did not open";
    EXPECT_EQ(dialog, GetWindow(about, GW_OWNER));
    Sleep(100);
    long paused = g_nClockReads;
    Sleep(400);
    EXPECT_EQ(paused, g_nClockReads) << "frames ran while About was open";

    ClickControl(about, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }, 3000)) << "About did not close";
    long resumed = g_nClockReads;
    Sleep(300);
    EXPECT_GT(g_nClockReads, resumed) << "the preview did not resume";
    EXPECT_EQ(1, EndWith(dialog, IDCANCEL));
}

// A clock on which every read is a fixed step later than the last: the probe
// measures its first frame as exactly one step.
std::atomic<DWORD> g_dwFakeNow;
std::atomic<DWORD> g_dwFakeStep;

DWORD WINAPI SteppingTickCount()
{
    return g_dwFakeNow += g_dwFakeStep;
}

HWND WaitForNotice(const DialogThread& run)
{
    HWND notice = NULL;
    WaitUntil(
        [&]
        {
            notice = FindThreadWindow(run.threadId, kNoticeTitle);
            return notice != NULL;
        },
        5000);
    return notice;
}

void CloseNotice(HWND notice)
{
    ClickControl(notice, IDOK);
    WaitUntil([&] { return !IsWindow(notice); }, 3000);
}

TEST_F(SettingsDialog, SlowMachineIsToldAndLosesModuleOneBelowThreeFramesASecond)
{
    const struct
    {
        const char* name;
        DWORD firstFrameMs;
        bool moduleOneStays;
    } rows[] = {{"2.5 frames a second", 400, false}, {"4 frames a second", 250, true}};
    for (const auto& row : rows)
    {
        ASSERT_TRUE(ResetKey(HKEY_CURRENT_USER, kProductKey));
        StoreAllValues(true, true, true, 23);
        g_dwFakeNow = 1000000;
        g_dwFakeStep = row.firstFrameMs;
        g_pfnTickCount = SteppingTickCount;
        HWND dialog = StartSettingsDialog(&run);
        ASSERT_TRUE(dialog != NULL) << row.name;

        HWND notice = WaitForNotice(run);
        ASSERT_TRUE(notice != NULL) << row.name << ": no notice at start";
        EXPECT_EQ(dialog, GetWindow(notice, GW_OWNER)) << row.name;
        EXPECT_EQ(row.moduleOneStays, IsChecked(dialog, IDC_ENABLE_MODULE1)) << row.name;
        CloseNotice(notice);

        // Switching a module on tells again.
        int box = row.moduleOneStays ? IDC_ENABLE_MODULE3 : IDC_ENABLE_MODULE1;
        ClickControl(dialog, box);
        if (row.moduleOneStays)
        {
            ClickControl(dialog, box); // off, then on again
        }
        notice = WaitForNotice(run);
        ASSERT_TRUE(notice != NULL) << row.name << ": no notice on enabling";
        CloseNotice(notice);
        EXPECT_EQ(row.moduleOneStays, IsChecked(dialog, box)) << row.name;
        EXPECT_EQ(1, EndWith(dialog, IDOK)) << row.name;
        EXPECT_EQ(row.moduleOneStays ? 1 : 0, Stored("mod1 active")) << row.name;
        g_pfnTickCount = GetTickCount;
    }
}

} // namespace
