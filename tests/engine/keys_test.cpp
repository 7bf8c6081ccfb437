// The keyboard view controls through HandleViewKey, the Control Menu it
// opens and the parameter dump it shows, and dialog 105's template.
#include "engine_test_support.h"
#include "support/live_view.h"
#include "engine/engine.h"
#include "host/host.h"
#include "resource.h"

#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

namespace
{

const DWORD kNow = 500000;
const DWORD kEarlierCycle = 12345;

View RecordView(const ModuleParams& p)
{
    return View{p.depth, p.horz, p.vert, p.xrot, p.yrot, p.zrot, p.speed};
}

void ExpectViewEq(const View& actual, const View& expected, const char* which)
{
    SCOPED_TRACE(which);
    EXPECT_FLOAT_EQ(actual.depth, expected.depth) << "depth";
    EXPECT_FLOAT_EQ(actual.horz, expected.horz) << "horz";
    EXPECT_FLOAT_EQ(actual.vert, expected.vert) << "vert";
    EXPECT_FLOAT_EQ(actual.xrot, expected.xrot) << "xrot";
    EXPECT_FLOAT_EQ(actual.yrot, expected.yrot) << "yrot";
    EXPECT_FLOAT_EQ(actual.zrot, expected.zrot) << "zrot";
    EXPECT_FLOAT_EQ(actual.speed, expected.speed) << "speed";
}

// Stored records that differ from both the built-in defaults and the start views.
const View kRec1 = {25.0f, 0.5f, 0, 0, 40.0f, 0, 0.675f};
const View kRec2 = {30.0f, 0, -1.15f, -12.0f, 190.0f, 0, 0.3f};
const View kRec3 = {145.0f, 0, 0, 3.0f, 0, 0, 0.43f};
const View kDef2 = {21.0f, 0, -1.15f, -12.0f, 190.0f, 0, 0.3f};
const View kMoved = {33.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 2.0f};

View At(float depth)
{
    return View{depth, 0, 0, 0, 0, 0, 0.5f};
}
View Speed(float speed)
{
    return View{21.0f, 0, 0, 0, 0, 0, speed};
}
View Pan(float depth, float horz, float vert)
{
    return View{depth, horz, vert, 0, 0, 0, 0.5f};
}
View Turn(float xrot, float yrot, float zrot)
{
    return View{21.0f, 0, 0, xrot, yrot, zrot, 0.5f};
}

enum Mode
{
    FULL,    // full-screen saver
    DIALOG,  // settings dialog preview
    PREVIEW, // the display settings' small preview
};

// Enabled modules as bits: module 1 is 1, module 2 is 2, module 3 is 4.
const int NONE = 0, M1 = 1, M12 = 3, M13 = 5, M123 = 7;

class ViewKeys : public EngineGLTest
{
  protected:
    void SetUp() override
    {
        StartAt(kNow);
        if (HasFatalFailure())
        {
            return;
        }
    }
};

void SetRecord(int module, const View& v, bool active)
{
    ModuleParams& p = g_ModParams[module];
    p.depth = v.depth;
    p.horz = v.horz;
    p.vert = v.vert;
    p.xrot = v.xrot;
    p.yrot = v.yrot;
    p.zrot = v.zrot;
    p.speed = v.speed;
    p.active = active;
}

TEST_F(ViewKeys, KeyTable)
{
    struct Row
    {
        const char* what;
        Mode mode;
        UINT message;
        WPARAM key;
        int enabled;
        int module;
        View start;
        View expect;
        int moduleAfter;
        bool stop;
        bool switched; // cycle restart, fade reset, the old view kept in its record
        int checked;   // preview button checked afterwards, 0 for none
    };
    const UINT D = WM_KEYDOWN;
    const Row rows[] = {
        // Zoom: the step from the depth before the change.
        {"Page Up at 21", FULL, D, VK_PRIOR, M1, 1, At(21), At(21.3f), 1, false, false, 0},
        {"keypad 9 at 21", FULL, D, VK_NUMPAD9, M1, 1, At(21), At(21.3f), 1, false, false, 0},
        {"Page Down at 21", FULL, D, VK_NEXT, M1, 1, At(21), At(20.7f), 1, false, false, 0},
        {"keypad 3 at 21", FULL, D, VK_NUMPAD3, M1, 1, At(21), At(20.7f), 1, false, false, 0},
        {"Page Down at 49.9", FULL, D, VK_NEXT, M1, 1, At(49.9f), At(49.6f), 1, false, false, 0},
        {"Page Down at 50", FULL, D, VK_NEXT, M1, 1, At(50), At(49), 1, false, false, 0},
        {"Page Down at 49", FULL, D, VK_NEXT, M1, 1, At(49), At(48.7f), 1, false, false, 0},
        {"Page Down at 139", FULL, D, VK_NEXT, M1, 1, At(139), At(137), 1, false, false, 0},
        {"Page Up at 260", FULL, D, VK_PRIOR, M1, 1, At(260), At(265), 1, false, false, 0},
        {"Page Down below zero", FULL, D, VK_NEXT, M1, 1, At(-10), At(-10.3f), 1, false, false, 0},
        {"Page Up far out", FULL, D, VK_PRIOR, M1, 1, At(3e9f), At(3e9f + 42949672.0f), 1, false,
         false, 0},
        // Pan.
        {"Up at 21", FULL, D, VK_UP, M1, 1, At(21), Pan(21, 0, 0.1f), 1, false, false, 0},
        {"keypad 8 at 139", FULL, D, VK_NUMPAD8, M1, 1, At(139), Pan(139, 0, 2), 1, false, false,
         0},
        {"Down at 139", FULL, D, VK_DOWN, M1, 1, At(139), Pan(139, 0, -2), 1, false, false, 0},
        {"keypad 2 at 21", FULL, D, VK_NUMPAD2, M1, 1, At(21), Pan(21, 0, -0.1f), 1, false, false,
         0},
        {"Left at 21", FULL, D, VK_LEFT, M1, 1, At(21), Pan(21, -0.1f, 0), 1, false, false, 0},
        {"Left at 139", FULL, D, VK_LEFT, M1, 1, At(139), Pan(139, -2, 0), 1, false, false, 0},
        {"keypad 4 at 260", FULL, D, VK_NUMPAD4, M1, 1, At(260), Pan(260, -5, 0), 1, false, false,
         0},
        {"Right at 260", FULL, D, VK_RIGHT, M1, 1, At(260), Pan(260, 5, 0), 1, false, false, 0},
        {"keypad 6 at 49.9", FULL, D, VK_NUMPAD6, M1, 1, At(49.9f), Pan(49.9f, 0.1f, 0), 1, false,
         false, 0},
        // Rotation: F6/F7 turn the other way round from F2/F3 and F4/F5.
        {"F2", FULL, D, VK_F2, M1, 1, At(21), Turn(-1.5f, 0, 0), 1, false, false, 0},
        {"F3", FULL, D, VK_F3, M1, 1, At(21), Turn(1.5f, 0, 0), 1, false, false, 0},
        {"F4", FULL, D, VK_F4, M1, 1, At(21), Turn(0, -1.5f, 0), 1, false, false, 0},
        {"F5", FULL, D, VK_F5, M1, 1, At(21), Turn(0, 1.5f, 0), 1, false, false, 0},
        {"F6", FULL, D, VK_F6, M1, 1, At(21), Turn(0, 0, 1.5f), 1, false, false, 0},
        {"F7", FULL, D, VK_F7, M1, 1, At(21), Turn(0, 0, -1.5f), 1, false, false, 0},
        // Speed, within its bounds.
        {"F8 at 0.5", FULL, D, VK_F8, M1, 1, Speed(0.5f), Speed(0.375f), 1, false, false, 0},
        {"F8 at 0.125 bounds up", FULL, D, VK_F8, M1, 1, Speed(0.125f), Speed(0.0625f), 1, false,
         false, 0},
        {"F8 at the bottom", FULL, D, VK_F8, M1, 1, Speed(0.0625f), Speed(0.0625f), 1, false, false,
         0},
        {"F9 at the bottom", FULL, D, VK_F9, M1, 1, Speed(0.0625f), Speed(0.1875f), 1, false, false,
         0},
        {"F9 at 9.9 bounds down", FULL, D, VK_F9, M1, 1, Speed(9.9f), Speed(10), 1, false, false,
         0},
        {"F9 at the top", FULL, D, VK_F9, M1, 1, Speed(10), Speed(10), 1, false, false, 0},
        // Home: the shown module's built-in view; its record waits for a save.
        {"Home", FULL, D, VK_HOME, M123, 2, kMoved, kDef2, 2, false, false, 0},
        {"Home with no module", FULL, D, VK_HOME, NONE, 0, kMoved, kMoved, 0, false, false, 0},
        // Next and previous module.
        {"Enter with two modules", FULL, D, VK_RETURN, M12, 1, kMoved, kRec2, 2, false, true, 0},
        {"Enter with one module quits", FULL, D, VK_RETURN, M1, 1, kMoved, kMoved, 1, true, true,
         0},
        {"Backspace with one module stays", FULL, D, VK_BACK, M1, 1, kMoved, kMoved, 1, false, true,
         0},
        {"Backspace with three modules", FULL, D, VK_BACK, M123, 1, kMoved, kRec3, 3, false, true,
         0},
        {"Enter skips a disabled module", FULL, D, VK_RETURN, M13, 1, kMoved, kRec3, 3, false, true,
         0},
        {"Enter wraps", FULL, D, VK_RETURN, M123, 3, kMoved, kRec1, 1, false, true, 0},
        {"Enter with no module", FULL, D, VK_RETURN, NONE, 0, kMoved, kMoved, 0, false, true, 0},
        {"Backspace with no module", FULL, D, VK_BACK, NONE, 0, kMoved, kMoved, 0, false, true, 0},
        {"Enter in the dialog", DIALOG, D, VK_RETURN, M13, 3, kMoved, kRec1, 1, false, true, 1024},
        {"Enter in the dialog, one module", DIALOG, D, VK_RETURN, M1, 1, kMoved, kMoved, 1, false,
         true, 1024},
        {"Backspace in the dialog", DIALOG, D, VK_BACK, M123, 1, kMoved, kRec3, 3, false, true,
         1026},
        // Quitting.
        {"Esc quits the saver", FULL, D, VK_ESCAPE, M1, 1, At(21), At(21), 1, true, false, 0},
        {"Esc closes the dialog", DIALOG, D, VK_ESCAPE, M1, 1, At(21), At(21), 1, true, false, 0},
        {"'A' quits the saver", FULL, D, 'A', M1, 1, At(21), At(21), 1, true, false, 0},
        {"Shift quits the saver", FULL, D, VK_SHIFT, M1, 1, At(21), At(21), 1, true, false, 0},
        {"F10 quits the saver", FULL, D, VK_F10, M1, 1, At(21), At(21), 1, true, false, 0},
        {"F12 quits the saver", FULL, D, VK_F12, M1, 1, At(21), At(21), 1, true, false, 0},
        {"'A' in the dialog does nothing", DIALOG, D, 'A', M1, 1, At(21), At(21), 1, false, false,
         0},
        {"F12 in the dialog does nothing", DIALOG, D, VK_F12, M1, 1, At(21), At(21), 1, false,
         false, 0},
        // Only key-downs act.
        {"key-up of Page Down", FULL, WM_KEYUP, VK_NEXT, M1, 1, At(21), At(21), 1, false, false, 0},
        {"key-up of 'A'", FULL, WM_KEYUP, 'A', M1, 1, At(21), At(21), 1, false, false, 0},
        {"key-up of Esc", FULL, WM_KEYUP, VK_ESCAPE, M1, 1, At(21), At(21), 1, false, false, 0},
        {"key-up of Enter", FULL, WM_KEYUP, VK_RETURN, M12, 1, At(21), At(21), 1, false, false, 0},
        {"system key-down acts", FULL, WM_SYSKEYDOWN, VK_NEXT, M1, 1, At(21), At(20.7f), 1, false,
         false, 0},
        {"Page Down in the dialog", DIALOG, D, VK_NEXT, M1, 1, At(21), At(20.7f), 1, false, false,
         0},
        // The display settings' small preview ignores every key.
        {"preview: Page Down", PREVIEW, D, VK_NEXT, M1, 1, At(21), At(21), 1, false, false, 0},
        {"preview: 'A'", PREVIEW, D, 'A', M1, 1, At(21), At(21), 1, false, false, 0},
        {"preview: Esc", PREVIEW, D, VK_ESCAPE, M1, 1, At(21), At(21), 1, false, false, 0},
        {"preview: Enter", PREVIEW, D, VK_RETURN, M12, 1, kMoved, kMoved, 1, false, false, 0},
        {"preview: Home", PREVIEW, D, VK_HOME, M12, 2, kMoved, kMoved, 2, false, false, 0},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        g_bSaverMode = row.mode != DIALOG;
        g_bFullScreen = row.mode == FULL;
        g_bStopRequested = false;
        BuildDefaultModuleParams(g_DefModParams);
        SetRecord(1, kRec1, (row.enabled & 1) != 0);
        SetRecord(2, kRec2, (row.enabled & 2) != 0);
        SetRecord(3, kRec3, (row.enabled & 4) != 0);
        g_nModule = row.module;
        SetLiveView(row.start);
        MarkPreviewButton(s_window, 0);
        g_dwCycleStart = kEarlierCycle;
        g_nFadeState = 2;
        g_fFadeAngle = 0.5f;
        glColor4f(0.5f, 0.5f, 0.5f, 1.0f);

        EXPECT_EQ(HandleViewKey(s_window, row.message, row.key, 0), 0);

        ExpectViewEq(LiveView(), row.expect, "live view");
        EXPECT_EQ(g_nModule, row.moduleAfter);
        EXPECT_EQ(g_bStopRequested, row.stop);
        EXPECT_EQ(CheckedPreviewButton(s_window), row.checked);
        float rgba[4];
        ReadCurrentColor(rgba);
        if (row.switched)
        {
            EXPECT_EQ(g_dwCycleStart, kNow);
            EXPECT_EQ(g_nFadeState, 0);
            EXPECT_EQ(g_fFadeAngle, 0.0f);
            EXPECT_EQ(rgba[0], 1.0f);
        }
        else
        {
            EXPECT_EQ(g_dwCycleStart, kEarlierCycle);
            EXPECT_EQ(g_nFadeState, 2);
            EXPECT_EQ(g_fFadeAngle, 0.5f);
            EXPECT_EQ(rgba[0], 0.5f);
        }
        // Records change only by a switch, which keeps the view left behind.
        const View records[4] = {View{}, kRec1, kRec2, kRec3};
        for (int m = 1; m <= 3; ++m)
        {
            bool left = row.switched && m == row.module;
            ExpectViewEq(RecordView(g_ModParams[m]), left ? row.start : records[m],
                         left ? "record left behind" : "untouched record");
            EXPECT_EQ(g_ModParams[m].active, (row.enabled & (1 << (m - 1))) != 0);
        }
        EXPECT_TRUE(g_TestSleeps.empty());
    }
}

TEST(ViewKeySteps, DepthSteps)
{
    struct Row
    {
        float depth, zoom, pan;
    };
    const Row rows[] = {{21, 0.3f, 0.1f},    {49.9f, 0.3f, 0.1f}, {50, 1, 1},
                        {99.9f, 1, 1},       {139, 2, 2},         {260, 5, 5},
                        {-60, 0.3f, 0.1f},   {0, 0.3f, 0.1f},     {1e20f, 42949672, 42949672},
                        {-1e20f, 0.3f, 0.1f}};
    for (const Row& row : rows)
    {
        EXPECT_EQ(ZoomStep(row.depth), row.zoom) << row.depth;
        EXPECT_EQ(PanStep(row.depth), row.pan) << row.depth;
    }
}

TEST(ViewKeySteps, ParamDumpFormat)
{
    ModuleParams view = {};
    view.depth = 21.0f;
    view.vert = -1.15f;
    view.yrot = 40.0f;
    view.speed = 0.675f;
    char text[PARAM_DUMP_SIZE + 16];
    memset(text, 0xCC, sizeof(text));
    FormatParamDump(text, PARAM_DUMP_SIZE, view);
    EXPECT_STREQ(text, "g_fDepth 21.000000\ng_fHorz  0.000000\ng_fVert  -1.150000\n"
                       "g_fXrot  0.000000\ng_fYrot  40.000000\ng_fZrot  0.000000\n"
                       "g_fSpeed 0.675000\n");

    // The widest values the floats can hold still fit, terminated.
    view.depth = view.horz = view.vert = view.xrot = view.yrot = view.zrot = view.speed =
        -3.4028235e38f;
    memset(text, 0xCC, sizeof(text));
    FormatParamDump(text, PARAM_DUMP_SIZE, view);
    size_t length = strnlen(text, PARAM_DUMP_SIZE);
    EXPECT_LT(length, PARAM_DUMP_SIZE);
    EXPECT_EQ(strncmp(text, "g_fDepth -3402823", 17), 0);
    EXPECT_EQ(strcmp(text + length - 8, ".000000\n"), 0);
    for (size_t i = PARAM_DUMP_SIZE; i < sizeof(text); ++i)
    {
        ASSERT_EQ((unsigned char)text[i], 0xCC);
    }
    // A short buffer is cut, never overrun.
    memset(text, 0xCC, sizeof(text));
    FormatParamDump(text, 10, view);
    EXPECT_STREQ(text, "g_fDepth ");
    EXPECT_EQ((unsigned char)text[10], 0xCC);
}

// ---- Modal boxes opened by keys: watched from a thread timer, which the
// modal loops dispatch, then closed. ----

struct BoxWatch
{
    const char* caption;
    WORD closeWith;    // IDOK or IDCANCEL
    bool pressF1Again; // call HandleViewKey(F1) again while the box is open
    int found;         // boxes seen with the caption
    int afterF1;       // boxes seen after the extra F1s
    std::string text;  // the longest static text in the box
    bool focusOnOk;
    int guard;
    int cursorCount; // ShowCursor display count while open
    RECT clip;       // cursor clip while open
    RECT box;        // the box's window rectangle
    int ticks;
};

BoxWatch* s_pWatch;
HWND s_hOwner;

BOOL CALLBACK CountBox(HWND hwnd, LPARAM lParam)
{
    char title[64] = {};
    char cls[16] = {};
    GetWindowTextA(hwnd, title, sizeof(title));
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (strcmp(cls, "#32770") == 0 && strcmp(title, s_pWatch->caption) == 0 &&
        IsWindowVisible(hwnd))
    {
        std::vector<HWND>* boxes = (std::vector<HWND>*)lParam;
        boxes->push_back(hwnd);
    }
    return TRUE;
}

std::vector<HWND> FindBoxes()
{
    std::vector<HWND> boxes;
    EnumThreadWindows(GetCurrentThreadId(), CountBox, (LPARAM)&boxes);
    return boxes;
}

BOOL CALLBACK ReadStatic(HWND hwnd, LPARAM lParam)
{
    char cls[16] = {};
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (_stricmp(cls, "Static") == 0)
    {
        char text[1024] = {};
        GetWindowTextA(hwnd, text, sizeof(text));
        std::string* longest = (std::string*)lParam;
        if (strlen(text) > longest->size())
        {
            *longest = text;
        }
    }
    return TRUE;
}

int CursorDisplayCount()
{
    int count = ShowCursor(TRUE);
    ShowCursor(FALSE);
    return count - 1;
}

void CALLBACK WatchBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    BoxWatch& w = *s_pWatch;
    ++w.ticks;
    std::vector<HWND> boxes = FindBoxes();
    if (boxes.empty())
    {
        if (w.ticks > 200)
        {
            KillTimer(NULL, timer); // the box never came; the key returned already
        }
        return;
    }
    KillTimer(NULL, timer);
    HWND box = boxes[0];
    w.found = (int)boxes.size();
    w.guard = g_bControlMenuOpen;
    if (w.pressF1Again)
    {
        for (int i = 0; i < 3; ++i)
        {
            HandleViewKey(s_hOwner, WM_KEYDOWN, VK_F1, 0);
        }
        w.afterF1 = (int)FindBoxes().size();
    }
    EnumChildWindows(box, ReadStatic, (LPARAM)&w.text);
    w.focusOnOk = GetFocus() == GetDlgItem(box, IDOK);
    w.cursorCount = CursorDisplayCount();
    GetClipCursor(&w.clip);
    GetWindowRect(box, &w.box);
    PostMessageA(box, WM_COMMAND, w.closeWith, 0);
}

