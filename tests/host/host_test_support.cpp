#include "host_test_support.h"

#include "resource.h"
#include "shell/shell.h"

#include <string.h>
#include <wchar.h>

const char kProductPath[] = "Software\\Quenwick\\Solmir";
const char kRunOncePath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char kNoticeTitle[] = "Oops, looks like there is a problem...";
const char kRemovedCaption[] = "Screen saver will be removed.";
const char kRemovedText[] = "This Screen saver will be removed\nthe next time you start Windows.";
const char kNotRemovedCaption[] = "Screen saver will not be removed.";
const char kNotRemovedText[] =
    "Solmir could not be scheduled for removal.\nPlease remove it with Add or Remove Programs.";

namespace
{

const char kVolatileParent[] = "Software\\SolmirHostTestVolatile";
const char kUnreachablePath[] = "Software\\SolmirHostTestVolatile\\Unreachable";
const wchar_t kUnreachableTarget[] =
    L"\\Registry\\Machine\\Software\\SolmirHostTestVolatile\\Unreachable";

std::vector<DWORD> s_script;
size_t s_next;
DWORD s_step;
DWORD s_now;
int s_reads;

DWORD WINAPI TestTickCount()
{
    ++s_reads;
    if (s_next < s_script.size())
    {
        s_now = s_script[s_next++];
    }
    else
    {
        s_now += s_step;
    }
    return s_now;
}

void WINAPI TestSleep(DWORD ms)
{
    s_now += ms;
}

struct ChildSearch
{
    const char* className;
    std::string text;
};

BOOL CALLBACK FindStaticText(HWND child, LPARAM lParam)
{
    ChildSearch* search = reinterpret_cast<ChildSearch*>(lParam);
    char className[32] = {};
    GetClassNameA(child, className, sizeof(className));
    std::string text = WindowText(child);
    if (lstrcmpiA(className, search->className) == 0 && !text.empty())
    {
        search->text = text;
        return FALSE;
    }
    return TRUE;
}

} // namespace

