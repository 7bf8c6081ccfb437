#include "driver.h"

#include "support/saver_process.h"
#include "support/screen_capture.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <algorithm>
#include <stdlib.h>
#include <string.h>

namespace
{

const char kProductKey[] = "Software\\Quenwick\\Solmir";
const char kRunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char kStandinKey[] = "Software\\SolmirTest\\Password"; // the stand-in's answer and records
const char kDesktopKey[] = "Control Panel\\Desktop";
const char kAeDebugKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug";
const char kAppDefaultsKey[] = "Software\\Wine\\AppDefaults\\Solmir98.scr";
const char kHttpKey[] = "HTTP\\shell\\open\\command";
const char kLinkRecordKey[] = "Software\\Quenwick\\SolmirLinkTest"; // written by fakebrowser.exe
const DWORD kTimeout = 10000;

struct Lockable
{
    const char* name;
    HKEY hive;
    const char* path;
};

const Lockable kLockables[] = {
    {"machine run-once", HKEY_LOCAL_MACHINE, kRunOnceKey},
    {"user run-once", HKEY_CURRENT_USER, kRunOnceKey},
    {"machine product", HKEY_LOCAL_MACHINE, kProductKey},
    {"http", HKEY_CLASSES_ROOT, kHttpKey},
};

const struct
{
    const char* name;
    WORD vk;
} kKeys[] = {
    {"PGUP", VK_PRIOR}, {"PGDN", VK_NEXT},   {"UP", VK_UP},      {"DOWN", VK_DOWN},
    {"LEFT", VK_LEFT},  {"RIGHT", VK_RIGHT}, {"HOME", VK_HOME},  {"ENTER", VK_RETURN},
    {"BACK", VK_BACK},  {"ESC", VK_ESCAPE},  {"ALT", VK_MENU},   {"SHIFT", VK_SHIFT},
    {"N2", VK_NUMPAD2}, {"N3", VK_NUMPAD3},  {"N4", VK_NUMPAD4}, {"N6", VK_NUMPAD6},
    {"N8", VK_NUMPAD8}, {"N9", VK_NUMPAD9},  {"TAB", VK_TAB},    {"END", VK_END},
};

std::vector<std::string> Items(const char* list)
{
    std::vector<std::string> items;
    std::string text = list;
    for (size_t start = 0; start <= text.size();)
    {
        size_t end = text.find("; ", start);
        end = end == std::string::npos ? text.size() : end;
        if (end > start)
        {
            items.push_back(text.substr(start, end - start));
        }
        start = end + 2;
    }
    return items;
}

// "name=value" split at the first '='; value empty when there is none.
std::pair<std::string, std::string> Pair(const std::string& item, char sep = '=')
{
    size_t at = item.find(sep);
    if (at == std::string::npos)
    {
        return {item, ""};
    }
    return {item.substr(0, at), item.substr(at + 1)};
}

WORD KeyCode(const std::string& name)
{
    for (const auto& key : kKeys)
    {
        if (name == key.name)
        {
            return key.vk;
        }
    }
    if (name.size() > 1 && name[0] == 'F')
    {
        return static_cast<WORD>(VK_F1 + atoi(name.c_str() + 1) - 1);
    }
    return name.size() == 1 ? static_cast<WORD>(name[0]) : 0;
}

// Only reading left to everyone, or everything again.
bool SetKeyAccess(HKEY hive, const char* path, bool readOnly)
{
    PSECURITY_DESCRIPTOR sd = NULL;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
            readOnly ? "D:P(A;;KR;;;WD)" : "D:P(A;;KA;;;WD)", SDDL_REVISION_1, &sd, NULL))
    {
        return false;
    }
    HKEY key = NULL;
    LONG status = RegOpenKeyExA(hive, path, 0, WRITE_DAC, &key);
    if (status == ERROR_SUCCESS)
    {
        status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd);
        RegCloseKey(key);
    }
    LocalFree(sd);
    return status == ERROR_SUCCESS;
}

void ResetKey(HKEY hive, const char* path)
{
    SetKeyAccess(hive, path, false);
    DeleteTree(hive, path);
}

