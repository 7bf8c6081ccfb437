// Removal scheduling: the notice's "Remove Solmir" adds the uninstaller to the
// system's run-once list, to run at the next Windows start.
#include "host/host.h"

#include "settings/settings.h"
#include "shell/shell.h"

namespace
{

const char kRunOncePath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

const char kRemovedText[] = "This Screen saver will be removed\nthe next time you start Windows.";
const char kRemovedCaption[] = "Screen saver will be removed.";
const char kNotRemovedText[] =
    "Solmir could not be scheduled for removal.\nPlease remove it with Add or Remove Programs.";
const char kNotRemovedCaption[] = "Screen saver will not be removed.";

// A value that does not fit the read buffer reads as the default text, just
// as a missing one does; asking for its size tells the two apart.
bool RunOnceValueHasData(HKEY hive, const char* name)
{
    HKEY key = NULL;
    if (RegOpenKeyExA(hive, kRunOncePath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    {
        return false;
    }
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, name, NULL, NULL, NULL, &size);
    RegCloseKey(key);
    // An empty string is its terminator alone.
    return status == ERROR_SUCCESS && size > 1;
}

// A name whose value is missing or empty is free; every other is taken, an
// over-long one too, so an entry someone else made is never overwritten.
bool RunOnceNameFree(HKEY hive, const char* name)
{
    char text[kRemovalTextSize];
    if (hive == HKEY_LOCAL_MACHINE)
    {
        RegReadMachineString(name, text, sizeof(text), "");
    }
    else
    {
        RegReadUserString(name, text, sizeof(text), "");
    }
    return text[0] == '\0' && !RunOnceValueHasData(hive, name);
}

// An administrator whose token UAC split (the limited half), or a member of
// the Administrators group.
bool IsAdministrator()
{
    HANDLE token = NULL;
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    bool limited = OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
                   GetTokenInformation(token, TokenElevationType, &type, sizeof(type), &size) &&
                   type == TokenElevationTypeLimited;
    if (token != NULL)
    {
        CloseHandle(token);
    }
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof(sid);
    BOOL member = FALSE;
    bool known = CreateWellKnownSid(WinBuiltinAdministratorsSid, NULL, sid, &sidSize) &&
                 CheckTokenMembership(NULL, sid, &member);
    return limited || (known && member);
}

// Writes the entry under the first free name of "kill_saver", "kill_saver1",
// ... in the run-once list of the hive; the run-once path is selected. The
// search is bounded: a list full of our own entries ends it without a name.
bool WriteRunOnceEntryIn(HKEY hive, const char* command)
{
    char name[kRunOnceNameSize];
    for (int counter = 0; counter <= kRunOnceNameLimit; ++counter)
    {
        if (FormatRunOnceName(name, sizeof(name), counter) && RunOnceNameFree(hive, name))
        {
            return hive == HKEY_LOCAL_MACHINE ? RegWriteMachineString(name, command)
                                              : RegWriteUserString(name, command);
        }
    }
    return false;
}

// The machine's list first. A user without elevation may not write there. His
// own list helps only an administrator: Windows runs no run-once entry, the
// machine's or his own, when a standard user logs on, so a standard user gets
// nothing written and is told. The product key is selected again afterwards
// whatever happened, for the registry reads and writes of the rest of the run.
bool WriteRunOnceEntry(HWND hwnd, const char* command)
{
    RegSelectKey(hwnd, kRunOncePath);
    bool written = WriteRunOnceEntryIn(HKEY_LOCAL_MACHINE, command) ||
                   (g_pfnIsAdministrator() && WriteRunOnceEntryIn(HKEY_CURRENT_USER, command));
    RegSelectKey(hwnd, g_szProductKey);
    return written;
}

} // namespace

AdministratorTestProc g_pfnIsAdministrator = IsAdministrator;

void ScheduleRemoval(HWND hwnd)
{
    // The full-screen saver is topmost: the message box below must not end up
    // behind it.
    SetWindowPos(g_hSaverWnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    // The product key is the selected one here: the host selected it at
    // creation, the settings dialog at its start.
    char installDir[kRemovalTextSize];
    RegReadMachineString("install_dir", installDir, sizeof(installDir), "");
    char command[kRemovalTextSize];
    bool scheduled = BuildRemovalCommand(command, sizeof(command), installDir) &&
                     WriteRunOnceEntry(hwnd, command);

    if (scheduled)
    {
        MessageBoxA(hwnd, kRemovedText, kRemovedCaption, MB_OK);
    }
    else
    {
        MessageBoxA(hwnd, kNotRemovedText, kNotRemovedCaption, MB_OK);
    }
}
