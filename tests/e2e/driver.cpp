#include "driver.h"

#include "resource.h"
#include "support/support.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <algorithm>
#include <iterator>
#include <tuple>

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
// Every wait ends as soon as its state shows; the bound only has to outlast a busy machine.
const DWORD kTimeout = 30000;

const std::pair<const char*, std::pair<HKEY, const char*>> kLockables[] = {
    {"machine run-once", {HKEY_LOCAL_MACHINE, kRunOnceKey}},
    {"user run-once", {HKEY_CURRENT_USER, kRunOnceKey}},
    {"machine product", {HKEY_LOCAL_MACHINE, kProductKey}},
    {"http", {HKEY_CLASSES_ROOT, kHttpKey}},
};

const std::pair<const char*, int> kControls[] = {{"IDOK", IDOK},
                                                 {"IDCANCEL", IDCANCEL},
                                                 {"IDC_ABOUT", IDC_ABOUT},
                                                 {"IDC_CYCLE_SPIN", IDC_CYCLE_SPIN},
                                                 {"IDC_CYCLE_TIME", IDC_CYCLE_TIME},
                                                 {"IDC_ENABLE_MODULE2", IDC_ENABLE_MODULE2},
                                                 {"IDC_VISIT_WEB", IDC_VISIT_WEB},
                                                 {"IDC_REMOVE_SOLMIR", IDC_REMOVE_SOLMIR},
                                                 {"IDC_PREVIEW_FRAME", IDC_PREVIEW_FRAME},
                                                 {"IDC_PREVIEW_MODULE1", IDC_PREVIEW_MODULE1},
                                                 {"IDC_PREVIEW_MODULE2", IDC_PREVIEW_MODULE2},
                                                 {"IDC_PREVIEW_MODULE3", IDC_PREVIEW_MODULE3}};
const std::pair<const char*, int> kKeys[] = {
    {"PGUP", VK_PRIOR}, {"PGDN", VK_NEXT},   {"UP", VK_UP},      {"DOWN", VK_DOWN},
    {"LEFT", VK_LEFT},  {"RIGHT", VK_RIGHT}, {"HOME", VK_HOME},  {"ENTER", VK_RETURN},
    {"BACK", VK_BACK},  {"ESC", VK_ESCAPE},  {"ALT", VK_MENU},   {"SHIFT", VK_SHIFT},
    {"N2", VK_NUMPAD2}, {"N3", VK_NUMPAD3},  {"N4", VK_NUMPAD4}, {"N6", VK_NUMPAD6},
    {"N8", VK_NUMPAD8}, {"N9", VK_NUMPAD9},  {"END", VK_END},
};

template <typename T, size_t N>
const T* Find(const std::pair<const char*, T> (&table)[N], const std::string& name)
{
    auto found = std::find_if(std::begin(table), std::end(table),
                              [&](const auto& entry) { return name == entry.first; });
    return found == std::end(table) ? nullptr : &found->second;
}

// A control named as resource.h names it, with the ^ or v of a quarter or "=…" behind.
int Control(const std::string& text)
{
    const int* id = Find(kControls, text.substr(0, text.find_first_of("^v=")));
    return id ? *id : -1;
}

// A virtual key by name (PGDN, F1, A, 7 …); 0 for none.
WORD KeyCode(const std::string& name)
{
    const int* key = Find(kKeys, name);
    bool function = name.size() > 1 && name[0] == 'F' && atoi(&name[1]) >= 1;
    bool plain = name.size() == 1 && isalnum(static_cast<unsigned char>(name[0]));
    return static_cast<WORD>(key        ? *key
                             : function ? VK_F1 + atoi(&name[1]) - 1
                             : plain    ? name[0]
                                        : 0);
}

// The values Solmir stores: "cycle time" and "modN NAME".
bool ProductValue(const std::string& name)
{
    const std::string params = " depth horz vert xrot yrot zrot speed active ";
    return name == "cycle time" ||
           (name.size() > 5 && name.compare(0, 3, "mod") == 0 && name[3] >= '1' && name[3] <= '3' &&
            name[4] == ' ' && params.find(" " + name.substr(5) + " ") != std::string::npos);
}

// The preview's parent, a window of the test's own thread, and the wParam of
// the last help or context menu it was given.
HWND g_hHost;
HWND g_hHeard;