std::string BoxText(HWND box)
{
    std::string text;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    {
        bool icon = (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
        if (WindowClass(child) == "Static" && !icon)
        {
            text += WindowTitle(child) + "\n";
        }
    }
    return text;
}

// The preview's parent: a window of this process with a thread of its own, so
// that it can stop answering while the test goes on.
struct PreviewHost
{
    HWND hwnd = NULL;
    HANDLE thread = NULL;
    volatile HWND helpFor = NULL; // wParam of the last help and context menu received
    volatile HWND menuFor = NULL;
    DWORD hungUntil = 0; // tick count until which it does not answer
};
PreviewHost* g_pHost;
const UINT WM_HANG = WM_APP + 1;

LRESULT CALLBACK PreviewHostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_HELP:
        g_pHost->helpFor = reinterpret_cast<HWND>(wParam);
        return TRUE;
    case WM_CONTEXTMENU:
        g_pHost->menuFor = reinterpret_cast<HWND>(wParam);
        return 0;
    case WM_HANG:
        Sleep(3000);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

DWORD WINAPI RunPreviewHost(void* ready)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PreviewHostProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "SolmirTestDisplaySettings";
    RegisterClassA(&wc);
    g_pHost->hwnd =
        CreateWindowExA(0, wc.lpszClassName, "Display settings", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                        100, 100, 330, 260, NULL, NULL, wc.hInstance, NULL);
    SetEvent(ready);
    MSG msg = {};
    while (GetMessageA(&msg, NULL, 0, 0) > 0)
    {
        DispatchMessageA(&msg);
    }
    return 0;
}

struct Run
{
    const Case& c;
    std::string program;
    SaverProcess process;
    HWND main = NULL; // the saver window, the preview or the settings dialog
    HWND box = NULL;  // the last window a box: step found
    PreviewHost host;
    std::string folder; // of the 9x copy
    std::string installDir = "C:\\Program Files\\Quenwick\\Solmir";

    explicit Run(const Case& row) : c(row) {}
    DWORD Pid() const
    {
        return process.info.dwProcessId;
    }
    bool Alive() const
    {
        return process.info.hProcess &&
               WaitForSingleObject(process.info.hProcess, 0) == WAIT_TIMEOUT;
    }
};

bool OfProcess(HWND hwnd, DWORD pid)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    return owner == pid;
}

