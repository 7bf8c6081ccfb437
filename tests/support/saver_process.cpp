#include "support/saver_process.h"

#include <gtest/gtest.h>

SaverProcess::~SaverProcess()
{
    if (info.hProcess)
    {
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT)
        {
            TerminateProcess(info.hProcess, 0xDEAD);
            WaitForSingleObject(info.hProcess, 5000);
        }
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
}

bool StartProgram(const std::string& exe, const std::string& tail, SaverProcess* process)
{
    std::string line = "\"" + exe + "\" " + tail;
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    return CreateProcessA(exe.c_str(), buffer.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                          &process->info) != 0;
}

void PumpMessagesFor(DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;)
    {
        MSG msg = {};
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        DWORD spent = GetTickCount() - start;
        if (spent >= ms)
        {
            return;
        }
        MsgWaitForMultipleObjects(0, NULL, FALSE, ms - spent, QS_ALLINPUT);
    }
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;)
    {
        if (done())
        {
            return true;
        }
        if (GetTickCount() - start >= timeoutMs)
        {
            return false;
        }
        PumpMessagesFor(5);
    }
}

DWORD WaitForExit(const SaverProcess& process, DWORD timeoutMs)
{
    WaitUntil([&] { return WaitForSingleObject(process.info.hProcess, 0) == WAIT_OBJECT_0; },
              timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.info.hProcess, &code);
    return code;
}

namespace
{

struct Search
{
    HWND parent;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectSaverWindow(HWND hwnd, LPARAM param)
{
    Search* search = reinterpret_cast<Search*>(param);
    if (WindowClass(hwnd) == "WindowsScreenSaverClass" &&
        (search->parent == NULL || GetParent(hwnd) == search->parent))
    {
        search->found.push_back(hwnd);
    }
    return TRUE;
}

} // namespace

std::vector<HWND> FindSaverWindows(HWND parent)
{
    Search search;
    search.parent = parent;
    if (parent)
    {
        EnumChildWindows(parent, CollectSaverWindow, reinterpret_cast<LPARAM>(&search));
    }
    else
    {
        EnumWindows(CollectSaverWindow, reinterpret_cast<LPARAM>(&search));
    }
    return search.found;
}

HWND WaitForSaverWindow(const SaverProcess& process, DWORD timeoutMs, HWND parent)
{
    HWND window = NULL;
    WaitUntil(
        [&]
        {
            for (HWND hwnd : FindSaverWindows(parent))
            {
                DWORD pid = 0;
                GetWindowThreadProcessId(hwnd, &pid);
                if (pid == process.info.dwProcessId && IsWindowVisible(hwnd))
                {
                    window = hwnd;
                    return true;
                }
            }
            return WaitForSingleObject(process.info.hProcess, 0) == WAIT_OBJECT_0;
        },
        timeoutMs);
    return window;
}

std::string WindowTitle(HWND hwnd)
{
    char text[256];
    memset(text, 0, sizeof(text));
    GetWindowTextA(hwnd, text, sizeof(text));
    return text;
}

std::string WindowClass(HWND hwnd)
{
    char text[256];
    memset(text, 0, sizeof(text));
    GetClassNameA(hwnd, text, sizeof(text));
    return text;
}

void MoveCursorTo(LONG x, LONG y)
{
    SetCursorPos(x, y);
}

void ClickLeftButton()
{
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

void DeleteTree(HKEY root, const char* path)
{
    RegDeleteTreeA(root, path);
    RegDeleteKeyA(root, path);
}

namespace
{

void SetValue(HKEY root, const char* path, const char* name, DWORD type, const void* data,
              DWORD size)
{
    HKEY key = NULL;
    if (RegCreateKeyExA(root, path, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) == ERROR_SUCCESS)
    {
        RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
}

} // namespace

void SetDword(HKEY root, const char* path, const char* name, DWORD value)
{
    SetValue(root, path, name, REG_DWORD, &value, sizeof(value));
}

void SetString(HKEY root, const char* path, const char* name, const char* text)
{
    SetValue(root, path, name, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1));
}

void DeleteValue(HKEY root, const char* path, const char* name)
{
    HKEY key = NULL;
    if (RegOpenKeyExA(root, path, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS)
    {
        RegDeleteValueA(key, name);
        RegCloseKey(key);
    }
}

DWORD ReadDword(HKEY root, const char* path, const char* name, DWORD fallback)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueA(root, path, name, RRF_RT_REG_DWORD, NULL, &value, &size) != ERROR_SUCCESS)
    {
        return fallback;
    }
    return value;
}

bool ReadString(HKEY root, const char* path, const char* name, std::string* text)
{
    char buffer[1024];
    DWORD size = sizeof(buffer);
    if (RegGetValueA(root, path, name, RRF_RT_REG_SZ, NULL, buffer, &size) != ERROR_SUCCESS)
    {
        return false;
    }
    *text = buffer;
    return true;
}

std::string MakeTempFolder(const char* prefix)
{
    char base[MAX_PATH];
    GetTempPathA(sizeof(base), base);
    for (unsigned n = GetTickCount() ^ GetCurrentProcessId();; ++n)
    {
        std::string folder = std::string(base) + prefix + std::to_string(n);
        if (CreateDirectoryA(folder.c_str(), NULL))
        {
            return folder + "\\";
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
        {
            return std::string();
        }
    }
}

void RemoveFolder(const std::string& folder)
{
    if (folder.empty())
    {
        return;
    }
    WIN32_FIND_DATAA data = {};
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE)
    {
        do
        {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            {
                DeleteFileA((folder + data.cFileName).c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

std::string TestProgramFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, sizeof(path));
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

bool IsSaverRunningFlagSet()
{
    // This process would answer from the value it read first; a new process
    // reads what the saver left.
    SaverProcess reader;
    std::string exe = TestProgramFolder() + "saver_flag.exe";
    if (!StartProgram(exe, "", &reader))
    {
        ADD_FAILURE() << "cannot start " << exe;
        return false;
    }
    DWORD code = WaitForExit(reader, 5000);
    if (code > 1)
    {
        ADD_FAILURE() << "saver-running flag unreadable: " << code;
    }
    return code == 1;
}

void SetSaverRunningFlag(bool on)
{
    UINT previous = 0;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, on ? 1 : 0, &previous, 0);
}
