#include "host_test_support.h"

#include "resource.h"
#include "shell/shell.h"

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

std::vector<DWORD> s_script;
size_t s_next;
DWORD s_step;
DWORD s_now;
int s_reads;

DWORD WINAPI TestTickCount()
{
    ++s_reads;
    s_now = s_next < s_script.size() ? s_script[s_next++] : s_now + s_step;
    return s_now;
}

void WINAPI TestSleep(DWORD ms)
{
    s_now += ms;
}

HWND VisibleDialog(const char* title)
{
    HWND found = FindWindowA("#32770", title);
    return found && IsWindowVisible(found) ? found : NULL;
}

} // namespace

bool DeleteKey(HKEY hive, const char* path)
{
    HKEY key = NULL;
    LONG status = RegOpenKeyExA(hive, path, REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS, &key);
    if (status != ERROR_SUCCESS)
    {
        return status == ERROR_FILE_NOT_FOUND;
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
    HKEY key = NULL;
    if (!DeleteKey(hive, path) ||
        RegCreateKeyExA(hive, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
    {
        return false;
    }
    RegCloseKey(key);
    return true;
}

std::string RunOnceEntry(const char* name)
{
    std::string text;
    return ReadString(HKEY_LOCAL_MACHINE, kRunOncePath, name, &text) ? text : "<missing>";
}

int RunOnceCount()
{
    HKEY key = NULL;
    DWORD values = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOncePath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    {
        return -1;
    }
    RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return static_cast<int>(values);
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
    HWND found = NULL;
    WaitUntil([&] { return (found = VisibleDialog(title)) != NULL; }, timeoutMs);
    return found;
}

std::string NoticeRateText(HWND notice, DWORD timeoutMs)
{
    HWND line = GetDlgItem(notice, IDC_FRAME_RATE_TEXT);
    WaitUntil([&] { return WindowTitle(line).find("xxx") == std::string::npos; }, timeoutMs);
    return WindowTitle(line);
}

void PressButton(HWND dialog, int id)
{
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

SeenBox DismissRemovalBox(DWORD timeoutMs, HWND below)
{
    SeenBox seen;
    HWND box = NULL;
    WaitUntil(
        [&]
        {
            box = VisibleDialog(kRemovedCaption);
            return box || (box = VisibleDialog(kNotRemovedCaption)) != NULL;
        },
        timeoutMs);
    if (box == NULL)
    {
        return seen;
    }
    seen.caption = WindowTitle(box);
    // The message is the box's static control with text.
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    {
        if (seen.text.empty() && lstrcmpiA(WindowClass(child).c_str(), "Static") == 0)
        {
            seen.text = WindowTitle(child);
        }
    }
    for (HWND next = GetWindow(box, GW_HWNDNEXT); next; next = GetWindow(next, GW_HWNDNEXT))
    {
        seen.above = seen.above || next == below;
    }
    PressButton(box, IDOK);
    WaitUntil([&] { return !IsWindow(box); }, timeoutMs);
    return seen;
}