struct Run
{
    const Case& c;
    std::string program = SolmirScrPath();
    SaverProcess process;
    HWND main = NULL;   // the saver window, the preview or the settings dialog
    HWND box = NULL;    // the window the last box step found
    std::string folder; // a folder of the row's own, removed after it
    const bool preview; // "/p": in a window of the test's
    explicit Run(const Case& row) : c(row), preview(std::string(row.command).rfind("/p", 0) == 0) {}
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

// Waits for a state the row needs; the row fails when it never comes.
void Await(const std::function<bool()>& state, const std::string& what = "")
{
    EXPECT_TRUE(WaitUntil(state, kTimeout)) << what;
}

// Solmir's top shown window with this title, class and control (each when given), or NULL.
HWND FindShown(const Run& run, const std::string& title, const std::string& cls = "", int id = 0)
{
    std::tuple<const Run&, const std::string&, const std::string&, int, HWND> search = {
        run, title, cls, id, NULL};
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL
        {
            auto& [run, title, cls, id, found] = *reinterpret_cast<decltype(search)*>(p);
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            bool match = owner == run.process.info.dwProcessId && IsWindowVisible(w) &&
                         (title.empty() || WindowTitle(w) == title) &&
                         (cls.empty() || WindowClass(w) == cls) && (!id || GetDlgItem(w, id));
            found = match ? w : NULL;
            return !match;
        },
        reinterpret_cast<LPARAM>(&search));
    return std::get<HWND>(search);
}

