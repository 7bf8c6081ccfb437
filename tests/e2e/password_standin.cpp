// Stand-in for PASSWORD.CPL, which Wine does not have; also planted under the
// names of other DLLs, where its count of loads tells whether it was taken. It
// answers as the DWORD "answer" under HKCU\Software\SolmirTest\Password says
// (0 refuse, 1 accept, 2 fault) and counts there: loads, frees (FreeLibrary,
// not process exit), calls, and running (the saver-running flag in the last call).
#include <windows.h>

static const char kKey[] = "Software\\SolmirTest\\Password";

static DWORD ReadSetting(const char* name)
{
    DWORD value = 0, size = sizeof(value); // left 0 when there is none
    RegGetValueA(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_DWORD, NULL, &value, &size);
    return value;
}

static void WriteSetting(const char* name, DWORD value)
{
    RegSetKeyValueA(HKEY_CURRENT_USER, kKey, name, REG_DWORD, &value, sizeof(value));
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    const char* count = reason == DLL_PROCESS_ATTACH                       ? "loads"
                        : reason == DLL_PROCESS_DETACH && reserved == NULL ? "frees"
                                                                           : NULL;
    if (count != NULL)
    {
        WriteSetting(count, ReadSetting(count) + 1);
    }
    return TRUE;
}

extern "C" BOOL WINAPI VerifyScreenSavePwd(HWND)
{
    BOOL running = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    WriteSetting("running", running ? 1 : 0);
    WriteSetting("calls", ReadSetting("calls") + 1);
    if (ReadSetting("answer") == 2)
    {
        RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, NULL);
    }
    return ReadSetting("answer") == 1;
}
