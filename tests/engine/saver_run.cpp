#include "saver_run.h"
#include "support/test_support.h"

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

ScreenShot CaptureScreen()
{
    ScreenShot shot;
    shot.width = GetSystemMetrics(SM_CXSCREEN);
    shot.height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    HBITMAP dib = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    if (dib != NULL && bits != NULL)
    {
        HGDIOBJ old = SelectObject(memory, dib);
        BitBlt(memory, 0, 0, shot.width, shot.height, screen, 0, 0, SRCCOPY);
        GdiFlush();
        const uint32_t* p = (const uint32_t*)bits;
        shot.pixels.assign(p, p + (size_t)shot.width * shot.height);
        SelectObject(memory, old);
        DeleteObject(dib);
    }
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return shot;
}

double LitShare(const ScreenShot& shot)
{
    if (shot.pixels.empty())
    {
        return 0.0;
    }
    size_t lit = 0;
    for (uint32_t p : shot.pixels)
    {
        if ((p & 0xFFFFFF) != 0)
        {
            ++lit;
        }
    }
    return (double)lit / shot.pixels.size();
}

double ChangedShare(const ScreenShot& a, const ScreenShot& b)
{
    if (a.pixels.empty() || a.pixels.size() != b.pixels.size())
    {
        return 0.0;
    }
    size_t changed = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
    {
        if ((a.pixels[i] & 0xFFFFFF) != (b.pixels[i] & 0xFFFFFF))
        {
            ++changed;
        }
    }
    return (double)changed / a.pixels.size();
}