// Solmir's shown top-level windows, the top one first.
std::vector<HWND> ShownWindows(const Run& run)
{
    std::pair<DWORD, std::vector<HWND>> search(run.Pid(), {});
    EnumWindows(
        [](HWND w, LPARAM p)
        {
            auto* s = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(p);
            if (OfProcess(w, s->first) && IsWindowVisible(w))
            {
                s->second.push_back(w);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

HWND FindShown(const Run& run, const std::string& title)
{
    for (HWND w : ShownWindows(run))
    {
        if (title.empty() || WindowTitle(w) == title)
        {
            return w;
        }
    }
    return NULL;
}

HWND FindMain(const Run& run)
{
    std::string command = run.c.command;
    if (command.rfind("/p", 0) == 0)
    {
        std::vector<HWND> found = FindSaverWindows(run.host.hwnd);
        return found.empty() ? NULL : found[0];
    }
    if (command.empty() || command.rfind("/c", 0) == 0)
    {
        return FindShown(run, "Solmir Screen Saver Settings");
    }
    for (HWND hwnd : FindSaverWindows())
    {
        if (OfProcess(hwnd, run.Pid()) && IsWindowVisible(hwnd))
        {
            return hwnd;
        }
    }
    return NULL;
}

// Returns once Solmir has taken all input given before: every message it
// receives through PeekMessage or GetMessage lets a sent one through first.
void Sync(const Run& run)
{
    for (int i = 0; i < 3 && run.main && IsWindow(run.main); ++i)
    {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(run.main, WM_NULL, 0, 0, SMTO_NORMAL, 3000, &result);
    }
}

void SendInputs(std::vector<INPUT> inputs, const Run& run)
{
    // Keys go to the window in the foreground; the preview's is the test's own.
    bool preview = std::string(run.c.command).rfind("/p", 0) == 0;
    WaitUntil([&]
              { return preview || OfProcess(GetForegroundWindow(), run.Pid()) || !run.Alive(); },
              5000);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Sync(run);
}

INPUT KeyInput(WORD vk, bool up)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

// The mouse is moved and clicked through the X server itself, as a real
// mouse's events arrive: a move that Wine's SendInput makes warps the pointer,
// and the window under it hears of that later, after a click sent next.
// xdotool is no Windows process to wait for: it leaves a file when done.
void Mouse(const Run& run, const std::string& actions)
{
    static int s_nCalls;
    const std::string done = "/tmp/solmir-mouse-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(++s_nCalls);
    SaverProcess shell;
    ASSERT_TRUE(
        StartProgram("Z:\\bin\\sh", "-c \"xdotool " + actions + "; : >" + done + "\"", &shell));
    std::string file = "Z:" + done;
    std::replace(file.begin(), file.end(), '/', '\\');
    EXPECT_TRUE(WaitUntil([&] { return DeleteFileA(file.c_str()) != FALSE; }, kTimeout));
    Sync(run);
}

void ClickAt(const Run& run, LONG x, LONG y)
{
    Mouse(run, "mousemove " + std::to_string(x) + " " + std::to_string(y));
    Mouse(run, "click 1");
}

RECT Region(const Run& run, const std::string& where)
{
    RECT r = {};
    GetWindowRect(where == "frame" ? GetDlgItem(run.main, 1008) : run.main, &r);
    InflateRect(&r, -2, -2);
    return r;
}

bool Turning(const RECT& r)
{
    ScreenShot before = CaptureScreen(&r);
    Sleep(200);
    ScreenShot after = CaptureScreen(&r);
    double lit = LitShare(after);
    return lit > 0.01 && lit < 0.8 && ChangedShare(before, after) > 0.002;
}

// The preview's window, laid over frame 1008, covers it, and the scene is
// drawn in its middle, not where the frame's old size would put it.
void CheckFits(const Run& run)
{
    HWND view = NULL;
    RECT frame = {};
    bool covers = WaitUntil(
        [&]
        {
            view = FindWindowA("Solmir Preview", NULL);
            HWND f = GetDlgItem(run.main, 1008);
            GetClientRect(f, &frame);
            MapWindowPoints(f, NULL, reinterpret_cast<POINT*>(&frame), 2);
            RECT r = {};
            GetWindowRect(view, &r);
            return EqualRect(&r, &frame) != FALSE;
        },
        kTimeout);
    EXPECT_TRUE(covers) << "the preview does not cover the resized frame";
    ASSERT_TRUE(WaitUntil([&] { return Turning(frame); }, kTimeout));
    ScreenShot shot = CaptureScreen(&frame);
    long left = shot.width, right = -1, top = shot.height, bottom = -1;
    for (int y = 0; y < shot.height; ++y)
    {
        for (int x = 0; x < shot.width; ++x)
        {
            if (shot.pixels[y * shot.width + x] & 0xFFFFFF)
            {
                left = std::min<long>(left, x), right = std::max<long>(right, x);
                top = std::min<long>(top, y), bottom = std::max<long>(bottom, y);
            }
        }
    }
    EXPECT_NEAR((left + right) / 2.0, shot.width / 2.0, shot.width * 0.1) << "scene off centre";
    EXPECT_NEAR((top + bottom) / 2.0, shot.height / 2.0, shot.height * 0.1) << "scene off centre";
}

void SendToPreview(Run& run, UINT message, volatile HWND* record)
{
    bool hung = static_cast<LONG>(run.host.hungUntil - GetTickCount()) > 0;
    *record = NULL;
    HELPINFO help = {};
    help.cbSize = sizeof(help);
    help.iContextType = HELPINFO_WINDOW;
    DWORD_PTR answer = 0;
    LPARAM lParam = message == WM_HELP ? reinterpret_cast<LPARAM>(&help) : 0;
    EXPECT_TRUE(SendMessageTimeoutA(run.main, message, reinterpret_cast<WPARAM>(run.main), lParam,
                                    SMTO_NORMAL, 2000, &answer))
        << "the preview did not answer";
    EXPECT_EQ(1u, answer);
    if (!hung)
    {
        EXPECT_TRUE(WaitUntil([&] { return *record == run.host.hwnd; }, 3000))
            << "the preview's parent got nothing";
    }
}

void Given(Run& run, const std::string& item)
{
    auto [name, value] = Pair(item);
    if (name == "cursor")
    {
        auto [x, y] = Pair(value, ',');
        MoveCursorTo(atoi(x.c_str()), atoi(y.c_str()));
    }
    else if (name == "win98")
    {
        run.folder = MakeTempFolder("solmir98-");
        run.program = run.folder + "Solmir98.scr";
        CopyFileA(SolmirScrPath().c_str(), run.program.c_str(), FALSE);
        CopyFileA((TestProgramFolder() + "standin\\PASSWORD.CPL").c_str(),
                  (run.folder + "PASSWORD.CPL").c_str(), FALSE);
        SetString(HKEY_CURRENT_USER, kAppDefaultsKey, "Version", "win98");
    }
    else if (name == "password")
    {
        const char* data = value == "long" ? "\1\0\0\0\0" : "\1\0\0\0";
        HKEY key = NULL;
        RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key,
                        NULL);
        DWORD number = atoi(value.c_str());
        if (value == "bin1" || value == "long")
        {
            RegSetValueExA(key, "ScreenSaveUsePassword", 0, REG_BINARY,
                           reinterpret_cast<const BYTE*>(data), value == "long" ? 5 : 4);
        }
        else
        {
            RegSetValueExA(key, "ScreenSaveUsePassword", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&number), sizeof(number));
        }
        RegCloseKey(key);
    }
    else if (name == "answer")
    {
        SetDword(HKEY_CURRENT_USER, kStandinKey, "answer", atoi(value.c_str()));
        // A fault in the check: no debugger can start, so the platform hands it back.
        SetString(HKEY_LOCAL_MACHINE, kAeDebugKey, "Debugger", "Z:\\nonexistent\\debugger.exe");
        SetString(HKEY_LOCAL_MACHINE, kAeDebugKey, "Auto", "1");
    }
    else if (name == "slow")
    {
        run.program = TestProgramFolder() + "SolmirSlowClock.scr";
        SetEnvironmentVariableA("SOLMIR_TEST_FRAME_MS", value.c_str());
    }
    else if (name == "broken")
    {
        run.program = TestProgramFolder() + "SolmirBrokenTex.scr";
    }
    else if (name == "install_dir")
    {
        run.installDir = value == "long" ? std::string(400, 'f') : value;
        SetString(HKEY_LOCAL_MACHINE, kProductKey, "install_dir", run.installDir.c_str());
    }
    else if (name.rfind("kill_saver", 0) == 0)
    {
        SetString(HKEY_LOCAL_MACHINE, kRunOnceKey, name.c_str(), value.c_str());
    }
    else if (name == "taken")
    {
        HKEY key = NULL;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key,
                        NULL);
        for (int i = 0; i <= 9999; ++i)
        {
            std::string n = i == 0 ? "kill_saver" : "kill_saver" + std::to_string(i);
            RegSetValueExA(key, n.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
        }
        RegCloseKey(key);
    }
    else if (name == "lock")
    {
        for (const Lockable& l : kLockables)
        {
            if (value == l.name)
            {
                SetDword(l.hive, l.path, "solmir test", 1); // the key exists
                DeleteValue(l.hive, l.path, "solmir test");
                EXPECT_TRUE(SetKeyAccess(l.hive, l.path, true)) << item;
            }
        }
    }
    else if (name == "http")
    {
        std::string command = value;
        size_t at = command.find("$BROWSER");
        if (at != std::string::npos)
        {
            command.replace(at, 8, TestProgramFolder() + "fakebrowser.exe");
        }
        SetString(HKEY_CLASSES_ROOT, kHttpKey, "", command.c_str());
    }
    else
    {
        SetDword(HKEY_CURRENT_USER, kProductKey, name.c_str(), atoi(value.c_str()));
    }
}

void Do(Run& run, const std::string& step)
{
    SCOPED_TRACE(step);
    auto [name, value] = Pair(step, ':');
    POINT cursor = {};
    GetCursorPos(&cursor);
    if (name == "move")
    {
        auto [dx, dy] = Pair(value, ',');
        POINT to = {cursor.x + atoi(dx.c_str()), cursor.y + atoi(dy.c_str())};
        Mouse(run, "mousemove " + std::to_string(to.x) + " " + std::to_string(to.y));
        GetCursorPos(&cursor);
        EXPECT_TRUE(cursor.x == to.x && cursor.y == to.y) << cursor.x << "," << cursor.y;
    }
    else if (name == "click" && value.empty())
    {
        ClickAt(run, cursor.x, cursor.y);
    }
    else if (name == "click")
    {
        // The control of the window on top that has one of this number.
        HWND control = NULL;
        for (HWND w : ShownWindows(run))
        {
            control = control ? control : GetDlgItem(w, atoi(value.c_str()));
        }
        ASSERT_TRUE(control != NULL);
        RECT r = {};
        GetWindowRect(control, &r);
        int quarter = value.back() == '^' ? 1 : value.back() == 'v' ? 3 : 2;
        ClickAt(run, (r.left + r.right) / 2, r.top + (r.bottom - r.top) * quarter / 4);
    }
    else if (name == "type")
    {
        std::vector<INPUT> keys;
        for (char digit : value)
        {
            keys.push_back(KeyInput(static_cast<WORD>(digit), false));
            keys.push_back(KeyInput(static_cast<WORD>(digit), true));
        }
        SendInputs(keys, run);
    }
    else if (name == "box" || name == "nobox" || name == "count")
    {
        auto [title, text] = Pair(value);
        if (name == "box")
        {
            EXPECT_TRUE(WaitUntil(
                [&]
                {
                    // Up, and in the foreground: the keys that follow are for it.
                    run.box = FindShown(run, title);
                    return run.box && BoxText(run.box).find(text) != std::string::npos &&
                           GetForegroundWindow() == run.box;
                },
                kTimeout))
                << (run.box ? BoxText(run.box) : "no window");
            return;
        }
        Sync(run);
        int count = 0;
        for (HWND w : ShownWindows(run))
        {
            count += WindowTitle(w) == title;
        }
        EXPECT_EQ(name == "nobox" ? 0 : atoi(text.c_str()), count);
    }
    else if (name == "gone")
    {
        EXPECT_TRUE(
            WaitUntil([&] { return !IsWindow(run.box) || !IsWindowVisible(run.box); }, kTimeout));
    }
    else if (name == "close")
    {
        PostMessageA(run.main, WM_CLOSE, 0, 0);
    }
    else if (name == "sendclose")
    {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(run.main, WM_CLOSE, 0, 0, SMTO_NORMAL, kTimeout, &result);
    }
    else if (name == "wait")
    {
        Sleep(atoi(value.c_str()));
    }
    else if (name == "set")
    {
        auto [what, number] = Pair(value);
        SetDword(HKEY_CURRENT_USER, what == "answer" ? kStandinKey : kProductKey, what.c_str(),
                 atoi(number.c_str()));
    }
    else if (name == "second")
    {
        SaverProcess second;
        ASSERT_TRUE(StartProgram(run.program, "/s", &second));
        EXPECT_EQ(0u, WaitForExit(second, kTimeout));
        EXPECT_EQ(1u, FindSaverWindows().size());
    }
    else if (name == "running")
    {
        Sync(run);
        EXPECT_TRUE(run.Alive()) << "Solmir ended";
    }
    else if (name == "free")
    {
        RECT clip = {};
        GetClipCursor(&clip);
        RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        EXPECT_TRUE(EqualRect(&clip, &screen)) << "the cursor is still held";
    }
    else if (name == "hidden")
    {
        CURSORINFO info = {};
        info.cbSize = sizeof(info);
        GetCursorInfo(&info);
        EXPECT_TRUE(info.hCursor == NULL || !(info.flags & CURSOR_SHOWING)) << "cursor shown";
    }
    else if (name == "turning")
    {
        EXPECT_TRUE(WaitUntil([&] { return Turning(Region(run, value)); }, kTimeout))
            << "no moving scene";
    }
    else if (name == "still")
    {
        // Once what covers it has been drawn, nothing changes any more.
        RECT r = Region(run, value);
        EXPECT_TRUE(WaitUntil(
            [&]
            {
                ScreenShot before = CaptureScreen(&r);
                Sleep(300);
                return ChangedShare(before, CaptureScreen(&r)) == 0.0;
            },
            5000))
            << "the scene moves";
    }
    else if (name == "help" || name == "menu")
    {
        SendToPreview(run, name == "help" ? WM_HELP : WM_CONTEXTMENU,
                      name == "help" ? &run.host.helpFor : &run.host.menuFor);
    }
    else if (name == "hang")
    {
        run.host.hungUntil = GetTickCount() + 3000;
        PostMessageA(run.host.hwnd, WM_HANG, 0, 0);
    }
    else if (name == "resize")
    {
        auto [id, box] = Pair(value);
        long b[4] = {};
        sscanf(box.c_str(), "%ld,%ld,%ld,%ld", &b[0], &b[1], &b[2], &b[3]);
        SetWindowPos(GetDlgItem(run.main, atoi(id.c_str())), NULL, b[0], b[1], b[2], b[3],
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    else if (name == "fits")
    {
        CheckFits(run);
    }
    else if (name == "minimize" || name == "restore")
    {
        PostMessageA(run.main, WM_SYSCOMMAND, name == "minimize" ? SC_MINIMIZE : SC_RESTORE, 0);
    }
    else if (name == "viewhidden")
    {
        EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(FindWindowA("Solmir Preview", NULL)); },
                              kTimeout));
    }
    else
    {
        // Keys, alone or with a modifier: ALT+F4.
        std::vector<INPUT> keys;
        auto [first, second] = Pair(step, '+');
        WORD a = KeyCode(first), b = second.empty() ? 0 : KeyCode(second);
        ASSERT_NE(0, a) << "unknown step";
        keys.push_back(KeyInput(a, false));
        if (b != 0)
        {
            keys.push_back(KeyInput(b, false));
            keys.push_back(KeyInput(b, true));
        }
        keys.push_back(KeyInput(a, true));
        SendInputs(keys, run);
    }
}

void See(const Run& run, const std::string& item)
{
    SCOPED_TRACE(item);
    auto [name, value] = Pair(item);
    if (name == "runonce")
    {
        const std::string command = "\"" + run.installDir + "\\uninstal.exe\"";
        std::string found = "none";
        for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        {
            HKEY key = NULL;
            RegOpenKeyExA(hive, kRunOnceKey, 0, KEY_READ, &key);
            char valueName[64], data[512];
            DWORD nameSize = sizeof(valueName), size = sizeof(data);
            for (DWORD i = 0; RegEnumValueA(key, i, valueName, &nameSize, NULL, NULL,
                                            reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS;
                 ++i, nameSize = sizeof(valueName), size = sizeof(data))
            {
                if (command == data)
                {
                    found = (found == "none" ? "" : found + " ") +
                            (hive == HKEY_LOCAL_MACHINE ? "HKLM/" : "HKCU/") + valueName;
                }
            }
            RegCloseKey(key);
        }
        EXPECT_EQ(value, found);
    }
    else if (name == "calls" || name == "loads" || name == "frees" || name == "during")
    {
        EXPECT_EQ(atoi(value.c_str()),
                  (int)ReadDword(HKEY_CURRENT_USER, kStandinKey,
                                 name == "during" ? "running" : name.c_str(), 0));
    }
    else if (name == "flag")
    {
        EXPECT_EQ(value == "1", IsSaverRunningFlagSet());
    }
    else if (name == "browser")
    {
        // What follows the program's name on the line the stand-in was started with.
        std::string line = "none";
        WaitUntil([&]
                  { return ReadString(HKEY_CURRENT_USER, kLinkRecordKey, "command line", &line); },
                  kTimeout);
        size_t end = line[0] == '"' ? line.find('"', 1) : line.find(' ');
        EXPECT_EQ(value, line.substr(std::min(line.find_first_not_of(" ", end + 1), line.size())))
            << line;
    }
    else if (name == "values")
    {
        HKEY key = NULL;
        DWORD values = 0;
        RegOpenKeyExA(HKEY_CURRENT_USER, kProductKey, 0, KEY_READ, &key);
        RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
        RegCloseKey(key);
        EXPECT_EQ(atoi(value.c_str()), (int)values);
    }
    else
    {
        EXPECT_EQ(atoi(value.c_str()),
                  (int)ReadDword(HKEY_CURRENT_USER, kProductKey, name.c_str(), 0xDEADBEEF));
    }
}

// Everything a case may have changed, put back as a fresh machine has it.
void ResetMachine()
{
    for (const Lockable& l : kLockables)
    {
        ResetKey(l.hive, l.path);
    }
    for (const char* path : {kProductKey, kStandinKey, kAppDefaultsKey, kLinkRecordKey})
    {
        DeleteTree(HKEY_CURRENT_USER, path);
    }
    DeleteValue(HKEY_CURRENT_USER, kDesktopKey, "ScreenSaveUsePassword");
    DeleteTree(HKEY_LOCAL_MACHINE, kAeDebugKey);
    SetEnvironmentVariableA("SOLMIR_TEST_FRAME_MS", NULL);
    SetSaverRunningFlag(false);
    MoveCursorTo(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2);
}

} // namespace

void RunCase(const Case& c)
{
    // SOLMIR_CASE=text runs only the cases whose sentence holds the text.
    const char* only = getenv("SOLMIR_CASE");
    if (only != NULL && strstr(c.what, only) == NULL)
    {
        return;
    }
    SCOPED_TRACE(c.what);
    ResetMachine();
    Run run(c);
    run.program = SolmirScrPath();
    g_pHost = &run.host;
    for (const std::string& item : Items(c.given))
    {
        Given(run, item);
    }
    std::string command = c.command;
    if (command == "/p")
    {
        HANDLE ready = CreateEventA(NULL, TRUE, FALSE, NULL);
        run.host.thread = CreateThread(NULL, 0, RunPreviewHost, ready, 0, NULL);
        WaitForSingleObject(ready, kTimeout);
        CloseHandle(ready);
        command += " " + std::to_string(reinterpret_cast<uintptr_t>(run.host.hwnd));
    }
    ASSERT_TRUE(StartProgram(run.program, command, &run.process)) << run.program;
    // Up when its window shows, or a box of its own, or it has ended.
    WaitUntil(
        [&]
        {
            HWND shown = FindShown(run, "");
            return (run.main = FindMain(run)) || (shown && WindowClass(shown) == "#32770") ||
                   !run.Alive();
        },
        kTimeout);
    for (const std::string& step : Items(c.does))
    {
        Do(run, step);
        if (!run.main)
        {
            run.main = FindMain(run);
        }
    }
    if (c.exitCode == RUNNING)
    {
        EXPECT_TRUE(run.Alive()) << "Solmir ended";
    }
    else
    {
        EXPECT_EQ(static_cast<DWORD>(c.exitCode), WaitForExit(run.process, kTimeout));
    }
    if (run.Alive())
    {
        TerminateProcess(run.process.info.hProcess, 0xDEAD);
        WaitForSingleObject(run.process.info.hProcess, kTimeout);
    }
    for (const std::string& item : Items(c.sees))
    {
        See(run, item);
    }
    if (run.host.thread)
    {
        PostMessageA(run.host.hwnd, WM_CLOSE, 0, 0);
        PostThreadMessageA(GetThreadId(run.host.thread), WM_QUIT, 0, 0);
        WaitForSingleObject(run.host.thread, kTimeout);
        CloseHandle(run.host.thread);
    }
    RemoveFolder(run.folder);
}
