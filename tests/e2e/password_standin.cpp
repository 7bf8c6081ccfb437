// Stand-in for the platform's password control-panel library PASSWORD.CPL,
// which Wine does not have. The test tells it what to answer through the value
// "answer" under HKCU\Software\SolmirTest\Password (0 refuse, 1 accept) and
// reads back there: loads, frees (FreeLibrary, not process exit), calls,
// window, running (the system's saver-running flag during the call).
#include <windows.h>

namespace
{

const char kKey[] = "Software\\SolmirTest\\Password";

DWORD ReadSetting(const char* name)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    LONG status =
        RegGetValueA(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_DWORD, NULL, &value, &size);
    return status == ERROR_SUCCESS ? value : 0;
}

void WriteSetting(const char* name, DWORD value)
{
    RegSetKeyValueA(HKEY_CURRENT_USER, kKey, name, REG_DWORD, &value, sizeof(value));
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH)
    {
        WriteSetting("loads", ReadSetting("loads") + 1);
    }
    else if (reason == DLL_PROCESS_DETACH && reserved == NULL)
    {
        WriteSetting("frees", ReadSetting("frees") + 1);
    }
    return TRUE;
}

extern "C" BOOL WINAPI VerifyScreenSavePwd(HWND hwnd)
{
    WriteSetting("calls", ReadSetting("calls") + 1);
    WriteSetting("window", static_cast<DWORD>(reinterpret_cast<UINT_PTR>(hwnd)));
    BOOL running = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    WriteSetting("running", running ? 1 : 0);
    if (ReadSetting("answer") == 2)
    {
        RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, NULL);
    }
    return ReadSetting("answer") == 1;
}
