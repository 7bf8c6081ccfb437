#include "driver.h"

#include "support/support.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <algorithm>
#include <iterator>
#include <vector>

namespace
{

const char kProductKey[] = "Software\\Quenwick\\Solmir";
const char kRunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char kStandinKey[] = "Software\\SolmirTest\\Password"; // the stand-in's answer and records
const char kDesktopKey[] = "Control Panel\\Desktop";
const char kAeDebugKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug";
const char kAppDefaultsKey[] = "Software\\Wine\\AppDefaults\\Solmir98.scr";
const char kDllOverridesKey[] = "Software\\Wine\\DllOverrides"; // Wine's load order per DLL
const char kHttpKey[] = "HTTP\\shell\\open\\command";
const char kLinkRecordKey[] = "Software\\Quenwick\\SolmirLinkTest"; // written by fakebrowser.exe
const DWORD kTimeout = 10000;

const struct
{
    const char* name;
    HKEY hive;
    const char* path;
} kLockables[] = {
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
    {"N8", VK_NUMPAD8}, {"N9", VK_NUMPAD9},  {"END", VK_END},
};

// The preview's parent, a window of the test's own thread, and the wParam of
// the last help or context menu it was given.
HWND g_hHost;
HWND g_hHeard;

struct Run
{
    const Case& c;
    std::string program = SolmirScrPath();
    SaverProcess process;
    HWND main = NULL; // the saver window, the preview or the settings dialog
    HWND box = NULL;  // the window the last box step found
    std::string folder;
    std::string installDir;
    const bool preview; // "/p": in a window of the test's
    explicit Run(const Case& row) : c(row), preview(std::string(row.command).rfind("/p", 0) == 0) {}
    DWORD Pid() const
    {
        return process.info.dwProcessId;
    }
    bool Alive() const
    {
        return WaitForSingleObject(process.info.hProcess, 0) == WAIT_TIMEOUT;
    }
};

std::vector<std::string> Items(const std::string& list)
{
    std::vector<std::string> items;
    for (size_t start = 0, end = 0; start < list.size(); start = end + 2)
    {
        end = std::min(list.find("; ", start), list.size());
        items.push_back(list.substr(start, end - start));
    }
    return items;
}

// "name=value" split at the first separator; the value empty when there is none.
std::pair<std::string, std::string> Pair(const std::string& item, char separator = '=')
{
    size_t at = std::min(item.find(separator), item.size());
    return {item.substr(0, at), item.substr(std::min(at + 1, item.size()))};
}

int Number(const std::string& text)
{
    return atoi(text.c_str());
}

// Only reading left to everyone, or everything again.
bool SetKeyAccess(HKEY hive, const char* path, bool readOnly)
{
    PSECURITY_DESCRIPTOR sd = NULL;
    HKEY key = NULL;
    const char* dacl = readOnly ? "D:P(A;;KR;;;WD)" : "D:P(A;;KA;;;WD)";
    bool ok = ConvertStringSecurityDescriptorToSecurityDescriptorA(dacl, 1, &sd, NULL) &&
              RegOpenKeyExA(hive, path, 0, WRITE_DAC, &key) == 0 &&
              RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd) == 0;
    RegCloseKey(key);
    LocalFree(sd);
    return ok;
}

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

HWND FindShown(const Run& run, const std::string& title, const std::string& className = "")
{
    for (HWND w : ShownWindows(run))
    {
        if ((title.empty() || WindowTitle(w) == title) &&
            (className.empty() || WindowClass(w) == className))
        {
            return w;
        }
    }
    return NULL;
}

HWND FindMain(const Run& run)
{
    std::string command = run.c.command;
    if (run.preview)
    {
        return FindWindowExA(g_hHost, NULL, "WindowsScreenSaverClass", NULL);
    }
    return command.empty() || command.rfind("/c", 0) == 0
               ? FindShown(run, "Solmir Screen Saver Settings")
               : FindShown(run, "", "WindowsScreenSaverClass");
}

