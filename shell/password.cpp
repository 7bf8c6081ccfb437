// The saver password on the Windows 9x family: whether closing needs it, the
// platform's check that asks for it, and the platform's dialog that changes it.
// Both come from libraries of the system folder; where one is missing the
// feature is simply off.
#include "shell/shell.h"

VerifyPasswordProc g_pfnVerifyPassword;

namespace
{

HMODULE g_hPasswordLib; // PASSWORD.CPL while loaded

typedef DWORD(WINAPI* ChangePasswordProc)(LPCSTR provider, HWND owner, DWORD flags,
                                          LPVOID reserved);

// GetProcAddress answers with a generic function pointer; the named entry's
// real type is known only to the caller.
template <typename Proc> Proc FindEntry(HMODULE library, const char* name)
{
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

bool IsPasswordSet(HKEY desktop)
{
    // Read as four bytes whatever the stored type: a 4-byte binary 1 counts
    // like a DWORD 1. A shorter value fills only the low bytes.
    uint32_t value = 0;
    DWORD size = sizeof(value);
    LONG status = RegQueryValueExA(desktop, "ScreenSaveUsePassword", NULL, NULL,
                                   reinterpret_cast<BYTE*>(&value), &size);
    return status == ERROR_SUCCESS && value != 0;
}

} // namespace

void LoadPasswordVerifier()
{
    if (!g_bWin9x)
    {
        return;
    }
    if (g_hPasswordLib)
    {
        ReleasePasswordVerifier();
    }
    HKEY desktop = NULL;
    if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &desktop) != ERROR_SUCCESS)
    {
        return;
    }
    if (IsPasswordSet(desktop))
    {
        g_hPasswordLib = LoadSystemLibrary("PASSWORD.CPL");
        if (g_hPasswordLib)
        {
            g_pfnVerifyPassword =
                FindEntry<VerifyPasswordProc>(g_hPasswordLib, "VerifyScreenSavePwd");
            if (g_pfnVerifyPassword)
            {
                SetSaverRunning(true);
            }
            else
            {
                ReleasePasswordVerifier();
            }
        }
    }
    RegCloseKey(desktop);
}

void ReleasePasswordVerifier()
{
    if (!g_bWin9x || !g_hPasswordLib)
    {
        return;
    }
    FreeLibrary(g_hPasswordLib);
    g_hPasswordLib = NULL;
    if (g_pfnVerifyPassword)
    {
        g_pfnVerifyPassword = NULL;
        SetSaverRunning(false);
    }
}

void SetSaverRunning(bool on)
{
    if (!g_bWin9x)
    {
        return;
    }
    UINT previous = 0;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, on ? TRUE : FALSE, &previous, 0);
}

void ChangeSaverPassword(HWND owner)
{
    HMODULE mpr = LoadSystemLibrary("MPR.DLL");
    if (!mpr)
    {
        return;
    }
    ChangePasswordProc change = FindEntry<ChangePasswordProc>(mpr, "PwdChangePasswordA");
    if (change)
    {
        change("SCRSAVE", owner, 0, NULL);
    }
    FreeLibrary(mpr);
}
