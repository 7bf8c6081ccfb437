// Stand-in for the platform's password control-panel library PASSWORD.CPL,
// which Wine does not have. The test tells it what to answer through values
// under HKCU\Software\SolmirTest\Password and reads back what it was asked.
//   answer         0 refuse, 1 accept, 2 raise an access violation
//   delay          milliseconds the request stays up, pumping messages like a
//                  modal dialog would
//   close during   1: post WM_CLOSE to the saver while the request is up
//   close after    1: post WM_CLOSE to the saver just before answering
// Recorded: loads, frees (FreeLibrary, not process exit), calls, window,
// running (the system's saver-running flag during the call), start tick,
// end tick.
#include <windows.h>

namespace
{

const char kKey[] = "Software\\SolmirTest\\Password";

DWORD ReadSetting(const char* name, DWORD fallback)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueA(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_DWORD, NULL, &value, &size) !=
        ERROR_SUCCESS)
    {
        return fallback;
    }
    return value;
}

void WriteSetting(const char* name, DWORD value)
{
    HKEY key = NULL;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) !=
        ERROR_SUCCESS)
    {
        return;
    }
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
}

void CountOne(const char* name)
{
    WriteSetting(name, ReadSetting(name, 0) + 1);
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH)
    {
        CountOne("loads");
    }
    else if (reason == DLL_PROCESS_DETACH && reserved == NULL)
    {
        CountOne("frees");
    }
    return TRUE;
}

#ifndef STANDIN_WITHOUT_CHECK
namespace
{

// A modal dialog keeps the saver's messages flowing while the user types.
void PumpFor(DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;)
    {
        DWORD spent = GetTickCount() - start;
        if (spent >= ms)
        {
            return;
        }
        MsgWaitForMultipleObjects(0, NULL, FALSE, ms - spent, QS_ALLINPUT);
        MSG msg = {};
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

} // namespace

extern "C" BOOL WINAPI VerifyScreenSavePwd(HWND hwnd)
{
    CountOne("calls");
    WriteSetting("start tick", GetTickCount());
    WriteSetting("window", static_cast<DWORD>(reinterpret_cast<UINT_PTR>(hwnd)));
    BOOL running = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    WriteSetting("running", running ? 1 : 0);

    if (ReadSetting("close during", 0))
    {
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
    }
    PumpFor(ReadSetting("delay", 0));
    DWORD answer = ReadSetting("answer", 0);
    if (answer == 2)
    {
        RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, NULL);
    }
    if (ReadSetting("close after", 0))
    {
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
    }
    WriteSetting("end tick", GetTickCount());
    return answer == 1;
}
#endif

// A control-panel library's usual entry, so the variant without the check
// still exports something.
extern "C" LONG WINAPI CPlApplet(HWND, UINT, LPARAM, LPARAM)
{
    return 0;
}