void RunWatchedKey(HWND owner, WPARAM key, BoxWatch* watch)
{
    s_pWatch = watch;
    s_hOwner = owner;
    UINT_PTR timer = SetTimer(NULL, 0, 20, WatchBox);
    ASSERT_NE(timer, 0u);
    HandleViewKey(owner, WM_KEYDOWN, key, 0);
    KillTimer(NULL, timer);
    MSG msg;
    while (PeekMessageA(&msg, NULL, WM_TIMER, WM_TIMER, PM_REMOVE))
    {
    }
}

const char kControlMenuText[] =
    "F1 - This Control Menu\nEsc - Quit\n\nPage Up - Zoom Out\nPage Down - Zoom In\n"
    "Arrow Keys - Up Down Right Left\nF2,F3 - Rotate Fwd/Bkwd\nF4,F5 - Rotate Vertical\n"
    "F6,F7 - Rotate Left/Right\nF8,F9 - Speed Up/Down\nHome - Restore Default Position";

TEST_F(ViewKeys, F1OpensOneControlMenuHoweverOftenPressed)
{
    struct Row
    {
        const char* what;
        bool saver;
        WORD closeWith;
    };
    const Row rows[] = {{"full-screen saver, OK", true, IDOK},
                        {"full-screen saver, Esc", true, IDCANCEL},
                        {"settings dialog", false, IDOK}};
    RECT screen = {};
    ClipCursor(NULL);
    GetClipCursor(&screen);
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        g_bSaverMode = row.saver;
        g_bFullScreen = true;
        int cursorBefore = CursorDisplayCount();
        BoxWatch watch = {};
        watch.caption = "Control Menu";
        watch.closeWith = row.closeWith;
        watch.pressF1Again = true;
        RunWatchedKey(s_window, VK_F1, &watch);

        EXPECT_EQ(watch.found, 1);
        EXPECT_EQ(watch.afterF1, 1);
        EXPECT_EQ(watch.guard, 1);
        EXPECT_EQ(watch.text, kControlMenuText);
        EXPECT_TRUE(watch.focusOnOk);
        EXPECT_EQ(watch.cursorCount, cursorBefore + (row.saver ? 1 : 0));
        if (row.saver)
        {
            EXPECT_TRUE(EqualRect(&watch.clip, &watch.box)) << "cursor held in the menu";
        }
        EXPECT_EQ(g_bControlMenuOpen, 0);
        EXPECT_EQ(CursorDisplayCount(), cursorBefore);
        RECT clip = {};
        GetClipCursor(&clip);
        EXPECT_TRUE(EqualRect(&clip, &screen)) << "cursor free again";
        EXPECT_FALSE(g_bStopRequested);
        EXPECT_TRUE(FindBoxes().empty());
    }
}