std::string BoxText(HWND box)
{
    std::string text;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    {
        bool icon = (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
        text += WindowClass(child) == "Static" && !icon ? WindowTitle(child) + "\n" : "";
    }
    return text;
}

// Returns once Solmir has taken all input given before: every message it
// receives through PeekMessage or GetMessage lets a sent one through first.
void Sync(const Run& run)
{
    DWORD_PTR result = 0;
    for (int i = 0; i < 3 && IsWindow(run.main); ++i)
    {
        SendMessageTimeoutA(run.main, WM_NULL, 0, 0, SMTO_NORMAL, 3000, &result);
    }
}

// Keys go to the window in the foreground; the preview's is the test's own.
void PressKeys(const Run& run, const std::vector<WORD>& downs, const std::vector<WORD>& ups)
{
    WaitUntil(
        [&] { return run.preview || OfProcess(GetForegroundWindow(), run.Pid()) || !run.Alive(); },
        5000);
    std::vector<INPUT> inputs;
    for (size_t i = 0; i < downs.size() + ups.size(); ++i)
    {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = i < downs.size() ? downs[i] : ups[i - downs.size()];
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(input.ki.wVk, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = i < downs.size() ? 0 : KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Sync(run);
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
    return name.size() > 1 && name[0] == 'F' ? static_cast<WORD>(VK_F1 + Number(&name[1]) - 1)
                                             : static_cast<WORD>(name.size() == 1 ? name[0] : 0);
}

// The mouse moves and clicks through the X server itself, as a real mouse's
// events arrive: a move made with SendInput warps the pointer, and the window
// under it may hear of that after a click sent next. xdotool is no Windows
// program that could be waited for: it leaves a file when it is done.
void Mouse(const Run& run, const std::string& actions)
{
    static int s_nCalls;
    std::string done = "/tmp/solmir-mouse-" + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(++s_nCalls);
    SaverProcess shell;
    ASSERT_TRUE(
        StartProgram("Z:\\bin\\sh", "-c \"xdotool " + actions + "; : >" + done + "\"", &shell));
    std::replace(done.begin(), done.end(), '/', '\\');
    EXPECT_TRUE(WaitUntil([&] { return DeleteFileA(("Z:" + done).c_str()) != FALSE; }, kTimeout));
    Sync(run);
}

void MoveTo(const Run& run, POINT to)
{
    Mouse(run, "mousemove " + std::to_string(to.x) + " " + std::to_string(to.y));
    POINT at = {};
    EXPECT_TRUE(WaitUntil([&] { return GetCursorPos(&at) && at.x == to.x && at.y == to.y; }, 2000))
        << at.x << "," << at.y;
    Sync(run);
}

// The screen, as 32-bit pixels; the share of them that are lit, or that differ.
std::vector<uint32_t> Capture(const RECT& r)
{
    std::vector<uint32_t> pixels((r.right - r.left) * (r.bottom - r.top));
    BITMAPINFO info = {};
    info.bmiHeader = {
        sizeof(info.bmiHeader), r.right - r.left, r.top - r.bottom, 1, 32, 0, 0, 0, 0, 0, 0};
    HDC screen = GetDC(NULL), memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right - r.left, r.bottom - r.top);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    GetDIBits(memory, bitmap, 0, r.bottom - r.top, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return pixels;
}

double Share(const std::vector<uint32_t>& a, const std::vector<uint32_t>* b = nullptr)
{
    size_t count = 0;
    for (size_t i = 0; i < a.size(); ++i)
    {
        count += b ? (a[i] & 0xFFFFFF) != ((*b)[i] & 0xFFFFFF) : (a[i] & 0xFFFFFF) != 0;
    }
    return a.empty() ? 0.0 : double(count) / a.size();
}

RECT Region(const Run& run, const std::string& where)
{
    RECT r = {};
    HWND window = where == "frame" ? GetDlgItem(run.main, 1008) : run.main;
    GetClientRect(window, &r);
    MapWindowPoints(window, NULL, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// A scene on black that moves between two looks.
bool Turning(const RECT& r)
{
    std::vector<uint32_t> before = Capture(r);
    Sleep(200);
    std::vector<uint32_t> after = Capture(r);
    return Share(after) > 0.01 && Share(after) < 0.8 && Share(after, &before) > 0.002;
}

// The preview's window covers frame 1008, and the scene is drawn in the
// frame's middle, not where the frame's old size would put it.
void CheckFits(const Run& run)
{
    RECT frame = Region(run, "frame"), view = {};
    EXPECT_TRUE(WaitUntil(
        [&]
        {
            GetWindowRect(FindWindowA("Solmir Preview", NULL), &view);
            return EqualRect(&view, &frame) != FALSE;
        },
        kTimeout));
    ASSERT_TRUE(WaitUntil([&] { return Turning(frame); }, kTimeout));
    std::vector<uint32_t> shot = Capture(frame);
    long width = frame.right - frame.left, height = frame.bottom - frame.top;
    long left = width, right = 0, top = height, bottom = 0;
    for (long i = 0; i < width * height; ++i)
    {
        if (shot[i] & 0xFFFFFF)
        {
            left = std::min(left, i % width), right = std::max(right, i % width);
            top = std::min(top, i / width), bottom = std::max(bottom, i / width);
        }
    }
    EXPECT_NEAR(left + right, width, width * 0.2) << "the scene is off the frame's centre";
    EXPECT_NEAR(top + bottom, height, height * 0.2) << "the scene is off the frame's centre";
}

LRESULT CALLBACK PreviewHostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_HELP || message == WM_CONTEXTMENU)
    {
        g_hHeard = reinterpret_cast<HWND>(wParam);
        return message == WM_HELP;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Help or a context menu sent to the preview must be answered at once and
// reach its parent. While this thread waits for the answer, it takes the
// preview's own sends, unless it waits blocked: then the parent hangs.
void SendToPreview(const Run& run, UINT message, UINT flags)
{
    HELPINFO help = {sizeof(help), HELPINFO_WINDOW, 0, NULL, 0, {}};
    DWORD_PTR answer = 0;
    g_hHeard = NULL;
    EXPECT_TRUE(SendMessageTimeoutA(run.main, message, 0,
                                    message == WM_HELP ? reinterpret_cast<LPARAM>(&help) : 0, flags,
                                    2000, &answer))
        << "the preview did not answer";
    EXPECT_EQ(1u, answer);
    EXPECT_TRUE(flags || WaitUntil([&] { return g_hHeard == g_hHost; }, 3000));
}

typedef const std::string& Text;
typedef void (*Action)(Run& run, Text value);

// The machine before the start; see driver.h.
const std::pair<const char*, Action> kGivens[] = {
    {"cursor",
     [](Run&, Text value) { SetCursorPos(Number(value), Number(Pair(value, ',').second)); }},
    {"win98",
     [](Run& run, Text)
     {
         run.folder = MakeTempFolder("solmir98-");
         run.program = run.folder + "Solmir98.scr";
         CopyFileA(SolmirScrPath().c_str(), run.program.c_str(), FALSE);
         CopyFileA((TestProgramFolder() + "standin\\PASSWORD.CPL").c_str(),
                   "C:\\windows\\system32\\PASSWORD.CPL", FALSE);
         SetString(HKEY_CURRENT_USER, kAppDefaultsKey, "Version", "win98");
     }},
    {"planted",
     [](Run& run, Text)
     {
         if (run.folder.empty())
         {
             run.folder = MakeTempFolder("solmir-");
             run.program = run.folder + "Solmir.scr";
             CopyFileA(SolmirScrPath().c_str(), run.program.c_str(), FALSE);
         }
         // Windows' own order, in which a DLL beside the program comes first.
         for (const char* name : {"opengl32.dll", "glu32.dll", "mpr.dll", "PASSWORD.CPL"})
         {
             CopyFileA((TestProgramFolder() + "standin\\PASSWORD.CPL").c_str(),
                       (run.folder + name).c_str(), FALSE);
             SetString(HKEY_CURRENT_USER, kDllOverridesKey,
                       std::string(name, strlen(name) - 4).c_str(), "native,builtin");
         }
     }},
    {"password",
     [](Run&, Text value)
     {
         DWORD data[2] = {value == "0" ? 0u : 1u, 0};
         RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "ScreenSaveUsePassword",
                         value == "1" || value == "0" ? REG_DWORD : REG_BINARY, data,
                         value == "long" ? 5 : 4);
     }},
    {"answer",
     [](Run&, Text value)
     {
         SetDword(HKEY_CURRENT_USER, kStandinKey, "answer", Number(value));
         // A fault in the check: no debugger starts, so the platform hands it back.
         SetString(HKEY_LOCAL_MACHINE, kAeDebugKey, "Debugger", "Z:\\nowhere\\debugger.exe");
         SetString(HKEY_LOCAL_MACHINE, kAeDebugKey, "Auto", "1");
     }},
    {"slow",
     [](Run& run, Text value)
     {
         run.program = TestProgramFolder() + "SolmirSlowClock.scr";
         SetEnvironmentVariableA("SOLMIR_TEST_FRAME_MS", value.c_str());
     }},
    {"broken", [](Run& run, Text) { run.program = TestProgramFolder() + "SolmirBrokenTex.scr"; }},
    {"install_dir",
     [](Run& run, Text value)
     {
         run.installDir = value == "long" ? std::string(400, 'f') : value;
         SetString(HKEY_LOCAL_MACHINE, kProductKey, "install_dir", run.installDir.c_str());
     }},
    {"lock",
     [](Run&, Text value)
     {
         for (const auto& key : kLockables)
         {
             if (value == key.name)
             {
                 SetDword(key.hive, key.path, "made", 1); // the key exists
                 EXPECT_TRUE(SetKeyAccess(key.hive, key.path, true)) << value;
             }
         }
     }},
    {"http",
     [](Run&, Text value)
     {
         std::string command = value;
         size_t at = command.find("$BROWSER");
         if (at != std::string::npos)
         {
             command.replace(at, 8, TestProgramFolder() + "fakebrowser.exe");
         }
         SetString(HKEY_CLASSES_ROOT, kHttpKey, "", command.c_str());
     }},
};

// What the user does; see driver.h. Keys are the steps not named here.
const std::pair<const char*, Action> kSteps[] = {
    {"move",
     [](Run& run, Text value)
     {
         POINT at = {};
         GetCursorPos(&at);
         MoveTo(run, {at.x + Number(value), at.y + Number(Pair(value, ',').second)});
     }},
    {"click",
     [](Run& run, Text value)
     {
         // The control of the window on top that has one of this number.
         HWND control = NULL;
         for (HWND w : ShownWindows(run))
         {
             control = control || value.empty() ? control : GetDlgItem(w, Number(value));
         }
         RECT r = {};
         ASSERT_TRUE(value.empty() || GetWindowRect(control, &r)) << "no control " << value;
         int quarter = value.empty() ? 0 : value.back() == '^' ? 1 : value.back() == 'v' ? 3 : 2;
         if (quarter)
         {
             MoveTo(run, {(r.left + r.right) / 2, r.top + (r.bottom - r.top) * quarter / 4});
         }
         Mouse(run, "click 1");
     }},
    {"box",
     [](Run& run, Text value)
     {
         auto [title, text] = Pair(value);
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
     }},
    {"count",
     [](Run& run, Text value)
     {
         Sync(run);
         auto [title, count] = Pair(value);
         std::vector<HWND> shown = ShownWindows(run);
         EXPECT_EQ(Number(count), std::count_if(shown.begin(), shown.end(),
                                                [&](HWND w) { return WindowTitle(w) == title; }));
     }},
    {"gone", [](Run& run, Text)
     { EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(run.box); }, kTimeout)); }},
    {"close", [](Run& run, Text) { PostMessageA(run.main, WM_CLOSE, 0, 0); }},
    {"sendclose",
     [](Run& run, Text)
     {
         DWORD_PTR result = 0;
         SendMessageTimeoutA(run.main, WM_CLOSE, 0, 0, SMTO_NORMAL, kTimeout, &result);
     }},
    {"wait", [](Run&, Text value) { Sleep(Number(value)); }},
    {"set",
     [](Run&, Text value)
     {
         auto [name, number] = Pair(value);
         const char* key = name == "answer" ? kStandinKey : kProductKey;
         SetDword(HKEY_CURRENT_USER, key, name.c_str(), Number(number));
     }},
    {"second",
     [](Run& run, Text)
     {
         SaverProcess second;
         ASSERT_TRUE(StartProgram(run.program, "/s", &second));
         EXPECT_EQ(0u, WaitForExit(second, kTimeout));
     }},
    {"running",
     [](Run& run, Text)
     {
         Sync(run);
         EXPECT_TRUE(run.Alive()) << "Solmir ended";
     }},
    {"free",
     [](Run&, Text)
     {
         RECT clip = {},
              screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
         GetClipCursor(&clip);
         EXPECT_TRUE(EqualRect(&clip, &screen)) << "the cursor is still held";
     }},
    {"turning", [](Run& run, Text value)
     { EXPECT_TRUE(WaitUntil([&] { return Turning(Region(run, value)); }, kTimeout)); }},
    {"still",
     [](Run& run, Text value)
     {
         // Once what covers it has been drawn, nothing changes any more.
         auto still = [&]
         {
             std::vector<uint32_t> before = Capture(Region(run, value));
             Sleep(300);
             return Share(Capture(Region(run, value)), &before) == 0.0;
         };
         EXPECT_TRUE(WaitUntil(still, 5000)) << "the scene moves";
     }},
    {"help", [](Run& run, Text) { SendToPreview(run, WM_HELP, SMTO_NORMAL); }},
    {"menu", [](Run& run, Text) { SendToPreview(run, WM_CONTEXTMENU, SMTO_NORMAL); }},
    {"hunghelp", [](Run& run, Text) { SendToPreview(run, WM_HELP, SMTO_BLOCK); }},
    {"resize",
     [](Run& run, Text value)
     {
         auto [id, box] = Pair(value);
         long b[4] = {};
         sscanf(box.c_str(), "%ld,%ld,%ld,%ld", &b[0], &b[1], &b[2], &b[3]);
         SetWindowPos(GetDlgItem(run.main, Number(id)), NULL, b[0], b[1], b[2], b[3],
                      SWP_NOZORDER | SWP_NOACTIVATE);
     }},
    {"fits", [](Run& run, Text) { CheckFits(run); }},
    {"minimize", [](Run& run, Text) { PostMessageA(run.main, WM_SYSCOMMAND, SC_MINIMIZE, 0); }},
    {"restore", [](Run& run, Text) { PostMessageA(run.main, WM_SYSCOMMAND, SC_RESTORE, 0); }},
    {"viewhidden",
     [](Run&, Text)
     {
         HWND view = FindWindowA("Solmir Preview", NULL);
         EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(view); }, kTimeout));
     }},
    {"checked",
     [](Run& run, Text value)
     {
         HWND button = GetDlgItem(run.main, Number(value));
         EXPECT_TRUE(
             WaitUntil([&] { return SendMessageA(button, BM_GETCHECK, 0, 0) == 1; }, kTimeout));
     }},
};

