#include "support/support.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

std::string SolmirScrPath()
{
    // CTest hands over the Unix path; Wine maps the Unix root to drive Z:.
    std::string path = __argc < 2 ? "" : __argv[1];
    std::replace(path.begin(), path.end(), '/', '\\');
    return path.rfind('\\', 0) == 0 ? "Z:" + path : path;
}

std::string TestProgramFolder()
{
    char path[MAX_PATH];
    std::string folder(path, GetModuleFileNameA(NULL, path, sizeof(path)));
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

bool ReadFileBytes(const std::string& path, std::string* bytes)
{
    std::ifstream file(path, std::ios::binary);
    bytes->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return file.is_open() && !file.bad();
}

SaverProcess::~SaverProcess()
{
    // Never started: every call below fails on the null handles, harmlessly.
    if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT)
    {
        TerminateProcess(info.hProcess, 0xDEAD);
        WaitForSingleObject(info.hProcess, 5000);
    }
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
}

bool StartProgram(const std::string& exe, const std::string& tail, SaverProcess* process)
{
    std::string line = "\"" + exe + "\" " + tail;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    return CreateProcessA(exe.c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                          &process->info) != 0;
}

DWORD WaitForExit(const SaverProcess& process, DWORD timeoutMs)
{
    WaitUntil([&] { return WaitForSingleObject(process.info.hProcess, 0) == WAIT_OBJECT_0; },
              timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.info.hProcess, &code);
    return code;
}

void PumpMessagesFor(DWORD ms)
{
    for (DWORD start = GetTickCount(), spent = 0; spent < ms; spent = GetTickCount() - start)
    {
        // A window that posts itself a message for each it takes (the
        // saver's ticks) keeps the queue full: the time bounds this too.
        MSG msg = {};
        while (GetTickCount() - start < ms && PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, NULL, FALSE, ms - spent, QS_ALLINPUT);
    }
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    for (DWORD start = GetTickCount(); !done(); PumpMessagesFor(5))
    {
        if (GetTickCount() - start >= timeoutMs)
        {
            return false;
        }
    }
    return true;
}

std::string WindowTitle(HWND hwnd)
{
    char text[256] = {};
    return GetWindowTextA(hwnd, text, sizeof(text)) ? text : "";
}

std::string WindowClass(HWND hwnd)
{
    char text[256] = {};
    return GetClassNameA(hwnd, text, sizeof(text)) ? text : "";
}

void DeleteTree(HKEY root, const char* path)
{
    RegDeleteTreeA(root, path);
    RegDeleteKeyA(root, path);
}

void SetDword(HKEY root, const char* path, const char* name, DWORD value)
{
    RegSetKeyValueA(root, path, name, REG_DWORD, &value, sizeof(value));
}

void SetString(HKEY root, const char* path, const char* name, const char* text)
{
    RegSetKeyValueA(root, path, name, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1));
}

DWORD ReadDword(HKEY root, const char* path, const char* name, DWORD fallback)
{
    DWORD value = 0, size = sizeof(value);
    bool ok = RegGetValueA(root, path, name, RRF_RT_REG_DWORD, NULL, &value, &size) == 0;
    return ok ? value : fallback;
}

std::string ReadString(HKEY root, const char* path, const char* name, const char* fallback)
{
    char buffer[1024];
    DWORD size = sizeof(buffer);
    return RegGetValueA(root, path, name, RRF_RT_REG_SZ, NULL, buffer, &size) == 0 ? buffer
                                                                                   : fallback;
}

std::string MakeTempFolder(const char* prefix)
{
    char base[MAX_PATH];
    GetTempPathA(sizeof(base), base);
    std::string folder = base + std::string(prefix) + std::to_string(GetCurrentProcessId()) + "-" +
                         std::to_string(GetTickCount());
    return CreateDirectoryA(folder.c_str(), NULL) ? folder + "\\" : std::string();
}

void RemoveFolder(const std::string& folder)
{
    std::error_code error; // "", a folder never made, names nothing to remove
    std::filesystem::remove_all(folder, error);
}

std::vector<uint32_t> CaptureScreen(const RECT& area)
{
    const int width = area.right - area.left, height = area.bottom - area.top;
    std::vector<uint32_t> pixels(width * height);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(info.bmiHeader), width, -height, 1, 32, 0, 0, 0, 0, 0, 0};
    HDC screen = GetDC(NULL), memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, old);
    GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return pixels;
}

RECT LitBox(const RECT& area)
{
    const std::vector<uint32_t> pixels = CaptureScreen(area);
    const LONG width = area.right - area.left;
    RECT box = {area.right, area.bottom, area.left, area.top};
    for (LONG i = 0; i < LONG(pixels.size()); ++i)
    {
        if (pixels[i] & 0xFFFFFF)
        {
            const LONG x = area.left + i % width, y = area.top + i / width;
            box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                   std::max(box.bottom, y + 1)};
        }
    }
    return box;
}