HWND FindMain(const Run& run)
{
    const std::string command = run.c.command;
    return run.preview ? FindWindowExA(g_hHost, NULL, "WindowsScreenSaverClass", NULL)
           : command.empty() || command.rfind("/c", 0) == 0
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

// Input queued for Solmir is taken before what comes after. SendInput queues keys
// at once, for the window in the foreground (the preview's is the test's own).
void PressKeys(const Run& run, const std::vector<WORD>& keys)
{
    DWORD owner = 0;
    Await(
        [&]
        {
            GetWindowThreadProcessId(GetForegroundWindow(), &owner);
            return run.preview || owner == run.process.info.dwProcessId || !run.Alive();
        });
    std::vector<INPUT> inputs(2 * keys.size(), INPUT{INPUT_KEYBOARD, {}});
    for (size_t i = 0; i < inputs.size(); ++i)
    {
        // All down in order, then up the other way round.
        inputs[i].ki.wVk = keys[i < keys.size() ? i : inputs.size() - 1 - i];
        inputs[i].ki.wScan = static_cast<WORD>(MapVirtualKeyA(inputs[i].ki.wVk, MAPVK_VK_TO_VSC));
        inputs[i].ki.dwFlags = i < keys.size() ? 0 : KEYEVENTF_KEYUP;
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// The mouse goes through the X server, as a real mouse's events arrive (a move
// made with SendInput warps the pointer, which the window under it may hear of
// after a click sent next). Wine queues an X event once the program under the
// pointer reads it: the button state, cursor and last input time show it.
void Mouse(const std::string& action, const std::function<bool()>& queued)
{
    SaverProcess xdotool;
    ASSERT_TRUE(StartProgram("Z:\\usr\\bin\\xdotool", action, &xdotool));
    Await(queued, "xdotool " + action + " was never queued");
}

// The preview shares the input of its parent, the test's window: the key state
// of this thread shows when it has taken the click.
void Click(const Run& run)
{
    const SHORT toggle = GetKeyState(VK_LBUTTON) & 1;
    Mouse("mousedown 1", [] { return GetAsyncKeyState(VK_LBUTTON) < 0; });
    Mouse("mouseup 1", [] { return GetAsyncKeyState(VK_LBUTTON) >= 0; });
    if (run.preview)
    {
        Await([&] { return (GetKeyState(VK_LBUTTON) & 1) != toggle; }, "the preview took no click");
    }
}

void MoveTo(POINT to)
{
    POINT at = {};
    LASTINPUTINFO last = {sizeof(last), 0}, now = {sizeof(now), 0};
    if (GetCursorPos(&at) && at.x == to.x && at.y == to.y)
    {
        return;
    }
    GetLastInputInfo(&last);
    // X counts from the virtual screen's corner, Windows from the primary's.
    Mouse("mousemove " + std::to_string(to.x - GetSystemMetrics(SM_XVIRTUALSCREEN)) + " " +
              std::to_string(to.y - GetSystemMetrics(SM_YVIRTUALSCREEN)),
          [&]
          {
              return GetLastInputInfo(&now) && now.dwTime != last.dwTime && GetCursorPos(&at) &&
                     at.x == to.x && at.y == to.y;
          });
}

// The share of the pixels that are lit, or that differ.
double Share(const std::vector<uint32_t>& a, const std::vector<uint32_t>* b = nullptr)
{
    size_t count = 0;
    for (size_t i = 0; i < a.size(); ++i)
    {
        count += b ? (a[i] & 0xFFFFFF) != ((*b)[i] & 0xFFFFFF) : (a[i] & 0xFFFFFF) != 0;
    }
    return a.empty() ? 0.0 : double(count) / a.size();
}

// The screen, the settings' preview frame, or monitor N ("monitor2"; the primary is the first).
RECT Region(const Run& run, const std::string& where)
{
    std::vector<RECT> monitors;
    EnumDisplayMonitors(
        NULL, NULL,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM data)
        {
            MONITORINFO info = {sizeof(info), {}, {}, 0};
            GetMonitorInfoA(monitor, &info);
            auto* list = reinterpret_cast<std::vector<RECT>*>(data);
            list->insert(info.dwFlags & MONITORINFOF_PRIMARY ? list->begin() : list->end(),
                         info.rcMonitor);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&monitors));
    const size_t n = where.rfind("monitor", 0) == 0 ? Number(where.substr(7)) : 0;
    RECT r = n >= 1 && n <= monitors.size() ? monitors[n - 1] : RECT{};
    HWND window = where == "frame" ? GetDlgItem(run.main, IDC_PREVIEW_FRAME) : run.main;
    if (n == 0 && GetClientRect(window, &r))
    {
        MapWindowPoints(window, NULL, reinterpret_cast<POINT*>(&r), 2);
    }
    return r;
}

// A scene on black that moves: two new frames of it have come, so a tick that
// began after everything sent before has drawn one of them.
void CheckTurning(const Run& run, const std::string& where)
{
    std::vector<uint32_t> shot, last;
    int frames = -1; // new frames since the first that showed a scene
    EXPECT_TRUE(WaitUntil(
        [&]
        {
            PumpMessagesFor(100); // reading the screen often starves X, and Solmir with it
            shot = CaptureScreen(Region(run, where));
            bool scene = Share(shot) > 0.01 && Share(shot) < 0.8;
            frames = !scene ? -1
                     : frames < 0 || shot.size() != last.size()
                         ? 0
                         : frames + (Share(shot, &last) > 0.002);
            last = shot;
            return frames >= 2;
        },
        kTimeout))
        << "no turning scene; lit: " << Share(shot);
}

// The scene stands in the middle of the region, turning.
void CheckCentred(const Run& run, const std::string& where)
{
    const RECT r = Region(run, where);
    CheckTurning(run, where);
    const RECT box = LitBox(r);
    EXPECT_NEAR(box.left + box.right, r.left + r.right, (r.right - r.left) * 0.2) << where;
    EXPECT_NEAR(box.top + box.bottom, r.top + r.bottom, (r.bottom - r.top) * 0.2) << where;
}

// The preview's window covers the frame, and the scene is drawn in the frame's
// middle, not where the frame's old size would put it.
void CheckFits(const Run& run)
{
    RECT frame = Region(run, "frame"), view = {};
    Await(
        [&]
        {
            GetWindowRect(FindWindowA("Solmir Preview", NULL), &view);
            return EqualRect(&view, &frame) != FALSE;
        });
    CheckCentred(run, "frame");
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

// Help or a context menu sent to the preview is answered at once and reaches its
// parent: this thread, which takes sends while it waits, unless blocked (hung).
void SendToPreview(const Run& run, bool menu, bool hung)
{
    HELPINFO help = {sizeof(help), HELPINFO_WINDOW, 0, NULL, 0, {}};
    DWORD_PTR answer = 0;
    g_hHeard = NULL;
    EXPECT_TRUE(SendMessageTimeoutA(run.main, menu ? WM_CONTEXTMENU : WM_HELP, 0,
                                    menu ? 0 : reinterpret_cast<LPARAM>(&help),
                                    hung ? SMTO_BLOCK : SMTO_NORMAL, 2000, &answer))
        << "the preview did not answer";
    EXPECT_EQ(1u, answer);
    Await([&] { return hung || g_hHeard == g_hHost; });
}

void ShowIconic(const Run& run, bool iconic)
{
    PostMessageA(run.main, WM_SYSCOMMAND, iconic ? SC_MINIMIZE : SC_RESTORE, 0);
    Await([&] { return (IsIconic(run.main) != FALSE) == iconic; });
}

typedef const std::string& Text;
typedef void (*Action)(Run& run, Text value);

// The machine before the start; see driver.h.
const std::pair<const char*, Action> kGivens[] = {
    {"cursor",
     [](Run& run, Text value)
     {
         RECT m = Region(run, value);
         value.rfind("monitor", 0) == 0
             ? SetCursorPos((m.left + m.right) / 2, (m.top + m.bottom) / 2)
             : SetCursorPos(Number(value), Number(Pair(value, ',').second));
     }},
    {"win98",
     [](Run& run, Text)
     {
         run.program = TestProgramFolder() + "standin\\Solmir98.scr";
         // Where Windows keeps it: one beside the program must never be loaded.
         CopyFileA((TestProgramFolder() + "standin\\PASSWORD.CPL").c_str(),
                   "C:\\windows\\system32\\PASSWORD.CPL", FALSE);
         SetString(HKEY_CURRENT_USER, kAppDefaultsKey, "Version", "win98");
     }},
    {"planted",
     [](Run& run, Text)
     {
         // The program (the 9x copy when given first) in a folder of its own.
         run.folder = MakeTempFolder("solmir-");
         std::string copy = run.folder + run.program.substr(run.program.find_last_of('\\') + 1);
         CopyFileA(run.program.c_str(), copy.c_str(), FALSE);
         run.program = copy;
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
    {"standard user",
     [](Run&, Text) { SetEnvironmentVariableA("SOLMIR_TEST_STANDARD_USER", "1"); }},
    {"broken", [](Run& run, Text) { run.program = TestProgramFolder() + "SolmirBrokenTex.scr"; }},
    {"install_dir", [](Run&, Text value)
     { SetString(HKEY_LOCAL_MACHINE, kProductKey, "install_dir", value.c_str()); }},
    {"lock",
     [](Run&, Text value)
     {
         const auto* key = Find(kLockables, value);
         ASSERT_TRUE(key) << "lock=" << value;
         SetDword(key->first, key->second, "made", 1); // the key exists
         EXPECT_TRUE(SetKeyAccess(key->first, key->second, true)) << "lock=" << value;
     }},
    {"http",
     [](Run&, Text value)
     {
         std::string command = value;
         command.replace(command.find("$BROWSER"), 8, TestProgramFolder() + "fakebrowser.exe");
         SetString(HKEY_CLASSES_ROOT, kHttpKey, "", command.c_str());
     }},
};

// What the user does; see driver.h. Keys are the steps not named here.
const std::pair<const char*, Action> kSteps[] = {
    {"move",
     [](Run&, Text value)
     {
         POINT at = {};
         GetCursorPos(&at);
         MoveTo({at.x + Number(value), at.y + Number(Pair(value, ',').second)});
     }},
    {"click",
     [](Run& run, Text value)
     {
         // The control of the window on top that has one of this name.
         HWND control = GetDlgItem(FindShown(run, "", "", Control(value)), Control(value));
         RECT r = {};
         ASSERT_TRUE(value.empty() || GetWindowRect(control, &r)) << "no control " << value;
         int quarter = value.empty() ? 0 : value.back() == '^' ? 1 : value.back() == 'v' ? 3 : 2;
         if (quarter)
         {
             MoveTo({(r.left + r.right) / 2, r.top + (r.bottom - r.top) * quarter / 4});
         }
         Click(run);
     }},
    {"box",
     [](Run& run, Text value)
     {
         auto [title, text] = Pair(value);
         // Up, and in the foreground: the keys that follow are for it.
         auto up = [&]
         {
             run.box = FindShown(run, title);
             return run.box && BoxText(run.box).find(text) != std::string::npos &&
                    GetForegroundWindow() == run.box;
         };
         EXPECT_TRUE(WaitUntil(up, kTimeout)) << (run.box ? BoxText(run.box) : "no window");
     }},
    {"gone", [](Run& run, Text) { Await([&] { return !IsWindowVisible(run.box); }); }},
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
    {"free",
     [](Run&, Text)
     {
         RECT clip = {},
              screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
         GetClipCursor(&clip);
         EXPECT_TRUE(EqualRect(&clip, &screen)) << "the cursor is still held";
     }},
    {"turning", [](Run& run, Text value) { CheckTurning(run, value); }},
    {"still",
     [](Run& run, Text value)
     {
         // Once what covers it has been drawn, nothing changes any more.
         auto still = [&]
         {
             std::vector<uint32_t> before = CaptureScreen(Region(run, value));
             Sleep(300);
             return Share(CaptureScreen(Region(run, value)), &before) == 0.0;
         };
         Await(still, "the scene moves");
     }},
    {"help", [](Run& run, Text value) { SendToPreview(run, value == "menu", value == "hung"); }},
    {"resize",
     [](Run& run, Text value)
     {
         long b[4] = {};
         sscanf(Pair(value).second.c_str(), "%ld,%ld,%ld,%ld", &b[0], &b[1], &b[2], &b[3]);
         SetWindowPos(GetDlgItem(run.main, Control(value)), NULL, b[0], b[1], b[2], b[3],
                      SWP_NOZORDER | SWP_NOACTIVATE);
     }},
    {"fits", [](Run& run, Text) { CheckFits(run); }},
    {"centred", [](Run& run, Text value) { CheckCentred(run, value); }},
    {"black", [](Run& run, Text value)
     { EXPECT_EQ(0.0, Share(CaptureScreen(Region(run, value)))) << value << " is lit"; }},
    {"on",
     [](Run& run, Text value)
     {
         RECT m = Region(run, value), box = {};
         GetWindowRect(run.box, &box);
         EXPECT_NEAR(box.left + box.right, m.left + m.right, 2) << "the box is not on " << value;
         EXPECT_NEAR(box.top + box.bottom, m.top + m.bottom, 2) << "the box is not on " << value;
     }},
    {"foreground",
     [](Run& run, Text) { Await([&] { return GetForegroundWindow() == run.main; }); }},
    {"minimize", [](Run& run, Text) { ShowIconic(run, true); }},
    {"restore", [](Run& run, Text) { ShowIconic(run, false); }},
    {"viewhidden", [](Run&, Text)
     { Await([] { return !IsWindowVisible(FindWindowA("Solmir Preview", NULL)); }); }},
    {"checked", [](Run& run, Text value)
     { Await([&] { return IsDlgButtonChecked(run.main, Control(value)) == BST_CHECKED; }); }},
};

// What must be found afterwards (product values and the stand-in's counts: the
// items not named here).
const std::pair<const char*, Action> kSees[] = {
    {"runonce",
     [](Run&, Text value)
     {
         const std::string folder = ReadString(HKEY_LOCAL_MACHINE, kProductKey, "install_dir");
         const std::string command = "\"" + folder + "\\uninstal.exe\"";
         std::string found;
         for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
         {
             HKEY key = NULL;
             RegOpenKeyExA(hive, kRunOnceKey, 0, KEY_READ, &key);
             char name[64], data[512];
             for (DWORD i = 0, n = sizeof(name), size = sizeof(data);
                  RegEnumValueA(key, i, name, &n, NULL, NULL, (BYTE*)data, &size) == 0;
                  ++i, n = sizeof(name), size = sizeof(data))
             {
                 const char* where = hive == HKEY_LOCAL_MACHINE ? " HKLM/" : " HKCU/";
                 found += command == data ? where + std::string(name) : "";
             }
             RegCloseKey(key);
         }
         EXPECT_EQ(value, found.empty() ? "none" : found.substr(1));
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
         auto read = [] { return ReadString(HKEY_CURRENT_USER, kLinkRecordKey, "command line"); };
         Await([&] { return !read().empty(); }, "no browser started");
         const std::string line = read();
         size_t end = line[0] == '"' ? line.find('"', 1) : line.find(' ');
         EXPECT_EQ(value, line.substr(std::min(line.find_first_not_of(" ", end + 1), line.size())));
     }},
};

// Plays an item of a row (g given, d does, s sees) on `run`; without one, only
// tells whether the driver knows its name.
bool Play(char kind, Text item, Run* run)
{
    auto [name, value] = Pair(item, kind == 'd' ? ':' : '=');
    const Action* action = kind == 'g'   ? Find(kGivens, name)
                           : kind == 'd' ? Find(kSteps, name)
                                         : Find(kSees, name);
    bool control = name == "checked" || name == "resize" || (name == "click" && !value.empty());
    // A key, alone or with a modifier: ALT+F4.
    auto [first, second] = Pair(item, '+');
    std::vector<WORD> keys = {KeyCode(first), KeyCode(second)};
    keys.resize(second.empty() ? 1 : 2);
    bool runOnce = kind == 'g' && name.rfind("kill_saver", 0) == 0;
    bool standin =
        kind == 's' &&
        std::string(" calls loads frees running ").find(" " + name + " ") != std::string::npos;
    bool known = action        ? !control || Control(value) >= 0
                 : kind == 'd' ? std::count(keys.begin(), keys.end(), 0) == 0
                               : runOnce || standin || ProductValue(name);
    if (!known || run == nullptr)
    {
        return known;
    }
    if (action)
    {
        (*action)(*run, value);
    }
    else if (kind == 'd')
    {
        PressKeys(*run, keys);
    }
    else if (kind == 'g')
    {
        runOnce ? SetString(HKEY_LOCAL_MACHINE, kRunOnceKey, name.c_str(), value.c_str())
                : SetDword(HKEY_CURRENT_USER, kProductKey, name.c_str(), Number(value));
    }
    else
    {
        EXPECT_EQ(Number(value),
                  int(ReadDword(HKEY_CURRENT_USER, standin ? kStandinKey : kProductKey,
                                name.c_str(), standin ? 0 : 0xDEADBEEF)))
            << name;
    }
    return true;
}

// Everything a case may have changed, put back as a fresh machine has it.
void ResetMachine()
{
    for (const auto& [name, key] : kLockables)
    {
        SetKeyAccess(key.first, key.second, false);
        DeleteTree(key.first, key.second);
    }
    for (const char* path :
         {kProductKey, kStandinKey, kAppDefaultsKey, kDllOverridesKey, kLinkRecordKey})
    {
        DeleteTree(HKEY_CURRENT_USER, path);
    }
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "ScreenSaveUsePassword");
    DeleteTree(HKEY_LOCAL_MACHINE, kAeDebugKey);
    SetEnvironmentVariableA("SOLMIR_TEST_FRAME_MS", NULL);
    SetEnvironmentVariableA("SOLMIR_TEST_STANDARD_USER", NULL);
    UINT previous = 0;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 0, &previous, 0);
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2);
}

} // namespace

void RunCase(const Case& c)
{
    SCOPED_TRACE(c.what);
    // Every item is known before anything runs: a misspelt one would check nothing.
    bool known = true;
    for (auto [kind, list] : {std::pair("given", c.given), {"does", c.does}, {"sees", c.sees}})
    {
        for (const std::string& item : Items(list))
        {
            const bool ok = Play(kind[0], item, nullptr); // the trace names the row
            EXPECT_TRUE(ok) << "unknown " << kind << " \"" << item << "\"";
            known = known && ok;
        }
    }
    if (!known)
    {
        return;
    }
    ResetMachine();
    Run run(c);
    for (const std::string& item : Items(c.given))
    {
        Play('g', item, &run);
    }
    std::string command = c.command;
    if (run.preview)
    {
        WNDCLASSA wc = {0, PreviewHostProc, 0, 0, NULL, NULL, NULL, NULL, NULL, "SolmirTestHost"};
        RegisterClassA(&wc);
        g_hHost = CreateWindowExA(0, wc.lpszClassName, "Display settings",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 330, 260, NULL, NULL,
                                  NULL, NULL);
        command += " " + std::to_string(reinterpret_cast<uintptr_t>(g_hHost));
    }
    ASSERT_TRUE(StartProgram(run.program, command, &run.process)) << "error " << GetLastError();
    // Up when its window shows, or a box of its own, or it has ended.
    ASSERT_TRUE(WaitUntil(
        [&] { return (run.main = FindMain(run)) || FindShown(run, "", "#32770") || !run.Alive(); },
        kTimeout));
    if (run.preview)
    {
        // As Windows does for a child window of another thread.
        AttachThreadInput(GetCurrentThreadId(), GetWindowThreadProcessId(run.main, NULL), TRUE);
    }
    for (const std::string& step : Items(c.does))
    {
        SCOPED_TRACE(step);
        run.main = run.main ? run.main : FindMain(run);
        Play('d', step, &run);
    }
    EXPECT_EQ(static_cast<DWORD>(c.exitCode), WaitForExit(run.process, kTimeout));
    TerminateProcess(run.process.info.hProcess, 0xDEAD);
    WaitForSingleObject(run.process.info.hProcess, kTimeout);
    for (const std::string& item : Items(c.sees))
    {
        Play('s', item, &run);
    }
    DestroyWindow(g_hHost);
    g_hHost = NULL;
    RemoveFolder(run.folder);
}