// What must be found afterwards (product values: the items not named here).
const std::pair<const char*, Action> kSees[] = {
    {"runonce",
     [](Run& run, Text value)
     {
         const std::string command = "\"" + run.installDir + "\\uninstal.exe\"";
         std::string found;
         for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
         {
             HKEY key = NULL;
             RegOpenKeyExA(hive, kRunOnceKey, 0, KEY_READ, &key);
             char name[64], data[512];
             DWORD nameSize = sizeof(name), size = sizeof(data);
             for (DWORD i = 0; RegEnumValueA(key, i, name, &nameSize, NULL, NULL,
                                             reinterpret_cast<BYTE*>(data), &size) == 0;
                  ++i, nameSize = sizeof(name), size = sizeof(data))
             {
                 std::string where = hive == HKEY_LOCAL_MACHINE ? "HKLM/" : "HKCU/";
                 found += command == data ? (found.empty() ? "" : " ") + where + name : "";
             }
             RegCloseKey(key);
         }
         EXPECT_EQ(value, found.empty() ? "none" : found);
     }},
    {"flag",
     [](Run&, Text value)
     {
         // The setting as a new process reads it: a process keeps the first value it read.
         SaverProcess reader;
         ASSERT_TRUE(StartProgram(TestProgramFolder() + "saver_flag.exe", "", &reader));
         EXPECT_EQ(DWORD(Number(value)), WaitForExit(reader, kTimeout));
     }},
    {"browser",
     [](Run&, Text value)
     {
         // What follows the program's name on the line the stand-in was started with.
         std::string line = "none";
         WaitUntil([&]
                   { return ReadString(HKEY_CURRENT_USER, kLinkRecordKey, "command line", &line); },
                   kTimeout);
         size_t end = line[0] == '"' ? line.find('"', 1) : line.find(' ');
         EXPECT_EQ(value, line.substr(std::min(line.find_first_not_of(" ", end + 1), line.size())));
     }},
};

