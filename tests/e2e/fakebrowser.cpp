// A stand-in browser: registered as the system's HTTP open command, it keeps
// the command line it was started with and ends at once.
#include <windows.h>

#include <string.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const char* line = GetCommandLineA();
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Quenwick\\SolmirLinkTest", "command line", REG_SZ,
                    line, static_cast<DWORD>(strlen(line) + 1));
    return 0;
}
