#include "settings_test_support.h"

#include "host/host.h"
#include "render/render.h"
#include "resource.h"
#include "settings/settings.h"
#include "shell/shell.h"

#include <stdio.h>

#include <vector>

const char kProductKey[] = "Software\\Quenwick\\Solmir";
const char kSettingsTitle[] = "Solmir Screen Saver Settings";
const char kAboutTitle[] = "Solmir Screen Saver";

bool ResetKey(HKEY hive, const char* path)
{
    DeleteTree(hive, path);
    HKEY key = NULL;
    if (RegCreateKeyExA(hive, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
    {
        return false;
    }
    RegCloseKey(key);
    return true;
}

std::map<std::string, int32_t> ReadStoredValues()
{
    std::map<std::string, int32_t> values;
    HKEY key = NULL;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kProductKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    {
        return values;
    }
    char name[256];
    DWORD nameSize = sizeof(name);
    DWORD type = 0;
    int32_t data = 0;
    DWORD dataSize = sizeof(data);
    for (DWORD index = 0;
         RegEnumValueA(key, index, name, &nameSize, NULL, &type, reinterpret_cast<BYTE*>(&data),
                       &dataSize) != ERROR_NO_MORE_ITEMS;
         ++index, nameSize = sizeof(name), dataSize = sizeof(data))
    {
        if (type == REG_DWORD)
        {
            values[name] = data;
        }
    }
    RegCloseKey(key);
    return values;
}

void StoreAllValues(bool active1, bool active2, bool active3, int32_t cycleTime)
{
    const bool active[4] = {false, active1, active2, active3};
    const char* fields[] = {"depth", "horz", "vert", "xrot", "yrot", "zrot", "speed"};
    const int32_t views[4][7] = {{},
                                 {2100, 0, 0, 0, 4000, 0, 67},
                                 {2100, 0, -114, -1200, 19000, 0, 30},
                                 {13900, 0, 0, 0, 0, 0, 43}};
    char name[32];
    for (int module = 1; module <= 3; ++module)
    {
        for (int field = 0; field < 7; ++field)
        {
            snprintf(name, sizeof(name), "mod%d %s", module, fields[field]);
            SetDword(HKEY_CURRENT_USER, kProductKey, name, views[module][field]);
        }
        snprintf(name, sizeof(name), "mod%d active", module);
        SetDword(HKEY_CURRENT_USER, kProductKey, name, active[module] ? 1 : 0);
    }
    SetDword(HKEY_CURRENT_USER, kProductKey, "cycle time", cycleTime);
}

static DWORD WINAPI RunDialogThread(void* parameter)
{
    DialogThread* run = static_cast<DialogThread*>(parameter);
    run->result = DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_SETTINGS), NULL,
                                  SettingsDialogProc, 0);
    return 0;
}

HWND FindShownWindow(DWORD processId, DWORD threadId, const char* title)
{
    struct Search
    {
        DWORD processId, threadId;
        const char* title;
        HWND found;
    } search = {processId, threadId, title, NULL};
    EnumWindows(
        [](HWND hwnd, LPARAM lParam) -> BOOL
        {
            Search* s = reinterpret_cast<Search*>(lParam);
            DWORD processId = 0;
            DWORD threadId = GetWindowThreadProcessId(hwnd, &processId);
            if ((s->processId == 0 || processId == s->processId) &&
                (s->threadId == 0 || threadId == s->threadId) && IsWindowVisible(hwnd) &&
                WindowTitle(hwnd) == s->title)
            {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForShownWindow(DWORD processId, DWORD threadId, const char* title)
{
    HWND window = NULL;
    WaitUntil([&] { return (window = FindShownWindow(processId, threadId, title)) != NULL; },
              10000);
    return window;
}

HWND StartSettingsDialog(DialogThread* run)
{
    // One dialog per process in the product; tests run several in a row.
    g_hInstance = GetModuleHandleA(NULL);
    g_bStopRequested = false;
    g_bClosing = false;
    g_bInTick = false;
    g_bEditHasKeys = false;
    g_nSpinStep = 0;
    // Display lists die with their context; a new context must compile its own.
    g_uRingList = 0;
    g_fRingListScale = 0.0f;
    InitSettingsControls();
    *run = DialogThread{};
    run->result = -2;
    run->thread = CreateThread(NULL, 0, RunDialogThread, run, 0, &run->threadId);
    return run->thread == NULL ? NULL : WaitForShownWindow(0, run->threadId, kSettingsTitle);
}

bool WaitForDialogEnd(DialogThread* run, DWORD timeoutMs)
{
    if (run->thread == NULL)
    {
        return false;
    }
    bool ended = WaitForSingleObject(run->thread, timeoutMs) == WAIT_OBJECT_0;
    if (!ended)
    {
        // Leave no dialog behind for the next test.
        EnumThreadWindows(
            run->threadId,
            [](HWND hwnd, LPARAM) -> BOOL
            {
                EndDialog(hwnd, -3);
                PostMessageA(hwnd, WM_CLOSE, 0, 0);
                return TRUE;
            },
            0);
        WaitForSingleObject(run->thread, 5000);
    }
    CloseHandle(run->thread);
    run->thread = NULL;
    return ended;
}

static void SendMouse(DWORD flags)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
}

static void ClickAt(LONG x, LONG y)
{
    MoveCursorTo(x, y);
    Sleep(30);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    Sleep(30);
    SendMouse(MOUSEEVENTF_LEFTUP);
    // The dialog handles input only between frames.
    Sleep(80);
}

void ClickControl(HWND dialog, int id)
{
    RECT rect = {};
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    ClickAt((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

void ClickSpinArrow(HWND dialog, bool up)
{
    RECT rect = {};
    GetWindowRect(GetDlgItem(dialog, IDC_CYCLE_SPIN), &rect);
    int quarter = (rect.bottom - rect.top) / 4;
    ClickAt((rect.left + rect.right) / 2, up ? rect.top + quarter : rect.bottom - quarter);
}

// The presses go into the input queue at once, as a fast typist's would.
static void SendKeyPresses(const std::vector<WORD>& keys)
{
    std::vector<INPUT> inputs;
    for (WORD vk : keys)
    {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
        inputs.push_back(input);
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    if (!inputs.empty())
    {
        SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    }
    Sleep(150);
}

void PressKey(WORD vk, int count)
{
    SendKeyPresses(std::vector<WORD>(count, vk));
}

void TypeDigits(const char* digits)
{
    SendKeyPresses(std::vector<WORD>(digits, digits + strlen(digits)));
}

std::string ControlText(HWND dialog, int id)
{
    char text[256] = {};
    // Sent, so it is answered by the dialog's thread between frames.
    SendMessageA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return text;
}

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
