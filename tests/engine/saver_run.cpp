#include "saver_run.h"
#include "support/test_support.h"

#include <vector>

SaverRun::~SaverRun()
{
    if (info.hProcess != NULL)
    {
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT)
        {
            TerminateProcess(info.hProcess, 1);
            WaitForSingleObject(info.hProcess, 5000);
        }
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
}

bool StartSaverRun(const std::string& arguments, SaverRun* run)
{
    std::string exe = SolmirScrPath();
    std::string line = "\"" + exe + "\" " + arguments;
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    return CreateProcessA(exe.c_str(), buffer.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                          &run->info) != FALSE;
}

static void PumpFor(DWORD ms)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms)
    {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        {
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
}

HWND WaitForSaverInFront(const SaverRun& run, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs)
    {
        HWND hwnd = FindWindowA("WindowsScreenSaverClass", "Screen Saver");
        DWORD pid = 0;
        if (hwnd != NULL)
        {
            GetWindowThreadProcessId(hwnd, &pid);
        }
        if (pid == run.info.dwProcessId && GetForegroundWindow() == hwnd)
        {
            return hwnd;
        }
        PumpFor(20);
    }
    return NULL;
}

DWORD WaitForRunExit(const SaverRun& run, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (WaitForSingleObject(run.info.hProcess, 0) == WAIT_TIMEOUT)
    {
        if (GetTickCount() - start >= timeoutMs)
        {
            return STILL_ACTIVE;
        }
        PumpFor(20);
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(run.info.hProcess, &code);
    return code;
}

bool IsRunAlive(const SaverRun& run)
{
    return WaitForSingleObject(run.info.hProcess, 0) == WAIT_TIMEOUT;
}

void PressKey(WORD vk)
{
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = vk;
    inputs[0].ki.wScan = (WORD)MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
    inputs[1] = inputs[0];
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

void MoveCursorAbsolute(LONG x, LONG y)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = (LONG)((x * 65535LL) / (GetSystemMetrics(SM_CXSCREEN) - 1));
    input.mi.dy = (LONG)((y * 65535LL) / (GetSystemMetrics(SM_CYSCREEN) - 1));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(INPUT));
}
