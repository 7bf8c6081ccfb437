#include "settings_test_support.h"

#include "support/saver_process.h"
#include "support/test_support.h"

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
    DWORD nameSize = sizeof(name), type = 0, dataSize = 4;
    int32_t data = 0;
    for (DWORD index = 0; RegEnumValueA(key, index, name, &nameSize, NULL, &type,
                                        reinterpret_cast<BYTE*>(&data), &dataSize) == ERROR_SUCCESS;
         ++index, nameSize = sizeof(name), dataSize = 4)
    {
        if (type == REG_DWORD)
        {
            values[name] = data;
        }
    }
    RegCloseKey(key);
    return values;
}

HWND WaitForShownWindow(DWORD processId, DWORD threadId, const char* title)
{
    HWND found = NULL;
    WaitUntil(
        [&]
        {
            for (HWND w = GetTopWindow(NULL); w != NULL && found == NULL;
                 w = GetWindow(w, GW_HWNDNEXT))
            {
                DWORD process = 0;
                DWORD thread = GetWindowThreadProcessId(w, &process);
                if ((processId == 0 || process == processId) &&
                    (threadId == 0 || thread == threadId) && IsWindowVisible(w) &&
                    WindowTitle(w) == title)
                {
                    found = w;
                }
            }
            return found != NULL;
        },
        10000);
    return found;
}

void ClickControl(HWND dialog, int id, int quarter)
{
    RECT r = {};
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MoveCursorTo((r.left + r.right) / 2, r.top + (r.bottom - r.top) * quarter / 4);
    Sleep(30);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &input, sizeof(input));
    Sleep(30);
    input.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof(input));
    Sleep(80); // the dialog handles input only between frames
}

void PressKeys(const std::string& keys)
{
    std::vector<INPUT> inputs;
    for (char vk : keys)
    {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = static_cast<BYTE>(vk);
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(input.ki.wVk, MAPVK_VK_TO_VSC));
        inputs.push_back(input);
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Sleep(150);
}