TEST_F(ViewKeys, F11ShowsTheLiveViewInParams)
{
    BuildDefaultModuleParams(g_ModParams);
    g_nModule = 1;
    LoadViewFromModule(1);
    BoxWatch watch = {};
    watch.caption = "Params";
    watch.closeWith = IDOK;
    RunWatchedKey(s_window, VK_F11, &watch);
    EXPECT_EQ(watch.found, 1);
    EXPECT_EQ(watch.text, "g_fDepth 21.000000\ng_fHorz  0.000000\ng_fVert  0.000000\n"
                          "g_fXrot  0.000000\ng_fYrot  40.000000\ng_fZrot  0.000000\n"
                          "g_fSpeed 0.675000\n");
    EXPECT_FALSE(g_bStopRequested);
}

// ---- Dialog 105 as the resource compiler laid it out ----

struct TemplateReader
{
    const BYTE* p;
    WORD Word()
    {
        WORD w;
        memcpy(&w, p, 2);
        p += 2;
        return w;
    }
    DWORD Dword()
    {
        DWORD d;
        memcpy(&d, p, 4);
        p += 4;
        return d;
    }
    short Short()
    {
        return (short)Word();
    }
    // A string, or 0xFFFF and an ordinal given back as "#n".
    std::string Text()
    {
        WORD first = Word();
        if (first == 0xFFFF)
        {
            return "#" + std::to_string(Word());
        }
        std::string s;
        for (WORD c = first; c != 0; c = Word())
        {
            s += (char)c;
        }
        return s;
    }
    void AlignDword(const BYTE* base)
    {
        while ((p - base) % 4 != 0)
        {
            ++p;
        }
    }
};