bool DeleteKey(HKEY hive, const char* path)
{
    // Opening with REG_OPTION_OPEN_LINK reaches a symbolic link itself; for
    // an ordinary key it is an ordinary open.
    HKEY key = NULL;
    LONG status = RegOpenKeyExA(hive, path, REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS | DELETE, &key);
    if (status == ERROR_FILE_NOT_FOUND)
    {
        return true;
    }
    if (status != ERROR_SUCCESS)
    {
        return false;
    }
    // A key goes with its values; only subkeys have to go first.
    status = RegDeleteKeyA(key, "");
    if (status != ERROR_SUCCESS)
    {
        RegDeleteTreeA(key, NULL);
        status = RegDeleteKeyA(key, "");
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool ResetKey(HKEY hive, const char* path)
{
    if (!DeleteKey(hive, path))
    {
        return false;
    }
    HKEY key = NULL;
    if (RegCreateKeyExA(hive, path, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, &key,
                        NULL) != ERROR_SUCCESS)
    {
        return false;
    }
    RegCloseKey(key);
    return true;
}

bool SetString(HKEY hive, const char* path, const char* name, const std::string& text)
{
    HKEY key = NULL;
    if (RegCreateKeyExA(hive, path, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, &key,
                        NULL) != ERROR_SUCCESS)
    {
        return false;
    }
    LONG status = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

std::string GetString(HKEY hive, const char* path, const char* name)
{
    HKEY key = NULL;
    if (RegOpenKeyExA(hive, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    {
        return "<missing>";
    }
    DWORD type = 0;
    DWORD size = 0;
    std::string text = "<missing>";
    if (RegQueryValueExA(key, name, NULL, &type, NULL, &size) == ERROR_SUCCESS)
    {
        std::vector<char> data(size + 1, '\0');
        if (RegQueryValueExA(key, name, NULL, &type, reinterpret_cast<BYTE*>(data.data()), &size) ==
            ERROR_SUCCESS)
        {
            text = type == REG_SZ ? std::string(data.data()) : "<not a string>";
        }
    }
    RegCloseKey(key);
    return text;
}

int ValueCount(HKEY hive, const char* path)
{
    HKEY key = NULL;
    if (RegOpenKeyExA(hive, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    {
        return -1;
    }
    DWORD values = 0;
    LONG status =
        RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? static_cast<int>(values) : -1;
}

bool MakeUnwritableLink(const char* path)
{
    // A non-volatile key cannot be created below a volatile one.
    HKEY key = NULL;
    if (!DeleteKey(HKEY_LOCAL_MACHINE, kVolatileParent) ||
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kVolatileParent, 0, NULL, REG_OPTION_VOLATILE,
                        KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
    {
        return false;
    }
    RegCloseKey(key);
    if (!DeleteKey(HKEY_LOCAL_MACHINE, path) ||
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, NULL,
                        REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL, &key,
                        NULL) != ERROR_SUCCESS)
    {
        return false;
    }
    // The link's target is stored without a terminator.
    LONG status = RegSetValueExW(key, L"SymbolicLinkValue", 0, REG_LINK,
                                 reinterpret_cast<const BYTE*>(kUnreachableTarget),
                                 static_cast<DWORD>(wcslen(kUnreachableTarget) * sizeof(wchar_t)));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool UnreachableTargetExists()
{
    HKEY key = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUnreachablePath, 0, KEY_READ, &key) != ERROR_SUCCESS)
    {
        return false;
    }
    RegCloseKey(key);
    return true;
}

void InstallTestClock(const std::vector<DWORD>& script, DWORD step)
{
    s_script = script;
    s_next = 0;
    s_step = step;
    s_now = 1000;
    s_reads = 0;
    g_pfnTickCount = TestTickCount;
    g_pfnSleep = TestSleep;
}

void RestoreRealClock()
{
    g_pfnTickCount = GetTickCount;
    g_pfnSleep = Sleep;
}

int ClockReads()
{
    return s_reads;
}

HWND WaitForDialog(const char* title, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    do
    {
        HWND found = FindWindowA("#32770", title);
        if (found && IsWindowVisible(found))
        {
            return found;
        }
        Sleep(10);
    } while (GetTickCount() - start < timeoutMs);
    return NULL;
}

bool WaitForWindowGone(HWND hwnd, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (IsWindow(hwnd))
    {
        if (GetTickCount() - start >= timeoutMs)
        {
            return false;
        }
        Sleep(10);
    }
    return true;
}

std::string WindowText(HWND hwnd)
{
    char text[1024];
    memset(text, 0, sizeof(text));
    GetWindowTextA(hwnd, text, sizeof(text));
    return text;
}

std::string ItemText(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    return item ? WindowText(item) : "<no control>";
}

std::string NoticeRateText(HWND notice, DWORD timeoutMs)
{
    const std::string placeholder = "The current frame rate is: xxx frames per second.";
    DWORD start = GetTickCount();
    std::string text = ItemText(notice, IDC_FRAME_RATE_TEXT);
    while (text == placeholder && GetTickCount() - start < timeoutMs)
    {
        Sleep(10);
        text = ItemText(notice, IDC_FRAME_RATE_TEXT);
    }
    return text;
}

std::string MessageBoxText(HWND box)
{
    ChildSearch search = {"Static", std::string()};
    EnumChildWindows(box, FindStaticText, reinterpret_cast<LPARAM>(&search));
    return search.text;
}

void PressButton(HWND dialog, int id)
{
    // Posted: the press may open a modal box, and a sent message would wait
    // for it to close.
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

SeenBox DismissMessageBox(const char* caption1, const char* caption2, DWORD timeoutMs, HWND below)
{
    SeenBox seen = {"<none>", std::string(), false};
    DWORD start = GetTickCount();
    HWND box = NULL;
    while (box == NULL && GetTickCount() - start < timeoutMs)
    {
        box = WaitForDialog(caption1, 10);
        if (box == NULL && caption2 != NULL)
        {
            box = WaitForDialog(caption2, 10);
        }
    }
    if (box == NULL)
    {
        return seen;
    }
    seen.caption = WindowText(box);
    seen.text = MessageBoxText(box);
    for (HWND next = GetWindow(box, GW_HWNDNEXT); next; next = GetWindow(next, GW_HWNDNEXT))
    {
        if (next == below)
        {
            seen.above = true;
        }
    }
    PressButton(box, IDOK);
    WaitForWindowGone(box, timeoutMs);
    return seen;
}
