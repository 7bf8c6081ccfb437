// The keyboard view controls through HandleViewKey: the steps, module
// switches and quitting in each mode, the Control Menu and the parameter dump
// the keys open.
#include "engine_test_support.h"
#include "support/live_view.h"
#include "support/saver_process.h"
#include "engine/engine.h"
#include "host/host.h"
#include "resource.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

namespace
{

const DWORD kNow = 500000;
const DWORD kEarlierCycle = 12345;

void ExpectViewEq(const View& actual, const View& expected, const char* which)
{
    const float a[7] = {actual.depth, actual.horz, actual.vert, actual.xrot,
                        actual.yrot,  actual.zrot, actual.speed};
    const float e[7] = {expected.depth, expected.horz, expected.vert, expected.xrot,
                        expected.yrot,  expected.zrot, expected.speed};
    for (int i = 0; i < 7; ++i)
    {
        EXPECT_FLOAT_EQ(a[i], e[i]) << which << ", field " << i << " (depth, horz, vert, xrot, "
                                    << "yrot, zrot, speed)";
    }
}

// Stored records that differ from both the built-in defaults and the start views.
const View kRec[4] = {View{},
                      {25.0f, 0.5f, 0, 0, 40.0f, 0, 0.675f},
                      {30.0f, 0, -1.15f, -12.0f, 190.0f, 0, 0.3f},
                      {145.0f, 0, 0, 3.0f, 0, 0, 0.43f}};
const View kDef2 = {21.0f, 0, -1.15f, -12.0f, 190.0f, 0, 0.3f};
const View kMoved = {33.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 2.0f};

View At(float depth, float horz = 0, float vert = 0)
{
    return View{depth, horz, vert, 0, 0, 0, 0.5f};
}
View Speed(float speed)
{
    return View{21.0f, 0, 0, 0, 0, 0, speed};
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

struct KeyCase
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

class ViewKeys : public EngineGLTest
{
  protected:
    void SetUp() override
    {
        StartAt(kNow);
    }
    void Run(const KeyCase& row)
    {
        SCOPED_TRACE(row.what);
        g_bSaverMode = row.mode != DIALOG;
        g_bFullScreen = row.mode == FULL;
        g_bStopRequested = false;
        BuildDefaultModuleParams(g_DefModParams);
        for (int m = 1; m <= 3; ++m)
        {
            const View& v = kRec[m];
            g_ModParams[m] =
                ModuleParams{v.depth, v.horz, v.vert,  v.xrot,
                             v.yrot,  v.zrot, v.speed, (row.enabled & (1 << (m - 1))) != 0};
        }
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
        glGetFloatv(GL_CURRENT_COLOR, rgba);
        EXPECT_EQ(g_dwCycleStart, row.switched ? kNow : kEarlierCycle);
        EXPECT_EQ(g_nFadeState, row.switched ? 0 : 2);
        EXPECT_EQ(g_fFadeAngle, row.switched ? 0.0f : 0.5f);
        EXPECT_EQ(rgba[0], row.switched ? 1.0f : 0.5f);
        // Records change only by a switch, which keeps the view left behind.
        for (int m = 1; m <= 3; ++m)
        {
            bool left = row.switched && m == row.module;
            const ModuleParams& p = g_ModParams[m];
            ExpectViewEq(View{p.depth, p.horz, p.vert, p.xrot, p.yrot, p.zrot, p.speed},
                         left ? row.start : kRec[m], left ? "record left behind" : "record");
            EXPECT_EQ(p.active, (row.enabled & (1 << (m - 1))) != 0);
        }
        EXPECT_TRUE(g_TestSleeps.empty());
    }
};

TEST_F(ViewKeys, StepKeysMoveTheLiveViewOfModuleOne)
{
    struct Step
    {
        const char* what;
        Mode mode;
        UINT message;
        WPARAM key;
        View start;
        View expect;
    };
    const UINT D = WM_KEYDOWN, U = WM_KEYUP;
    const Step rows[] = {
        // Zoom and pan by the step of the depth before the change.
        {"Page Up", FULL, D, VK_PRIOR, At(21), At(21.3f)},
        {"keypad 9", FULL, D, VK_NUMPAD9, At(21), At(21.3f)},
        {"Page Down", FULL, D, VK_NEXT, At(21), At(20.7f)},
        {"keypad 3", FULL, D, VK_NUMPAD3, At(21), At(20.7f)},
        {"Page Down at 50", FULL, D, VK_NEXT, At(50), At(49)},
        {"Page Up at 260", FULL, D, VK_PRIOR, At(260), At(265)},
        {"Up at 21", FULL, D, VK_UP, At(21), At(21, 0, 0.1f)},
        {"keypad 8 at 139", FULL, D, VK_NUMPAD8, At(139), At(139, 0, 2)},
        {"Down at 139", FULL, D, VK_DOWN, At(139), At(139, 0, -2)},
        {"keypad 2 at 21", FULL, D, VK_NUMPAD2, At(21), At(21, 0, -0.1f)},
        {"Left at 21", FULL, D, VK_LEFT, At(21), At(21, -0.1f)},
        {"keypad 4 at 260", FULL, D, VK_NUMPAD4, At(260), At(260, -5)},
        {"Right at 260", FULL, D, VK_RIGHT, At(260), At(260, 5)},
        {"keypad 6 at 49.9", FULL, D, VK_NUMPAD6, At(49.9f), At(49.9f, 0.1f)},
        // Rotation: F6/F7 turn the other way round from F2/F3 and F4/F5.
        {"F2", FULL, D, VK_F2, At(21), Turn(-1.5f, 0, 0)},
        {"F3", FULL, D, VK_F3, At(21), Turn(1.5f, 0, 0)},
        {"F4", FULL, D, VK_F4, At(21), Turn(0, -1.5f, 0)},
        {"F5", FULL, D, VK_F5, At(21), Turn(0, 1.5f, 0)},
        {"F6", FULL, D, VK_F6, At(21), Turn(0, 0, 1.5f)},
        {"F7", FULL, D, VK_F7, At(21), Turn(0, 0, -1.5f)},
        // Speed, within its bounds.
        {"F8 at 0.5", FULL, D, VK_F8, Speed(0.5f), Speed(0.375f)},
        {"F8 at 0.125 bounds up", FULL, D, VK_F8, Speed(0.125f), Speed(0.0625f)},
        {"F8 at the bottom", FULL, D, VK_F8, Speed(0.0625f), Speed(0.0625f)},
        {"F9 at the bottom", FULL, D, VK_F9, Speed(0.0625f), Speed(0.1875f)},
        {"F9 at 9.9 bounds down", FULL, D, VK_F9, Speed(9.9f), Speed(10)},
        {"F9 at the top", FULL, D, VK_F9, Speed(10), Speed(10)},
        // Only key-downs act, and not in the display settings' small preview.
        {"key-up of Page Down", FULL, U, VK_NEXT, At(21), At(21)},
        {"key-up of 'A'", FULL, U, 'A', At(21), At(21)},
        {"key-up of Esc", FULL, U, VK_ESCAPE, At(21), At(21)},
        {"key-up of Enter", FULL, U, VK_RETURN, At(21), At(21)},
        {"system key-down acts", FULL, WM_SYSKEYDOWN, VK_NEXT, At(21), At(20.7f)},
        {"Page Down in the dialog", DIALOG, D, VK_NEXT, At(21), At(20.7f)},
        {"preview: Page Down", PREVIEW, D, VK_NEXT, At(21), At(21)},
    };
    for (const Step& s : rows)
    {
        Run(KeyCase{s.what, s.mode, s.message, s.key, M1, 1, s.start, s.expect, 1, false, false,
                    0});
    }
}

TEST_F(ViewKeys, ModuleAndQuitKeys)
{
    struct Row
    {
        const char* what;
        Mode mode;
        WPARAM key;
        int enabled;
        int module;
        View expect; // from kMoved
        int moduleAfter;
        bool stop;
        bool switched;
        int checked;
    };
    const Row rows[] = {
        // Home: the shown module's built-in view; its record waits for a save.
        {"Home", FULL, VK_HOME, M123, 2, kDef2, 2, false, false, 0},
        {"Home, no module", FULL, VK_HOME, NONE, 0, kMoved, 0, false, false, 0},
        {"Enter, two modules", FULL, VK_RETURN, M12, 1, kRec[2], 2, false, true, 0},
        {"Enter, one module quits", FULL, VK_RETURN, M1, 1, kMoved, 1, true, true, 0},
        {"Backspace, one module stays", FULL, VK_BACK, M1, 1, kMoved, 1, false, true, 0},
        {"Backspace, three modules", FULL, VK_BACK, M123, 1, kRec[3], 3, false, true, 0},
        {"Enter skips a disabled one", FULL, VK_RETURN, M13, 1, kRec[3], 3, false, true, 0},
        {"Enter wraps", FULL, VK_RETURN, M123, 3, kRec[1], 1, false, true, 0},
        {"Enter, no module", FULL, VK_RETURN, NONE, 0, kMoved, 0, false, true, 0},
        {"Backspace, no module", FULL, VK_BACK, NONE, 0, kMoved, 0, false, true, 0},
        {"dialog: Enter", DIALOG, VK_RETURN, M13, 3, kRec[1], 1, false, true, 1024},
        {"dialog: Enter, one module", DIALOG, VK_RETURN, M1, 1, kMoved, 1, false, true, 1024},
        {"dialog: Backspace", DIALOG, VK_BACK, M123, 1, kRec[3], 3, false, true, 1026},
        // Any other key quits the saver; the dialog only closes on Esc.
        {"Esc", FULL, VK_ESCAPE, M1, 1, kMoved, 1, true, false, 0},
        {"dialog: Esc", DIALOG, VK_ESCAPE, M1, 1, kMoved, 1, true, false, 0},
        {"'A'", FULL, 'A', M1, 1, kMoved, 1, true, false, 0},
        {"Shift", FULL, VK_SHIFT, M1, 1, kMoved, 1, true, false, 0},
        {"F10", FULL, VK_F10, M1, 1, kMoved, 1, true, false, 0},
        {"F12", FULL, VK_F12, M1, 1, kMoved, 1, true, false, 0},
        {"dialog: 'A'", DIALOG, 'A', M1, 1, kMoved, 1, false, false, 0},
        {"dialog: F12", DIALOG, VK_F12, M1, 1, kMoved, 1, false, false, 0},
        {"preview: 'A'", PREVIEW, 'A', M1, 1, kMoved, 1, false, false, 0},
        {"preview: Esc", PREVIEW, VK_ESCAPE, M1, 1, kMoved, 1, false, false, 0},
        {"preview: Enter", PREVIEW, VK_RETURN, M12, 1, kMoved, 1, false, false, 0},
        {"preview: Home", PREVIEW, VK_HOME, M12, 2, kMoved, 2, false, false, 0},
    };
    for (const Row& r : rows)
    {
        Run(KeyCase{r.what, r.mode, WM_KEYDOWN, r.key, r.enabled, r.module, kMoved, r.expect,
                    r.moduleAfter, r.stop, r.switched, r.checked});
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

TEST(ViewKeySteps, ParamDumpIsNeverOverrun)
{
    ModuleParams view = {};
    view.depth = view.horz = view.vert = view.xrot = view.yrot = view.zrot = view.speed =
        -3.4028235e38f;
    char text[PARAM_DUMP_SIZE + 16];
    memset(text, 0xCC, sizeof(text));
    FormatParamDump(text, PARAM_DUMP_SIZE, view);
    // The widest values the floats can hold still fit, terminated.
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

// ---- Modal boxes opened by keys: checked from a thread timer, which the
// modal loops dispatch, then closed. ----

const char kControlMenuText[] =
    "F1 - This Control Menu\nEsc - Quit\n\nPage Up - Zoom Out\nPage Down - Zoom In\n"
    "Arrow Keys - Up Down Right Left\nF2,F3 - Rotate Fwd/Bkwd\nF4,F5 - Rotate Vertical\n"
    "F6,F7 - Rotate Left/Right\nF8,F9 - Speed Up/Down\nHome - Restore Default Position";
const char kDefaultDump[] = "g_fDepth 21.000000\ng_fHorz  0.000000\ng_fVert  0.000000\n"
                            "g_fXrot  0.000000\ng_fYrot  40.000000\ng_fZrot  0.000000\n"
                            "g_fSpeed 0.675000\n";

struct BoxRow
{
    const char* what;
    WPARAM key;
    bool saver;
    WORD closeWith; // IDOK or IDCANCEL
};

const BoxRow* s_pRow;
int s_nCursorBefore;
bool s_bBoxSeen;
HWND s_hOwner;

bool IsMenu(const BoxRow& row)
{
    return row.key == VK_F1;
}

std::vector<HWND> FindBoxes()
{
    std::vector<HWND> boxes;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM lParam) -> BOOL
        {
            const char* caption = IsMenu(*s_pRow) ? "Control Menu" : "Params";
            if (WindowClass(hwnd) == "#32770" && WindowTitle(hwnd) == caption &&
                IsWindowVisible(hwnd))
            {
                ((std::vector<HWND>*)lParam)->push_back(hwnd);
            }
            return TRUE;
        },
        (LPARAM)&boxes);
    return boxes;
}

std::string LongestStaticText(HWND box)
{
    std::string longest;
    EnumChildWindows(
        box,
        [](HWND hwnd, LPARAM lParam) -> BOOL
        {
            std::string* longest = (std::string*)lParam;
            std::string text = WindowTitle(hwnd);
            if (_stricmp(WindowClass(hwnd).c_str(), "Static") == 0 && text.size() > longest->size())
            {
                *longest = text;
            }
            return TRUE;
        },
        (LPARAM)&longest);
    return longest;
}

int CursorDisplayCount()
{
    int count = ShowCursor(TRUE);
    ShowCursor(FALSE);
    return count - 1;
}

void CALLBACK CheckOpenBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    std::vector<HWND> boxes = FindBoxes();
    if (boxes.empty())
    {
        return;
    }
    KillTimer(NULL, timer);
    s_bBoxSeen = true;
    HWND box = boxes[0];
    const BoxRow& row = *s_pRow;
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(LongestStaticText(box), IsMenu(row) ? kControlMenuText : kDefaultDump);
    if (IsMenu(row))
    {
        EXPECT_EQ(g_bControlMenuOpen, 1);
        for (int i = 0; i < 3; ++i)
        {
            HandleViewKey(s_hOwner, WM_KEYDOWN, VK_F1, 0);
        }
        EXPECT_EQ(FindBoxes().size(), 1u) << "a second Control Menu opened";
        EXPECT_EQ(GetFocus(), GetDlgItem(box, IDOK));
        // Over the saver the cursor shows, held inside the menu.
        EXPECT_EQ(CursorDisplayCount(), s_nCursorBefore + (row.saver ? 1 : 0));
        RECT clip = {}, rect = {};
        GetClipCursor(&clip);
        GetWindowRect(box, &rect);
        EXPECT_EQ(row.saver, EqualRect(&clip, &rect) != FALSE) << "cursor held in the menu";
    }
    PostMessageA(box, WM_COMMAND, row.closeWith, 0);
}

TEST_F(ViewKeys, F1OpensOneControlMenuAndF11ShowsTheLiveView)
{
    const BoxRow rows[] = {{"F1 over the saver, OK", VK_F1, true, IDOK},
                           {"F1 over the saver, Esc", VK_F1, true, IDCANCEL},
                           {"F1 in the settings dialog", VK_F1, false, IDOK},
                           {"F11 over the saver", VK_F11, true, IDOK}};
    RECT screen = {};
    ClipCursor(NULL);
    GetClipCursor(&screen);
    BuildDefaultModuleParams(g_ModParams);
    for (const BoxRow& row : rows)
    {
        SCOPED_TRACE(row.what);
        g_bSaverMode = row.saver;
        g_nModule = 1;
        LoadViewFromModule(1);
        s_pRow = &row;
        s_nCursorBefore = CursorDisplayCount();
        s_bBoxSeen = false;
        s_hOwner = s_window;
        UINT_PTR timer = SetTimer(NULL, 0, 20, CheckOpenBox);
        ASSERT_NE(timer, 0u);
        HandleViewKey(s_window, WM_KEYDOWN, row.key, 0);
        KillTimer(NULL, timer);
        MSG msg;
        while (PeekMessageA(&msg, NULL, WM_TIMER, WM_TIMER, PM_REMOVE))
        {
        }
        EXPECT_TRUE(s_bBoxSeen) << "no box opened";
        EXPECT_EQ(g_bControlMenuOpen, 0);
        EXPECT_EQ(CursorDisplayCount(), s_nCursorBefore);
        RECT clip = {};
        GetClipCursor(&clip);
        EXPECT_TRUE(EqualRect(&clip, &screen)) << "cursor free again";
        EXPECT_FALSE(g_bStopRequested);
        EXPECT_TRUE(FindBoxes().empty());
    }
}

} // namespace