bool Perform(const std::pair<const char*, Action>* table, size_t count, Run& run,
             const std::string& item, char separator)
{
    auto [name, value] = Pair(item, separator);
    for (size_t i = 0; i < count; ++i)
    {
        if (name == table[i].first)
        {
            table[i].second(run, value);
            return true;
        }
    }
    return false;
}

void Given(Run& run, const std::string& item)
{
    auto [name, value] = Pair(item);
    if (name.rfind("kill_saver", 0) == 0)
    {
        SetString(HKEY_LOCAL_MACHINE, kRunOnceKey, name.c_str(), value.c_str());
    }
    else if (!Perform(kGivens, std::size(kGivens), run, item, '='))
    {
        SetDword(HKEY_CURRENT_USER, kProductKey, name.c_str(), Number(value));
    }
}

void Do(Run& run, const std::string& step)
{
    SCOPED_TRACE(step);
    if (!Perform(kSteps, std::size(kSteps), run, step, ':'))
    {
        // A key, alone or with a modifier: ALT+F4.
        auto [first, second] = Pair(step, '+');
        WORD a = KeyCode(first), b = KeyCode(second);
        ASSERT_NE(0, a) << "unknown step";
        PressKeys(run, b ? std::vector<WORD>{a, b} : std::vector<WORD>{a},
                  b ? std::vector<WORD>{b, a} : std::vector<WORD>{a});
    }
    run.main = run.main ? run.main : FindMain(run);
}

