// A stand-in browser and mail program for the link tests: registered as the
// system's open command, it records how it was started and ends at once.
#include <windows.h>

#include <string.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const char* line = GetCommandLineA();
    HKEY key = NULL;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quenwick\\SolmirLinkTest", 0, NULL, 0,
                        KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
    {
        return 1;
    }
    DWORD starts = 0;
    DWORD size = sizeof(starts);
    RegQueryValueExA(key, "starts", NULL, NULL, reinterpret_cast<BYTE*>(&starts), &size);
    ++starts;
    RegSetValueExA(key, "command line", 0, REG_SZ, reinterpret_cast<const BYTE*>(line),
                   static_cast<DWORD>(strlen(line) + 1));
    RegSetValueExA(key, "starts", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&starts),
                   sizeof(starts));
    RegCloseKey(key);
    return 0;
}
