#include "settings_test_support.h"

#include "host/host.h"
#include "render/render.h"
#include "settings/settings.h"
#include "shell/shell.h"

#include <stdio.h>

const char kProductKey[] = "Software\\Quenwick\\Solmir";
const char kSettingsTitle[] = "Solmir Screen Saver Settings";
const char kAboutTitle[] = "Solmir Screen Saver";

bool ResetKey(HKEY hive, const char* path)
{
    RegDeleteTreeA(hive, path);
    RegDeleteKeyA(hive, path);
    HKEY key = NULL;
    if (RegCreateKeyExA(hive, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
    {
        return false;
    }
    RegCloseKey(key);
    return true;
}

void SetStoredValue(const char* name, int32_t value)
{
    HKEY key = NULL;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kProductKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                        NULL) == ERROR_SUCCESS)
    {
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof(value));
        RegCloseKey(key);
    }
}

bool GetStoredValue(const char* name, int32_t* value)
{
    std::map<std::string, int32_t> values = ReadStoredValues();
    auto found = values.find(name);
    if (found == values.end())
    {
        return false;
    }
    *value = found->second;
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
    for (DWORD index = 0;; ++index)
    {
        char name[256];
        DWORD nameSize = sizeof(name);
        DWORD type = 0;
        int32_t data = 0;
        DWORD dataSize = sizeof(data);
        LONG status = RegEnumValueA(key, index, name, &nameSize, NULL, &type,
                                    reinterpret_cast<BYTE*>(&data), &dataSize);
        if (status == ERROR_NO_MORE_ITEMS)
        {
            break;
        }
        if (status == ERROR_SUCCESS && type == REG_DWORD)
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
    for (int module = 1; module <= 3; ++module)
    {
        char name[32];
        for (int field = 0; field < 7; ++field)
        {
            snprintf(name, sizeof(name), "mod%d %s", module, fields[field]);
            SetStoredValue(name, views[module][field]);
        }
        snprintf(name, sizeof(name), "mod%d active", module);
        SetStoredValue(name, active[module] ? 1 : 0);
    }
    SetStoredValue("cycle time", cycleTime);
}

void SetDefaultString(HKEY hive, const char* path, const char* text)
{
    HKEY key = NULL;
    if (RegCreateKeyExA(hive, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) == ERROR_SUCCESS)
    {
        RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(strlen(text) + 1));
        RegCloseKey(key);
    }
}

static DWORD WINAPI RunDialogThread(void* parameter)
{
    DialogThread* run = static_cast<DialogThread*>(parameter);
    run->result = DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(run->resource),
                                  run->owner, run->proc, 0);
    return 0;
}

HWND FindThreadWindow(DWORD threadId, const char* title)
{
    struct Search
    {
        const char* title;
        HWND found;
    } search = {title, NULL};
    EnumThreadWindows(
        threadId,
        [](HWND hwnd, LPARAM lParam) -> BOOL
        {
            Search* s = reinterpret_cast<Search*>(lParam);
            char text[128] = {};
            GetWindowTextA(hwnd, text, sizeof(text));
            if (IsWindowVisible(hwnd) && strcmp(text, s->title) == 0)
            {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND StartDialog(DialogThread* run, int resource, DLGPROC proc, HWND owner, const char* title)
{
    *run = DialogThread{};
    run->resource = resource;
    run->proc = proc;
    run->owner = owner;
    run->result = -2;
    run->thread = CreateThread(NULL, 0, RunDialogThread, run, 0, &run->threadId);
    if (run->thread == NULL)
    {
        return NULL;
    }
    HWND dialog = NULL;
    WaitUntil(
        [&]
        {
            dialog = FindThreadWindow(run->threadId, title);
            return dialog != NULL;
        },
        10000);
    return dialog;
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
    return StartDialog(run, 2003, SettingsDialogProc, NULL, kSettingsTitle);
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
                PostMessageA(hwnd, WM_CLOSE, 0, 0);
                return TRUE;
            },
            0);
        if (WaitForSingleObject(run->thread, 3000) != WAIT_OBJECT_0)
        {
            EnumThreadWindows(
                run->threadId,
                [](HWND hwnd, LPARAM) -> BOOL
                {
                    EndDialog(hwnd, -3);
                    PostMessageA(hwnd, WM_NULL, 0, 0);
                    return TRUE;
                },
                0);
            WaitForSingleObject(run->thread, 3000);
        }
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

void ClickAt(POINT screen)
{
    SetCursorPos(screen.x, screen.y);
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
    POINT centre = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClickAt(centre);
}

void ClickSpinArrow(HWND dialog, bool up)
{
    RECT rect = {};
    GetWindowRect(GetDlgItem(dialog, 1034), &rect);
    int height = rect.bottom - rect.top;
    POINT arrow = {(rect.left + rect.right) / 2,
                   up ? rect.top + height / 4 : rect.bottom - height / 4};
    ClickAt(arrow);
}

// The key presses go into the input queue at once, as a fast typist's would;
// the dialog takes them all at its next frame.
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

void PressKey(WORD vk)
{
    SendKeyPresses(std::vector<WORD>(1, vk));
}

void PressKeys(WORD vk, int count)
{
    SendKeyPresses(std::vector<WORD>(count, vk));
}

void TypeDigits(const char* digits)
{
    std::vector<WORD> keys;
    for (; *digits != '\0'; ++digits)
    {
        keys.push_back(static_cast<WORD>(*digits));
    }
    SendKeyPresses(keys);
}

void ClearFocusedEdit()
{
    std::vector<WORD> keys(1, VK_END);
    keys.insert(keys.end(), 10, VK_BACK);
    SendKeyPresses(keys);
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
    WaitUntil(
        [&]
        {
            text = ControlText(dialog, id);
            return text == expected;
        },
        3000);
    return text;
}

bool IsChecked(HWND dialog, int id)
{
    return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int CountLitPixels(const std::vector<uint32_t>& pixels)
{
    int lit = 0;
    for (uint32_t pixel : pixels)
    {
        if ((pixel & 0xF0F0F0) != 0)
        {
            ++lit;
        }
    }
    return lit;
}