void See(Run& run, const std::string& item)
{
    SCOPED_TRACE(item);
    if (Perform(kSees, std::size(kSees), run, item, '='))
    {
        return;
    }
    auto [name, value] = Pair(item);
    // What the stand-in PASSWORD.CPL counted, or a product value.
    bool standin = name == "calls" || name == "loads" || name == "frees" || name == "running";
    EXPECT_EQ(Number(value), int(ReadDword(HKEY_CURRENT_USER, standin ? kStandinKey : kProductKey,
                                           name.c_str(), standin ? 0 : 0xDEADBEEF)));
}

// Everything a case may have changed, put back as a fresh machine has it.
void ResetMachine()
{
    for (const auto& key : kLockables)
    {
        SetKeyAccess(key.hive, key.path, false);
        DeleteTree(key.hive, key.path);
    }
    for (const char* path :
         {kProductKey, kStandinKey, kAppDefaultsKey, kDllOverridesKey, kLinkRecordKey})
    {
        DeleteTree(HKEY_CURRENT_USER, path);
    }
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "ScreenSaveUsePassword");
    DeleteTree(HKEY_LOCAL_MACHINE, kAeDebugKey);
    SetEnvironmentVariableA("SOLMIR_TEST_FRAME_MS", NULL);
    UINT previous = 0;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 0, &previous, 0);
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2);
}

} // namespace