TEST(ControlMenuTemplate, Dialog105)
{
    HRSRC res = FindResourceA(NULL, MAKEINTRESOURCEA(IDD_CONTROL_MENU), (LPCSTR)RT_DIALOG);
    ASSERT_NE(res, (HRSRC)NULL);
    const BYTE* base = (const BYTE*)LockResource(LoadResource(NULL, res));
    ASSERT_NE(base, (const BYTE*)NULL);
    TemplateReader r = {base};
    DWORD style = r.Dword();
    EXPECT_EQ(style & ~(DWORD)DS_SETFONT,
              (DWORD)(DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU));
    ASSERT_TRUE(style & DS_SETFONT);
    EXPECT_EQ(r.Dword(), 0u); // extended style
    WORD items = r.Word();
    ASSERT_EQ(items, 2);
    r.Short();
    r.Short();
    EXPECT_EQ(r.Short(), 135);
    EXPECT_EQ(r.Short(), 135);
    EXPECT_EQ(r.Text(), ""); // menu
    EXPECT_EQ(r.Text(), ""); // class
    EXPECT_EQ(r.Text(), "Control Menu");
    EXPECT_EQ(r.Word(), 8);
    EXPECT_EQ(r.Text(), "MS Sans Serif");

    struct Item
    {
        DWORD style;
        short x, y, cx, cy;
        WORD id;
        std::string cls, text;
    };
    const Item expected[] = {
        {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 43, 108, 50, 16, IDOK, "#128",
         "OK"},
        {WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT, 12, 12, 111, 93, 0xFFFF, "#130",
         kControlMenuText},
    };
    for (const Item& e : expected)
    {
        SCOPED_TRACE(e.text.substr(0, 8));
        r.AlignDword(base);
        EXPECT_EQ(r.Dword(), e.style);
        EXPECT_EQ(r.Dword(), 0u);
        EXPECT_EQ(r.Short(), e.x);
        EXPECT_EQ(r.Short(), e.y);
        EXPECT_EQ(r.Short(), e.cx);
        EXPECT_EQ(r.Short(), e.cy);
        EXPECT_EQ(r.Word(), e.id);
        EXPECT_EQ(r.Text(), e.cls);
        EXPECT_EQ(r.Text(), e.text);
        EXPECT_EQ(r.Word(), 0); // creation data
    }
}

} // namespace