void RunCase(const Case& c)
{
    SCOPED_TRACE(c.what);
    ResetMachine();
    Run run(c);
    for (const std::string& item : Items(c.given))
    {
        Given(run, item);
    }
    std::string command = c.command;
    if (run.preview)
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = PreviewHostProc;
        wc.lpszClassName = "SolmirTestDisplaySettings";
        RegisterClassA(&wc);
        g_hHost = CreateWindowExA(0, wc.lpszClassName, "Display settings",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 330, 260, NULL, NULL,
                                  NULL, NULL);
        command += " " + std::to_string(reinterpret_cast<uintptr_t>(g_hHost));
    }
    ASSERT_TRUE(StartProgram(run.program, command, &run.process)) << run.program;
    // Up when its window shows, or a box of its own, or it has ended. The
    // first start in a new Wine prefix takes longest.
    ASSERT_TRUE(WaitUntil(
        [&] { return (run.main = FindMain(run)) || FindShown(run, "", "#32770") || !run.Alive(); },
        3 * kTimeout));
    run.main = FindMain(run); // the settings dialog may have shown between the two looks
    for (const std::string& step : Items(c.does))
    {
        Do(run, step);
    }
    EXPECT_EQ(static_cast<DWORD>(c.exitCode), WaitForExit(run.process, kTimeout));
    TerminateProcess(run.process.info.hProcess, 0xDEAD);
    WaitForSingleObject(run.process.info.hProcess, kTimeout);
    for (const std::string& item : Items(c.sees))
    {
        See(run, item);
    }
    DestroyWindow(g_hHost);
    g_hHost = NULL;
    RemoveFolder(run.folder);
}
